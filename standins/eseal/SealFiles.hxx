// Where the current seal lives and what it is made of.
//
// A seal directory holds three files:
//   seal.key   the signer's SM2 private key, unencrypted PEM (PKCS#8), readable by its owner only
//   seal.crt   the signer's certificate for that key, PEM
//   seal.esl   the seal as its authority issued it, DER (IssuedSeal.hxx), listing that certificate
// The directory is named by KTXESEAL_SEAL_DIR, or is $HOME/.quillmark/seal.
#pragma once

#include "IssuedSeal.hxx"
#include "OpenSslPointers.hxx"

#include <ctime>
#include <optional>
#include <string>

namespace ktxeseal
{
inline constexpr char kSealDirectoryVariable[] = "KTXESEAL_SEAL_DIR";
inline constexpr char kDefaultSealDirectoryInHome[] = ".quillmark/seal";
inline constexpr char kSealKeyFile[] = "seal.key";
inline constexpr char kSealCertificateFile[] = "seal.crt";
inline constexpr char kSealFile[] = "seal.esl";

struct Seal
{
    OwnedPtr<EVP_PKEY> key;
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

/// The seal in the directory; nothing when a file is missing, unreadable or oversized, when the
/// key file may be read or changed by anyone but its owner, or when the parts do not make a
/// usable seal.
std::optional<Seal> loadSeal(const std::string& directory);

std::optional<Seal> loadCurrentSeal();

/// The certificate's DER encoding; empty on failure.
Bytes certificateDer(X509* certificate);

/// An SM2 key with its certificate (and that certificate's DER), and a seal that its authority's
/// signature holds together and that lists the certificate among its signers.
bool isUsableSeal(const Seal& seal);

/// Whether the seal may sign at that moment: within its own validity and its certificate's.
bool maySignAt(const Seal& seal, time_t moment);
}
