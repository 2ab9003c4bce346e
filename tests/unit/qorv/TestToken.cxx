#include "TestToken.hxx"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/pem.h>

#include <p11-kit/pkcs11.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <ftw.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace qorvtest
{
// 测试单位公章 and 口令1234.
const char kLabelGbk[] = "\xB2\xE2\xCA\xD4\xB5\xA5\xCE\xBB\xB9\xAB\xD5\xC2";
const char kLabelUtf8[] = "测试单位公章";
const char kPinGbk[] = "\xBF\xDA\xC1\xEE\x31\x32\x33\x34";
const char kPinUtf8[] = "口令1234";

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

int run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace
{
struct OwnedToken : TestToken
{
    pid_t owner = getpid();

    ~OwnedToken()
    {
        // A death test's child ends through exit() too; the token belongs to the parent.
        if (getpid() != owner)
            return;
        nftw(
            directory.c_str(),
            [](const char* file, const struct stat*, int, struct FTW*) { return remove(file); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
};
}

const TestToken& testToken()
{
    static const OwnedToken token = [] {
        char pattern[] = "/tmp/qorv-token-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("cannot make a folder for the test token");
        OwnedToken made;
        made.directory = pattern;
        made.conf = made.directory + "/softhsm2.conf";
        made.signerCertificatePath = made.directory + "/user.pem";
        made.signerKeyPath = made.directory + "/user.key";
        made.caCertificatePath = made.directory + "/ca.pem";
        made.caKeyPath = made.directory + "/ca.key";
        if (run(std::string("'" QORV_TOKEN_SCRIPT "' '") + made.directory + "' '" + kPinUtf8 + "' '"
                + kLabelUtf8 + "' >/dev/null")
            != 0)
            throw std::runtime_error("the token script failed");
        setenv("SOFTHSM2_CONF", made.conf.c_str(), 1);
        unsetenv("QORV_PKCS11_MODULE");
        unsetenv("QORV_TOKEN_LABEL");
        // The library checks every signer's chain: the token's CA is the one trusted.
        setenv("QORV_TRUST_STORE", made.caCertificatePath.c_str(), 1);
        return made;
    }();
    return token;
}

TokenSessions tokenSessions()
{
    // The module is the one the certificate library loaded: dlopen hands out the same copy, whose
    // sessions belong to this process.
    void* module = dlopen("/usr/lib/softhsm/libsofthsm2.so", RTLD_NOW | RTLD_LOCAL);
    if (!module)
        throw std::runtime_error("SoftHSM2 cannot be loaded");
    CK_FUNCTION_LIST_PTR functions = nullptr;
    auto getFunctionList
        = reinterpret_cast<CK_C_GetFunctionList>(dlsym(module, "C_GetFunctionList"));
    CK_SLOT_ID slots[8];
    CK_ULONG count = 8;
    CK_SESSION_HANDLE probe = CK_INVALID_HANDLE;
    CK_SESSION_INFO info{};
    // A module nobody holds is started for the look, and finished again afterwards.
    CK_RV started = CKR_GENERAL_ERROR;
    const bool read
        = getFunctionList && getFunctionList(&functions) == CKR_OK
          && ((started = functions->C_Initialize(nullptr)) == CKR_CRYPTOKI_ALREADY_INITIALIZED
              || started == CKR_OK)
          && functions->C_GetSlotList(CK_TRUE, slots, &count) == CKR_OK && count > 0
          && functions->C_OpenSession(slots[0], CKF_SERIAL_SESSION, nullptr, nullptr, &probe)
                 == CKR_OK
          && functions->C_GetSessionInfo(probe, &info) == CKR_OK;
    TokenSessions sessions;
    sessions.state = info.state;
    // SoftHSM2 numbers sessions from 1 and fills the lowest free number first, so every open
    // session lies below the probe's number plus the open ones; a generous range finds them all.
    for (CK_SESSION_HANDLE handle = 1; read && handle <= probe + 4096; ++handle)
    {
        CK_SESSION_INFO other{};
        if (handle != probe && functions->C_GetSessionInfo(handle, &other) == CKR_OK)
            ++sessions.open;
    }
    if (probe != CK_INVALID_HANDLE)
        functions->C_CloseSession(probe);
    if (started == CKR_OK)
        functions->C_Finalize(nullptr);
    dlclose(module);
    if (!read)
        throw std::runtime_error("the token's sessions cannot be read");
    return sessions;
}

X509Ptr readCertificate(const std::string& pemPath)
{
    FILE* file = std::fopen(pemPath.c_str(), "r");
    if (!file)
        return nullptr;
    X509Ptr certificate(PEM_read_X509(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    return certificate;
}

KeyPtr readKey(const std::string& pemPath)
{
    FILE* file = std::fopen(pemPath.c_str(), "r");
    if (!file)
        return nullptr;
    KeyPtr key(PEM_read_PrivateKey(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    return key;
}

KeyPtr newEcKey() { return KeyPtr(EVP_EC_gen("P-256")); }

Bytes derOf(X509* certificate)
{
    unsigned char* der = nullptr;
    const int length = i2d_X509(certificate, &der);
    Bytes bytes(der, der + std::max(length, 0));
    OPENSSL_free(der);
    return bytes;
}

namespace
{
Bytes derOf(PKCS7* p7)
{
    unsigned char* der = nullptr;
    const int length = i2d_PKCS7(p7, &der);
    Bytes bytes(der, der + std::max(length, 0));
    OPENSSL_free(der);
    return bytes;
}
}

Bytes dataEncoding(const Bytes& content)
{
    PKCS7* p7 = PKCS7_new();
    PKCS7_set_type(p7, NID_pkcs7_data);
    ASN1_OCTET_STRING_set(p7->d.data, content.data(), static_cast<int>(content.size()));
    Bytes der = derOf(p7);
    PKCS7_free(p7);
    return der;
}

Bytes signedData(const Bytes& content, X509* signer, EVP_PKEY* key, const std::vector<X509*>& extra,
                 bool withSigner)
{
    STACK_OF(X509)* certificates = sk_X509_new_null();
    for (X509* certificate : extra)
        sk_X509_push(certificates, certificate);
    BIO* input = BIO_new_mem_buf(content.data(), static_cast<int>(content.size()));
    const int flags = PKCS7_BINARY | (withSigner ? 0 : PKCS7_NOCERTS);
    PKCS7* p7 = PKCS7_sign(signer, key, certificates, input, flags);
    BIO_free(input);
    sk_X509_free(certificates);
    if (!p7)
        throw std::runtime_error("PKCS7_sign failed");
    Bytes der = derOf(p7);
    PKCS7_free(p7);
    return der;
}

std::string base64(const Bytes& bytes)
{
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    text.resize(static_cast<size_t>(length));
    return text;
}

X509Ptr makeCertificate(EVP_PKEY* subjectKey, const std::string& subject, const std::string& issuer,
                        EVP_PKEY* issuerKey, const std::string& serialHex,
                        const std::string& notBefore, const std::string& notAfter)
{
    X509Ptr certificate(X509_new());
    X509_set_version(certificate.get(), 2);
    BIGNUM* serial = nullptr;
    BN_hex2bn(&serial, serialHex.c_str());
    BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(certificate.get()));
    BN_free(serial);
    ASN1_TIME_set_string(X509_getm_notBefore(certificate.get()), notBefore.c_str());
    ASN1_TIME_set_string(X509_getm_notAfter(certificate.get()), notAfter.c_str());
    auto parse = [](const std::string& text) {
        X509_NAME* name = X509_NAME_new();
        size_t start = 1;
        while (start < text.size())
        {
            const size_t end = std::min(text.find('/', start), text.size());
            const std::string part = text.substr(start, end - start);
            const size_t equals = part.find('=');
            X509_NAME_add_entry_by_txt(
                name, part.substr(0, equals).c_str(), MBSTRING_UTF8,
                reinterpret_cast<const unsigned char*>(part.c_str() + equals + 1), -1, -1, 0);
            start = end + 1;
        }
        return name;
    };
    X509_NAME* subjectName = parse(subject);
    X509_NAME* issuerName = parse(issuer);
    X509_set_subject_name(certificate.get(), subjectName);
    X509_set_issuer_name(certificate.get(), issuerName);
    X509_NAME_free(subjectName);
    X509_NAME_free(issuerName);
    X509_set_pubkey(certificate.get(), subjectKey);
    if (!X509_sign(certificate.get(), issuerKey, EVP_sha256()))
        throw std::runtime_error("X509_sign failed");
    return certificate;
}
}
