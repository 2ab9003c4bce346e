// The seal signature: a DER structure modelled on the GB/T 38540 electronic-seal signature,
// carried as Base64 text.

#include "SealSignature.hxx"

#include "Base64.hxx"
#include "PictureBlock.hxx"
#include "Sm2.hxx"

#include <KTXESeal.h>
#include <openssl/asn1t.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>

#include <climits>

namespace ktxeseal
{
namespace
{
constexpr char kPictureType[] = "GIF";
constexpr size_t kSm3Length = 32;
/// DER of an SM2 signature over a 256-bit curve at its longest: r and s of 33 bytes each.
constexpr size_t kLongestSm2SignatureLength = 72;

struct SesPictureInfo
{
    ASN1_IA5STRING* type;
    ASN1_OCTET_STRING* data;
    ASN1_INTEGER* width;
    ASN1_INTEGER* height;
};

struct SesSeal
{
    ASN1_UTF8STRING* name;
    ASN1_OCTET_STRING* cert;
    SesPictureInfo* picture;
};

struct TbsSign
{
    ASN1_INTEGER* version;
    SesSeal* eseal;
    ASN1_GENERALIZEDTIME* timeInfo;
    ASN1_OBJECT* dataHashAlgID;
    ASN1_BIT_STRING* dataHash;
};

struct SesSignature
{
    TbsSign* toSign;
    ASN1_OCTET_STRING* cert;
    ASN1_OBJECT* signatureAlgID;
    ASN1_BIT_STRING* signature;
};

ASN1_SEQUENCE(SesPictureInfo) = {
    ASN1_SIMPLE(SesPictureInfo, type, ASN1_IA5STRING),
    ASN1_SIMPLE(SesPictureInfo, data, ASN1_OCTET_STRING),
    ASN1_SIMPLE(SesPictureInfo, width, ASN1_INTEGER),
    ASN1_SIMPLE(SesPictureInfo, height, ASN1_INTEGER),
} static_ASN1_SEQUENCE_END(SesPictureInfo)

ASN1_SEQUENCE(SesSeal) = {
    ASN1_SIMPLE(SesSeal, name, ASN1_UTF8STRING),
    ASN1_SIMPLE(SesSeal, cert, ASN1_OCTET_STRING),
    ASN1_SIMPLE(SesSeal, picture, SesPictureInfo),
} static_ASN1_SEQUENCE_END(SesSeal)

ASN1_SEQUENCE(TbsSign) = {
    ASN1_SIMPLE(TbsSign, version, ASN1_INTEGER),
    ASN1_SIMPLE(TbsSign, eseal, SesSeal),
    ASN1_SIMPLE(TbsSign, timeInfo, ASN1_GENERALIZEDTIME),
    ASN1_SIMPLE(TbsSign, dataHashAlgID, ASN1_OBJECT),
    ASN1_SIMPLE(TbsSign, dataHash, ASN1_BIT_STRING),
} static_ASN1_SEQUENCE_END(TbsSign)

ASN1_SEQUENCE(SesSignature) = {
    ASN1_SIMPLE(SesSignature, toSign, TbsSign),
    ASN1_SIMPLE(SesSignature, cert, ASN1_OCTET_STRING),
    ASN1_SIMPLE(SesSignature, signatureAlgID, ASN1_OBJECT),
    ASN1_SIMPLE(SesSignature, signature, ASN1_BIT_STRING),
} static_ASN1_SEQUENCE_END(SesSignature)

struct SesSignatureFree
{
    void operator()(SesSignature* signature) const
    {
        ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(signature), ASN1_ITEM_rptr(SesSignature));
    }
};
using OwnedSignature = std::unique_ptr<SesSignature, SesSignatureFree>;

template <typename T>
Bytes encodeDer(T* value, const ASN1_ITEM* item)
{
    unsigned char* der = nullptr;
    const int length = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(value), &der, item);
    OwnedPtr<unsigned char> owned(der);
    if (length <= 0)
        return {};
    return Bytes(der, der + length);
}

ByteRange bytesOf(const ASN1_STRING* string)
{
    return ByteRange(ASN1_STRING_get0_data(string),
                     static_cast<size_t>(ASN1_STRING_length(string)));
}

bool setBytes(ASN1_STRING* string, ByteRange bytes)
{
    return bytes.size <= INT_MAX
           && ASN1_STRING_set(string, bytes.data, static_cast<int>(bytes.size)) == 1;
}

/// OpenSSL would otherwise drop trailing zero bytes of a bit string when encoding it.
bool setWholeBytes(ASN1_BIT_STRING* bits, ByteRange bytes)
{
    if (!setBytes(bits, bytes))
        return false;
    bits->flags &= ~0x07L;
    bits->flags |= ASN1_STRING_FLAG_BITS_LEFT;
    return true;
}

/// A bit string that holds whole bytes only.
std::optional<ByteRange> wholeBytes(const ASN1_BIT_STRING* bits)
{
    if ((bits->flags & ASN1_STRING_FLAG_BITS_LEFT) && (bits->flags & 0x07) != 0)
        return std::nullopt;
    return bytesOf(bits);
}

std::optional<long> smallInteger(const ASN1_INTEGER* integer)
{
    int64_t value = 0;
    if (ASN1_INTEGER_get_int64(&value, integer) != 1 || value < 0 || value > 0xFFFF)
        return std::nullopt;
    return static_cast<long>(value);
}

bool hasNid(const ASN1_OBJECT* object, int nid) { return OBJ_obj2nid(object) == nid; }

bool fillPicture(SesPictureInfo* info, const Bytes& picture)
{
    const std::optional<PictureSize> size = readGifSize(picture);
    return size && ASN1_STRING_set(info->type, kPictureType, -1) == 1
           && setBytes(info->data, picture) && ASN1_INTEGER_set(info->width, size->width) == 1
           && ASN1_INTEGER_set(info->height, size->height) == 1;
}

bool fillToSign(TbsSign* toSign, const Seal& seal, ByteRange text, time_t signingTime)
{
    const Bytes dataHash = sm3Digest(text);
    return ASN1_INTEGER_set(toSign->version, kSealSignatureVersion) == 1
           && ASN1_STRING_set(toSign->eseal->name, seal.name.data(),
                              static_cast<int>(seal.name.size()))
                  == 1
           && setBytes(toSign->eseal->cert, seal.certificateDer)
           && fillPicture(toSign->eseal->picture, seal.picture)
           && ASN1_GENERALIZEDTIME_set(toSign->timeInfo, signingTime) != nullptr
           && (toSign->dataHashAlgID = OBJ_nid2obj(NID_sm3)) != nullptr
           && dataHash.size() == kSm3Length && setWholeBytes(toSign->dataHash, dataHash);
}

/// The signature's structure with everything but the SM2 value.
OwnedSignature unsignedSignature(const Seal& seal, ByteRange text, time_t signingTime)
{
    OwnedSignature signature(
        reinterpret_cast<SesSignature*>(ASN1_item_new(ASN1_ITEM_rptr(SesSignature))));
    if (!signature || !fillToSign(signature->toSign, seal, text, signingTime)
        || !setBytes(signature->cert, seal.certificateDer))
        return nullptr;
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

/// Parses DER that is exactly one signature in its one canonical encoding, so that the bytes
/// checked below are the bytes that were signed.
OwnedSignature parseCanonical(const Bytes& der)
{
    const unsigned char* cursor = der.data();
    OwnedSignature signature(reinterpret_cast<SesSignature*>(ASN1_item_d2i(
        nullptr, &cursor, static_cast<long>(der.size()), ASN1_ITEM_rptr(SesSignature))));
    if (!signature || cursor != der.data() + der.size())
        return nullptr;
    if (encodeDer(signature.get(), ASN1_ITEM_rptr(SesSignature)) != der)
        return nullptr;
    return signature;
}

OwnedPtr<X509> parseCertificate(ByteRange der)
{
    const unsigned char* cursor = der.data;
    OwnedPtr<X509> certificate(d2i_X509(nullptr, &cursor, static_cast<long>(der.size)));
    if (!certificate || cursor != der.data + der.size)
        return nullptr;
    return certificate;
}

std::optional<SealSignatureContent> readContent(const SesSignature& signature)
{
    const TbsSign& toSign = *signature.toSign;
    const SesSeal& seal = *toSign.eseal;
    const SesPictureInfo& picture = *seal.picture;
    const std::optional<long> version = smallInteger(toSign.version);
    const std::optional<long> width = smallInteger(picture.width);
    const std::optional<long> height = smallInteger(picture.height);
    const std::optional<ByteRange> dataHash = wholeBytes(toSign.dataHash);
    const ByteRange pictureType = bytesOf(picture.type);
    if (!version || *version != kSealSignatureVersion || !width || !height || !dataHash
        || dataHash->size != kSm3Length || !hasNid(toSign.dataHashAlgID, NID_sm3)
        || !hasNid(signature.signatureAlgID, NID_SM2_with_SM3)
        || !(pictureType
             == ByteRange(reinterpret_cast<const unsigned char*>(kPictureType),
                          sizeof(kPictureType) - 1))
        || ASN1_GENERALIZEDTIME_check(toSign.timeInfo) != 1)
        return std::nullopt;

    SealSignatureContent content;
    const ByteRange name = bytesOf(seal.name);
    content.sealName.assign(reinterpret_cast<const char*>(name.data), name.size);
    const ByteRange pictureData = bytesOf(picture.data);
    content.picture.assign(pictureData.data, pictureData.data + pictureData.size);
    content.pictureWidth = static_cast<int>(*width);
    content.pictureHeight = static_cast<int>(*height);
    const ByteRange time = bytesOf(toSign.timeInfo);
    content.signingTime.assign(reinterpret_cast<const char*>(time.data), time.size);
    content.dataHash.assign(dataHash->data, dataHash->data + dataHash->size);
    const ByteRange certificate = bytesOf(seal.cert);
    content.certificateDer.assign(certificate.data, certificate.data + certificate.size);

    const std::optional<PictureSize> size = readGifSize(content.picture);
    if (!isValidSealName(content.sealName) || !fitsPictureBlock(content.picture) || !size
        || size->width != content.pictureWidth || size->height != content.pictureHeight)
        return std::nullopt;
    return content;
}
}

std::optional<size_t> longestSealSignatureLength(const Seal& seal)
{
    if (!isUsableSeal(seal))
        return std::nullopt;
    // Only the SM2 value's length varies between two signatures of one seal.
    const OwnedSignature signature = unsignedSignature(seal, ByteRange(), 0);
    const Bytes longestSm2Value(kLongestSm2SignatureLength);
    const auto text = signature ? encodeSignature(signature.get(), longestSm2Value) : std::nullopt;
    if (!text)
        return std::nullopt;
    return text->size();
}

std::optional<std::string> makeSealSignature(const Seal& seal, ByteRange text, time_t signingTime)
{
    // A seal signs always or never, whatever length its SM2 value happens to take.
    const std::optional<size_t> longest = longestSealSignatureLength(seal);
    if (!longest || *longest >= KTXESEAL_AREA_SIZE)
        return std::nullopt;
    const OwnedSignature signature = unsignedSignature(seal, text, signingTime);
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
    const OwnedSignature signature = parseCanonical(*der);
    if (!signature)
        return std::nullopt;
    std::optional<SealSignatureContent> content = readContent(*signature);
    if (!content)
        return std::nullopt;

    // The signer must be the seal itself; its certificate is then covered by the signature.
    const ByteRange signerCertificate = bytesOf(signature->cert);
    const std::optional<ByteRange> sm2Signature = wholeBytes(signature->signature);
    if (!(signerCertificate == ByteRange(content->certificateDer)) || !sm2Signature)
        return std::nullopt;
    const OwnedPtr<X509> certificate = parseCertificate(signerCertificate);
    if (!certificate)
        return std::nullopt;
    const Bytes toSignDer = encodeDer(signature->toSign, ASN1_ITEM_rptr(TbsSign));
    if (toSignDer.empty()
        || !sm2Verify(X509_get0_pubkey(certificate.get()), toSignDer, *sm2Signature))
        return std::nullopt;
    return content;
}

bool signsText(const SealSignatureContent& content, ByteRange text)
{
    const Bytes digest = sm3Digest(text);
    return digest.size() == content.dataHash.size()
           && CRYPTO_memcmp(digest.data(), content.dataHash.data(), digest.size()) == 0;
}
}
