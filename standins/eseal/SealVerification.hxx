// The verdict on a seal signature over a text, with the reason when it is not valid.
#pragma once

#include "Revocation.hxx"
#include "SealSignature.hxx"
#include "TrustAnchors.hxx"

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
    /// The authority revoked the seal, and no trusted time shows the stamp came before.
    Revoked,
    /// A revocation list of the authority was refused or is past its next update: whether the
    /// seal was revoked cannot be told.
    RevocationUnknown,
    /// The signature was not made over these text bytes.
    TextChanged,
};

struct SealAssessment
{
    SealVerdict verdict = SealVerdict::Unreadable;
    /// Everything but an unreadable signature has its content.
    std::optional<SealSignatureContent> content;
    /// The time a trusted time-stamp authority vouches for the signature; validity and
    /// revocation are judged at this time when there is one, else at the machine's time.
    std::optional<time_t> trustedTime;
    /// A time stamp is there but cannot be checked (its authority is not trusted, or it is
    /// damaged): the signature is judged as one without.
    bool timeStampUnverified = false;
    RevocationStatus revocation;
};

/// The assessment of an opened signature over exactly these text bytes, at `now`, by what the
/// machine trusts.
SealAssessment judgeSealSignature(const SealSignatureContent& content, ByteRange text,
                                  const TrustMaterial& trust, time_t now);

/// The same, now.
SealVerdict judgeSealSignature(const SealSignatureContent& content, ByteRange text,
                               const TrustMaterial& trust);

/// Opens and judges the signature over exactly these text bytes, now.
SealAssessment assessSealSignature(std::string_view signatureText, ByteRange text,
                                   const TrustMaterial& trust);

/// What a revocation status makes of a signature that `trustedTime`, where there is one, dates:
/// Valid, Revoked or RevocationUnknown.
SealVerdict verdictOfRevocation(const RevocationStatus& revocation,
                                std::optional<time_t> trustedTime);

/// The moment a signature is judged at: its trusted time, else its signing machine's.
time_t judgedTime(const SealAssessment& assessment);
}
