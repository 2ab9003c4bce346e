// Where the current seal lives and what it is made of.
//
// A seal directory holds four files:
//   seal.key   the seal's SM2 private key, unencrypted PEM (PKCS#8), readable by its owner only
//   seal.crt   the seal's certificate for that key, PEM
//   seal.gif   the seal picture, a GIF that a picture block can carry (see PictureBlock.hxx)
//   seal.name  the seal's name, UTF-8, one line
// The directory is named by KTXESEAL_SEAL_DIR, or is $HOME/.quillmark/seal.
#pragma once

#include "OpenSslPointers.hxx"

#include <optional>
#include <string>
#include <string_view>

namespace ktxeseal
{
inline constexpr char kSealDirectoryVariable[] = "KTXESEAL_SEAL_DIR";
inline constexpr char kDefaultSealDirectoryInHome[] = ".quillmark/seal";
inline constexpr char kSealKeyFile[] = "seal.key";
inline constexpr char kSealCertificateFile[] = "seal.crt";
inline constexpr char kSealPictureFile[] = "seal.gif";
inline constexpr char kSealNameFile[] = "seal.name";

/// Longest seal name in bytes.
inline constexpr size_t kMaximumSealNameLength = 256;

struct Seal
{
    OwnedPtr<EVP_PKEY> key;
    OwnedPtr<X509> certificate;
    Bytes certificateDer;
    std::string name;
    Bytes picture;
};

/// The configured seal directory; nothing when neither variable names one.
std::optional<std::string> currentSealDirectory();

/// The seal in the directory; nothing when a file is missing, unreadable, oversized or the parts
/// do not make a usable seal.
std::optional<Seal> loadSeal(const std::string& directory);

std::optional<Seal> loadCurrentSeal();

/// The certificate's DER encoding; empty on failure.
Bytes certificateDer(X509* certificate);

/// Non-empty well-formed UTF-8 of bounded length without control characters.
bool isValidSealName(std::string_view name);

/// An SM2 key with the certificate made for it (and its DER), a valid name and a picture that a
/// picture block carries intact.
bool isUsableSeal(const Seal& seal);
}
