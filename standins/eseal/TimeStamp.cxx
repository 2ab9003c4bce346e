// Trusted time: RFC 3161 time-stamp tokens over a seal signature's SM2 value.

#include "TimeStamp.hxx"

#include "SealStructures.hxx"
#include "SealTime.hxx"

#include <openssl/http.h>
#include <openssl/rand.h>
#include <openssl/ts.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace ktxeseal
{
namespace
{
/// A token with its service's certificate is a few kilobytes.
constexpr size_t kLongestResponse = 64 * 1024;
constexpr int kTimeoutSeconds = 15;
constexpr char kRequestType[] = "application/timestamp-query";
constexpr char kResponseType[] = "application/timestamp-reply";

struct TsFree
{
    void operator()(TS_REQ* request) const { TS_REQ_free(request); }
    void operator()(TS_RESP* response) const { TS_RESP_free(response); }
    void operator()(TS_MSG_IMPRINT* imprint) const { TS_MSG_IMPRINT_free(imprint); }
    void operator()(TS_TST_INFO* info) const { TS_TST_INFO_free(info); }
    void operator()(TS_VERIFY_CTX* context) const { TS_VERIFY_CTX_free(context); }
    void operator()(PKCS7* token) const { PKCS7_free(token); }
    void operator()(X509_ALGOR* algorithm) const { X509_ALGOR_free(algorithm); }
    void operator()(ASN1_INTEGER* integer) const { ASN1_INTEGER_free(integer); }
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
    void operator()(char* text) const { OPENSSL_free(text); }
};
template <typename T>
using OwnedTs = std::unique_ptr<T, TsFree>;

Bytes sha256(ByteRange data)
{
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (EVP_Digest(data.data, data.size, digest.data(), &length, EVP_sha256(), nullptr) != 1)
        return {};
    digest.resize(length);
    return digest;
}

OwnedTs<ASN1_INTEGER> randomNonce()
{
    unsigned char random[8];
    if (RAND_bytes(random, sizeof(random)) != 1)
        return nullptr;
    random[0] &= 0x7F;
    OwnedPtr<BIGNUM> number(BN_bin2bn(random, sizeof(random), nullptr));
    return OwnedTs<ASN1_INTEGER>(number ? BN_to_ASN1_INTEGER(number.get(), nullptr) : nullptr);
}

OwnedTs<TS_REQ> makeRequest(const Bytes& digest, const ASN1_INTEGER* nonce)
{
    OwnedTs<TS_REQ> request(TS_REQ_new());
    OwnedTs<TS_MSG_IMPRINT> imprint(TS_MSG_IMPRINT_new());
    OwnedTs<X509_ALGOR> algorithm(X509_ALGOR_new());
    if (!request || !imprint || !algorithm
        || X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr) != 1
        || TS_MSG_IMPRINT_set_algo(imprint.get(), algorithm.get()) != 1
        || TS_MSG_IMPRINT_set_msg(imprint.get(), const_cast<unsigned char*>(digest.data()),
                                  static_cast<int>(digest.size()))
               != 1
        || TS_REQ_set_version(request.get(), 1) != 1
        || TS_REQ_set_msg_imprint(request.get(), imprint.get()) != 1
        || TS_REQ_set_nonce(request.get(), nonce) != 1
        || TS_REQ_set_cert_req(request.get(), 1) != 1)
        return nullptr;
    return request;
}

/// Exchanges the request with the service; the response's DER, or nothing.
OwnedTs<TS_RESP> exchange(const std::string& url, TS_REQ* request, std::string& problem)
{
    int tls = 0;
    char* host = nullptr;
    char* port = nullptr;
    char* path = nullptr;
    if (OSSL_HTTP_parse_url(url.c_str(), &tls, nullptr, &host, &port, nullptr, &path, nullptr,
                            nullptr)
        != 1)
    {
        problem = url + " is not an http:// address";
        return nullptr;
    }
    const OwnedTs<char> ownedHost(host), ownedPort(port), ownedPath(path);
    if (tls)
    {
        problem = "the time-stamp service must be reached over http://; its tokens are signed";
        return nullptr;
    }
    OwnedPtr<BIO> body(BIO_new(BIO_s_mem()));
    if (!body || i2d_TS_REQ_bio(body.get(), request) != 1)
    {
        problem = "the time-stamp request cannot be encoded";
        return nullptr;
    }
    // The environment's proxy applies, but never to this machine's own services.
    const std::string server(host);
    const bool loopback
        = server == "127.0.0.1" || server == "localhost" || server == "::1" || server == "[::1]";
    OwnedPtr<BIO> reply(OSSL_HTTP_transfer(nullptr, host, port, path, 0, loopback ? "" : nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                                           kRequestType, body.get(), kResponseType, 1,
                                           kLongestResponse, kTimeoutSeconds, 0));
    if (!reply)
    {
        problem = "no answer from the time-stamp service at " + url;
        return nullptr;
    }
    OwnedTs<TS_RESP> response(d2i_TS_RESP_bio(reply.get(), nullptr));
    if (!response)
        problem = "the time-stamp service's answer is no time-stamp response";
    return response;
}

OwnedTs<X509_STORE> storeOf(const std::vector<Bytes>& certificates)
{
    OwnedTs<X509_STORE> store(X509_STORE_new());
    if (!store)
        return nullptr;
    for (const Bytes& der : certificates)
    {
        OwnedPtr<X509> certificate = parseCertificate(der);
        if (certificate)
            X509_STORE_add_cert(store.get(), certificate.get());
    }
    return store;
}

OwnedTs<PKCS7> readToken(ByteRange token)
{
    if (token.size == 0 || token.size > LONG_MAX)
        return nullptr;
    const unsigned char* cursor = token.data;
    OwnedTs<PKCS7> pkcs7(d2i_PKCS7(nullptr, &cursor, static_cast<long>(token.size)));
    if (!pkcs7 || cursor != token.data + token.size)
        return nullptr;
    return pkcs7;
}

/// Whether the token is signed by a trusted time-stamp authority over exactly this SHA-256
/// digest.
bool verifiesOver(PKCS7* token, const Bytes& digest, const std::vector<Bytes>& trustedAuthorities)
{
    OwnedTs<TS_TST_INFO> info(PKCS7_to_TS_TST_INFO(token));
    if (!info)
        return false;
    const X509_ALGOR* algorithm = TS_MSG_IMPRINT_get_algo(TS_TST_INFO_get_msg_imprint(info.get()));
    if (!algorithm || OBJ_obj2nid(algorithm->algorithm) != NID_sha256)
        return false;
    OwnedTs<TS_VERIFY_CTX> context(TS_VERIFY_CTX_new());
    OwnedTs<X509_STORE> store = storeOf(trustedAuthorities);
    auto* imprint = static_cast<unsigned char*>(OPENSSL_memdup(digest.data(), digest.size()));
    if (!context || !store || !imprint)
    {
        OPENSSL_free(imprint);
        return false;
    }
    // The context owns the store and the imprint from here on.
    TS_VERIFY_CTX_set_store(context.get(), store.release());
    TS_VERIFY_CTX_set_imprint(context.get(), imprint, static_cast<long>(digest.size()));
    TS_VERIFY_CTX_set_flags(context.get(),
                            TS_VFY_VERSION | TS_VFY_SIGNATURE | TS_VFY_SIGNER | TS_VFY_IMPRINT);
    return TS_RESP_verify_token(context.get(), token) == 1;
}

std::optional<time_t> timeOf(PKCS7* token)
{
    OwnedTs<TS_TST_INFO> info(PKCS7_to_TS_TST_INFO(token));
    return info ? secondsOf(TS_TST_INFO_get_time(info.get())) : std::nullopt;
}

Bytes derOf(PKCS7* token)
{
    unsigned char* der = nullptr;
    const int length = i2d_PKCS7(token, &der);
    OwnedPtr<unsigned char> owned(der);
    return length > 0 ? Bytes(der, der + length) : Bytes();
}
}

std::optional<std::string> timeStampServiceUrl()
{
    const char* url = std::getenv(kTimeStampUrlVariable);
    if (!url || !*url)
        return std::nullopt;
    return std::string(url);
}

std::optional<Bytes> requestTimeStamp(const std::string& url, ByteRange data,
                                      const std::vector<Bytes>& trustedAuthorities,
                                      std::string& problem)
{
    const Bytes digest = sha256(data);
    const OwnedTs<ASN1_INTEGER> nonce = randomNonce();
    const OwnedTs<TS_REQ> request
        = digest.empty() || !nonce ? nullptr : makeRequest(digest, nonce.get());
    if (!request)
    {
        problem = "the time-stamp request cannot be made";
        return std::nullopt;
    }
    const OwnedTs<TS_RESP> response = exchange(url, request.get(), problem);
    if (!response)
        return std::nullopt;
    const long status
        = ASN1_INTEGER_get(TS_STATUS_INFO_get0_status(TS_RESP_get_status_info(response.get())));
    PKCS7* token = TS_RESP_get_token(response.get());
    if ((status != TS_STATUS_GRANTED && status != TS_STATUS_GRANTED_WITH_MODS) || !token)
    {
        problem = "the time-stamp service refused (status " + std::to_string(status) + ")";
        return std::nullopt;
    }
    const OwnedTs<TS_TST_INFO> info(PKCS7_to_TS_TST_INFO(token));
    if (!info || !TS_TST_INFO_get_nonce(info.get())
        || ASN1_INTEGER_cmp(TS_TST_INFO_get_nonce(info.get()), nonce.get()) != 0)
    {
        problem = "the time stamp does not answer this request";
        return std::nullopt;
    }
    if (!verifiesOver(token, digest, trustedAuthorities))
    {
        problem = "the time stamp does not verify against a time-stamp authority of the trust "
                  "folder (*.tsa.pem)";
        return std::nullopt;
    }
    Bytes der = derOf(token);
    if (der.empty())
        problem = "the time stamp cannot be encoded";
    return der.empty() ? std::nullopt : std::optional<Bytes>(std::move(der));
}

std::optional<time_t> timeStampedAt(ByteRange token, ByteRange data,
                                    const std::vector<Bytes>& trustedAuthorities)
{
    const OwnedTs<PKCS7> pkcs7 = readToken(token);
    const Bytes digest = sha256(data);
    if (!pkcs7 || digest.empty() || trustedAuthorities.empty()
        || !verifiesOver(pkcs7.get(), digest, trustedAuthorities))
        return std::nullopt;
    return timeOf(pkcs7.get());
}
}
