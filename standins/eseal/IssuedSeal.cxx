// An electronic seal as its authority issues it.

#include "IssuedSeal.hxx"

#include "PictureBlock.hxx"
#include "SealStructures.hxx"
#include "Sm2.hxx"
#include "Utf8.hxx"

#include <openssl/objects.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstring>

namespace ktxeseal
{
namespace
{
bool setText(ASN1_STRING* string, std::string_view text)
{
    return setBytes(string,
                    ByteRange(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
}

std::string textOf(const ASN1_STRING* string)
{
    const ByteRange bytes = bytesOf(string);
    return std::string(reinterpret_cast<const char*>(bytes.data), bytes.size);
}

bool isText(const ASN1_STRING* string, std::string_view expected)
{
    return textOf(string) == expected;
}

bool setTime(ASN1_GENERALIZEDTIME* time, time_t moment)
{
    return ASN1_GENERALIZEDTIME_set(time, moment) != nullptr;
}

bool fillSealInfo(SesSealInfo* info, const SealRequest& request)
{
    SesPropertyInfo* property = info->property;
    for (const Bytes& certificate : request.signerCertificates)
    {
        ASN1_OCTET_STRING* entry = ASN1_OCTET_STRING_new();
        if (!entry || !setBytes(entry, certificate)
            || sk_ASN1_OCTET_STRING_push(property->certList, entry) <= 0)
        {
            ASN1_OCTET_STRING_free(entry);
            return false;
        }
    }
    const std::optional<PictureSize> size = readGifSize(request.picture);
    return size && setText(info->header->id, kSealHeaderId)
           && ASN1_INTEGER_set(info->header->version, kSealVersion) == 1
           && setText(info->header->vid, kSealVendorId) && setText(info->esID, request.sealId)
           && ASN1_INTEGER_set(property->type, kOrganisationSealType) == 1
           && setText(property->name, request.name)
           && ASN1_INTEGER_set(property->certListType, kCertificateListType) == 1
           && setTime(property->createDate, request.created)
           && setTime(property->validStart, request.validity.start)
           && setTime(property->validEnd, request.validity.end)
           && setText(info->picture->type, kPictureType)
           && setBytes(info->picture->data, request.picture)
           && ASN1_INTEGER_set(info->picture->width, size->width) == 1
           && ASN1_INTEGER_set(info->picture->height, size->height) == 1;
}

std::optional<IssuedSeal> readSealInfo(const SesSealInfo& info)
{
    const SesPropertyInfo& property = *info.property;
    const std::optional<long> version = smallInteger(info.header->version);
    const std::optional<long> type = smallInteger(property.type);
    const std::optional<long> listType = smallInteger(property.certListType);
    const std::optional<long> width = smallInteger(info.picture->width);
    const std::optional<long> height = smallInteger(info.picture->height);
    if (!isText(info.header->id, kSealHeaderId) || version != kSealVersion
        || type != kOrganisationSealType || listType != kCertificateListType
        || !isText(info.picture->type, kPictureType) || !width || !height)
        return std::nullopt;

    IssuedSeal seal;
    seal.sealId = textOf(info.esID);
    seal.name = textOf(property.name);
    const std::optional<time_t> created = secondsOfGeneralizedTime(property.createDate);
    const std::optional<time_t> start = secondsOfGeneralizedTime(property.validStart);
    const std::optional<time_t> end = secondsOfGeneralizedTime(property.validEnd);
    if (!isValidSealId(seal.sealId) || !isValidSealName(seal.name) || !created || !start || !end
        || *start > *end)
        return std::nullopt;
    seal.created = *created;
    seal.validity = ValidityPeriod{ *start, *end };

    const int count = sk_ASN1_OCTET_STRING_num(property.certList);
    if (count < 1 || static_cast<size_t>(count) > kMaximumSignerCertificates)
        return std::nullopt;
    for (int index = 0; index < count; ++index)
    {
        const ByteRange der = bytesOf(sk_ASN1_OCTET_STRING_value(property.certList, index));
        if (!parseCertificate(der))
            return std::nullopt;
        seal.signerCertificates.emplace_back(der.data, der.data + der.size);
    }

    const ByteRange picture = bytesOf(info.picture->data);
    seal.picture.assign(picture.data, picture.data + picture.size);
    const std::optional<PictureSize> size = readGifSize(seal.picture);
    if (!fitsPictureBlock(seal.picture) || !size || size->width != *width
        || size->height != *height)
        return std::nullopt;
    seal.pictureWidth = size->width;
    seal.pictureHeight = size->height;
    return seal;
}
}

bool isValidSealName(std::string_view name)
{
    if (name.empty() || name.size() > kMaximumSealNameLength)
        return false;
    const auto characters = splitUtf8Characters(name);
    if (!characters)
        return false;
    for (std::string_view character : *characters)
    {
        const auto lead = static_cast<unsigned char>(character.front());
        if (character.size() == 1 && (lead < 0x20 || lead == 0x7F))
            return false;
    }
    return true;
}

bool isValidSealId(std::string_view sealId)
{
    return !sealId.empty() && sealId.size() <= kMaximumSealIdLength
           && std::all_of(sealId.begin(), sealId.end(), [](char character) {
                  return (character >= '0' && character <= '9')
                         || (character >= 'A' && character <= 'Z')
                         || (character >= 'a' && character <= 'z') || character == '-';
              });
}

std::optional<Bytes> issueSeal(const SealRequest& request, EVP_PKEY* authorityKey,
                               X509* authorityCertificate)
{
    if (!authorityCertificate || !isSm2Key(authorityKey)
        || X509_check_private_key(authorityCertificate, authorityKey) != 1)
        return std::nullopt;
    OwnedAsn1<SesSeal> seal = newAsn1<SesSeal>(ASN1_ITEM_rptr(SesSeal));
    const Bytes authorityDer = [&] {
        unsigned char* der = nullptr;
        const int length = i2d_X509(authorityCertificate, &der);
        OwnedPtr<unsigned char> owned(der);
        return length > 0 ? Bytes(der, der + length) : Bytes();
    }();
    if (!seal || authorityDer.empty() || !fillSealInfo(seal->eSealInfo, request)
        || !setBytes(seal->cert, authorityDer))
        return std::nullopt;
    seal->signAlgID = OBJ_nid2obj(NID_SM2_with_SM3);
    const Bytes infoDer = encodeDer(seal->eSealInfo, ASN1_ITEM_rptr(SesSealInfo));
    const std::optional<Bytes> signedValue
        = infoDer.empty() ? std::nullopt : sm2Sign(authorityKey, infoDer);
    if (!signedValue || !setWholeBytes(seal->signedValue, *signedValue))
        return std::nullopt;
    Bytes der = encodeDer(seal.get(), ASN1_ITEM_rptr(SesSeal));
    if (der.empty() || !openIssuedSeal(der))
        return std::nullopt;
    return der;
}

std::optional<IssuedSeal> openIssuedSeal(ByteRange der)
{
    const OwnedAsn1<SesSeal> seal = decodeCanonical<SesSeal>(der, ASN1_ITEM_rptr(SesSeal));
    if (!seal || OBJ_obj2nid(seal->signAlgID) != NID_SM2_with_SM3)
        return std::nullopt;
    std::optional<IssuedSeal> content = readSealInfo(*seal->eSealInfo);
    const ByteRange authorityDer = bytesOf(seal->cert);
    const OwnedPtr<X509> authority = parseCertificate(authorityDer);
    const std::optional<ByteRange> signedValue = wholeBytes(seal->signedValue);
    if (!content || !authority || !signedValue)
        return std::nullopt;
    const Bytes infoDer = encodeDer(seal->eSealInfo, ASN1_ITEM_rptr(SesSealInfo));
    if (infoDer.empty() || !sm2Verify(X509_get0_pubkey(authority.get()), infoDer, *signedValue))
        return std::nullopt;
    content->authorityCertificateDer.assign(authorityDer.data,
                                            authorityDer.data + authorityDer.size);
    return content;
}

bool listsSigner(const IssuedSeal& seal, ByteRange signerCertificateDer)
{
    return std::any_of(
        seal.signerCertificates.begin(), seal.signerCertificates.end(),
        [&](const Bytes& listed) { return ByteRange(listed) == signerCertificateDer; });
}
}
