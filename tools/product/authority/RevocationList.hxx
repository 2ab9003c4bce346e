// The authority's revocation list, authority.crl in its folder: an X.509 v2 CRL (PEM), signed
// with the authority's SM2 key, that lists the signer certificates of the seals it withdrew.
// Each change writes a new list with a later number and a new next-update date; verifiers copy
// it into their trust folder beside the authority's certificate.
#pragma once

#include <Revocation.hxx>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace quillmark::authority
{
inline constexpr char kRevocationListFile[] = "authority.crl";
/// How long a list holds before verifiers take it for outdated.
inline constexpr int kDefaultListDays = 30;

/// What the command line calls the reasons: RFC 5280's names.
std::optional<ktxeseal::RevocationReason> reasonNamed(std::string_view name);

struct Revocation
{
    std::string sealId;
    std::string organisation;
    /// Whether the seal was on the list already (its date and reason then stay).
    bool alreadyRevoked = false;
};

/// Revokes a seal the authority in the folder issued: `target` is the seal's folder or the id of
/// a seal the authority recorded when it issued it. Writes the new list, valid for `days` from
/// `now`, with the seal's signer certificates revoked at `now` for `reason`. Throws
/// std::runtime_error with a reader's message.
Revocation revokeSeal(const std::string& directory, const std::string& target,
                      ktxeseal::RevocationReason reason, time_t now, int days);

/// Writes the list anew, with the same revocations, valid for `days` from `now`.
void renewRevocationList(const std::string& directory, time_t now, int days);
}
