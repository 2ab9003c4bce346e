// Whether a seal's authority has revoked it: the X.509 revocation lists (CRLs) of the trust
// folders that the seal's authority signed list the serial numbers of the signer certificates of
// the seals it withdrew. A list is the authority's only when its issuer is the authority's
// subject and its SM2 signature verifies under the authority's key; a list that names the
// authority but is signed by anyone else is refused, and so is one past its next update, since
// either may hide a revocation.
#pragma once

#include "OpenSslPointers.hxx"

#include <ctime>
#include <optional>
#include <vector>

namespace ktxeseal
{
/// RFC 5280's reason codes (CRLReason), as far as an authority withdraws seals for them.
enum class RevocationReason
{
    Unspecified = 0,
    KeyCompromise = 1,
    AffiliationChanged = 3,
    Superseded = 4,
    CessationOfOperation = 5,
};

struct RevocationStatus
{
    enum class State
    {
        /// No list of the authority names the signer certificate.
        NotRevoked,
        /// A list of the authority names it: since `revokedAt`, for `reason`.
        Revoked,
        /// A list names the authority as its issuer but the authority did not sign it.
        ListRefused,
        /// The authority's lists are all past their next update (`nextUpdate`, the latest).
        ListOutdated,
    };
    State state = State::NotRevoked;
    time_t revokedAt = 0;
    RevocationReason reason = RevocationReason::Unspecified;
    time_t nextUpdate = 0;
};

/// The revocation status at `now` of the signer certificate (DER) that the authority (DER)
/// certified, by the lists given (DER).
RevocationStatus revocationStatus(ByteRange signerCertificateDer, ByteRange authorityCertificateDer,
                                  const std::vector<Bytes>& revocationLists, time_t now);

/// Whether the list (DER) is one the authority signed.
bool isSignedByAuthority(X509_CRL* list, X509* authority);
}
