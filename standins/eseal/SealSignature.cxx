// The seal signature, carried as Base64 text.

#include "SealSignature.hxx"

#include "Base64.hxx"
#include "SealStructures.hxx"
#include "Sm2.hxx"

#include <KTXESeal.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>

namespace ktxeseal
{
namespace
{
constexpr size_t kSm3Length = 32;
/// DER of an SM2 signature over a 256-bit curve at its longest: r and s of 33 bytes each.
constexpr size_t kLongestSm2SignatureLength = 72;

/// The signature's structure with everything but the SM2 value.
OwnedAsn1<SesSignature> unsignedSignature(const Seal& seal, ByteRange text, time_t signingTime)
{
    OwnedAsn1<SesSignature> signature = newAsn1<SesSignature>(ASN1_ITEM_rptr(SesSignature));
    OwnedAsn1<SesSeal> issued = decodeCanonical<SesSeal>(seal.sealDer, ASN1_ITEM_rptr(SesSeal));
    const Bytes dataHash = sm3Digest(text);
    if (!signature || !issued || dataHash.size() != kSm3Length)
        return OwnedAsn1<SesSignature>(nullptr, signature.get_deleter());
    TbsSign* toSign = signature->toSign;
    ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(toSign->eseal), ASN1_ITEM_rptr(SesSeal));
    toSign->eseal = issued.release();
    if (ASN1_INTEGER_set(toSign->version, kSealSignatureVersion) != 1
        || ASN1_GENERALIZEDTIME_set(toSign->timeInfo, signingTime) == nullptr
        || !setWholeBytes(toSign->dataHash, dataHash)
        || ASN1_STRING_set(toSign->propertyInfo, kSignedDataProperty, -1) != 1
        || !setBytes(signature->cert, seal.certificateDer))
        return OwnedAsn1<SesSignature>(nullptr, signature.get_deleter());
    signature->signatureAlgID = OBJ_nid2obj(NID_SM2_with_SM3);
    return signature;
}

std::optional<std::string> encodeSignature(SesSignature* signature, ByteRange sm2Signature)
{
    if (!setWholeBytes(signature->signature, sm2Signature))
        return std::nullopt;
    const Bytes der = encodeDer(signature, ASN1_ITEM_rptr(SesSignature));
    if (der.empty())
        return std::nullopt;
    return encodeBase64(der);
}

bool hasText(const ASN1_STRING* string, const char* expected)
{
    const ByteRange bytes = bytesOf(string);
    return std::string_view(reinterpret_cast<const char*>(bytes.data), bytes.size) == expected;
}
}

std::optional<size_t> longestSealSignatureLength(const Seal& seal)
{
    if (!isSealOfItsCertificate(seal))
        return std::nullopt;
    // Only the SM2 value's length varies between two signatures of one seal.
    const OwnedAsn1<SesSignature> signature = unsignedSignature(seal, ByteRange(), 0);
    const Bytes longestSm2Value(kLongestSm2SignatureLength);
    const auto text = signature ? encodeSignature(signature.get(), longestSm2Value) : std::nullopt;
    if (!text)
        return std::nullopt;
    return text->size();
}

std::optional<std::string> makeSealSignature(const Seal& seal, ByteRange text, time_t signingTime)
{
    if (!maySignAt(seal, signingTime))
        return std::nullopt;
    return composeSealSignature(seal, text, signingTime);
}

std::optional<std::string> composeSealSignature(const Seal& seal, ByteRange text,
                                                time_t signingTime)
{
    if (!isUsableSeal(seal))
        return std::nullopt;
    // A seal signs always or never, whatever length its SM2 value happens to take.
    const std::optional<size_t> longest = longestSealSignatureLength(seal);
    if (!longest || *longest >= KTXESEAL_AREA_SIZE)
        return std::nullopt;
    const OwnedAsn1<SesSignature> signature = unsignedSignature(seal, text, signingTime);
    if (!signature)
        return std::nullopt;
    const Bytes toSignDer = encodeDer(signature->toSign, ASN1_ITEM_rptr(TbsSign));
    const std::optional<Bytes> sm2Signature
        = toSignDer.empty() ? std::nullopt : sm2Sign(seal.key.get(), toSignDer);
    if (!sm2Signature)
        return std::nullopt;
    std::optional<std::string> made = encodeSignature(signature.get(), *sm2Signature);
    if (!made || made->size() > *longest)
        return std::nullopt;
    return made;
}

std::optional<SealSignatureContent> openSealSignature(std::string_view signatureText)
{
    if (signatureText.size() >= KTXESEAL_AREA_SIZE)
        return std::nullopt;
    const std::optional<Bytes> der = decodeBase64(signatureText);
    if (!der)
        return std::nullopt;
    const OwnedAsn1<SesSignature> signature
        = decodeCanonical<SesSignature>(*der, ASN1_ITEM_rptr(SesSignature));
    if (!signature)
        return std::nullopt;
    const TbsSign& toSign = *signature->toSign;
    const std::optional<long> version = smallInteger(toSign.version);
    const std::optional<ByteRange> dataHash = wholeBytes(toSign.dataHash);
    const std::optional<ByteRange> sm2Signature = wholeBytes(signature->signature);
    const std::optional<time_t> signingTime = secondsOfGeneralizedTime(toSign.timeInfo);
    if (version != kSealSignatureVersion || !dataHash || dataHash->size != kSm3Length
        || !sm2Signature || !signingTime || !hasText(toSign.propertyInfo, kSignedDataProperty)
        || OBJ_obj2nid(signature->signatureAlgID) != NID_SM2_with_SM3)
        return std::nullopt;

    std::optional<IssuedSeal> seal
        = openIssuedSeal(encodeDer(toSign.eseal, ASN1_ITEM_rptr(SesSeal)));
    const ByteRange signerDer = bytesOf(signature->cert);
    const OwnedPtr<X509> signer = parseCertificate(signerDer);
    const Bytes toSignDer = encodeDer(signature->toSign, ASN1_ITEM_rptr(TbsSign));
    if (!seal || !signer || toSignDer.empty()
        || !sm2Verify(X509_get0_pubkey(signer.get()), toSignDer, *sm2Signature))
        return std::nullopt;

    SealSignatureContent content;
    if (signature->timeStamp)
    {
        const std::optional<ByteRange> token = wholeBytes(signature->timeStamp);
        if (!token || token->size == 0)
            return std::nullopt;
        content.timeStampToken.assign(token->data, token->data + token->size);
    }
    content.seal = std::move(*seal);
    content.signerCertificateDer.assign(signerDer.data, signerDer.data + signerDer.size);
    content.signingTime = *signingTime;
    content.dataHash.assign(dataHash->data, dataHash->data + dataHash->size);
    content.signatureValue.assign(sm2Signature->data, sm2Signature->data + sm2Signature->size);
    return content;
}

std::optional<std::string> attachTimeStamp(std::string_view signatureText, ByteRange token)
{
    const std::optional<Bytes> der = decodeBase64(signatureText);
    if (!der || token.size == 0)
        return std::nullopt;
    const OwnedAsn1<SesSignature> signature
        = decodeCanonical<SesSignature>(*der, ASN1_ITEM_rptr(SesSignature));
    if (!signature)
        return std::nullopt;
    if (!signature->timeStamp)
        signature->timeStamp = ASN1_BIT_STRING_new();
    if (!signature->timeStamp || !setWholeBytes(signature->timeStamp, token))
        return std::nullopt;
    const Bytes stamped = encodeDer(signature.get(), ASN1_ITEM_rptr(SesSignature));
    if (stamped.empty())
        return std::nullopt;
    return encodeBase64(stamped);
}

bool signsText(const SealSignatureContent& content, ByteRange text)
{
    const Bytes digest = sm3Digest(text);
    return digest.size() == content.dataHash.size()
           && CRYPTO_memcmp(digest.data(), content.dataHash.data(), digest.size()) == 0;
}
}
