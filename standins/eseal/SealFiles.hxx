// Where the current seal lives and what it is made of.
//
// A seal directory holds the seal:
//   seal.key   the signer's SM2 private key, PEM PKCS#8 encrypted under the holder's PIN
//              (ProtectedKey.hxx), readable by its owner only
//   seal.crt   the signer's certificate for that key, PEM
//   seal.esl   the seal as its authority issued it, DER (IssuedSeal.hxx), listing that certificate
// and what its custody keeps beside it (SealCustody.hxx, StampRegister.hxx): custody.conf,
// pin-failures and stamps.log. The directory is named by KTXESEAL_SEAL_DIR, or is
// $HOME/.quillmark/seal.
#pragma once

#include "IssuedSeal.hxx"
#include "OpenSslPointers.hxx"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace ktxeseal
{
inline constexpr char kSealDirectoryVariable[] = "KTXESEAL_SEAL_DIR";
inline constexpr char kDefaultSealDirectoryInHome[] = ".quillmark/seal";
inline constexpr char kSealKeyFile[] = "seal.key";
inline constexpr char kSealCertificateFile[] = "seal.crt";
inline constexpr char kSealFile[] = "seal.esl";

/// A seal as its directory holds it. Its key is empty until the PIN has unlocked it.
struct Seal
{
    OwnedPtr<EVP_PKEY> key;
    /// seal.key as it lies on disk.
    Bytes protectedKey;
    OwnedPtr<X509> certificate;
    Bytes certificateDer;
    Bytes sealDer;
    IssuedSeal issued;
};

/// The configured seal directory; nothing when neither variable names one.
std::optional<std::string> currentSealDirectory();

/// A file of secrets, up to `limit` bytes; nothing when it is not a regular file of this user's
/// that only its owner may read or change, or is longer.
std::optional<Bytes> readSecretFile(const std::string& path, size_t limit);

/// The seal in the directory, its key still locked; nothing when a file is missing, unreadable
/// or oversized, when the key file may be read or changed by anyone but its owner, or when the
/// certificate and the seal do not belong together.
std::optional<Seal> loadSeal(const std::string& directory);

/// The seal's certificate and the seal, without its key: what anyone may read of a seal, to
/// check what it signed.
std::optional<Seal> loadSealWithoutKey(const std::string& directory);

std::optional<Seal> loadCurrentSeal();

/// Opens the seal's key with the PIN; false when the PIN does not open it. Whether the key is
/// the certificate's is isUsableSeal's question.
bool unlockSeal(Seal& seal, std::string_view pin);

/// The certificate's DER encoding; empty on failure.
Bytes certificateDer(X509* certificate);

/// An SM2 certificate (and its DER), and a seal that its authority's signature holds together
/// and that lists the certificate among its signers.
bool isSealOfItsCertificate(const Seal& seal);

/// The same, with the certificate's own SM2 key unlocked.
bool isUsableSeal(const Seal& seal);

/// Whether the seal may sign at that moment: within its own validity and its certificate's.
bool maySignAt(const Seal& seal, time_t moment);
}
