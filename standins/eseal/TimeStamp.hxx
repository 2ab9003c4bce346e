// Trusted time: RFC 3161 time-stamp tokens over a seal signature's SM2 value, fetched from the
// time-stamp service that KTXESEAL_TSA_URL names (plain HTTP, as RFC 3161 services are usually
// offered; the token is signed, the channel need not be) and checked against the time-stamp
// authorities of the trust folders (TrustAnchors.hxx).
#pragma once

#include "OpenSslPointers.hxx"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace ktxeseal
{
inline constexpr char kTimeStampUrlVariable[] = "KTXESEAL_TSA_URL";

/// The configured service; nothing when KTXESEAL_TSA_URL is unset or empty.
std::optional<std::string> timeStampServiceUrl();

/// A token over the data (SHA-256 imprint, a fresh nonce, the service's certificate asked for)
/// that the service granted and that checks out against the trusted time-stamp authorities;
/// nothing otherwise, with `problem` saying why.
std::optional<Bytes> requestTimeStamp(const std::string& url, ByteRange data,
                                      const std::vector<Bytes>& trustedAuthorities,
                                      std::string& problem);

/// The time a token vouches for: a well-formed token over exactly these bytes (SHA-256 imprint),
/// signed by a time-stamp authority that chains to one of the trusted certificates (DER);
/// nothing otherwise.
std::optional<time_t> timeStampedAt(ByteRange token, ByteRange data,
                                    const std::vector<Bytes>& trustedAuthorities);
}
