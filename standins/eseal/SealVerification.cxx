// The verdict on a seal signature over a text.

#include "SealVerification.hxx"

#include "SealStructures.hxx"
#include "TimeStamp.hxx"

namespace ktxeseal
{
namespace
{
bool signedWhileValid(const SealSignatureContent& content, time_t moment)
{
    const OwnedPtr<X509> signer = parseCertificate(content.signerCertificateDer);
    const std::optional<ValidityPeriod> certificate
        = signer ? certificateValidity(signer.get()) : std::nullopt;
    return certificate && certificate->contains(moment) && content.seal.validity.contains(moment);
}

SealVerdict verdictOf(SealAssessment& assessment, ByteRange text, const TrustMaterial& trust,
                      time_t now)
{
    const SealSignatureContent& content = *assessment.content;
    if (!isTrustedAuthority(trust.authorities, content.seal.authorityCertificateDer))
        return SealVerdict::UntrustedAuthority;
    // A seal's own signer is never its authority, whatever a trust folder holds.
    if (!listsSigner(content.seal, content.signerCertificateDer)
        || ByteRange(content.signerCertificateDer)
               == ByteRange(content.seal.authorityCertificateDer))
        return SealVerdict::ForeignSigner;
    if (!content.timeStampToken.empty())
    {
        assessment.trustedTime = timeStampedAt(content.timeStampToken, content.signatureValue,
                                               trust.timeStampAuthorities);
        assessment.timeStampUnverified = !assessment.trustedTime;
    }
    if (!signedWhileValid(content, judgedTime(assessment)))
        return SealVerdict::Expired;
    assessment.revocation
        = revocationStatus(content.signerCertificateDer, content.seal.authorityCertificateDer,
                           trust.revocationLists, now);
    if (const SealVerdict revocation
        = verdictOfRevocation(assessment.revocation, assessment.trustedTime);
        revocation != SealVerdict::Valid)
        return revocation;
    if (!signsText(content, text))
        return SealVerdict::TextChanged;
    return SealVerdict::Valid;
}
}

SealVerdict verdictOfRevocation(const RevocationStatus& revocation,
                                std::optional<time_t> trustedTime)
{
    switch (revocation.state)
    {
        case RevocationStatus::State::NotRevoked:
            return SealVerdict::Valid;
        case RevocationStatus::State::Revoked:
            // The machine's own clock could be set back: only a trusted time puts a stamp
            // before its seal's revocation.
            return trustedTime && *trustedTime < revocation.revokedAt ? SealVerdict::Valid
                                                                      : SealVerdict::Revoked;
        case RevocationStatus::State::ListRefused:
        case RevocationStatus::State::ListOutdated:
            break;
    }
    return SealVerdict::RevocationUnknown;
}

time_t judgedTime(const SealAssessment& assessment)
{
    if (assessment.trustedTime)
        return *assessment.trustedTime;
    return assessment.content ? assessment.content->signingTime : 0;
}

SealAssessment judgeSealSignature(const SealSignatureContent& content, ByteRange text,
                                  const TrustMaterial& trust, time_t now)
{
    SealAssessment assessment;
    assessment.content = content;
    assessment.verdict = verdictOf(assessment, text, trust, now);
    return assessment;
}

SealVerdict judgeSealSignature(const SealSignatureContent& content, ByteRange text,
                               const TrustMaterial& trust)
{
    return judgeSealSignature(content, text, trust, std::time(nullptr)).verdict;
}

SealAssessment assessSealSignature(std::string_view signatureText, ByteRange text,
                                   const TrustMaterial& trust)
{
    std::optional<SealSignatureContent> content = openSealSignature(signatureText);
    if (!content)
        return SealAssessment{};
    return judgeSealSignature(*content, text, trust, std::time(nullptr));
}
}
