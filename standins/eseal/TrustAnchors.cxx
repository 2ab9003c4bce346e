// The seal authorities this machine trusts.

#include "TrustAnchors.hxx"

#include "Sm2.hxx"

#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

namespace ktxeseal
{
namespace
{
/// A file of a few authority certificates is a few kilobytes; more is not one.
constexpr std::uintmax_t kMaximumTrustFileSize = 1024 * 1024;
/// Folders are read at every verification; a folder this full is a mistake, not a trust store.
constexpr size_t kMaximumTrustFiles = 256;

int refusePassPhrase(char*, int, int, void*) { return 0; }

bool endsWith(const std::string& name, std::string_view suffix)
{
    return name.size() > suffix.size()
           && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::vector<std::filesystem::path> trustFiles(const std::string& directory, std::string_view suffix)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error))
    {
        std::error_code statusError;
        if (endsWith(entry->path().filename().string(), suffix)
            && entry->is_regular_file(statusError)
            && entry->file_size(statusError) <= kMaximumTrustFileSize && !statusError)
            files.push_back(entry->path());
        if (files.size() == kMaximumTrustFiles)
            break;
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<std::string> readTrustFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string content(static_cast<size_t>(kMaximumTrustFileSize) + 1, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    const auto length = static_cast<size_t>(in.gcount());
    if (in.bad() || length > kMaximumTrustFileSize)
        return std::nullopt;
    content.resize(length);
    return content;
}

template <typename T, typename Encode>
void keepDer(T* value, Encode encode, std::vector<Bytes>& into)
{
    unsigned char* der = nullptr;
    const int length = encode(value, &der);
    OwnedPtr<unsigned char> owned(der);
    if (length > 0)
        into.emplace_back(der, der + length);
}

/// Every PEM certificate of the file; `authorities` keeps only those that can be seal authorities.
void readCertificates(const std::filesystem::path& file, bool authorities, std::vector<Bytes>& into)
{
    const std::optional<std::string> content = readTrustFile(file);
    if (!content)
        return;
    OwnedPtr<BIO> bio(BIO_new_mem_buf(content->data(), static_cast<int>(content->size())));
    while (bio)
    {
        OwnedPtr<X509> certificate(
            PEM_read_bio_X509(bio.get(), nullptr, refusePassPhrase, nullptr));
        if (!certificate)
            break;
        if (!authorities || canBeSealAuthority(certificate.get()))
            keepDer(certificate.get(), i2d_X509, into);
    }
}

/// The PEM revocation lists of the file, or the file as one DER list.
void readRevocationLists(const std::filesystem::path& file, std::vector<Bytes>& into)
{
    const std::optional<std::string> content = readTrustFile(file);
    if (!content)
        return;
    const size_t before = into.size();
    OwnedPtr<BIO> bio(BIO_new_mem_buf(content->data(), static_cast<int>(content->size())));
    while (bio)
    {
        OwnedPtr<X509_CRL> list(
            PEM_read_bio_X509_CRL(bio.get(), nullptr, refusePassPhrase, nullptr));
        if (!list)
            break;
        keepDer(list.get(), i2d_X509_CRL, into);
    }
    if (into.size() == before && !content->empty())
        into.emplace_back(content->begin(), content->end());
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
        for (const std::filesystem::path& file : trustFiles(directory, kTrustFileExtension))
            readCertificates(file, true, trusted);
    }
    return trusted;
}

TrustMaterial loadTrustMaterial()
{
    TrustMaterial material;
    for (const std::string& directory : trustDirectories())
    {
        for (const std::filesystem::path& file : trustFiles(directory, kTrustFileExtension))
            readCertificates(file, true, material.authorities);
        for (const std::filesystem::path& file : trustFiles(directory, kRevocationListExtension))
            readRevocationLists(file, material.revocationLists);
        for (const std::filesystem::path& file :
             trustFiles(directory, kTimeStampAuthorityExtension))
            readCertificates(file, false, material.timeStampAuthorities);
    }
    return material;
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

bool isCertifiedBy(X509* certificate, X509* authority)
{
    if (!certificate || !authority
        || X509_NAME_cmp(X509_get_issuer_name(certificate), X509_get_subject_name(authority)) != 0)
        return false;
    const ASN1_BIT_STRING* signature = nullptr;
    const X509_ALGOR* algorithm = nullptr;
    X509_get0_signature(&signature, &algorithm, certificate);
    const ASN1_OBJECT* algorithmId = nullptr;
    X509_ALGOR_get0(&algorithmId, nullptr, nullptr, algorithm);
    if (!signature || OBJ_obj2nid(algorithmId) != NID_SM2_with_SM3)
        return false;
    // OpenSSL's own check would use an empty SM2 ID; the authority signs under the default one.
    unsigned char* toBeSigned = nullptr;
    const int length = i2d_re_X509_tbs(certificate, &toBeSigned);
    OwnedPtr<unsigned char> owned(toBeSigned);
    return length > 0
           && sm2Verify(X509_get0_pubkey(authority),
                        ByteRange(toBeSigned, static_cast<size_t>(length)),
                        ByteRange(ASN1_STRING_get0_data(signature),
                                  static_cast<size_t>(ASN1_STRING_length(signature))));
}
}
