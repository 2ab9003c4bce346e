// The verdict on a seal signature over a text, with the reason when it is not valid.
#pragma once

#include "SealSignature.hxx"

#include <optional>
#include <string_view>
#include <vector>

namespace ktxeseal
{
/// In the order the checks are made: the first that fails is the reason.
enum class SealVerdict
{
    Valid,
    /// Not a well-formed signature, or one of its two signatures does not verify.
    Unreadable,
    /// The seal's authority is not among the trusted ones.
    UntrustedAuthority,
    /// The signer certificate is not one the seal lists.
    ForeignSigner,
    /// Signed outside the validity of the seal or of the signer certificate.
    Expired,
    /// The signature was not made over these text bytes.
    TextChanged,
};

struct SealAssessment
{
    SealVerdict verdict = SealVerdict::Unreadable;
    /// Everything but an unreadable signature has its content.
    std::optional<SealSignatureContent> content;
};

/// Judges the signature over exactly these text bytes, trusting the authorities given (DER).
SealAssessment assessSealSignature(std::string_view signatureText, ByteRange text,
                                   const std::vector<Bytes>& trustedAuthorities);
}
