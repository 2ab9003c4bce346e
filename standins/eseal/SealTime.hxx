// Points in time as the seal structures and certificates carry them.
#pragma once

#include <openssl/asn1.h>

#include <ctime>
#include <optional>
#include <string>

namespace ktxeseal
{
/// A period that includes both of its ends.
struct ValidityPeriod
{
    time_t start = 0;
    time_t end = 0;

    bool contains(time_t moment) const { return start <= moment && moment <= end; }
};

/// Seconds since the epoch of a well-formed UTCTime or GeneralizedTime; nothing otherwise.
std::optional<time_t> secondsOf(const ASN1_TIME* time);

/// A GeneralizedTime as DER has it, "YYYYMMDDHHMMSSZ": one text for each moment.
std::optional<time_t> secondsOfGeneralizedTime(const ASN1_GENERALIZEDTIME* time);

/// The certificate's notBefore to notAfter; nothing when either cannot be read.
std::optional<ValidityPeriod> certificateValidity(const X509* certificate);

/// Local time for a reader, "2026-12-08 19:30:05".
std::string readableTime(time_t moment);
}
