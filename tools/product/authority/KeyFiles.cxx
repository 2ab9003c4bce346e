// Keys and certificates as the seal tools write and read them.

#include "KeyFiles.hxx"

#include <SealFiles.hxx>

#include <openssl/pem.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace quillmark::authority
{
namespace
{
using ktxeseal::OwnedPtr;

constexpr size_t kMaximumPemLength = 64 * 1024;

int refusePassPhrase(char*, int, int, void*) { return 0; }

std::string memoryText(BIO* bio)
{
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<size_t>(length));
}
}

void require(bool condition, const char* message)
{
    if (!condition)
        throw std::runtime_error(message);
}

OwnedPtr<EVP_PKEY> makeSm2Key()
{
    OwnedPtr<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr));
    EVP_PKEY* key = nullptr;
    require(context && EVP_PKEY_keygen_init(context.get()) == 1
                && EVP_PKEY_generate(context.get(), &key) == 1,
            "OpenSSL cannot make an SM2 key");
    return OwnedPtr<EVP_PKEY>(key);
}

std::string pemOf(EVP_PKEY* key)
{
    OwnedPtr<BIO> bio(BIO_new(BIO_s_mem()));
    require(bio && PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr),
            "OpenSSL cannot write the key");
    return memoryText(bio.get());
}

std::string pemOf(X509* certificate)
{
    OwnedPtr<BIO> bio(BIO_new(BIO_s_mem()));
    require(bio && PEM_write_bio_X509(bio.get(), certificate),
            "OpenSSL cannot write the certificate");
    return memoryText(bio.get());
}

void writeFile(const std::filesystem::path& path, const std::string& content, mode_t mode)
{
    std::filesystem::remove(path);
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor < 0)
        throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
    size_t written = 0;
    while (written < content.size())
    {
        const ssize_t count
            = ::write(descriptor, content.data() + written, content.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
        {
            const std::string reason = std::strerror(errno);
            ::close(descriptor);
            throw std::runtime_error("cannot write " + path.string() + ": " + reason);
        }
        written += static_cast<size_t>(count);
    }
    if (::close(descriptor) != 0)
        throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(errno));
}

OwnedPtr<EVP_PKEY> readPrivateKey(const std::filesystem::path& path)
{
    const std::optional<ktxeseal::Bytes> pem
        = ktxeseal::readSecretFile(path.string(), kMaximumPemLength);
    if (!pem)
        throw std::runtime_error(path.string()
                                 + " is missing, or others than its owner may read it (chmod 600)");
    OwnedPtr<BIO> bio(BIO_new_mem_buf(pem->data(), static_cast<int>(pem->size())));
    OwnedPtr<EVP_PKEY> key(
        bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, refusePassPhrase, nullptr) : nullptr);
    if (!key)
        throw std::runtime_error(path.string() + " holds no unencrypted PEM private key");
    return key;
}

OwnedPtr<X509> readCertificate(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string pem(kMaximumPemLength + 1, '\0');
    in.read(pem.data(), static_cast<std::streamsize>(pem.size()));
    const auto length = static_cast<size_t>(in.gcount());
    OwnedPtr<BIO> bio(length <= kMaximumPemLength
                          ? BIO_new_mem_buf(pem.data(), static_cast<int>(length))
                          : nullptr);
    OwnedPtr<X509> certificate(
        bio ? PEM_read_bio_X509(bio.get(), nullptr, refusePassPhrase, nullptr) : nullptr);
    if (!certificate)
        throw std::runtime_error(path.string() + " holds no PEM certificate");
    return certificate;
}
}
