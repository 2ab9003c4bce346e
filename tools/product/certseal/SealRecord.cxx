#include "SealRecord.hxx"

#include <SealStructures.hxx>
#include <Sm2.hxx>
#include <StampRegister.hxx>

#include <openssl/bn.h>
#include <openssl/x509.h>

#include <filesystem>
#include <stdexcept>

namespace quillmark::certseal
{
namespace
{
std::string serialNumberOf(const Bytes& certificateDer)
{
    const ktxeseal::OwnedPtr<X509> certificate = ktxeseal::parseCertificate(certificateDer);
    if (!certificate)
        throw std::runtime_error("the token's certificate cannot be read");
    ktxeseal::OwnedPtr<BIGNUM> serial(
        ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate.get()), nullptr));
    char* hex = serial ? BN_bn2hex(serial.get()) : nullptr;
    const std::string text = hex ? hex : "";
    OPENSSL_free(hex);
    return text;
}
}

void recordCertificateSeal(const std::string& sealDirectory, const std::string& pin,
                           const TokenSignature& signature, const Bytes& signedText,
                           const std::string& title, const std::string& file)
{
    namespace fs = std::filesystem;
    if (!fs::is_directory(sealDirectory))
    {
        fs::create_directories(sealDirectory);
        fs::permissions(sealDirectory, fs::perms::owner_all);
    }
    ktxeseal::RegisterRecord record;
    record.operation = "stamp-certificate";
    record.title = title;
    record.file = file;
    record.sealId = serialNumberOf(signature.certificate);
    record.organisation = signature.label;
    record.digest = ktxeseal::sm3Digest(signedText);
    record.signer = ktxeseal::kTokenSigner;
    record.certificate = signature.certificate;
    std::string problem;
    if (!ktxeseal::appendToRegister(
            sealDirectory, record,
            [&](ktxeseal::ByteRange canonical) -> std::optional<ktxeseal::Bytes> {
                return signWithTokenKey(pin,
                                        Bytes(canonical.data, canonical.data + canonical.size));
            },
            problem))
        throw std::runtime_error("the certificate seal cannot go on record in " + sealDirectory
                                 + ": " + problem);
}
}
