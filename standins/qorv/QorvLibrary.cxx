// The project's own certificate library behind the QORV_API entry points: the key token through
// a PKCS#11 module, everything else through OpenSSL.
//
// Configuration, read from the environment:
//   QORV_PKCS11_MODULE  PKCS#11 module that stands for the CSP and key driver the office names
//                       (default /usr/lib/softhsm/libsofthsm2.so); read on every KTX_Initialize
//   QORV_TOKEN_LABEL    label of the token to use (default: the first initialised token)
//   QORV_TRUST_STORE    PEM file, or folder of PEM files, of the trusted CAs: a signature only
//                       verifies if its signer's certificate chains to one of them (default
//                       /etc/quillmark/qorv-trust); read on every verification
//
// The token is opened by the first call that needs it (login, the certificate list), not by
// KTX_Initialize: verification needs no token, so a recipient without one verifies too.
//
// Statuses: QorvStatus.hxx.

#include "CertificateItems.hxx"
#include "GbkText.hxx"
#include "Pkcs11Token.hxx"
#include "Pkcs7Decoding.hxx"
#include "QorvStatus.hxx"
#include "TrustStore.hxx"

#include <QorvApi.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <string.h>

#define QORV_EXPORT __attribute__((visibility("default")))

namespace
{
using namespace qorv;

// The certificate list record of KTX_EnumUsrCertificates (QORV_CERT_LIST_SIZE bytes, integers in
// the machine's byte order):
//   0     int32    number of entries that follow (at most kRecordEntries)
//   4     entries of kEntrySize bytes each:
//         +0     int32      length of the certificate's DER
//         +4     int32      key type (CKK_RSA 0, CKK_EC 3)
//         +8     char[128]  CKA_ID in uppercase hexadecimal, NUL-terminated (empty if longer)
//         +136   reserved, zero
//         +1024  char[132]  container name: CKA_LABEL in GBK, NUL-terminated
// So the first container name lies at QORV_CONTAINER_NAME_OFFSET. The record holds everything;
// the enumeration allocates nothing.
constexpr size_t kHeaderSize = 4;
constexpr size_t kEntrySize = 1156;
constexpr size_t kRecordEntries = (QORV_CERT_LIST_SIZE - kHeaderSize) / kEntrySize;
constexpr size_t kIdOffset = 8;
constexpr size_t kIdArea = 128;
constexpr size_t kNameOffset = 1024;
constexpr size_t kNameArea = 132;
static_assert(kHeaderSize + kNameOffset == QORV_CONTAINER_NAME_OFFSET);
static_assert(kHeaderSize + kRecordEntries * kEntrySize == QORV_CERT_LIST_SIZE);

/// Longest PIN taken from the caller; the PIN is searched for its NUL no further.
constexpr size_t kMaxPinBytes = 256;
/// A GBK character of two bytes is at most three bytes of UTF-8.
constexpr size_t kMaxUtf8PinBytes = kMaxPinBytes * 3 / 2 + 4;

std::mutex& tokenMutex()
{
    static std::mutex mutex;
    return mutex;
}

/// The token KTX_Initialize chose; empty before it and after KTX_Finalize. Guarded by tokenMutex.
std::optional<TokenConfiguration>& configured()
{
    static auto* configuration = new std::optional<TokenConfiguration>;
    return *configuration;
}

// Never destroyed: at exit the module's own statics are gone before ours would be, so closing
// the token then would call into a torn-down module. KTX_Finalize is the way to close it.
Pkcs11Token& token()
{
    static Pkcs11Token* instance = new Pkcs11Token;
    return *instance;
}

/// Opens the configured token unless it is open already; call with tokenMutex held.
int openToken()
{
    if (!configured())
        return status::kNotInitialized;
    return token().open(*configured());
}

std::string trustStore() { return configuredTrustStore(); }

/// A stack area for a secret, wiped however the scope is left.
template <size_t Size>
struct WipedArea
{
    char bytes[Size] = {};
    ~WipedArea() { explicit_bzero(bytes, Size); }
};

void putInt(unsigned char* at, std::int32_t value) { std::memcpy(at, &value, sizeof value); }

std::string hexText(const std::vector<unsigned char>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : bytes)
    {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

/// Fills the record; certificates whose name does not fit an entry are left out.
int fillCertificateList(unsigned char* record, const std::vector<TokenCertificate>& certificates)
{
    std::memset(record, 0, QORV_CERT_LIST_SIZE);
    size_t listed = 0;
    bool leftOut = false;
    for (const TokenCertificate& certificate : certificates)
    {
        if (listed == kRecordEntries)
            break;
        const std::string name = utf8ToGbk(certificate.label);
        if (name.size() + 1 > kNameArea)
        {
            leftOut = true;
            continue;
        }
        unsigned char* entry = record + kHeaderSize + listed * kEntrySize;
        putInt(entry, static_cast<std::int32_t>(certificate.der.size()));
        putInt(entry + 4, static_cast<std::int32_t>(certificate.keyType));
        const std::string id = hexText(certificate.id);
        if (id.size() + 1 <= kIdArea)
            std::memcpy(entry + kIdOffset, id.c_str(), id.size() + 1);
        std::memcpy(entry + kNameOffset, name.c_str(), name.size() + 1);
        ++listed;
    }
    putInt(record, static_cast<std::int32_t>(listed));
    if (listed == 0)
        return leftOut ? status::kDoesNotFit : status::kNoCertificate;
    return status::kOk;
}

/// No exception may cross the C boundary.
template <typename Call>
int guarded(Call call)
{
    try
    {
        return call();
    }
    catch (...)
    {
        return status::kInternal;
    }
}
}

extern "C" {

// The CSP and key driver names are those of the Windows token; here one configured PKCS#11
// module stands for any such pair, so the names are only required to be there. An open token of
// the same configuration stays open, and logged in.
QORV_EXPORT int KTX_Initialize(int, const char* cspName, int, const char* keyDriver)
{
    if (!cspName || !keyDriver)
        return status::kBadArgument;
    return guarded([&] {
        std::lock_guard<std::mutex> lock(tokenMutex());
        configured() = TokenConfiguration::fromEnvironment();
        return status::kOk;
    });
}

QORV_EXPORT int KTX_Finalize(void)
{
    return guarded([] {
        std::lock_guard<std::mutex> lock(tokenMutex());
        token().close();
        configured().reset();
        return status::kOk;
    });
}

// The PIN is taken as the NUL-terminated GBK string: the character count that comes with it
// cannot tell how many bytes a GBK PIN has, so it is not used. PKCS#11 PINs are UTF-8; the
// converted PIN lives only in an area that is wiped on the way out.
QORV_EXPORT int KTX_Login(const char* pin, int /*pinCharacters*/)
{
    if (!pin)
        return status::kBadArgument;
    const size_t length = strnlen(pin, kMaxPinBytes + 1);
    if (length > kMaxPinBytes)
        return status::kBadArgument;
    return guarded([&] {
        WipedArea<kMaxUtf8PinBytes> utf8Pin;
        size_t utf8Length = 0;
        if (!gbkToUtf8Secret(pin, length, utf8Pin.bytes, sizeof utf8Pin.bytes, utf8Length))
            return status::kTextConversion;
        std::lock_guard<std::mutex> lock(tokenMutex());
        const int opened = openToken();
        if (opened != status::kOk)
            return opened;
        return token().login(utf8Pin.bytes, utf8Length);
    });
}

QORV_EXPORT int KTX_EnumUsrCertificates(void* certList)
{
    if (!certList)
        return status::kBadArgument;
    return guarded([&] {
        std::vector<TokenCertificate> certificates;
        std::lock_guard<std::mutex> lock(tokenMutex());
        const int opened = openToken();
        if (opened != status::kOk)
            return opened;
        const int result = token().userCertificates(certificates);
        if (result != status::kOk)
            return result;
        return fillCertificateList(static_cast<unsigned char*>(certList), certificates);
    });
}

QORV_EXPORT int KTX_EnumUsrCertificatesFree(void*) { return status::kOk; }

QORV_EXPORT int KTX_Base64_Decode(const unsigned char* text, int textLength, unsigned char* out,
                                  int* outLength)
{
    return guarded([&] { return decodeBase64(text, textLength, out, outLength); });
}

QORV_EXPORT int KTX_Pkcs7_DecodeSignedData(const unsigned char* der, int derLength,
                                           unsigned char* signerOut, int* signerLength,
                                           int* signerValue, unsigned char* content,
                                           int* contentLength, unsigned char* extraOut,
                                           int* extraLength)
{
    return guarded([&] {
        return decodeSignedData(der, derLength, signerOut, signerLength, signerValue, content,
                                contentLength, extraOut, extraLength, trustStore());
    });
}

QORV_EXPORT int KTX_Pkcs7_DecodeData(const unsigned char* encoded, int encodedLength,
                                     unsigned char* plain, int* plainLength)
{
    return guarded([&] { return decodeData(encoded, encodedLength, plain, plainLength); });
}

QORV_EXPORT int KTX_GetCertificateInfo(const unsigned char* der, int derLength, int itemType,
                                       unsigned char* out, int* outLength)
{
    return guarded([&] { return certificateItem(der, derLength, itemType, out, outLength); });
}
}
