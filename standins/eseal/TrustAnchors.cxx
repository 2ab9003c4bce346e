// The seal authorities this machine trusts.

#include "TrustAnchors.hxx"

#include "Sm2.hxx"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ktxeseal
{
namespace
{
/// A file of a few authority certificates is a few kilobytes; more is not one.
constexpr std::uintmax_t kMaximumTrustFileSize = 1024 * 1024;
/// Folders are read at every verification; a folder this full is a mistake, not a trust store.
constexpr size_t kMaximumTrustFiles = 256;

int refusePassPhrase(char*, int, int, void*) { return 0; }

std::vector<std::filesystem::path> trustFiles(const std::string& directory)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error))
    {
        std::error_code statusError;
        if (entry->path().extension() == kTrustFileExtension && entry->is_regular_file(statusError)
            && entry->file_size(statusError) <= kMaximumTrustFileSize && !statusError)
            files.push_back(entry->path());
        if (files.size() == kMaximumTrustFiles)
            break;
    }
    std::sort(files.begin(), files.end());
    return files;
}

void readCertificates(const std::filesystem::path& file, std::vector<Bytes>& into)
{
    std::ifstream in(file, std::ios::binary);
    std::string content(static_cast<size_t>(kMaximumTrustFileSize) + 1, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    const auto length = static_cast<size_t>(in.gcount());
    if (in.bad() || length > kMaximumTrustFileSize)
        return;
    OwnedPtr<BIO> bio(BIO_new_mem_buf(content.data(), static_cast<int>(length)));
    while (bio)
    {
        OwnedPtr<X509> certificate(
            PEM_read_bio_X509(bio.get(), nullptr, refusePassPhrase, nullptr));
        if (!certificate)
            break;
        unsigned char* der = nullptr;
        const int derLength = i2d_X509(certificate.get(), &der);
        OwnedPtr<unsigned char> owned(der);
        if (derLength > 0 && canBeSealAuthority(certificate.get()))
            into.emplace_back(der, der + derLength);
    }
}
}

std::vector<std::string> trustDirectories()
{
    const char* configured = std::getenv(kTrustDirectoryVariable);
    if (configured && *configured)
        return { configured };
    std::vector<std::string> directories{ kSystemTrustDirectory };
    const char* home = std::getenv("HOME");
    if (home && *home)
        directories.push_back(std::string(home) + "/" + kTrustDirectoryInHome);
    return directories;
}

std::vector<Bytes> loadTrustedAuthorities()
{
    std::vector<Bytes> trusted;
    for (const std::string& directory : trustDirectories())
    {
        for (const std::filesystem::path& file : trustFiles(directory))
            readCertificates(file, trusted);
    }
    return trusted;
}

bool canBeSealAuthority(X509* certificate)
{
    const uint32_t flags = X509_get_extension_flags(certificate);
    return (flags & EXFLAG_INVALID) == 0 && (flags & EXFLAG_CA) != 0
           && (X509_get_key_usage(certificate) & KU_KEY_CERT_SIGN) != 0
           && isSm2Key(X509_get0_pubkey(certificate));
}

bool isTrustedAuthority(const std::vector<Bytes>& trusted, ByteRange certificateDer)
{
    return std::any_of(trusted.begin(), trusted.end(), [&](const Bytes& authority) {
        return ByteRange(authority) == certificateDer;
    });
}
}
