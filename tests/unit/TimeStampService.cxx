// An RFC 3161 time-stamp service of the tests' own on the loopback address.

#include "TimeStampService.hxx"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ec.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ts.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace esealtest
{
struct TimeStampService::Signer
{
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    ~Signer()
    {
        X509_free(certificate);
        EVP_PKEY_free(key);
    }
};

namespace
{
void require(bool condition, const char* what)
{
    if (!condition)
        throw std::runtime_error(std::string("time-stamp service: ") + what);
}

void addExtension(X509* certificate, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    require(extension && X509_add_ext(certificate, extension, -1) == 1, "extension");
    X509_EXTENSION_free(extension);
}

int timeOfService(TS_RESP_CTX*, void* data, long* seconds, long* microseconds)
{
    *seconds = static_cast<long>(static_cast<std::atomic<time_t>*>(data)->load());
    *microseconds = 0;
    return 1;
}

ASN1_INTEGER* nextSerial(TS_RESP_CTX*, void*)
{
    unsigned char random[8];
    RAND_bytes(random, sizeof(random));
    random[0] &= 0x7F;
    BIGNUM* number = BN_bin2bn(random, sizeof(random), nullptr);
    ASN1_INTEGER* serial = BN_to_ASN1_INTEGER(number, nullptr);
    BN_free(number);
    return serial;
}

std::string readRequest(int connection)
{
    std::string request;
    char buffer[4096];
    size_t bodyStart = std::string::npos;
    size_t length = 0;
    for (;;)
    {
        if (bodyStart != std::string::npos && request.size() >= bodyStart + length)
            return request.substr(bodyStart, length);
        const ssize_t count = ::recv(connection, buffer, sizeof(buffer), 0);
        if (count <= 0)
            return std::string();
        request.append(buffer, static_cast<size_t>(count));
        if (bodyStart == std::string::npos)
        {
            const size_t end = request.find("\r\n\r\n");
            if (end == std::string::npos)
                continue;
            bodyStart = end + 4;
            const size_t field = request.find("Content-Length:");
            if (field == std::string::npos || field > end)
                return std::string();
            length = std::stoul(request.substr(field + 15, end - field - 15));
        }
    }
}
}

TimeStampService::TimeStampService(const std::string& trustDirectory, bool trusted)
    : signer(std::make_unique<Signer>())
    , answeredTime(std::time(nullptr))
{
    signer->key = EVP_EC_gen("P-256");
    signer->certificate = X509_new();
    X509* certificate = signer->certificate;
    require(signer->key && certificate, "key");
    X509_set_version(certificate, X509_VERSION_3);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 3161);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -10L * 365 * 24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 10L * 365 * 24 * 3600);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("Test Time-Stamp Service"),
                               -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    X509_set_pubkey(certificate, signer->key);
    addExtension(certificate, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(certificate, NID_key_usage, "critical,digitalSignature");
    addExtension(certificate, NID_ext_key_usage, "critical,timeStamping");
    addExtension(certificate, NID_subject_key_identifier, "hash");
    require(X509_sign(certificate, signer->key, EVP_sha256()) > 0, "certificate");
    if (trusted)
    {
        BIO* out = BIO_new_file((trustDirectory + "/tests.tsa.pem").c_str(), "w");
        require(out && PEM_write_bio_X509(out, certificate) == 1, "trust file");
        BIO_free(out);
    }

    listening = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    require(listening >= 0
                && ::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0
                && ::listen(listening, 8) == 0
                && ::getsockname(listening, reinterpret_cast<sockaddr*>(&address), &size) == 0,
            "socket");
    port = ntohs(address.sin_port);
    worker = std::thread([this] { serve(); });
}

TimeStampService::~TimeStampService()
{
    stopping = true;
    if (worker.joinable())
        worker.join();
    if (listening >= 0)
        ::close(listening);
}

std::string TimeStampService::url() const
{
    return "http://127.0.0.1:" + std::to_string(port) + "/tsa";
}

void TimeStampService::serve()
{
    while (!stopping)
    {
        pollfd waiting{ listening, POLLIN, 0 };
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        const int connection = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        answer(connection);
        ::close(connection);
    }
}

void TimeStampService::answer(int connection)
{
    const std::string body = readRequest(connection);
    TS_RESP_CTX* context = TS_RESP_CTX_new();
    ASN1_OBJECT* policy = OBJ_txt2obj("1.2.3.4.1", 1);
    BIO* request = BIO_new_mem_buf(body.data(), static_cast<int>(body.size()));
    TS_RESP_CTX_set_signer_cert(context, signer->certificate);
    TS_RESP_CTX_set_signer_key(context, signer->key);
    TS_RESP_CTX_set_signer_digest(context, EVP_sha256());
    TS_RESP_CTX_set_def_policy(context, policy);
    TS_RESP_CTX_add_md(context, EVP_sha256());
    TS_RESP_CTX_set_time_cb(context, timeOfService, &answeredTime);
    TS_RESP_CTX_set_serial_cb(context, nextSerial, nullptr);
    TS_RESP* response = TS_RESP_create_response(context, request);
    unsigned char* der = nullptr;
    const int length = response ? i2d_TS_RESP(response, &der) : -1;
    if (length > 0)
    {
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/timestamp-reply\r\n"
                                 "Content-Length: "
                                 + std::to_string(length) + "\r\nConnection: close\r\n\r\n";
        std::string reply = head + std::string(reinterpret_cast<char*>(der), length);
        size_t sent = 0;
        while (sent < reply.size())
        {
            const ssize_t count
                = ::send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (count <= 0)
                break;
            sent += static_cast<size_t>(count);
        }
        ++served;
    }
    OPENSSL_free(der);
    TS_RESP_free(response);
    BIO_free(request);
    ASN1_OBJECT_free(policy);
    TS_RESP_CTX_free(context);
}
}
