/// A SoftHSM2 token of the test binary's own, made once by the token script, and the OpenSSL
/// pieces the tests sign and build certificates with.
#pragma once

#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>
#include <string>
#include <vector>

namespace qorvtest
{
using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const std::string& text);

/// The container label and the PIN of the test token, as GBK bytes and as the token keeps them.
extern const char kLabelGbk[];
extern const char kLabelUtf8[];
extern const char kPinGbk[];
extern const char kPinUtf8[];

struct TestToken
{
    std::string directory;
    std::string conf;
    std::string signerCertificatePath;
    std::string signerKeyPath;
    std::string caCertificatePath;
    std::string caKeyPath;
};

/// Made on first use; SOFTHSM2_CONF points at it and QORV_TRUST_STORE at its CA from then on.
/// Removed at exit.
const TestToken& testToken();

/// The token as this process's other sessions see it: the state a fresh session opens in
/// (public or logged in) and how many sessions are open besides that probe.
struct TokenSessions
{
    unsigned long state = 0;
    unsigned long open = 0;
};
TokenSessions tokenSessions();

/// Runs a shell command; its exit status.
int run(const std::string& command);

struct X509Free
{
    void operator()(X509* x) const { X509_free(x); }
};
struct KeyFree
{
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;

X509Ptr readCertificate(const std::string& pemPath);
KeyPtr readKey(const std::string& pemPath);
KeyPtr newEcKey();
Bytes derOf(X509* certificate);

/// The PKCS#7 data encoding (DER of a data content info) of `content`.
Bytes dataEncoding(const Bytes& content);

/// DER of PKCS#7 signed data over `content` by `signer`/`key`, with signed attributes. The
/// certificates in the structure are `signer` and `extra`, unless `withSigner` is false.
Bytes signedData(const Bytes& content, X509* signer, EVP_PKEY* key,
                 const std::vector<X509*>& extra = {}, bool withSigner = true);

std::string base64(const Bytes& bytes);

/// A certificate signed by `issuerKey`, with the given names (UTF-8, "/C=CN/CN=..." form),
/// serial number (hexadecimal) and validity (ASN.1 GeneralizedTime text).
X509Ptr makeCertificate(EVP_PKEY* subjectKey, const std::string& subject, const std::string& issuer,
                        EVP_PKEY* issuerKey, const std::string& serialHex,
                        const std::string& notBefore, const std::string& notAfter);
}
