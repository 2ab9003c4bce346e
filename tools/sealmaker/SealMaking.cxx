// Making a seal: its SM2 key pair, a self-signed certificate for the organisation, its picture,
// and the seal directory the electronic-seal library reads.

#include "SealMaking.hxx"

#include <PictureBlock.hxx>
#include <SealSignature.hxx>
#include <Sm2.hxx>

#include <KTXESeal.h>
#include <openssl/bn.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace quillmark::sealmaker
{
namespace
{
using ktxeseal::Bytes;
using ktxeseal::OwnedPtr;

constexpr int kValidityDays = 3650;
constexpr int kSerialBytes = 16;

void require(bool condition, const char* what)
{
    if (!condition)
        throw std::runtime_error(what);
}

void addNameEntry(X509_NAME* name, const char* field, const std::string& value)
{
    require(X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(value.c_str()), -1,
                                       -1, 0)
                == 1,
            "the organisation name cannot be a certificate subject (at most 64 characters)");
}

void addExtension(X509* certificate, X509V3_CTX* context, int nid, const char* value)
{
    OwnedPtr<X509_EXTENSION> extension(X509V3_EXT_conf_nid(nullptr, context, nid, value));
    require(extension && X509_add_ext(certificate, extension.get(), -1) == 1,
            "OpenSSL cannot add a certificate extension");
}

void setRandomSerial(X509* certificate)
{
    unsigned char serial[kSerialBytes];
    require(RAND_bytes(serial, sizeof(serial)) == 1, "OpenSSL has no random bytes");
    serial[0] &= 0x7F; // positive
    serial[0] |= 0x40; // and of full length
    OwnedPtr<BIGNUM> number(BN_bin2bn(serial, sizeof(serial), nullptr));
    require(number && BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(certificate)),
            "OpenSSL cannot set the certificate serial number");
}

std::string pemOf(EVP_PKEY* key)
{
    OwnedPtr<BIO> bio(BIO_new(BIO_s_mem()));
    require(bio && PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr),
            "OpenSSL cannot write the key");
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(length));
}

std::string pemOf(X509* certificate)
{
    OwnedPtr<BIO> bio(BIO_new(BIO_s_mem()));
    require(bio && PEM_write_bio_X509(bio.get(), certificate),
            "OpenSSL cannot write the certificate");
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(length));
}

void writeFile(const std::filesystem::path& path, const std::string& content, mode_t mode)
{
    // The mode is set at creation, so the key is never readable by others, not even briefly.
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

OwnedPtr<X509> makeSealCertificate(EVP_PKEY* key, const std::string& organisation)
{
    OwnedPtr<X509> certificate(X509_new());
    require(certificate != nullptr, "OpenSSL cannot make a certificate");
    X509* raw = certificate.get();
    require(X509_set_version(raw, X509_VERSION_3) == 1, "OpenSSL cannot make a certificate");
    setRandomSerial(raw);
    require(X509_gmtime_adj(X509_getm_notBefore(raw), 0)
                && X509_time_adj_ex(X509_getm_notAfter(raw), kValidityDays, 0, nullptr),
            "OpenSSL cannot set the certificate's validity");

    X509_NAME* subject = X509_get_subject_name(raw);
    addNameEntry(subject, "C", "CN");
    addNameEntry(subject, "CN", organisation);
    require(X509_set_issuer_name(raw, subject) == 1 && X509_set_pubkey(raw, key) == 1,
            "OpenSSL cannot make a certificate");

    X509V3_CTX context;
    X509V3_set_ctx(&context, raw, raw, nullptr, nullptr, 0);
    addExtension(raw, &context, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(raw, &context, NID_key_usage, "critical,digitalSignature,nonRepudiation");
    addExtension(raw, &context, NID_subject_key_identifier, "hash");

    OwnedPtr<EVP_MD_CTX> signing = ktxeseal::newSm2SigningContext(key);
    require(signing && X509_sign_ctx(raw, signing.get()) > 0,
            "OpenSSL cannot sign the seal certificate");
    return certificate;
}

ktxeseal::Seal makeSeal(const std::string& organisation, int pictureSize)
{
    require(ktxeseal::isValidSealName(organisation),
            "the organisation name must be one line of UTF-8 text of at most 256 bytes");
    ktxeseal::Seal seal;
    seal.name = organisation;
    seal.picture = drawSealPicture(organisation, pictureSize);
    require(ktxeseal::fitsPictureBlock(seal.picture),
            "the seal picture would not survive the picture block");
    seal.key = makeSm2Key();
    seal.certificate = makeSealCertificate(seal.key.get(), organisation);
    seal.certificateDer = ktxeseal::certificateDer(seal.certificate.get());
    require(ktxeseal::isUsableSeal(seal), "the seal's parts do not fit together");
    const std::optional<size_t> longest = ktxeseal::longestSealSignatureLength(seal);
    if (!longest || *longest >= KTXESEAL_AREA_SIZE)
        throw std::runtime_error("the seal picture (" + std::to_string(seal.picture.size())
                                 + " bytes) is too large for a signature area of "
                                 + std::to_string(KTXESEAL_AREA_SIZE) + " bytes");
    return seal;
}

void writeSeal(const ktxeseal::Seal& seal, const std::string& directory, bool replace)
{
    namespace fs = std::filesystem;
    const fs::path root(directory);
    const fs::path key = root / ktxeseal::kSealKeyFile;
    const fs::path certificate = root / ktxeseal::kSealCertificateFile;
    const fs::path picture = root / ktxeseal::kSealPictureFile;
    const fs::path name = root / ktxeseal::kSealNameFile;
    if (!replace)
    {
        for (const fs::path& file : { key, certificate, picture, name })
        {
            if (fs::exists(fs::symlink_status(file)))
                throw std::runtime_error(file.string() + " exists: a seal is there already"
                                         + " (--force replaces it)");
        }
    }
    if (!fs::is_directory(root))
    {
        fs::create_directories(root);
        fs::permissions(root, fs::perms::owner_all);
    }
    writeFile(key, pemOf(seal.key.get()), 0600);
    writeFile(certificate, pemOf(seal.certificate.get()), 0644);
    writeFile(picture, std::string(seal.picture.begin(), seal.picture.end()), 0644);
    writeFile(name, seal.name + "\n", 0644);
}
}
