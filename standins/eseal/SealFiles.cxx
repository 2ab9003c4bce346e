// Where the current seal lives and what it is made of.

#include "SealFiles.hxx"

#include "ProtectedKey.hxx"
#include "Sm2.hxx"

#include <KTXESeal.h>
#include <openssl/pem.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ktxeseal
{
namespace
{
/// PEM files of a seal are a few hundred bytes; anything near this is not one.
constexpr size_t kMaximumPemLength = 64 * 1024;
/// A seal carries its picture, which a signature area must hold too.
constexpr size_t kMaximumSealLength = KTXESEAL_AREA_SIZE;

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

/// Keeps OpenSSL from asking a terminal for a pass phrase.
int refusePassPhrase(char*, int, int, void*) { return 0; }

OwnedPtr<BIO> memoryBio(const Bytes& content)
{
    return OwnedPtr<BIO>(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())));
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

// The mode is taken from the opened file itself, so a file swapped in after the check is not read.
std::optional<Bytes> readSecretFile(const std::string& path, size_t limit)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    struct stat status
    {};
    std::optional<Bytes> content;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)
        && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0 && status.st_uid == ::geteuid()
        && status.st_size >= 0 && static_cast<size_t>(status.st_size) <= limit)
    {
        Bytes bytes(limit + 1);
        size_t length = 0;
        while (length < bytes.size())
        {
            const ssize_t count = ::read(descriptor, bytes.data() + length, bytes.size() - length);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            length += static_cast<size_t>(count);
        }
        if (length <= limit)
        {
            bytes.resize(length);
            content = std::move(bytes);
        }
    }
    ::close(descriptor);
    return content;
}

std::optional<Seal> loadSeal(const std::string& directory)
{
    std::optional<Bytes> keyPem = readSecretFile(directory + "/" + kSealKeyFile, kMaximumPemLength);
    std::optional<Seal> seal = keyPem ? loadSealWithoutKey(directory) : std::nullopt;
    if (seal)
        seal->protectedKey = std::move(*keyPem);
    return seal;
}

std::optional<Seal> loadSealWithoutKey(const std::string& directory)
{
    const std::string prefix = directory + "/";
    const std::optional<Bytes> certificatePem
        = readFile(prefix + kSealCertificateFile, kMaximumPemLength);
    const std::optional<Bytes> sealDer = readFile(prefix + kSealFile, kMaximumSealLength);
    if (!certificatePem || !sealDer)
        return std::nullopt;

    Seal seal;
    OwnedPtr<BIO> certificateBio = memoryBio(*certificatePem);
    if (!certificateBio)
        return std::nullopt;
    seal.certificate.reset(
        PEM_read_bio_X509(certificateBio.get(), nullptr, refusePassPhrase, nullptr));
    if (!seal.certificate)
        return std::nullopt;
    seal.certificateDer = certificateDer(seal.certificate.get());
    seal.sealDer = *sealDer;
    std::optional<IssuedSeal> issued = openIssuedSeal(seal.sealDer);
    if (!issued)
        return std::nullopt;
    seal.issued = std::move(*issued);
    if (!isSealOfItsCertificate(seal))
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

bool unlockSeal(Seal& seal, std::string_view pin)
{
    OwnedPtr<EVP_PKEY> key = openProtectedKey(seal.protectedKey, pin);
    if (!key)
        return false;
    // Whether the key is the certificate's is the seal's question (isUsableSeal), not the PIN's.
    seal.key = std::move(key);
    return true;
}

bool isSealOfItsCertificate(const Seal& seal)
{
    return seal.certificate && !seal.certificateDer.empty()
           && seal.certificateDer == certificateDer(seal.certificate.get())
           && isSm2Key(X509_get0_pubkey(seal.certificate.get()))
           && listsSigner(seal.issued, seal.certificateDer)
           && openIssuedSeal(seal.sealDer).has_value();
}

bool isUsableSeal(const Seal& seal)
{
    return seal.key && isSealOfItsCertificate(seal) && isSm2Key(seal.key.get())
           && X509_check_private_key(seal.certificate.get(), seal.key.get()) == 1;
}

bool maySignAt(const Seal& seal, time_t moment)
{
    const std::optional<ValidityPeriod> certificate = certificateValidity(seal.certificate.get());
    return certificate && certificate->contains(moment) && seal.issued.validity.contains(moment);
}
}
