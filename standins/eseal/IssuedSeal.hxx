// An electronic seal as its authority issues it (SealStructures.hxx): who it belongs to, the
// signer certificates it may sign with, its validity period and picture, and the authority's
// certificate and SM2 signature over all of that.
#pragma once

#include "OpenSslPointers.hxx"
#include "SealTime.hxx"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ktxeseal
{
inline constexpr char kSealHeaderId[] = "ES";
inline constexpr long kSealVersion = 4;
inline constexpr char kSealVendorId[] = "QUILLMARK";
/// The seal of an organisation (公章), the one kind this library issues.
inline constexpr long kOrganisationSealType = 1;
/// The certificate list holds the certificates themselves, not their digests.
inline constexpr long kCertificateListType = 1;
inline constexpr char kPictureType[] = "GIF";

/// Longest seal name in bytes.
inline constexpr size_t kMaximumSealNameLength = 256;
inline constexpr size_t kMaximumSealIdLength = 64;
inline constexpr size_t kMaximumSignerCertificates = 16;

struct IssuedSeal
{
    std::string sealId;
    std::string name;
    std::vector<Bytes> signerCertificates;
    time_t created = 0;
    ValidityPeriod validity;
    Bytes picture;
    int pictureWidth = 0;
    int pictureHeight = 0;
    Bytes authorityCertificateDer;
};

/// What an authority is asked to put into a seal.
struct SealRequest
{
    std::string sealId;
    std::string name;
    Bytes picture;
    std::vector<Bytes> signerCertificates;
    time_t created = 0;
    ValidityPeriod validity;
};

/// Non-empty well-formed UTF-8 of bounded length without control characters.
bool isValidSealName(std::string_view name);

/// One to 64 letters, digits and hyphens.
bool isValidSealId(std::string_view sealId);

/// The seal's DER, signed with the authority's SM2 key; nothing when the request would not make
/// a seal that openIssuedSeal reads back, or the key is not the certificate's.
std::optional<Bytes> issueSeal(const SealRequest& request, EVP_PKEY* authorityKey,
                               X509* authorityCertificate);

/// The content of DER that is exactly one well-formed seal whose signature verifies under the
/// authority certificate it carries; nothing otherwise. Whether that authority is trusted is
/// not this function's question.
std::optional<IssuedSeal> openIssuedSeal(ByteRange der);

bool listsSigner(const IssuedSeal& seal, ByteRange signerCertificateDer);
}
