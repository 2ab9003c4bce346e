// The verdict on a seal signature over a text.

#include "SealVerification.hxx"

#include "SealStructures.hxx"
#include "TrustAnchors.hxx"

namespace ktxeseal
{
namespace
{
bool signedWhileValid(const SealSignatureContent& content)
{
    const OwnedPtr<X509> signer = parseCertificate(content.signerCertificateDer);
    const std::optional<ValidityPeriod> certificate
        = signer ? certificateValidity(signer.get()) : std::nullopt;
    return certificate && certificate->contains(content.signingTime)
           && content.seal.validity.contains(content.signingTime);
}

SealVerdict judge(const SealSignatureContent& content, ByteRange text,
                  const std::vector<Bytes>& trustedAuthorities)
{
    if (!isTrustedAuthority(trustedAuthorities, content.seal.authorityCertificateDer))
        return SealVerdict::UntrustedAuthority;
    // A seal's own signer is never its authority, whatever a trust folder holds.
    if (!listsSigner(content.seal, content.signerCertificateDer)
        || ByteRange(content.signerCertificateDer)
               == ByteRange(content.seal.authorityCertificateDer))
        return SealVerdict::ForeignSigner;
    if (!signedWhileValid(content))
        return SealVerdict::Expired;
    if (!signsText(content, text))
        return SealVerdict::TextChanged;
    return SealVerdict::Valid;
}
}

SealAssessment assessSealSignature(std::string_view signatureText, ByteRange text,
                                   const std::vector<Bytes>& trustedAuthorities)
{
    SealAssessment assessment;
    assessment.content = openSealSignature(signatureText);
    if (assessment.content)
        assessment.verdict = judge(*assessment.content, text, trustedAuthorities);
    return assessment;
}
}
