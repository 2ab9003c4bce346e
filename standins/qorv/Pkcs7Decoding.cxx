#include "Pkcs7Decoding.hxx"
#include "QorvStatus.hxx"
#include "TrustStore.hxx"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace qorv
{
namespace
{
struct Pkcs7Free
{
    void operator()(PKCS7* p7) const { PKCS7_free(p7); }
};
using Pkcs7Ptr = std::unique_ptr<PKCS7, Pkcs7Free>;

/// One whole DER PKCS#7 structure: trailing bytes make the input suspect, so they are refused.
Pkcs7Ptr parsePkcs7(const unsigned char* der, int length)
{
    const unsigned char* next = der;
    Pkcs7Ptr p7(d2i_PKCS7(nullptr, &next, length));
    if (p7 && next != der + length)
        p7.reset();
    return p7;
}

using Bytes = std::vector<unsigned char>;

Bytes derOf(X509* certificate)
{
    unsigned char* der = nullptr;
    const int length = i2d_X509(certificate, &der);
    if (length <= 0)
        return {};
    Bytes bytes(der, der + length);
    OPENSSL_free(der);
    return bytes;
}

/// Whether `bytes` fit an output area of `capacity` bytes.
bool fits(const Bytes& bytes, size_t capacity) { return bytes.size() <= capacity; }

void deliver(const Bytes& bytes, unsigned char* area, int* length)
{
    if (!area || !length)
        return;
    if (!bytes.empty())
        std::memcpy(area, bytes.data(), bytes.size());
    *length = static_cast<int>(bytes.size());
}

/// The alphabet, its padding, and the line breaks and blanks of wrapped text.
bool isBase64Character(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+'
           || c == '/' || c == '=' || c == '\n' || c == '\r' || c == ' ' || c == '\t';
}

/// Why PKCS7_verify refused, from the error queue it left.
int verifyFailure()
{
    int result = status::kSignatureInvalid;
    while (const unsigned long error = ERR_get_error())
        if (ERR_GET_LIB(error) == ERR_LIB_PKCS7
            && ERR_GET_REASON(error) == PKCS7_R_CERTIFICATE_VERIFY_ERROR)
            result = status::kChainRefused;
    return result;
}
}

int decodeBase64(const unsigned char* text, int textLength, unsigned char* out, int* outLength)
{
    if (!out || !outLength || textLength < 0 || (!text && textLength > 0))
        return status::kBadArgument;
    *outLength = 0;
    // OpenSSL takes '-' for the end of a PEM body and silently drops what follows.
    if (!std::all_of(text, text + textLength, isBase64Character))
        return status::kBadBase64;
    // OpenSSL decodes whole lines ahead of the data it has seen; decoding into a buffer of our
    // own keeps the caller's area to exactly the decoded length.
    Bytes decoded(3 * (static_cast<size_t>(textLength) / 4 + 1) + 80);
    std::unique_ptr<EVP_ENCODE_CTX, decltype(&EVP_ENCODE_CTX_free)> context(EVP_ENCODE_CTX_new(),
                                                                            EVP_ENCODE_CTX_free);
    if (!context)
        return status::kInternal;
    EVP_DecodeInit(context.get());
    int length = 0;
    int tail = 0;
    if (EVP_DecodeUpdate(context.get(), decoded.data(), &length, text, textLength) < 0
        || EVP_DecodeFinal(context.get(), decoded.data() + length, &tail) < 0)
        return status::kBadBase64;
    length += tail;
    if (length > 0)
        std::memcpy(out, decoded.data(), static_cast<size_t>(length));
    *outLength = length;
    return status::kOk;
}

int decodeSignedData(const unsigned char* der, int derLength, unsigned char* signerOut,
                     int* signerLength, int* signerCount, unsigned char* content,
                     int* contentLength, unsigned char* certificates, int* certificatesLength,
                     const std::string& trustStore)
{
    if (!der || derLength <= 0 || !content || !contentLength)
        return status::kBadArgument;
    for (int* length : { signerLength, contentLength, certificatesLength })
        if (length)
            *length = 0;
    if (signerCount)
        *signerCount = 0;

    ERR_clear_error();
    Pkcs7Ptr p7 = parsePkcs7(der, derLength);
    if (!p7 || !PKCS7_type_is_signed(p7.get()) || !p7->d.sign || !p7->d.sign->contents
        || !PKCS7_type_is_data(p7->d.sign->contents) || !p7->d.sign->contents->d.data)
        return status::kMalformedPkcs7;
    STACK_OF(PKCS7_SIGNER_INFO)* signerInfos = PKCS7_get_signer_info(p7.get());
    const int signers = signerInfos ? sk_PKCS7_SIGNER_INFO_num(signerInfos) : 0;
    if (signers <= 0)
        return status::kMalformedPkcs7;

    const StorePtr store = loadTrustStore(trustStore);
    if (!store)
        return status::kTrustStoreUnreadable;

    std::unique_ptr<BIO, decltype(&BIO_free)> signedContent(BIO_new(BIO_s_mem()), BIO_free);
    if (!signedContent)
        return status::kInternal;
    ERR_clear_error();
    if (PKCS7_verify(p7.get(), nullptr, store.get(), nullptr, signedContent.get(), 0) != 1)
        return verifyFailure();

    char* data = nullptr;
    const long dataLength = BIO_get_mem_data(signedContent.get(), &data);
    const Bytes contentBytes(data, data + std::max(0L, dataLength));

    STACK_OF(X509)* signerCertificates = PKCS7_get0_signers(p7.get(), nullptr, 0);
    Bytes signerBytes;
    if (signerCertificates && sk_X509_num(signerCertificates) > 0)
        signerBytes = derOf(sk_X509_value(signerCertificates, 0));
    sk_X509_free(signerCertificates);

    Bytes certificateBytes;
    for (int i = 0; p7->d.sign->cert && i < sk_X509_num(p7->d.sign->cert); ++i)
    {
        const Bytes one = derOf(sk_X509_value(p7->d.sign->cert, i));
        certificateBytes.insert(certificateBytes.end(), one.begin(), one.end());
    }
    ERR_clear_error();

    const size_t input = static_cast<size_t>(derLength);
    if (!fits(signerBytes, std::max(kSignerArea, input))
        || !fits(contentBytes, std::max(kContentArea, input))
        || !fits(certificateBytes, std::max(kCertificatesArea, input)))
        return status::kDoesNotFit;

    deliver(signerBytes, signerOut, signerLength);
    deliver(contentBytes, content, contentLength);
    deliver(certificateBytes, certificates, certificatesLength);
    if (signerCount)
        *signerCount = signers;
    return status::kOk;
}

int decodeData(const unsigned char* encoded, int encodedLength, unsigned char* plain,
               int* plainLength)
{
    if (!encoded || encodedLength <= 0 || !plainLength)
        return status::kBadArgument;
    *plainLength = 0;
    Pkcs7Ptr p7 = parsePkcs7(encoded, encodedLength);
    if (!p7 || !PKCS7_type_is_data(p7.get()) || !p7->d.data)
        return status::kMalformedPkcs7;
    const ASN1_OCTET_STRING* octets = p7->d.data;
    if (plain && octets->length > 0)
        std::memcpy(plain, octets->data, static_cast<size_t>(octets->length));
    *plainLength = octets->length;
    return status::kOk;
}
}
