// Whether a seal's authority has revoked it.

#include "Revocation.hxx"

#include "SealStructures.hxx"
#include "SealTime.hxx"
#include "Sm2.hxx"

#include <openssl/x509v3.h>

#include <algorithm>
#include <climits>

namespace ktxeseal
{
namespace
{
struct ReasonFree
{
    void operator()(ASN1_ENUMERATED* reason) const { ASN1_ENUMERATED_free(reason); }
};

OwnedPtr<X509_CRL> parseList(const Bytes& der)
{
    if (der.empty() || der.size() > LONG_MAX)
        return nullptr;
    const unsigned char* cursor = der.data();
    OwnedPtr<X509_CRL> list(d2i_X509_CRL(nullptr, &cursor, static_cast<long>(der.size())));
    if (!list || cursor != der.data() + der.size())
        return nullptr;
    return list;
}

RevocationReason reasonOf(X509_REVOKED* entry)
{
    int critical = 0;
    std::unique_ptr<ASN1_ENUMERATED, ReasonFree> code(static_cast<ASN1_ENUMERATED*>(
        X509_REVOKED_get_ext_d2i(entry, NID_crl_reason, &critical, nullptr)));
    if (!code)
        return RevocationReason::Unspecified;
    switch (ASN1_ENUMERATED_get(code.get()))
    {
        case 1:
            return RevocationReason::KeyCompromise;
        case 3:
            return RevocationReason::AffiliationChanged;
        case 4:
            return RevocationReason::Superseded;
        case 5:
            return RevocationReason::CessationOfOperation;
        default:
            return RevocationReason::Unspecified;
    }
}
}

bool isSignedByAuthority(X509_CRL* list, X509* authority)
{
    if (!list || !authority
        || X509_NAME_cmp(X509_CRL_get_issuer(list), X509_get_subject_name(authority)) != 0)
        return false;
    const ASN1_BIT_STRING* signature = nullptr;
    const X509_ALGOR* algorithm = nullptr;
    X509_CRL_get0_signature(list, &signature, &algorithm);
    const ASN1_OBJECT* algorithmId = nullptr;
    X509_ALGOR_get0(&algorithmId, nullptr, nullptr, algorithm);
    if (!signature || OBJ_obj2nid(algorithmId) != NID_SM2_with_SM3)
        return false;
    // OpenSSL's own check would use an empty SM2 ID; the authority signs under the default one.
    unsigned char* toBeSigned = nullptr;
    const int length = i2d_re_X509_CRL_tbs(list, &toBeSigned);
    OwnedPtr<unsigned char> owned(toBeSigned);
    return length > 0
           && sm2Verify(X509_get0_pubkey(authority),
                        ByteRange(toBeSigned, static_cast<size_t>(length)), bytesOf(signature));
}

RevocationStatus revocationStatus(ByteRange signerCertificateDer, ByteRange authorityCertificateDer,
                                  const std::vector<Bytes>& revocationLists, time_t now)
{
    RevocationStatus status;
    const OwnedPtr<X509> signer = parseCertificate(signerCertificateDer);
    const OwnedPtr<X509> authority = parseCertificate(authorityCertificateDer);
    if (!signer || !authority)
        return status;
    bool refused = false;
    bool current = false;
    bool outdated = false;
    for (const Bytes& der : revocationLists)
    {
        const auto list = parseList(der);
        if (!list
            || X509_NAME_cmp(X509_CRL_get_issuer(list.get()),
                             X509_get_subject_name(authority.get()))
                   != 0)
            continue;
        if (!isSignedByAuthority(list.get(), authority.get()))
        {
            refused = true;
            continue;
        }
        X509_REVOKED* entry = nullptr;
        if (X509_CRL_get0_by_serial(list.get(), &entry, X509_get0_serialNumber(signer.get())) == 1
            && entry)
        {
            // A revocation stands, however old the list that says so.
            const std::optional<time_t> since = secondsOf(X509_REVOKED_get0_revocationDate(entry));
            status.state = RevocationStatus::State::Revoked;
            status.revokedAt = since.value_or(0);
            status.reason = reasonOf(entry);
            return status;
        }
        const std::optional<time_t> next = secondsOf(X509_CRL_get0_nextUpdate(list.get()));
        if (next && *next >= now)
            current = true;
        else
        {
            outdated = true;
            status.nextUpdate = std::max(status.nextUpdate, next.value_or(0));
        }
    }
    if (refused)
        status.state = RevocationStatus::State::ListRefused;
    else if (outdated && !current)
        status.state = RevocationStatus::State::ListOutdated;
    return status;
}
}
