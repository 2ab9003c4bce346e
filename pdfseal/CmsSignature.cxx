#include "CmsSignature.hxx"

#include <SealFiles.hxx>
#include <SealStructures.hxx>
#include <SealTime.hxx>
#include <Sm2.hxx>

#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <stdexcept>

namespace quillmark::pdfseal
{
namespace
{
struct Pkcs7Free
{
    void operator()(PKCS7* p7) const { PKCS7_free(p7); }
    void operator()(PKCS7_SIGNER_INFO* signer) const { PKCS7_SIGNER_INFO_free(signer); }
    void operator()(ASN1_OBJECT* object) const { ASN1_OBJECT_free(object); }
    void operator()(ASN1_STRING* string) const { ASN1_STRING_free(string); }
};
template <typename T>
using Pkcs7Owned = std::unique_ptr<T, Pkcs7Free>;

void require(bool condition, const char* what)
{
    if (!condition)
    {
        ERR_clear_error();
        throw std::runtime_error(what);
    }
}

/// The identifier a signer info names its digest by.
Pkcs7Owned<ASN1_OBJECT> digestIdentifier(SignatureAlgorithm algorithm)
{
    if (algorithm == SignatureAlgorithm::Sm2WithSm3)
        return Pkcs7Owned<ASN1_OBJECT>(OBJ_txt2obj(kSm3Oid, 1));
    return Pkcs7Owned<ASN1_OBJECT>(OBJ_dup(OBJ_nid2obj(NID_sha256)));
}

/// The identifier and parameter type a signer info names its signature by: GM/T 0010's SM2-1,
/// PKCS#7's rsaEncryption (with a NULL parameter) or ecdsa-with-SHA256.
std::pair<Pkcs7Owned<ASN1_OBJECT>, int> signatureIdentifier(SignatureAlgorithm algorithm)
{
    switch (algorithm)
    {
        case SignatureAlgorithm::Sm2WithSm3:
            return { Pkcs7Owned<ASN1_OBJECT>(OBJ_txt2obj(kSm2SignatureOid, 1)), V_ASN1_UNDEF };
        case SignatureAlgorithm::RsaWithSha256:
            return { Pkcs7Owned<ASN1_OBJECT>(OBJ_dup(OBJ_nid2obj(NID_rsaEncryption))),
                     V_ASN1_NULL };
        case SignatureAlgorithm::EcdsaWithSha256:
            break;
    }
    return { Pkcs7Owned<ASN1_OBJECT>(OBJ_dup(OBJ_nid2obj(NID_ecdsa_with_SHA256))), V_ASN1_UNDEF };
}

bool isObject(const ASN1_OBJECT* object, const char* oid)
{
    Pkcs7Owned<ASN1_OBJECT> expected(OBJ_txt2obj(oid, 1));
    return object && expected && OBJ_cmp(object, expected.get()) == 0;
}

bool isNid(const ASN1_OBJECT* object, int nid) { return object && OBJ_obj2nid(object) == nid; }

/// Whether the identifiers a signer info names fit the signer's key.
bool namesAlgorithm(const PKCS7_SIGNER_INFO* signer, SignatureAlgorithm algorithm)
{
    const ASN1_OBJECT* digest = signer->digest_alg ? signer->digest_alg->algorithm : nullptr;
    const ASN1_OBJECT* signature
        = signer->digest_enc_alg ? signer->digest_enc_alg->algorithm : nullptr;
    switch (algorithm)
    {
        case SignatureAlgorithm::Sm2WithSm3:
            return isObject(digest, kSm3Oid)
                   && (isObject(signature, kSm2SignatureOid) || isNid(signature, NID_SM2_with_SM3)
                       || isNid(signature, NID_sm2));
        case SignatureAlgorithm::RsaWithSha256:
            return isNid(digest, NID_sha256)
                   && (isNid(signature, NID_rsaEncryption)
                       || isNid(signature, NID_sha256WithRSAEncryption));
        case SignatureAlgorithm::EcdsaWithSha256:
            return isNid(digest, NID_sha256)
                   && (isNid(signature, NID_ecdsa_with_SHA256)
                       || isNid(signature, NID_X9_62_id_ecPublicKey));
    }
    return false;
}

Bytes encodedAttributes(PKCS7_SIGNER_INFO* signer, const ASN1_ITEM* item)
{
    unsigned char* der = nullptr;
    const int length = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(signer->auth_attr), &der, item);
    OwnedPtr<unsigned char> owned(der);
    if (length <= 0)
        return {};
    return Bytes(der, der + length);
}

bool verifyValue(SignatureAlgorithm algorithm, EVP_PKEY* key, ByteRange message,
                 ByteRange signature)
{
    if (algorithm == SignatureAlgorithm::Sm2WithSm3)
        return ktxeseal::sm2Verify(key, message, signature);
    OwnedPtr<EVP_MD_CTX> context(EVP_MD_CTX_new());
    return context && EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key) == 1
           && EVP_DigestVerify(context.get(), signature.data, signature.size, message.data,
                               message.size)
                  == 1;
}

void addTimeStamp(PKCS7_SIGNER_INFO* signer, const Bytes& token)
{
    Pkcs7Owned<ASN1_STRING> value(ASN1_STRING_new());
    require(value && ktxeseal::setBytes(value.get(), token), "cannot hold the time-stamp token");
    // The token is a ContentInfo: a SEQUENCE, carried as its whole encoding.
    require(
        PKCS7_add_attribute(signer, NID_id_smime_aa_timeStampToken, V_ASN1_SEQUENCE, value.get())
            == 1,
        "cannot add the time-stamp token");
    value.release();
}

Bytes timeStampTokenOf(PKCS7_SIGNER_INFO* signer)
{
    const ASN1_TYPE* attribute = PKCS7_get_attribute(signer, NID_id_smime_aa_timeStampToken);
    if (!attribute || attribute->type != V_ASN1_SEQUENCE || !attribute->value.sequence)
        return {};
    const ByteRange token = ktxeseal::bytesOf(attribute->value.sequence);
    return Bytes(token.data, token.data + token.size);
}
}

std::optional<SignatureAlgorithm> algorithmOf(X509* certificate)
{
    EVP_PKEY* key = certificate ? X509_get0_pubkey(certificate) : nullptr;
    if (!key)
        return std::nullopt;
    if (ktxeseal::isSm2Key(key))
        return SignatureAlgorithm::Sm2WithSm3;
    if (EVP_PKEY_is_a(key, "RSA"))
        return SignatureAlgorithm::RsaWithSha256;
    if (EVP_PKEY_is_a(key, "EC"))
        return SignatureAlgorithm::EcdsaWithSha256;
    return std::nullopt;
}

const EVP_MD* digestOf(SignatureAlgorithm algorithm)
{
    return algorithm == SignatureAlgorithm::Sm2WithSm3 ? EVP_sm3() : EVP_sha256();
}

ContentDigest::ContentDigest(SignatureAlgorithm algorithm)
    : context(EVP_MD_CTX_new())
{
    require(context && EVP_DigestInit_ex(context.get(), digestOf(algorithm), nullptr) == 1,
            "cannot start the digest");
}

void ContentDigest::add(ByteRange data)
{
    require(EVP_DigestUpdate(context.get(), data.data, data.size) == 1, "cannot digest");
}

Bytes ContentDigest::finish()
{
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    require(EVP_DigestFinal_ex(context.get(), digest.data(), &length) == 1,
            "cannot finish the digest");
    digest.resize(length);
    return digest;
}

Bytes makeDetachedSignature(const SignatureRequest& request)
{
    const std::optional<SignatureAlgorithm> algorithm = algorithmOf(request.signer);
    require(algorithm.has_value(), "the signer's key is neither SM2, RSA nor EC");
    require(request.sign != nullptr, "no one to sign");

    Pkcs7Owned<PKCS7> p7(PKCS7_new());
    require(p7 && PKCS7_set_type(p7.get(), NID_pkcs7_signed)
                && PKCS7_content_new(p7.get(), NID_pkcs7_data)
                && PKCS7_set_detached(p7.get(), 1) == 1
                && PKCS7_add_certificate(p7.get(), request.signer) == 1,
            "cannot build the signed data");
    for (X509* certificate : request.chain)
        require(PKCS7_add_certificate(p7.get(), certificate) == 1,
                "cannot add a certificate to the signed data");

    Pkcs7Owned<PKCS7_SIGNER_INFO> signer(PKCS7_SIGNER_INFO_new());
    require(signer && ASN1_INTEGER_set(signer->version, 1) == 1
                && X509_NAME_set(&signer->issuer_and_serial->issuer,
                                 X509_get_issuer_name(request.signer))
                       == 1,
            "cannot name the signer");
    ASN1_INTEGER_free(signer->issuer_and_serial->serial);
    signer->issuer_and_serial->serial = ASN1_INTEGER_dup(X509_get0_serialNumber(request.signer));
    require(signer->issuer_and_serial->serial != nullptr, "cannot name the signer");

    Pkcs7Owned<ASN1_OBJECT> digest = digestIdentifier(*algorithm);
    auto [signature, parameterType] = signatureIdentifier(*algorithm);
    require(digest && signature, "unknown algorithm identifier");
    require(X509_ALGOR_set0(signer->digest_alg, digest.get(), V_ASN1_NULL, nullptr) == 1,
            "cannot name the digest");
    digest.release();
    require(X509_ALGOR_set0(signer->digest_enc_alg, signature.get(), parameterType, nullptr) == 1,
            "cannot name the signature");
    signature.release();

    Pkcs7Owned<ASN1_STRING> signingTime(ASN1_TIME_set(nullptr, request.signingTime));
    require(signingTime
                && PKCS7_add_signed_attribute(signer.get(), NID_pkcs9_contentType, V_ASN1_OBJECT,
                                              OBJ_nid2obj(NID_pkcs7_data))
                       == 1
                && PKCS7_add0_attrib_signing_time(signer.get(), signingTime.get()) == 1,
            "cannot add the signed attributes");
    signingTime.release();
    require(PKCS7_add1_attrib_digest(signer.get(), request.contentDigest.data(),
                                     static_cast<int>(request.contentDigest.size()))
                == 1,
            "cannot add the message digest");

    // Encoded as a SET OF in DER order, which also puts the attributes in that order for the
    // structure's own encoding: what is signed is what the recipient re-encodes.
    const Bytes toBeSigned = encodedAttributes(signer.get(), ASN1_ITEM_rptr(PKCS7_ATTR_SIGN));
    require(!toBeSigned.empty(), "cannot encode the signed attributes");
    const Bytes value = request.sign(toBeSigned);
    require(!value.empty() && ktxeseal::setBytes(signer->enc_digest, value),
            "cannot store the signature");
    if (request.timeStamp)
        if (const std::optional<Bytes> token = request.timeStamp(value))
            addTimeStamp(signer.get(), *token);

    require(PKCS7_add_signer(p7.get(), signer.get()) == 1, "cannot add the signer");
    signer.release();

    unsigned char* der = nullptr;
    const int length = i2d_PKCS7(p7.get(), &der);
    OwnedPtr<unsigned char> owned(der);
    require(length > 0, "cannot encode the signed data");
    return Bytes(der, der + length);
}

std::optional<OpenedSignature> openDetachedSignature(ByteRange der)
{
    const unsigned char* next = der.data;
    Pkcs7Owned<PKCS7> p7(d2i_PKCS7(nullptr, &next, static_cast<long>(der.size)));
    ERR_clear_error();
    // The space a PDF keeps for the signature is filled up with zero bytes.
    if (!p7
        || !std::all_of(next, der.data + der.size, [](unsigned char byte) { return byte == 0; }))
        return std::nullopt;
    if (!PKCS7_type_is_signed(p7.get()) || !p7->d.sign || !p7->d.sign->contents
        || !PKCS7_type_is_data(p7->d.sign->contents) || !PKCS7_get_detached(p7.get()))
        return std::nullopt;
    STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(p7.get());
    if (!signers || sk_PKCS7_SIGNER_INFO_num(signers) != 1)
        return std::nullopt;
    PKCS7_SIGNER_INFO* signer = sk_PKCS7_SIGNER_INFO_value(signers, 0);
    STACK_OF(X509)* certificates = p7->d.sign->cert;
    if (!signer->issuer_and_serial || !certificates || !signer->auth_attr)
        return std::nullopt;

    OpenedSignature opened;
    X509* signerCertificate = X509_find_by_issuer_and_serial(
        certificates, signer->issuer_and_serial->issuer, signer->issuer_and_serial->serial);
    const std::optional<SignatureAlgorithm> algorithm = algorithmOf(signerCertificate);
    if (!algorithm || !namesAlgorithm(signer, *algorithm))
        return std::nullopt;
    opened.algorithm = *algorithm;
    opened.signerCertificate = ktxeseal::certificateDer(signerCertificate);
    for (int i = 0; i < sk_X509_num(certificates); ++i)
        opened.certificates.push_back(ktxeseal::certificateDer(sk_X509_value(certificates, i)));

    const ASN1_TYPE* contentType = PKCS7_get_signed_attribute(signer, NID_pkcs9_contentType);
    const ASN1_OCTET_STRING* digest = PKCS7_digest_from_attributes(signer->auth_attr);
    if (!contentType || contentType->type != V_ASN1_OBJECT
        || OBJ_obj2nid(contentType->value.object) != NID_pkcs7_data || !digest)
        return std::nullopt;
    const ByteRange digestBytes = ktxeseal::bytesOf(digest);
    opened.messageDigest.assign(digestBytes.data, digestBytes.data + digestBytes.size);
    if (const ASN1_TYPE* time = PKCS7_get_signed_attribute(signer, NID_pkcs9_signingTime))
        if (time->type == V_ASN1_UTCTIME || time->type == V_ASN1_GENERALIZEDTIME)
            opened.signingTime = ktxeseal::secondsOf(time->value.asn1_string);

    const ByteRange value = ktxeseal::bytesOf(signer->enc_digest);
    opened.signatureValue.assign(value.data, value.data + value.size);
    opened.timeStampToken = timeStampTokenOf(signer);
    const Bytes attributes = encodedAttributes(signer, ASN1_ITEM_rptr(PKCS7_ATTR_VERIFY));
    opened.signatureValid
        = !attributes.empty() && value.size != 0
          && verifyValue(*algorithm, X509_get0_pubkey(signerCertificate), attributes, value);
    ERR_clear_error();
    return opened;
}
}
