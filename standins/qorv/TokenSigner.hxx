/// PKCS#7 signatures made by the key token: OpenSSL builds the structure, the token's private key
/// signs through PKCS#11 and never leaves it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qorv
{
class Pkcs11Token;
}

namespace quillmark::certseal
{
using Bytes = std::vector<unsigned char>;

struct TokenSignature
{
    /// DER of the signer's certificate, as the token holds it.
    Bytes certificate;
    /// DER of PKCS#7 signed data whose content is the PKCS#7 data encoding of the signed bytes.
    Bytes signedData;
    /// The certificate's container label (UTF-8).
    std::string label;
};

/// Logs in to the configured token (see the certificate library's configuration) with a UTF-8
/// PIN and signs `content` with the first user certificate's key. Throws std::runtime_error.
TokenSignature signWithToken(const std::string& pin, const Bytes& content);

/// Logs in likewise and signs `message` (SHA-256) with the same key: a DER ECDSA signature or
/// PKCS#1 v1.5 for RSA, as OpenSSL verifies them. Throws std::runtime_error.
Bytes signWithTokenKey(const std::string& pin, const Bytes& message);

/// The configured token logged in for as many signatures as its holder needs, with the key of its
/// first user certificate; logged out when it ends.
class TokenKey
{
public:
    /// Opens and logs in with a UTF-8 PIN. Throws std::runtime_error.
    explicit TokenKey(const std::string& pin);
    ~TokenKey();
    TokenKey(const TokenKey&) = delete;
    TokenKey& operator=(const TokenKey&) = delete;

    /// DER of the certificate whose key signs.
    const Bytes& certificate() const;
    /// The certificate's container label (UTF-8).
    const std::string& label() const;
    /// `message` signed (SHA-256) as signWithTokenKey signs it. Throws std::runtime_error.
    Bytes sign(const Bytes& message);

private:
    struct Session;
    std::unique_ptr<Session> session;
};

/// The PKCS#7 data encoding of `content`.
Bytes dataEncoding(const Bytes& content);
}
