// What the seal library's window shows of a seal signature.

#include "SealDetails.hxx"

#include "ESealTexts.hxx"
#include "SealStructures.hxx"

#include <openssl/x509.h>

namespace ktxeseal
{
const char* verdictText(SealVerdict verdict)
{
    switch (verdict)
    {
        case SealVerdict::Valid:
            return texts::kValid;
        case SealVerdict::TextChanged:
            return texts::kTextChanged;
        case SealVerdict::UntrustedAuthority:
            return texts::kUntrustedAuthority;
        case SealVerdict::ForeignSigner:
            return texts::kForeignSigner;
        case SealVerdict::Expired:
            return texts::kExpired;
        case SealVerdict::Revoked:
            return texts::kRevoked;
        case SealVerdict::RevocationUnknown:
            return texts::kRevocationListRefused;
        case SealVerdict::Unreadable:
            break;
    }
    return texts::kUnreadable;
}

namespace
{
const char* reasonText(RevocationReason reason)
{
    switch (reason)
    {
        case RevocationReason::KeyCompromise:
            return texts::kKeyCompromise;
        case RevocationReason::AffiliationChanged:
            return texts::kAffiliationChanged;
        case RevocationReason::Superseded:
            return texts::kSuperseded;
        case RevocationReason::CessationOfOperation:
            return texts::kCessationOfOperation;
        case RevocationReason::Unspecified:
            break;
    }
    return nullptr;
}
}

std::string verdictText(const SealAssessment& assessment)
{
    const RevocationStatus& revocation = assessment.revocation;
    if (assessment.verdict == SealVerdict::Revoked)
    {
        std::string text
            = std::string(texts::kRevoked) + texts::kRevokedAt + readableTime(revocation.revokedAt);
        if (const char* reason = reasonText(revocation.reason))
            text += std::string(texts::kRevokedFor) + reason;
        return text;
    }
    if (assessment.verdict == SealVerdict::RevocationUnknown
        && revocation.state == RevocationStatus::State::ListOutdated)
        return std::string(texts::kRevocationListOutdated) + readableTime(revocation.nextUpdate)
               + texts::kRevocationListOutdatedEnd;
    return verdictText(assessment.verdict);
}

std::string commonNameOf(ByteRange certificateDer)
{
    const OwnedPtr<X509> certificate = parseCertificate(certificateDer);
    if (!certificate)
        return {};
    X509_NAME* subject = X509_get_subject_name(certificate.get());
    const int index = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    if (index < 0)
        return {};
    unsigned char* utf8 = nullptr;
    const int length
        = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));
    OwnedPtr<unsigned char> owned(utf8);
    if (length <= 0)
        return {};
    return std::string(reinterpret_cast<const char*>(utf8), static_cast<size_t>(length));
}

SealDetails describeAssessment(const SealAssessment& assessment)
{
    SealDetails details;
    details.valid = assessment.verdict == SealVerdict::Valid;
    details.textChanged = assessment.verdict == SealVerdict::TextChanged;
    details.verdict = verdictText(assessment);
    if (!assessment.content)
        return details;
    const SealSignatureContent& content = *assessment.content;
    const IssuedSeal& seal = content.seal;
    details.picture = seal.picture;
    details.items = {
        { texts::kOrganisationLabel, seal.name },
        { texts::kSealIdLabel, seal.sealId },
        { texts::kSignerLabel, commonNameOf(content.signerCertificateDer) },
        { assessment.trustedTime ? texts::kTrustedTimeLabel : texts::kMachineTimeLabel,
          readableTime(judgedTime(assessment)) },
        { texts::kIssuerLabel, commonNameOf(seal.authorityCertificateDer) },
        { texts::kValidityLabel, readableTime(seal.validity.start) + texts::kPeriodSeparator
                                     + readableTime(seal.validity.end) },
    };
    if (assessment.timeStampUnverified)
        details.items.emplace_back(texts::kTimeStampLabel, texts::kTimeStampUnverified);
    return details;
}
}
