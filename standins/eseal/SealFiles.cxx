// Where the current seal lives and what it is made of.

#include "SealFiles.hxx"

#include "PictureBlock.hxx"
#include "Sm2.hxx"
#include "Utf8.hxx"

#include <KTXESeal.h>
#include <openssl/pem.h>

#include <cstdlib>
#include <fstream>

namespace ktxeseal
{
namespace
{
/// PEM files of a seal are a few hundred bytes; anything near this is not one.
constexpr size_t kMaximumPemLength = 64 * 1024;

std::optional<Bytes> readFile(const std::string& path, size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    Bytes content(limit + 1);
    in.read(reinterpret_cast<char*>(content.data()), static_cast<std::streamsize>(content.size()));
    if (in.bad())
        return std::nullopt;
    const auto length = static_cast<size_t>(in.gcount());
    if (length > limit)
        return std::nullopt;
    content.resize(length);
    return content;
}

/// Keeps OpenSSL from asking a terminal for a pass phrase: an encrypted key is not a usable seal.
int refusePassPhrase(char*, int, int, void*) { return 0; }

OwnedPtr<BIO> memoryBio(const Bytes& content)
{
    return OwnedPtr<BIO>(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())));
}

std::string withoutLineEnd(std::string text)
{
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}
}

std::optional<std::string> currentSealDirectory()
{
    const char* configured = std::getenv(kSealDirectoryVariable);
    if (configured && *configured)
        return std::string(configured);
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/" + kDefaultSealDirectoryInHome;
    return std::nullopt;
}

std::optional<Seal> loadSeal(const std::string& directory)
{
    const std::string prefix = directory + "/";
    const std::optional<Bytes> keyPem = readFile(prefix + kSealKeyFile, kMaximumPemLength);
    const std::optional<Bytes> certificatePem
        = readFile(prefix + kSealCertificateFile, kMaximumPemLength);
    const std::optional<Bytes> name = readFile(prefix + kSealNameFile, kMaximumSealNameLength + 2);
    std::optional<Bytes> picture = readFile(prefix + kSealPictureFile, KTXESEAL_AREA_SIZE);
    if (!keyPem || !certificatePem || !name || !picture)
        return std::nullopt;

    Seal seal;
    OwnedPtr<BIO> keyBio = memoryBio(*keyPem);
    OwnedPtr<BIO> certificateBio = memoryBio(*certificatePem);
    if (!keyBio || !certificateBio)
        return std::nullopt;
    seal.key.reset(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, refusePassPhrase, nullptr));
    seal.certificate.reset(
        PEM_read_bio_X509(certificateBio.get(), nullptr, refusePassPhrase, nullptr));
    if (!seal.key || !seal.certificate)
        return std::nullopt;

    seal.certificateDer = certificateDer(seal.certificate.get());
    seal.name = withoutLineEnd(std::string(name->begin(), name->end()));
    seal.picture = std::move(*picture);
    if (!isUsableSeal(seal))
        return std::nullopt;
    return seal;
}

std::optional<Seal> loadCurrentSeal()
{
    const std::optional<std::string> directory = currentSealDirectory();
    if (!directory)
        return std::nullopt;
    return loadSeal(*directory);
}

Bytes certificateDer(X509* certificate)
{
    unsigned char* der = nullptr;
    const int length = i2d_X509(certificate, &der);
    OwnedPtr<unsigned char> owned(der);
    if (length <= 0)
        return {};
    return Bytes(der, der + length);
}

bool isValidSealName(std::string_view name)
{
    if (name.empty() || name.size() > kMaximumSealNameLength)
        return false;
    const auto characters = splitUtf8Characters(name);
    if (!characters)
        return false;
    for (std::string_view character : *characters)
    {
        const auto lead = static_cast<unsigned char>(character.front());
        if (character.size() == 1 && (lead < 0x20 || lead == 0x7F))
            return false;
    }
    return true;
}

bool isUsableSeal(const Seal& seal)
{
    return seal.key && seal.certificate && !seal.certificateDer.empty()
           && seal.certificateDer == certificateDer(seal.certificate.get())
           && isSm2Key(seal.key.get())
           && X509_check_private_key(seal.certificate.get(), seal.key.get()) == 1
           && isValidSealName(seal.name) && fitsPictureBlock(seal.picture);
}
}
