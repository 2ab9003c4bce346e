// The seal's private key as it lies on disk: PKCS#8 EncryptedPrivateKeyInfo under its holder's
// PIN, the key derived with scrypt and the key encrypted with AES-256.
#pragma once

#include "OpenSslPointers.hxx"

#include <optional>
#include <string>
#include <string_view>

namespace ktxeseal
{
/// The PIN's bounds in bytes; a PIN is UTF-8 without line ends or NULs.
inline constexpr size_t kShortestPin = 6;
inline constexpr size_t kLongestPin = 127;

/// Whether the PIN may protect a key: within the bounds, no control characters.
bool isAcceptablePin(std::string_view pin);

/// The key as PEM ("ENCRYPTED PRIVATE KEY"), encrypted under the PIN with a fresh salt and IV;
/// nothing when OpenSSL refuses.
std::optional<std::string> protectKey(EVP_PKEY* key, std::string_view pin);

/// The key the PEM holds under that PIN; empty when the PIN is wrong or the bytes are no
/// encrypted key. An unencrypted key is never read here.
OwnedPtr<EVP_PKEY> openProtectedKey(ByteRange pem, std::string_view pin);

/// Whether the bytes are one PEM encrypted private key.
bool isProtectedKey(ByteRange pem);
}
