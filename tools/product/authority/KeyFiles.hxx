// Keys and certificates as the seal tools write and read them: PEM files, keys readable by their
// owner only.
#pragma once

#include <OpenSslPointers.hxx>

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace quillmark::authority
{
ktxeseal::OwnedPtr<EVP_PKEY> makeSm2Key();

std::string pemOf(EVP_PKEY* key);
std::string pemOf(X509* certificate);

/// Writes a new file with this mode from its creation on, so a key is never readable by others,
/// not even briefly. An existing file is replaced. Throws std::runtime_error.
void writeFile(const std::filesystem::path& path, const std::string& content, mode_t mode);

/// The private key in a file that only its owner may read; throws std::runtime_error with a
/// reader's message otherwise.
ktxeseal::OwnedPtr<EVP_PKEY> readPrivateKey(const std::filesystem::path& path);
/// Throws std::runtime_error when the file holds no PEM certificate.
ktxeseal::OwnedPtr<X509> readCertificate(const std::filesystem::path& path);

/// Throws std::runtime_error with the message when the condition does not hold.
void require(bool condition, const char* message);
}
