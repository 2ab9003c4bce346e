// A seal authority: an SM2 key and its self-signed certification-authority certificate, kept in
// a folder of their own. It certifies the keys that seals are signed with and issues the seals.
#pragma once

#include <OpenSslPointers.hxx>
#include <SealTime.hxx>

#include <string>

namespace quillmark::authority
{
inline constexpr char kAuthorityKeyFile[] = "authority.key";
inline constexpr char kAuthorityCertificateFile[] = "authority.crt";
/// Copies of the seals the authority issued, as <seal id>.esl, so that a seal can be revoked by
/// its id alone.
inline constexpr char kIssuedSealsFolder[] = "issued";
inline constexpr int kAuthorityValidityDays = 7300;

struct Authority
{
    ktxeseal::OwnedPtr<EVP_PKEY> key;
    ktxeseal::OwnedPtr<X509> certificate;
};

/// A new authority named `name` (UTF-8, at most 64 characters), valid for twenty years from now.
Authority makeAuthority(const std::string& name);

/// Writes authority.key (mode 0600) and authority.crt into the folder, creating it (owner only)
/// when missing. Throws std::runtime_error when an authority is there already.
void writeAuthority(const Authority& authority, const std::string& directory);

/// Throws std::runtime_error with a reader's message when the folder holds no usable authority,
/// or its key file may be read by others.
Authority loadAuthority(const std::string& directory);

/// Keeps a copy of a seal the authority issued in its folder's issued/ (created owner only).
/// Throws std::runtime_error.
void recordIssuedSeal(const std::string& directory, const std::string& sealId,
                      const ktxeseal::Bytes& sealDer);

/// A certificate (C=CN, CN=name) for the key over the period, to sign seals with: issued by the
/// authority, or self-signed without one. Throws std::runtime_error.
ktxeseal::OwnedPtr<X509> makeSignerCertificate(EVP_PKEY* key, const std::string& name,
                                               const ktxeseal::ValidityPeriod& validity,
                                               const Authority* issuer);
}
