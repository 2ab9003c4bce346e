// The DER structures of an issued seal and of a seal signature.

#include "SealStructures.hxx"

#include <openssl/x509.h>

#include <climits>

namespace ktxeseal
{
ASN1_SEQUENCE(SesHeader) = {
    ASN1_SIMPLE(SesHeader, id, ASN1_IA5STRING),
    ASN1_SIMPLE(SesHeader, version, ASN1_INTEGER),
    ASN1_SIMPLE(SesHeader, vid, ASN1_IA5STRING),
} static_ASN1_SEQUENCE_END(SesHeader)

ASN1_SEQUENCE(SesPropertyInfo) = {
    ASN1_SIMPLE(SesPropertyInfo, type, ASN1_INTEGER),
    ASN1_SIMPLE(SesPropertyInfo, name, ASN1_UTF8STRING),
    ASN1_SIMPLE(SesPropertyInfo, certListType, ASN1_INTEGER),
    ASN1_SEQUENCE_OF(SesPropertyInfo, certList, ASN1_OCTET_STRING),
    ASN1_SIMPLE(SesPropertyInfo, createDate, ASN1_GENERALIZEDTIME),
    ASN1_SIMPLE(SesPropertyInfo, validStart, ASN1_GENERALIZEDTIME),
    ASN1_SIMPLE(SesPropertyInfo, validEnd, ASN1_GENERALIZEDTIME),
} static_ASN1_SEQUENCE_END(SesPropertyInfo)

ASN1_SEQUENCE(SesPictureInfo) = {
    ASN1_SIMPLE(SesPictureInfo, type, ASN1_IA5STRING),
    ASN1_SIMPLE(SesPictureInfo, data, ASN1_OCTET_STRING),
    ASN1_SIMPLE(SesPictureInfo, width, ASN1_INTEGER),
    ASN1_SIMPLE(SesPictureInfo, height, ASN1_INTEGER),
} static_ASN1_SEQUENCE_END(SesPictureInfo)

ASN1_SEQUENCE(SesSealInfo) = {
    ASN1_SIMPLE(SesSealInfo, header, SesHeader),
    ASN1_SIMPLE(SesSealInfo, esID, ASN1_IA5STRING),
    ASN1_SIMPLE(SesSealInfo, property, SesPropertyInfo),
    ASN1_SIMPLE(SesSealInfo, picture, SesPictureInfo),
} ASN1_SEQUENCE_END(SesSealInfo)

ASN1_SEQUENCE(SesSeal) = {
    ASN1_SIMPLE(SesSeal, eSealInfo, SesSealInfo),
    ASN1_SIMPLE(SesSeal, cert, ASN1_OCTET_STRING),
    ASN1_SIMPLE(SesSeal, signAlgID, ASN1_OBJECT),
    ASN1_SIMPLE(SesSeal, signedValue, ASN1_BIT_STRING),
} ASN1_SEQUENCE_END(SesSeal)

ASN1_SEQUENCE(TbsSign) = {
    ASN1_SIMPLE(TbsSign, version, ASN1_INTEGER),
    ASN1_SIMPLE(TbsSign, eseal, SesSeal),
    ASN1_SIMPLE(TbsSign, timeInfo, ASN1_GENERALIZEDTIME),
    ASN1_SIMPLE(TbsSign, dataHash, ASN1_BIT_STRING),
    ASN1_SIMPLE(TbsSign, propertyInfo, ASN1_IA5STRING),
} ASN1_SEQUENCE_END(TbsSign)

ASN1_SEQUENCE(SesSignature) = {
    ASN1_SIMPLE(SesSignature, toSign, TbsSign),
    ASN1_SIMPLE(SesSignature, cert, ASN1_OCTET_STRING),
    ASN1_SIMPLE(SesSignature, signatureAlgID, ASN1_OBJECT),
    ASN1_SIMPLE(SesSignature, signature, ASN1_BIT_STRING),
    ASN1_EXP_OPT(SesSignature, timeStamp, ASN1_BIT_STRING, 0),
} ASN1_SEQUENCE_END(SesSignature)

Bytes encodeDer(const void* value, const ASN1_ITEM* item)
{
    unsigned char* der = nullptr;
    const int length
        = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(const_cast<void*>(value)), &der, item);
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

bool setWholeBytes(ASN1_BIT_STRING* bits, ByteRange bytes)
{
    if (!setBytes(bits, bytes))
        return false;
    bits->flags &= ~0x07L;
    bits->flags |= ASN1_STRING_FLAG_BITS_LEFT;
    return true;
}

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

OwnedPtr<X509> parseCertificate(ByteRange der)
{
    if (der.size == 0 || der.size > LONG_MAX)
        return nullptr;
    const unsigned char* cursor = der.data;
    OwnedPtr<X509> certificate(d2i_X509(nullptr, &cursor, static_cast<long>(der.size)));
    if (!certificate || cursor != der.data + der.size)
        return nullptr;
    return certificate;
}
}
