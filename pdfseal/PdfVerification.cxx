#include "PdfVerification.hxx"

#include "PdfSealTexts.hxx"

#include <Revocation.hxx>
#include <SealDetails.hxx>
#include <SealStructures.hxx>
#include <SealTime.hxx>
#include <SealVerification.hxx>
#include <TimeStamp.hxx>
#include <TrustAnchors.hxx>
#include <TrustStore.hxx>

#include <openssl/err.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

namespace quillmark::pdfseal
{
namespace
{
using Kind = PdfSealVerdict::Kind;
using ktxeseal::SealVerdict;

constexpr char kPdfHeader[] = "%PDF-";

/// What this machine trusts, read once per file and only as far as its signatures need.
class Trust
{
public:
    const ktxeseal::TrustMaterial& seals()
    {
        if (!material)
            material = ktxeseal::loadTrustMaterial();
        return *material;
    }
    X509_STORE* tokenCertificates()
    {
        if (!storeRead)
        {
            store = qorv::loadTrustStore(qorv::configuredTrustStore());
            storeRead = true;
        }
        return store.get();
    }

private:
    std::optional<ktxeseal::TrustMaterial> material;
    qorv::StorePtr store;
    bool storeRead = false;
};

Bytes digestOfRanges(const Bytes& pdf, const StoredSignature& stored, SignatureAlgorithm algorithm)
{
    ContentDigest digest(algorithm);
    digest.add(ByteRange(pdf.data(), stored.signatureStart));
    digest.add(ByteRange(pdf.data() + stored.signatureEnd, stored.end - stored.signatureEnd));
    return digest.finish();
}

/// The time a trusted time-stamp authority vouches for the signature, where one does.
std::optional<time_t> trustedTimeOf(const OpenedSignature& opened, Trust& trust)
{
    if (opened.timeStampToken.empty())
        return std::nullopt;
    return ktxeseal::timeStampedAt(opened.timeStampToken, opened.signatureValue,
                                   trust.seals().timeStampAuthorities);
}

/// The trusted seal authority that certified the signer, DER; empty when none did.
Bytes certifyingAuthority(X509* signer, Trust& trust)
{
    for (const Bytes& der : trust.seals().authorities)
    {
        const OwnedPtr<X509> authority = ktxeseal::parseCertificate(der);
        if (authority && ktxeseal::canBeSealAuthority(authority.get())
            && ktxeseal::isCertifiedBy(signer, authority.get()))
            return der;
    }
    return {};
}

/// Why a document seal's signer is not to be trusted at `judged`, or nothing.
std::optional<std::string> sealSignerProblem(const OpenedSignature& opened, Trust& trust,
                                             time_t judged, std::optional<time_t> trustedTime,
                                             time_t now)
{
    const OwnedPtr<X509> signer = ktxeseal::parseCertificate(opened.signerCertificate);
    const Bytes authority = signer ? certifyingAuthority(signer.get(), trust) : Bytes();
    if (authority.empty())
        return ktxeseal::verdictText(SealVerdict::UntrustedAuthority);
    const std::optional<ktxeseal::ValidityPeriod> validity
        = ktxeseal::certificateValidity(signer.get());
    if (!validity || !validity->contains(judged))
        return ktxeseal::verdictText(SealVerdict::Expired);
    ktxeseal::SealAssessment assessment;
    assessment.revocation = ktxeseal::revocationStatus(opened.signerCertificate, authority,
                                                       trust.seals().revocationLists, now);
    assessment.trustedTime = trustedTime;
    assessment.verdict = ktxeseal::verdictOfRevocation(assessment.revocation, trustedTime);
    if (assessment.verdict != SealVerdict::Valid)
        return ktxeseal::verdictText(assessment);
    return std::nullopt;
}

/// Why a key token's signer does not chain to a trusted CA at `judged`, or nothing.
std::optional<std::string> tokenSignerProblem(const OpenedSignature& opened, Trust& trust,
                                              time_t judged)
{
    X509_STORE* store = trust.tokenCertificates();
    if (!store)
        return std::string(texts::kTrustStoreUnreadable);
    const OwnedPtr<X509> signer = ktxeseal::parseCertificate(opened.signerCertificate);
    std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> others(
        sk_X509_new_null(), [](STACK_OF(X509) * stack) { sk_X509_pop_free(stack, X509_free); });
    for (const Bytes& der : opened.certificates)
        if (OwnedPtr<X509> certificate = ktxeseal::parseCertificate(der))
            if (sk_X509_push(others.get(), certificate.get()) > 0)
                certificate.release();
    std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> context(X509_STORE_CTX_new(),
                                                                            X509_STORE_CTX_free);
    bool chained = signer && others && context
                   && X509_STORE_CTX_init(context.get(), store, signer.get(), others.get()) == 1;
    if (chained)
    {
        X509_STORE_CTX_set_time(context.get(), 0, judged);
        chained = X509_verify_cert(context.get()) == 1;
    }
    ERR_clear_error();
    if (!chained)
        return std::string(texts::kCertificateUntrusted);
    return std::nullopt;
}

PdfSealVerdict judge(const Bytes& pdf, const StoredSignature& stored, bool unchangedAfter,
                     Trust& trust, time_t now)
{
    PdfSealVerdict verdict;
    verdict.fieldName = stored.fieldName;
    const std::optional<OpenedSignature> opened
        = stored.rangeWellFormed ? openDetachedSignature(stored.contents) : std::nullopt;
    if (opened)
    {
        verdict.kind = opened->algorithm == SignatureAlgorithm::Sm2WithSm3 ? Kind::Document
                                                                           : Kind::Certificate;
        verdict.organisation = ktxeseal::commonNameOf(opened->signerCertificate);
    }
    if (!stored.rangeWellFormed)
    {
        verdict.reason = texts::kRangeIncomplete;
        return verdict;
    }
    if (!opened)
    {
        verdict.reason = ktxeseal::verdictText(SealVerdict::Unreadable);
        return verdict;
    }
    if (digestOfRanges(pdf, stored, opened->algorithm) != opened->messageDigest)
    {
        verdict.reason = texts::kChanged;
        return verdict;
    }
    if (!opened->signatureValid)
    {
        verdict.reason = ktxeseal::verdictText(SealVerdict::Unreadable);
        return verdict;
    }
    const std::optional<time_t> trustedTime = trustedTimeOf(*opened, trust);
    const time_t judged = trustedTime.value_or(opened->signingTime.value_or(now));
    const std::optional<std::string> problem
        = verdict.kind == Kind::Document
              ? sealSignerProblem(*opened, trust, judged, trustedTime, now)
              : tokenSignerProblem(*opened, trust, judged);
    if (problem)
    {
        verdict.reason = *problem;
        return verdict;
    }
    if (!unchangedAfter)
    {
        verdict.reason = texts::kChangedAfterSigning;
        return verdict;
    }
    verdict.valid = true;
    verdict.reason = texts::kValid;
    return verdict;
}

/// For each place a signature's range ends, whether everything after it up to the end of the
/// file is further signatures and nothing else.
std::map<size_t, bool> unchangedAfter(const Bytes& pdf, const std::vector<StoredSignature>& stored)
{
    std::vector<size_t> ends;
    for (const StoredSignature& signature : stored)
        if (signature.rangeWellFormed)
            ends.push_back(signature.end);
    std::sort(ends.begin(), ends.end());
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
    std::map<size_t, bool> unchanged;
    bool laterUnchanged = !ends.empty() && ends.back() == pdf.size();
    for (size_t i = ends.size(); i-- > 0;)
    {
        if (i + 1 < ends.size())
            laterUnchanged = laterUnchanged && addsOnlySignatures(pdf, ends[i], ends[i + 1]);
        unchanged[ends[i]] = laterUnchanged;
    }
    return unchanged;
}
}

bool looksLikePdf(const Bytes& file)
{
    const size_t header = sizeof(kPdfHeader) - 1;
    // The header may come after some bytes of other matter, within the first kilobyte.
    const size_t searched = std::min<size_t>(file.size(), 1024);
    return searched >= header
           && std::search(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(searched),
                          kPdfHeader, kPdfHeader + header)
                  != file.begin() + static_cast<std::ptrdiff_t>(searched);
}

std::vector<PdfSealVerdict> verifyPdfSignatures(const Bytes& pdf, time_t now)
{
    const std::vector<StoredSignature> stored = storedSignatures(pdf);
    const std::map<size_t, bool> unchanged = unchangedAfter(pdf, stored);
    Trust trust;
    std::vector<PdfSealVerdict> verdicts;
    for (const StoredSignature& signature : stored)
    {
        const auto found = unchanged.find(signature.end);
        verdicts.push_back(
            judge(pdf, signature, found != unchanged.end() && found->second, trust, now));
    }
    return verdicts;
}
}
