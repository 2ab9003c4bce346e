// What this machine trusts, from the folder named by KTXESEAL_TRUST_DIR, or, when that is unset,
// from a system folder and a folder in the user's home:
//   *.crt      seal authorities (PEM certificates). Only SM2 certification-authority
//              certificates count; a seal's own signer certificate placed there makes no seal
//              valid.
//   *.crl      the authorities' revocation lists (PEM or DER X.509 CRLs, Revocation.hxx).
//   *.tsa.pem  time-stamp authorities (PEM certificates of the service or of the CA that
//              certified it, TimeStamp.hxx).
#pragma once

#include "OpenSslPointers.hxx"

#include <string>
#include <vector>

namespace ktxeseal
{
inline constexpr char kTrustDirectoryVariable[] = "KTXESEAL_TRUST_DIR";
inline constexpr char kSystemTrustDirectory[] = "/etc/quillmark/seal-authorities";
inline constexpr char kTrustDirectoryInHome[] = ".quillmark/seal-authorities";
inline constexpr char kTrustFileExtension[] = ".crt";
inline constexpr char kRevocationListExtension[] = ".crl";
inline constexpr char kTimeStampAuthorityExtension[] = ".tsa.pem";

/// Everything a verification trusts, as DER, read at once.
struct TrustMaterial
{
    std::vector<Bytes> authorities;
    std::vector<Bytes> revocationLists;
    std::vector<Bytes> timeStampAuthorities;

    TrustMaterial() = default;
    /// Authorities alone: no revocation list, no time-stamp authority.
    TrustMaterial(std::vector<Bytes> trustedAuthorities)
        : authorities(std::move(trustedAuthorities))
    {
    }
};

/// The folders whose authorities are trusted, in the order they are read.
std::vector<std::string> trustDirectories();

/// The DER of every trusted authority certificate; read anew at each call.
std::vector<Bytes> loadTrustedAuthorities();

/// The authorities, revocation lists and time-stamp authorities of the trust folders; read anew
/// at each call.
TrustMaterial loadTrustMaterial();

/// Whether the certificate can be a seal authority: an SM2 key, a CA by its basic constraints,
/// allowed to sign certificates when it says what its key is for.
bool canBeSealAuthority(X509* certificate);

bool isTrustedAuthority(const std::vector<Bytes>& trusted, ByteRange certificateDer);

/// Whether the authority signed the certificate (SM2 with SM3 under the default ID) and is
/// named as its issuer.
bool isCertifiedBy(X509* certificate, X509* authority);
}
