// Points in time as the seal structures and certificates carry them.

#include "SealTime.hxx"

#include <openssl/x509.h>

namespace ktxeseal
{
std::optional<time_t> secondsOf(const ASN1_TIME* time)
{
    struct tm broken
    {};
    if (!time || ASN1_TIME_check(time) != 1 || ASN1_TIME_to_tm(time, &broken) != 1)
        return std::nullopt;
    return timegm(&broken);
}

std::optional<time_t> secondsOfGeneralizedTime(const ASN1_GENERALIZEDTIME* time)
{
    constexpr int kDerLength = 15;
    if (!time || ASN1_STRING_type(time) != V_ASN1_GENERALIZEDTIME
        || ASN1_STRING_length(time) != kDerLength
        || ASN1_STRING_get0_data(time)[kDerLength - 1] != 'Z')
        return std::nullopt;
    return secondsOf(time);
}

std::optional<ValidityPeriod> certificateValidity(const X509* certificate)
{
    const std::optional<time_t> start = secondsOf(X509_get0_notBefore(certificate));
    const std::optional<time_t> end = secondsOf(X509_get0_notAfter(certificate));
    if (!start || !end)
        return std::nullopt;
    return ValidityPeriod{ *start, *end };
}

std::string readableTime(time_t moment)
{
    struct tm local
    {};
    char text[32];
    if (!localtime_r(&moment, &local)
        || std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local) == 0)
        return std::string();
    return text;
}
}
