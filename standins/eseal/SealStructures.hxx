// The DER structures of an issued seal and of a seal signature, modelled on GB/T 38540.
//
//   SesSeal ::= SEQUENCE {
//       eSealInfo       SesSealInfo,
//       cert            OCTET STRING,        -- the issuing authority's certificate
//       signAlgID       OBJECT IDENTIFIER,   -- SM2 with SM3 (1.2.156.10197.1.501)
//       signedValue     BIT STRING }         -- the authority's SM2 signature over eSealInfo
//   SesSealInfo ::= SEQUENCE {
//       header          SesHeader,
//       esID            IA5String,           -- the seal id
//       property        SesPropertyInfo,
//       picture         SesPictureInfo }
//   SesHeader ::= SEQUENCE { id IA5String ("ES"), version INTEGER (4), vid IA5String }
//   SesPropertyInfo ::= SEQUENCE {
//       type            INTEGER,             -- 1: an organisation's official seal
//       name            UTF8String,
//       certListType    INTEGER,             -- 1: the certificates themselves
//       certList        SEQUENCE OF OCTET STRING,   -- signer certificates the seal may sign with
//       createDate      GeneralizedTime,
//       validStart      GeneralizedTime,
//       validEnd        GeneralizedTime }
//   SesPictureInfo ::= SEQUENCE {
//       type IA5String ("GIF"), data OCTET STRING, width INTEGER, height INTEGER }   -- pixels
//
//   SesSignature ::= SEQUENCE {
//       toSign          TbsSign,
//       cert            OCTET STRING,        -- the signer's certificate
//       signatureAlgID  OBJECT IDENTIFIER,   -- SM2 with SM3
//       signature       BIT STRING,          -- the signer's SM2 signature over toSign
//       timeStamp   [0] EXPLICIT BIT STRING OPTIONAL }   -- an RFC 3161 time-stamp token (DER)
//                                                       -- over the signature value
//   TbsSign ::= SEQUENCE {
//       version         INTEGER,             -- 4
//       eseal           SesSeal,
//       timeInfo        GeneralizedTime,     -- signing time, UTC
//       dataHash        BIT STRING,          -- SM3 of the signed text bytes
//       propertyInfo    IA5String }          -- what the hash covers
#pragma once

#include "OpenSslPointers.hxx"

#include <openssl/asn1t.h>

#include <memory>
#include <optional>

DEFINE_STACK_OF(ASN1_OCTET_STRING)

namespace ktxeseal
{
struct SesHeader
{
    ASN1_IA5STRING* id;
    ASN1_INTEGER* version;
    ASN1_IA5STRING* vid;
};

struct SesPropertyInfo
{
    ASN1_INTEGER* type;
    ASN1_UTF8STRING* name;
    ASN1_INTEGER* certListType;
    STACK_OF(ASN1_OCTET_STRING) * certList;
    ASN1_GENERALIZEDTIME* createDate;
    ASN1_GENERALIZEDTIME* validStart;
    ASN1_GENERALIZEDTIME* validEnd;
};

struct SesPictureInfo
{
    ASN1_IA5STRING* type;
    ASN1_OCTET_STRING* data;
    ASN1_INTEGER* width;
    ASN1_INTEGER* height;
};

struct SesSealInfo
{
    SesHeader* header;
    ASN1_IA5STRING* esID;
    SesPropertyInfo* property;
    SesPictureInfo* picture;
};

struct SesSeal
{
    SesSealInfo* eSealInfo;
    ASN1_OCTET_STRING* cert;
    ASN1_OBJECT* signAlgID;
    ASN1_BIT_STRING* signedValue;
};

struct TbsSign
{
    ASN1_INTEGER* version;
    SesSeal* eseal;
    ASN1_GENERALIZEDTIME* timeInfo;
    ASN1_BIT_STRING* dataHash;
    ASN1_IA5STRING* propertyInfo;
};

struct SesSignature
{
    TbsSign* toSign;
    ASN1_OCTET_STRING* cert;
    ASN1_OBJECT* signatureAlgID;
    ASN1_BIT_STRING* signature;
    ASN1_BIT_STRING* timeStamp;
};

DECLARE_ASN1_ITEM(SesSealInfo)
DECLARE_ASN1_ITEM(SesSeal)
DECLARE_ASN1_ITEM(TbsSign)
DECLARE_ASN1_ITEM(SesSignature)

/// Owns a value of one of the structures above.
template <typename T>
struct Asn1Free
{
    const ASN1_ITEM* item;
    void operator()(T* value) const { ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(value), item); }
};
template <typename T>
using OwnedAsn1 = std::unique_ptr<T, Asn1Free<T>>;

template <typename T>
OwnedAsn1<T> newAsn1(const ASN1_ITEM* item)
{
    return OwnedAsn1<T>(reinterpret_cast<T*>(ASN1_item_new(item)), Asn1Free<T>{ item });
}

/// The DER of a value; empty on failure.
Bytes encodeDer(const void* value, const ASN1_ITEM* item);

/// The value that the DER is, in its one canonical encoding with nothing after it; empty
/// otherwise. A lenient reading would give one signed value several encodings.
template <typename T>
OwnedAsn1<T> decodeCanonical(ByteRange der, const ASN1_ITEM* item)
{
    const unsigned char* cursor = der.data;
    OwnedAsn1<T> value(
        reinterpret_cast<T*>(ASN1_item_d2i(nullptr, &cursor, static_cast<long>(der.size), item)),
        Asn1Free<T>{ item });
    if (!value || cursor != der.data + der.size)
        return OwnedAsn1<T>(nullptr, Asn1Free<T>{ item });
    if (!(ByteRange(encodeDer(value.get(), item)) == der))
        return OwnedAsn1<T>(nullptr, Asn1Free<T>{ item });
    return value;
}

ByteRange bytesOf(const ASN1_STRING* string);
bool setBytes(ASN1_STRING* string, ByteRange bytes);
/// A bit string of whole bytes; OpenSSL would otherwise drop trailing zero bytes.
bool setWholeBytes(ASN1_BIT_STRING* bits, ByteRange bytes);
/// The bytes of a bit string that holds whole bytes only.
std::optional<ByteRange> wholeBytes(const ASN1_BIT_STRING* bits);
/// An integer from 0 to 65535.
std::optional<long> smallInteger(const ASN1_INTEGER* integer);
/// An X.509 certificate that is exactly the DER given.
OwnedPtr<X509> parseCertificate(ByteRange der);
}
