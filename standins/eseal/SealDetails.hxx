// What the seal library's window shows of a seal signature: its details and the verdict.
#pragma once

#include "SealVerification.hxx"

#include <string>
#include <utility>
#include <vector>

namespace ktxeseal
{
struct SealDetails
{
    /// Caption and value, in the order shown.
    std::vector<std::pair<std::string, std::string>> items;
    Bytes picture;
    bool valid = false;
    bool textChanged = false;
    std::string verdict;
};

SealDetails describeAssessment(const SealAssessment& assessment);

/// The verdict with its reason, one line.
const char* verdictText(SealVerdict verdict);

/// The same with what the verdict rests on: when the seal was revoked and why, until when its
/// revocation list held.
std::string verdictText(const SealAssessment& assessment);

/// The subject's common name (UTF-8) of a certificate in DER; empty when it has none.
std::string commonNameOf(ByteRange certificateDer);
}
