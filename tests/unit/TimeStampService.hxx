// An RFC 3161 time-stamp service of the tests' own on the loopback address, made with OpenSSL's
// TS_RESP functions: it answers with the time it is told to, signed by a P-256 key whose
// certificate (extended key usage timeStamping, critical) it puts into a trust folder.
#pragma once

#include <atomic>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

namespace esealtest
{
class TimeStampService
{
public:
    /// Starts serving; the certificate goes into `trustDirectory` as tests.tsa.pem unless the
    /// service is not to be trusted.
    explicit TimeStampService(const std::string& trustDirectory, bool trusted = true);
    ~TimeStampService();
    TimeStampService(const TimeStampService&) = delete;
    TimeStampService& operator=(const TimeStampService&) = delete;

    /// "http://127.0.0.1:PORT/tsa".
    std::string url() const;
    /// The time the tokens give from now on.
    void answerWith(time_t moment) { answeredTime = moment; }
    int requestsServed() const { return served; }

private:
    struct Signer;
    void serve();
    void answer(int connection);

    std::unique_ptr<Signer> signer;
    int listening = -1;
    int port = 0;
    std::atomic<time_t> answeredTime;
    std::atomic<int> served{ 0 };
    std::atomic<bool> stopping{ false };
    std::thread worker;
};
}
