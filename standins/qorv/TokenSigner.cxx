#include "TokenSigner.hxx"

#include <Pkcs11Token.hxx>

#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

namespace quillmark::certseal
{
namespace
{
struct Pkcs7Free
{
    void operator()(PKCS7* p7) const { PKCS7_free(p7); }
};
using Pkcs7Ptr = std::unique_ptr<PKCS7, Pkcs7Free>;

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(what);
}

void checkStatus(int status, const std::string& what)
{
    if (status != 0)
        throw std::runtime_error(what + " (status " + std::to_string(status) + ")");
}

Bytes derOf(PKCS7* p7)
{
    unsigned char* der = nullptr;
    const int length = i2d_PKCS7(p7, &der);
    check(length > 0, "cannot encode PKCS#7");
    Bytes bytes(der, der + length);
    OPENSSL_free(der);
    return bytes;
}

Bytes sha256(const Bytes& data)
{
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    check(EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha256(), nullptr),
          "SHA-256 failed");
    digest.resize(length);
    return digest;
}

/// CKM_ECDSA gives r and s side by side; PKCS#7 carries them as a DER ECDSA-Sig-Value.
Bytes ecdsaDer(const Bytes& raw)
{
    check(!raw.empty() && raw.size() % 2 == 0, "the token gave a malformed ECDSA signature");
    const int half = static_cast<int>(raw.size() / 2);
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> signature(ECDSA_SIG_new(),
                                                                    ECDSA_SIG_free);
    BIGNUM* r = BN_bin2bn(raw.data(), half, nullptr);
    BIGNUM* s = BN_bin2bn(raw.data() + half, half, nullptr);
    check(signature && r && s && ECDSA_SIG_set0(signature.get(), r, s), "ECDSA signature");
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(signature.get(), &der);
    check(length > 0, "cannot encode the ECDSA signature");
    Bytes bytes(der, der + length);
    OPENSSL_free(der);
    return bytes;
}

/// The token's SHA-256 signature of the message with the certificate's key, as OpenSSL verifies
/// it: DER ECDSA-Sig-Value for EC, PKCS#1 v1.5 for RSA.
Bytes signOnToken(qorv::Pkcs11Token& token, const qorv::TokenCertificate& chosen,
                  const Bytes& message)
{
    Bytes signature;
    if (chosen.keyType == CKK_EC)
    {
        // SoftHSM2 has no combined ECDSA-SHA256: hash here, sign the digest on the token.
        checkStatus(token.sign(chosen.id, CKM_ECDSA, sha256(message), signature),
                    "the token did not sign");
        return ecdsaDer(signature);
    }
    if (chosen.keyType == CKK_RSA)
    {
        checkStatus(token.sign(chosen.id, CKM_SHA256_RSA_PKCS, message, signature),
                    "the token did not sign");
        return signature;
    }
    throw std::runtime_error("the token's key is neither RSA nor EC");
}

/// The first user certificate of the token, logged in with the PIN.
qorv::TokenCertificate openToken(qorv::Pkcs11Token& token, const std::string& pin)
{
    checkStatus(token.open(qorv::TokenConfiguration::fromEnvironment()), "cannot open the token");
    checkStatus(token.login(pin), "the token refused the PIN");
    std::vector<qorv::TokenCertificate> certificates;
    checkStatus(token.userCertificates(certificates), "no certificate on the token");
    check(!certificates.empty(), "no certificate on the token");
    return certificates.front();
}
}

struct TokenKey::Session
{
    qorv::Pkcs11Token token;
    qorv::TokenCertificate chosen;
};

TokenKey::TokenKey(const std::string& pin)
    : session(std::make_unique<Session>())
{
    session->chosen = openToken(session->token, pin);
}

TokenKey::~TokenKey() { session->token.logout(); }

const Bytes& TokenKey::certificate() const { return session->chosen.der; }

const std::string& TokenKey::label() const { return session->chosen.label; }

Bytes TokenKey::sign(const Bytes& message)
{
    return signOnToken(session->token, session->chosen, message);
}

Bytes signWithTokenKey(const std::string& pin, const Bytes& message)
{
    TokenKey key(pin);
    return key.sign(message);
}

Bytes dataEncoding(const Bytes& content)
{
    Pkcs7Ptr p7(PKCS7_new());
    check(
        p7 && PKCS7_set_type(p7.get(), NID_pkcs7_data)
            && ASN1_OCTET_STRING_set(p7->d.data, content.data(), static_cast<int>(content.size())),
        "cannot build the PKCS#7 data encoding");
    return derOf(p7.get());
}

TokenSignature signWithToken(const std::string& pin, const Bytes& content)
{
    qorv::Pkcs11Token token;
    const qorv::TokenCertificate chosen = openToken(token, pin);

    const unsigned char* next = chosen.der.data();
    std::unique_ptr<X509, decltype(&X509_free)> certificate(
        d2i_X509(nullptr, &next, static_cast<long>(chosen.der.size())), X509_free);
    check(certificate != nullptr, "the token's certificate is not DER X.509");
    EVP_PKEY* publicKey = X509_get0_pubkey(certificate.get());
    check(publicKey != nullptr, "the token's certificate has no usable public key");

    const Bytes signedContent = dataEncoding(content);

    // Signed data around a signature made elsewhere: the signer info is set up from the public
    // key, which fixes the algorithm identifiers, and receives the token's signature at the end.
    Pkcs7Ptr p7(PKCS7_new());
    check(p7 && PKCS7_set_type(p7.get(), NID_pkcs7_signed)
              && PKCS7_content_new(p7.get(), NID_pkcs7_data)
              && ASN1_OCTET_STRING_set(p7->d.sign->contents->d.data, signedContent.data(),
                                       static_cast<int>(signedContent.size()))
              && PKCS7_add_certificate(p7.get(), certificate.get()),
          "cannot build PKCS#7 signed data");
    PKCS7_SIGNER_INFO* signer
        = PKCS7_add_signature(p7.get(), certificate.get(), publicKey, EVP_sha256());
    check(signer != nullptr, "cannot add a signer for this key type");
    const Bytes digest = sha256(signedContent);
    check(PKCS7_add_attrib_content_type(signer, nullptr)
              && PKCS7_add0_attrib_signing_time(signer, nullptr)
              && PKCS7_add1_attrib_digest(signer, digest.data(), static_cast<int>(digest.size())),
          "cannot add the signed attributes");

    unsigned char* attributes = nullptr;
    const int attributesLength = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(signer->auth_attr),
                                               &attributes, ASN1_ITEM_rptr(PKCS7_ATTR_SIGN));
    check(attributesLength > 0, "cannot encode the signed attributes");
    const Bytes toBeSigned(attributes, attributes + attributesLength);
    OPENSSL_free(attributes);

    const Bytes signature = signOnToken(token, chosen, toBeSigned);
    check(ASN1_STRING_set(signer->enc_digest, signature.data(), static_cast<int>(signature.size())),
          "cannot store the signature");
    // Nothing more is signed without the PIN; closing the token would log out as well, on every
    // path out of here.
    token.logout();

    return { chosen.der, derOf(p7.get()), chosen.label };
}
}
