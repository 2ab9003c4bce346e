#include "Pkcs11Token.hxx"
#include "QorvStatus.hxx"

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>

namespace qorv
{
namespace
{
constexpr char kDefaultModule[] = "/usr/lib/softhsm/libsofthsm2.so";

std::string environment(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

/// A PKCS#11 return value as a status: CKR_OK is 0 and every refusal stays recognisable.
int tokenStatus(CK_RV rv) { return static_cast<int>(rv); }

/// Token labels are blank-padded to 32 bytes.
std::string trimmedLabel(const CK_UTF8CHAR (&label)[32])
{
    std::string text(reinterpret_cast<const char*>(label), sizeof label);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}
}

TokenConfiguration TokenConfiguration::fromEnvironment()
{
    return { environment("QORV_PKCS11_MODULE", kDefaultModule),
             environment("QORV_TOKEN_LABEL", "") };
}

Pkcs11Token::~Pkcs11Token() { close(); }

int Pkcs11Token::open(const TokenConfiguration& wanted)
{
    if (isOpen() && configuration == wanted && sessionAlive())
        return status::kOk;
    close();

    module = dlopen(wanted.modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return status::kModuleNotLoaded;
    auto getFunctionList
        = reinterpret_cast<CK_C_GetFunctionList>(dlsym(module, "C_GetFunctionList"));
    if (!getFunctionList || getFunctionList(&functions) != CKR_OK || !functions)
    {
        functions = nullptr;
        close();
        return status::kModuleNotLoaded;
    }

    // Another user of the module in this process may have initialised it already; then it is
    // theirs to finalise.
    const CK_RV initialized = functions->C_Initialize(nullptr);
    if (initialized != CKR_OK && initialized != CKR_CRYPTOKI_ALREADY_INITIALIZED)
    {
        functions = nullptr;
        close();
        return tokenStatus(initialized);
    }
    finalizeModule = initialized == CKR_OK;

    CK_SLOT_ID slot = 0;
    int result = findSlot(wanted.tokenLabel, slot);
    if (result == status::kOk)
        result = tokenStatus(
            functions->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &session));
    if (result != status::kOk)
    {
        session = CK_INVALID_HANDLE;
        close();
        return result;
    }
    configuration = wanted;
    return status::kOk;
}

void Pkcs11Token::close()
{
    if (functions)
    {
        if (session != CK_INVALID_HANDLE)
        {
            functions->C_Logout(session);
            functions->C_CloseSession(session);
        }
        if (finalizeModule)
            functions->C_Finalize(nullptr);
    }
    session = CK_INVALID_HANDLE;
    functions = nullptr;
    finalizeModule = false;
    configuration = {};
    if (module)
        dlclose(module);
    module = nullptr;
}

bool Pkcs11Token::sessionAlive() const
{
    CK_SESSION_INFO info;
    return functions->C_GetSessionInfo(session, &info) == CKR_OK;
}

int Pkcs11Token::findSlot(const std::string& label, CK_SLOT_ID& found) const
{
    CK_ULONG count = 0;
    CK_RV rv = functions->C_GetSlotList(CK_TRUE, nullptr, &count);
    if (rv != CKR_OK)
        return tokenStatus(rv);
    std::vector<CK_SLOT_ID> slots(count);
    if (count > 0)
    {
        rv = functions->C_GetSlotList(CK_TRUE, slots.data(), &count);
        if (rv != CKR_OK)
            return tokenStatus(rv);
        slots.resize(count);
    }
    for (CK_SLOT_ID slot : slots)
    {
        CK_TOKEN_INFO info;
        if (functions->C_GetTokenInfo(slot, &info) != CKR_OK)
            continue;
        // An uninitialised token (SoftHSM2 always offers a free one) holds no user's keys.
        if (!(info.flags & CKF_TOKEN_INITIALIZED))
            continue;
        if (label.empty() || trimmedLabel(info.label) == label)
        {
            found = slot;
            return status::kOk;
        }
    }
    return status::kTokenNotFound;
}

int Pkcs11Token::login(const char* utf8Pin, size_t length)
{
    if (!isOpen())
        return status::kNotInitialized;
    // C_Login only reads the PIN, though its prototype does not say so.
    const CK_RV rv = functions->C_Login(
        session, CKU_USER, reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(utf8Pin)), length);
    return rv == CKR_USER_ALREADY_LOGGED_IN ? status::kOk : tokenStatus(rv);
}

void Pkcs11Token::logout()
{
    if (isOpen() && session != CK_INVALID_HANDLE)
        functions->C_Logout(session);
}

int Pkcs11Token::findObjects(std::vector<CK_ATTRIBUTE>& query, std::vector<CK_OBJECT_HANDLE>& found)
{
    found.clear();
    CK_RV rv = functions->C_FindObjectsInit(session, query.data(), query.size());
    if (rv != CKR_OK)
        return tokenStatus(rv);
    CK_OBJECT_HANDLE batch[32];
    CK_ULONG count = 0;
    while ((rv = functions->C_FindObjects(session, batch, 32, &count)) == CKR_OK && count > 0)
        found.insert(found.end(), batch, batch + count);
    functions->C_FindObjectsFinal(session);
    return tokenStatus(rv);
}

int Pkcs11Token::attribute(CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                           std::vector<unsigned char>& value)
{
    CK_ATTRIBUTE query{ type, nullptr, 0 };
    CK_RV rv = functions->C_GetAttributeValue(session, object, &query, 1);
    if (rv != CKR_OK)
        return tokenStatus(rv);
    if (query.ulValueLen == CK_UNAVAILABLE_INFORMATION)
        return tokenStatus(CKR_ATTRIBUTE_TYPE_INVALID);
    value.assign(query.ulValueLen, 0);
    query.pValue = value.data();
    rv = functions->C_GetAttributeValue(session, object, &query, 1);
    if (rv == CKR_OK)
        value.resize(query.ulValueLen);
    return tokenStatus(rv);
}

int Pkcs11Token::findKey(CK_OBJECT_CLASS keyClass, const std::vector<unsigned char>& id,
                         CK_OBJECT_HANDLE& key)
{
    std::vector<unsigned char> idCopy(id);
    std::vector<CK_ATTRIBUTE> query{ { CKA_CLASS, &keyClass, sizeof keyClass },
                                     { CKA_ID, idCopy.data(), idCopy.size() } };
    std::vector<CK_OBJECT_HANDLE> keys;
    const int result = findObjects(query, keys);
    if (result != status::kOk)
        return result;
    if (keys.empty())
        return status::kNoCertificate;
    key = keys.front();
    return status::kOk;
}

int Pkcs11Token::userCertificates(std::vector<TokenCertificate>& certificates)
{
    certificates.clear();
    if (!isOpen())
        return status::kNotInitialized;
    CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
    CK_CERTIFICATE_TYPE x509 = CKC_X_509;
    std::vector<CK_ATTRIBUTE> query{ { CKA_CLASS, &certificateClass, sizeof certificateClass },
                                     { CKA_CERTIFICATE_TYPE, &x509, sizeof x509 } };
    std::vector<CK_OBJECT_HANDLE> found;
    int result = findObjects(query, found);
    if (result != status::kOk)
        return result;

    for (CK_OBJECT_HANDLE object : found)
    {
        TokenCertificate certificate;
        std::vector<unsigned char> label;
        if (attribute(object, CKA_ID, certificate.id) != status::kOk
            || attribute(object, CKA_VALUE, certificate.der) != status::kOk
            || attribute(object, CKA_LABEL, label) != status::kOk)
            continue;
        certificate.label.assign(label.begin(), label.end());

        // The user's own certificates are those with a key beside them; private keys are only
        // visible after login, public keys also before.
        CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
        if (findKey(CKO_PRIVATE_KEY, certificate.id, key) != status::kOk
            && findKey(CKO_PUBLIC_KEY, certificate.id, key) != status::kOk)
            continue;
        std::vector<unsigned char> keyType;
        if (attribute(key, CKA_KEY_TYPE, keyType) == status::kOk
            && keyType.size() == sizeof(CK_KEY_TYPE))
            std::copy(keyType.begin(), keyType.end(),
                      reinterpret_cast<unsigned char*>(&certificate.keyType));
        certificates.push_back(std::move(certificate));
    }
    return certificates.empty() ? status::kNoCertificate : status::kOk;
}

int Pkcs11Token::sign(const std::vector<unsigned char>& id, CK_MECHANISM_TYPE mechanismType,
                      const std::vector<unsigned char>& data, std::vector<unsigned char>& signature)
{
    if (!isOpen())
        return status::kNotInitialized;
    CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
    int result = findKey(CKO_PRIVATE_KEY, id, key);
    if (result != status::kOk)
        return result;
    CK_MECHANISM mechanism{ mechanismType, nullptr, 0 };
    CK_RV rv = functions->C_SignInit(session, &mechanism, key);
    if (rv != CKR_OK)
        return tokenStatus(rv);
    std::vector<unsigned char> input(data);
    CK_ULONG length = 0;
    rv = functions->C_Sign(session, input.data(), input.size(), nullptr, &length);
    if (rv != CKR_OK)
        return tokenStatus(rv);
    signature.assign(length, 0);
    rv = functions->C_Sign(session, input.data(), input.size(), signature.data(), &length);
    if (rv == CKR_OK)
        signature.resize(length);
    return tokenStatus(rv);
}
}
