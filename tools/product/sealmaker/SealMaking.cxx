// Making a seal and its directory.

#include "SealMaking.hxx"

#include <KeyFiles.hxx>
#include <PictureBlock.hxx>
#include <ProtectedKey.hxx>
#include <SealCustody.hxx>
#include <SealSignature.hxx>
#include <StampRegister.hxx>

#include <KTXESeal.h>
#include <openssl/rand.h>

#include <filesystem>
#include <stdexcept>

namespace quillmark::sealmaker
{
namespace
{
using authority::require;
using ktxeseal::Bytes;

constexpr time_t kSecondsPerDay = 24 * 60 * 60;
constexpr int kSealIdRandomDigits = 8;
constexpr size_t kMaximumKeyLength = 64 * 1024;

std::string protectedPem(EVP_PKEY* key, std::string_view pin)
{
    require(ktxeseal::isAcceptablePin(pin), "a PIN has 6 to 127 bytes and no control characters");
    const std::optional<std::string> pem = ktxeseal::protectKey(key, pin);
    require(pem.has_value(), "OpenSSL cannot encrypt the key");
    return *pem;
}

/// A replaced seal's register stays, named for the seal it records.
void keepRegisterOfReplacedSeal(const std::filesystem::path& root)
{
    namespace fs = std::filesystem;
    const fs::path log = root / ktxeseal::kStampRegisterFile;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(log)) || fs::file_size(log, error) == 0)
        return;
    const std::optional<ktxeseal::Seal> old = ktxeseal::loadSealWithoutKey(root.string());
    const std::string name = old ? old->issued.sealId : std::to_string(std::time(nullptr));
    fs::rename(log, root / ("stamps-" + name + ".log"));
}
}

std::string makeSealId(time_t issued)
{
    struct tm utc
    {};
    char date[16];
    require(gmtime_r(&issued, &utc) && std::strftime(date, sizeof(date), "%Y%m%d", &utc) == 8,
            "the seal's date cannot be written");
    unsigned char random[kSealIdRandomDigits];
    require(RAND_bytes(random, sizeof(random)) == 1, "OpenSSL has no random bytes");
    std::string sealId = date;
    for (unsigned char byte : random)
        sealId += static_cast<char>('0' + byte % 10);
    return sealId;
}

ktxeseal::Seal makeSeal(const std::string& organisation, const authority::Authority* issuer,
                        const SealTerms& terms)
{
    require(ktxeseal::isValidSealName(organisation),
            "the organisation name must be one line of UTF-8 text of at most 256 bytes");
    require(terms.validDays > 0, "a seal is valid for one day at least");
    const time_t now = std::time(nullptr);
    const time_t start = terms.start.value_or(now);
    const ktxeseal::ValidityPeriod validity{ start, start + terms.validDays * kSecondsPerDay };

    ktxeseal::Seal seal;
    seal.key = authority::makeSm2Key();
    seal.certificate
        = authority::makeSignerCertificate(seal.key.get(), organisation, validity, issuer);
    seal.certificateDer = ktxeseal::certificateDer(seal.certificate.get());

    ktxeseal::SealRequest request;
    request.sealId = makeSealId(now);
    request.name = organisation;
    request.picture = drawSealPicture(organisation, terms.pictureSize);
    require(ktxeseal::fitsPictureBlock(request.picture),
            "the seal picture would not survive the picture block");
    request.signerCertificates = { seal.certificateDer };
    request.created = now;
    request.validity = validity;
    std::optional<Bytes> issued
        = issuer ? ktxeseal::issueSeal(request, issuer->key.get(), issuer->certificate.get())
                 : ktxeseal::issueSeal(request, seal.key.get(), seal.certificate.get());
    require(issued.has_value(), "the seal could not be issued");
    seal.sealDer = std::move(*issued);
    seal.issued = *ktxeseal::openIssuedSeal(seal.sealDer);

    require(ktxeseal::isUsableSeal(seal), "the seal's parts do not fit together");
    const std::optional<size_t> longest = ktxeseal::longestSealSignatureLength(seal);
    if (!longest || *longest >= KTXESEAL_AREA_SIZE)
        throw std::runtime_error("the seal picture (" + std::to_string(request.picture.size())
                                 + " bytes) is too large for a signature area of "
                                 + std::to_string(KTXESEAL_AREA_SIZE) + " bytes");
    return seal;
}

void writeSeal(const ktxeseal::Seal& seal, const std::string& directory, std::string_view pin,
               bool replace)
{
    namespace fs = std::filesystem;
    const std::string keyPem = protectedPem(seal.key.get(), pin);
    const fs::path root(directory);
    const fs::path key = root / ktxeseal::kSealKeyFile;
    const fs::path certificate = root / ktxeseal::kSealCertificateFile;
    const fs::path issued = root / ktxeseal::kSealFile;
    if (!replace)
    {
        for (const fs::path& file : { key, certificate, issued })
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
    keepRegisterOfReplacedSeal(root);
    fs::remove(root / ktxeseal::kPinFailuresFile);
    authority::writeFile(key, keyPem, 0600);
    authority::writeFile(certificate, authority::pemOf(seal.certificate.get()), 0644);
    authority::writeFile(issued, std::string(seal.sealDer.begin(), seal.sealDer.end()), 0644);
    std::string problem;
    require(ktxeseal::createRegister(directory, problem), problem.c_str());
    if (!fs::exists(root / ktxeseal::kCustodyFile))
        require(ktxeseal::writeCustodySettings(directory, 0), "cannot write custody.conf");
}

bool hasProtectedKey(const std::string& directory)
{
    const std::optional<Bytes> pem
        = ktxeseal::readSecretFile(directory + "/" + ktxeseal::kSealKeyFile, kMaximumKeyLength);
    return pem && ktxeseal::isProtectedKey(*pem);
}

void changePin(const std::string& directory, std::string_view currentPin, std::string_view newPin)
{
    std::optional<ktxeseal::Seal> seal = ktxeseal::loadSeal(directory);
    require(seal.has_value(),
            "no seal in the folder, or its key may be read by others (chmod 600)");
    if (ktxeseal::isProtectedKey(seal->protectedKey))
    {
        const ktxeseal::PinAttempt attempt
            = ktxeseal::tryPin(*seal, directory, currentPin, std::time(nullptr));
        require(attempt.status != KTXESEAL_STATUS_PIN_INCORRECT, "the current PIN is wrong");
        require(attempt.status != KTXESEAL_STATUS_PIN_LOCKED,
                "the seal is locked after five wrong PINs in a row; try again in five minutes");
        require(attempt.status == 0, "the seal folder cannot be written");
    }
    else
        seal->key
            = authority::readPrivateKey(std::filesystem::path(directory) / ktxeseal::kSealKeyFile);
    require(ktxeseal::isUsableSeal(*seal), "the seal's key does not belong to its certificate");
    // The old key stays until the new one is whole.
    const std::filesystem::path key = std::filesystem::path(directory) / ktxeseal::kSealKeyFile;
    const std::filesystem::path next = key.string() + ".new";
    authority::writeFile(next, protectedPem(seal->key.get(), newPin), 0600);
    std::filesystem::rename(next, key);
}
}
