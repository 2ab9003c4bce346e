/// The signer's key token, reached through a PKCS#11 module loaded at run time.
#pragma once

#include <p11-kit/pkcs11.h>

#include <string>
#include <vector>

namespace qorv
{
/// Which module and token stand for the key token that the office names by its Windows CSP and
/// key driver. Read from the environment:
///   QORV_PKCS11_MODULE  path of the PKCS#11 module (default SoftHSM2's)
///   QORV_TOKEN_LABEL    label of the token to use (default: the first slot holding a token)
struct TokenConfiguration
{
    std::string modulePath;
    std::string tokenLabel;

    static TokenConfiguration fromEnvironment();
    bool operator==(const TokenConfiguration& other) const
    {
        return modulePath == other.modulePath && tokenLabel == other.tokenLabel;
    }
};

/// A certificate on the token for which the token also holds a key with the same CKA_ID.
struct TokenCertificate
{
    std::vector<unsigned char> id;
    /// CKA_LABEL as the token keeps it (UTF-8).
    std::string label;
    std::vector<unsigned char> der;
    CK_KEY_TYPE keyType = CKK_RSA;
};

/// One module, one token, one session. Every int result is a status of QorvStatus.hxx or a
/// PKCS#11 return value.
class Pkcs11Token
{
public:
    Pkcs11Token() = default;
    ~Pkcs11Token();
    Pkcs11Token(const Pkcs11Token&) = delete;
    Pkcs11Token& operator=(const Pkcs11Token&) = delete;

    /// Loads the module, finds the token and opens a session. An open token with the same
    /// configuration and a live session is kept as it is.
    int open(const TokenConfiguration& configuration);
    /// Logs out, closes the session and finalises the module.
    void close();
    bool isOpen() const { return functions != nullptr; }

    /// Logs the user in; a token that is already logged in counts as success. The PIN is read
    /// where it lies and never copied.
    int login(const char* utf8Pin, size_t length);
    int login(const std::string& utf8Pin) { return login(utf8Pin.data(), utf8Pin.size()); }
    /// Ends the user's login, so that nothing more is signed without the PIN.
    void logout();
    /// The user's certificates, in the token's order.
    int userCertificates(std::vector<TokenCertificate>& certificates);
    /// Signs `data` with the private key of CKA_ID `id`; the key never leaves the token.
    int sign(const std::vector<unsigned char>& id, CK_MECHANISM_TYPE mechanism,
             const std::vector<unsigned char>& data, std::vector<unsigned char>& signature);

private:
    bool sessionAlive() const;
    int findSlot(const std::string& label, CK_SLOT_ID& found) const;
    int findObjects(std::vector<CK_ATTRIBUTE>& query, std::vector<CK_OBJECT_HANDLE>& found);
    int attribute(CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                  std::vector<unsigned char>& value);
    int findKey(CK_OBJECT_CLASS keyClass, const std::vector<unsigned char>& id,
                CK_OBJECT_HANDLE& key);

    TokenConfiguration configuration;
    void* module = nullptr;
    CK_FUNCTION_LIST_PTR functions = nullptr;
    bool finalizeModule = false;
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
};
}
