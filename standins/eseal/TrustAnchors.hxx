// The seal authorities this machine trusts: the certificates in the *.crt files (PEM) of the
// folder named by KTXESEAL_TRUST_DIR, or, when that is unset, of a system folder and a folder in
// the user's home. Only SM2 certification-authority certificates count; a seal's own signer
// certificate placed there makes no seal valid.
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

/// The folders whose authorities are trusted, in the order they are read.
std::vector<std::string> trustDirectories();

/// The DER of every trusted authority certificate; read anew at each call.
std::vector<Bytes> loadTrustedAuthorities();

/// Whether the certificate can be a seal authority: an SM2 key, a CA by its basic constraints,
/// allowed to sign certificates when it says what its key is for.
bool canBeSealAuthority(X509* certificate);

bool isTrustedAuthority(const std::vector<Bytes>& trusted, ByteRange certificateDer);
}
