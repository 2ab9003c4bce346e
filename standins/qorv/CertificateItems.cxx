#include "CertificateItems.hxx"
#include "GbkText.hxx"
#include "QorvStatus.hxx"

#include <QorvApi.h>

#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace qorv
{
namespace
{
constexpr size_t kSerialArea = 132;
constexpr size_t kTextArea = 32;

struct X509Free
{
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

X509Ptr parseCertificate(const unsigned char* der, int length)
{
    const unsigned char* next = der;
    X509Ptr certificate(d2i_X509(nullptr, &next, length));
    if (certificate && next != der + length)
        certificate.reset();
    return certificate;
}

/// Text followed by its NUL, all within `area` bytes.
int deliverTerminated(const std::string& text, size_t area, unsigned char* out, int* outLength)
{
    if (text.size() + 1 > area)
        return status::kDoesNotFit;
    std::memcpy(out, text.c_str(), text.size() + 1);
    *outLength = static_cast<int>(text.size());
    return status::kOk;
}

/// Text whose length the caller takes from `*outLength`; the NUL is a courtesy when it fits.
int deliverCounted(const std::string& text, size_t area, unsigned char* out, int* outLength)
{
    if (text.size() > area)
        return status::kDoesNotFit;
    std::memcpy(out, text.data(), text.size());
    if (text.size() < area)
        out[text.size()] = '\0';
    *outLength = static_cast<int>(text.size());
    return status::kOk;
}

int serialNumber(const X509* certificate, std::string& text)
{
    std::unique_ptr<BIGNUM, decltype(&BN_free)> number(
        ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate), nullptr), BN_free);
    if (!number)
        return status::kBadCertificate;
    char* hex = BN_bn2hex(number.get());
    if (!hex)
        return status::kInternal;
    text = hex;
    OPENSSL_free(hex);
    return status::kOk;
}

int timeText(const ASN1_TIME* time, std::string& text)
{
    struct tm fields;
    std::memset(&fields, 0, sizeof fields);
    char buffer[32];
    if (!time || !ASN1_TIME_to_tm(time, &fields)
        || !std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &fields))
        return status::kBadCertificate;
    text = buffer;
    return status::kOk;
}

/// The first entry of `nid` in `name`, in GBK.
int nameEntry(const X509_NAME* name, int nid, std::string& text)
{
    const int index = X509_NAME_get_index_by_NID(name, nid, -1);
    if (index < 0)
        return status::kItemMissing;
    const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index));
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, value);
    if (length < 0)
        return status::kBadCertificate;
    text = utf8ToGbk(std::string(reinterpret_cast<char*>(utf8), static_cast<size_t>(length)));
    OPENSSL_free(utf8);
    return status::kOk;
}
}

int certificateItem(const unsigned char* der, int derLength, int itemType, unsigned char* out,
                    int* outLength)
{
    if (!der || derLength <= 0 || !out || !outLength)
        return status::kBadArgument;
    switch (itemType)
    {
        case QORV_CERT_VERSION:
        case QORV_CERT_SERIAL_NUMBER:
        case QORV_CERT_NOT_BEFORE:
        case QORV_CERT_NOT_AFTER:
        case QORV_CERT_ISSUER_COMMON_NAME:
        case QORV_CERT_SUBJECT_COUNTRY:
            break;
        default:
            return status::kUnknownItem;
    }
    const X509Ptr certificate = parseCertificate(der, derLength);
    if (!certificate)
        return status::kBadCertificate;

    std::string text;
    int result = status::kOk;
    switch (itemType)
    {
        case QORV_CERT_VERSION:
        {
            // X509_get_version counts from 0, as the encoding does; people say "v3".
            const std::int32_t version
                = static_cast<std::int32_t>(X509_get_version(certificate.get()) + 1);
            std::memcpy(out, &version, sizeof version);
            *outLength = sizeof version;
            return status::kOk;
        }
        case QORV_CERT_SERIAL_NUMBER:
            result = serialNumber(certificate.get(), text);
            return result != status::kOk ? result
                                         : deliverTerminated(text, kSerialArea, out, outLength);
        case QORV_CERT_NOT_BEFORE:
        case QORV_CERT_NOT_AFTER:
            result
                = timeText(itemType == QORV_CERT_NOT_BEFORE ? X509_get0_notBefore(certificate.get())
                                                            : X509_get0_notAfter(certificate.get()),
                           text);
            return result != status::kOk ? result
                                         : deliverTerminated(text, kTextArea, out, outLength);
        case QORV_CERT_ISSUER_COMMON_NAME:
            result = nameEntry(X509_get_issuer_name(certificate.get()), NID_commonName, text);
            return result != status::kOk ? result : deliverCounted(text, kTextArea, out, outLength);
        default:
            result = nameEntry(X509_get_subject_name(certificate.get()), NID_countryName, text);
            return result != status::kOk ? result : deliverCounted(text, kTextArea, out, outLength);
    }
}
}
