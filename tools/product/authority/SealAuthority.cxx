// A seal authority and the certificates it issues.

#include "SealAuthority.hxx"

#include "KeyFiles.hxx"

#include <IssuedSeal.hxx>
#include <Sm2.hxx>
#include <TrustAnchors.hxx>

#include <openssl/bn.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace quillmark::authority
{
namespace
{
using ktxeseal::OwnedPtr;
namespace fs = std::filesystem;

constexpr int kSerialBytes = 16;
constexpr time_t kSecondsPerDay = 24 * 60 * 60;

void addNameEntry(X509_NAME* name, const char* field, const std::string& value)
{
    require(X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(value.c_str()), -1,
                                       -1, 0)
                == 1,
            "the name cannot be a certificate subject (at most 64 characters)");
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

/// A certificate for `key`, signed with `issuerKey` under the default SM2 ID; self-signed when
/// the issuer is the certificate itself (`issuerCertificate` empty).
OwnedPtr<X509> makeCertificate(EVP_PKEY* key, const std::string& name,
                               const ktxeseal::ValidityPeriod& validity, bool authority,
                               EVP_PKEY* issuerKey, X509* issuerCertificate)
{
    OwnedPtr<X509> certificate(X509_new());
    require(certificate != nullptr, "OpenSSL cannot make a certificate");
    X509* raw = certificate.get();
    require(X509_set_version(raw, X509_VERSION_3) == 1, "OpenSSL cannot make a certificate");
    setRandomSerial(raw);
    require(ASN1_TIME_set(X509_getm_notBefore(raw), validity.start)
                && ASN1_TIME_set(X509_getm_notAfter(raw), validity.end),
            "OpenSSL cannot set the certificate's validity");

    X509_NAME* subject = X509_get_subject_name(raw);
    addNameEntry(subject, "C", "CN");
    addNameEntry(subject, "CN", name);
    X509* issuer = issuerCertificate ? issuerCertificate : raw;
    require(X509_set_issuer_name(raw, X509_get_subject_name(issuer)) == 1
                && X509_set_pubkey(raw, key) == 1,
            "OpenSSL cannot make a certificate");

    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, raw, nullptr, nullptr, 0);
    if (authority)
    {
        addExtension(raw, &context, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
        addExtension(raw, &context, NID_key_usage, "critical,keyCertSign,cRLSign");
    }
    else
    {
        addExtension(raw, &context, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(raw, &context, NID_key_usage, "critical,digitalSignature,nonRepudiation");
    }
    addExtension(raw, &context, NID_subject_key_identifier, "hash");
    if (issuerCertificate)
        addExtension(raw, &context, NID_authority_key_identifier, "keyid:always");

    OwnedPtr<EVP_MD_CTX> signing = ktxeseal::newSm2SigningContext(issuerKey);
    require(signing && X509_sign_ctx(raw, signing.get()) > 0,
            "OpenSSL cannot sign the certificate");
    return certificate;
}
}

Authority makeAuthority(const std::string& name)
{
    Authority authority;
    authority.key = makeSm2Key();
    const time_t now = std::time(nullptr);
    authority.certificate = makeCertificate(authority.key.get(), name,
                                            { now, now + kAuthorityValidityDays * kSecondsPerDay },
                                            true, authority.key.get(), nullptr);
    return authority;
}

void writeAuthority(const Authority& authority, const std::string& directory)
{
    const fs::path root(directory);
    const fs::path key = root / kAuthorityKeyFile;
    const fs::path certificate = root / kAuthorityCertificateFile;
    for (const fs::path& file : { key, certificate })
    {
        if (fs::exists(fs::symlink_status(file)))
            throw std::runtime_error(file.string() + " exists: an authority is there already");
    }
    if (!fs::is_directory(root))
    {
        fs::create_directories(root);
        fs::permissions(root, fs::perms::owner_all);
    }
    writeFile(key, pemOf(authority.key.get()), 0600);
    writeFile(certificate, pemOf(authority.certificate.get()), 0644);
}

Authority loadAuthority(const std::string& directory)
{
    const fs::path root(directory);
    Authority authority;
    authority.key = readPrivateKey(root / kAuthorityKeyFile);
    authority.certificate = readCertificate(root / kAuthorityCertificateFile);
    require(ktxeseal::isSm2Key(authority.key.get())
                && X509_check_private_key(authority.certificate.get(), authority.key.get()) == 1,
            "the authority's key and certificate do not belong together");
    require(ktxeseal::canBeSealAuthority(authority.certificate.get()),
            "the authority's certificate is not an SM2 certification authority's");
    return authority;
}

void recordIssuedSeal(const std::string& directory, const std::string& sealId,
                      const ktxeseal::Bytes& sealDer)
{
    require(ktxeseal::isValidSealId(sealId), "the seal id cannot name a file");
    const fs::path issued = fs::path(directory) / kIssuedSealsFolder;
    if (!fs::is_directory(issued))
    {
        fs::create_directories(issued);
        fs::permissions(issued, fs::perms::owner_all);
    }
    writeFile(issued / (sealId + ".esl"), std::string(sealDer.begin(), sealDer.end()), 0644);
}

OwnedPtr<X509> makeSignerCertificate(EVP_PKEY* key, const std::string& name,
                                     const ktxeseal::ValidityPeriod& validity,
                                     const Authority* issuer)
{
    return issuer ? makeCertificate(key, name, validity, false, issuer->key.get(),
                                    issuer->certificate.get())
                  : makeCertificate(key, name, validity, false, key, nullptr);
}
}
