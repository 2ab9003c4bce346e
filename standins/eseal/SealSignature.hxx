// The seal signature (SesSignature in SealStructures.hxx), carried as Base64 text: the issued
// seal, the signing time, the SM3 hash of the signed text, the signer's certificate, the
// signer's SM2 signature over all of that but the certificate, and optionally a time-stamp token
// over that SM2 signature.
#pragma once

#include "IssuedSeal.hxx"
#include "OpenSslPointers.hxx"
#include "SealFiles.hxx"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace ktxeseal
{
inline constexpr long kSealSignatureVersion = 4;
/// What the hash of a signature covers: the text bytes the caller handed over.
inline constexpr char kSignedDataProperty[] = "GBK text";

/// What a seal signature carries, once its structure and both its signatures have been checked.
struct SealSignatureContent
{
    IssuedSeal seal;
    Bytes signerCertificateDer;
    /// The signing machine's clock: nothing vouches for it.
    time_t signingTime = 0;
    Bytes dataHash;
    /// The RFC 3161 token of the time-stamp slot (DER), and the SM2 value it covers.
    Bytes timeStampToken;
    Bytes signatureValue;
};

/// Length of the longest Base64 signature text the seal makes, its terminating NUL excluded;
/// nothing when the seal is not usable.
std::optional<size_t> longestSealSignatureLength(const Seal& seal);

/// The Base64 seal signature of the text made with the seal at the given time; nothing when the
/// seal is not usable or not valid at that time, or its signatures may not fit the signature
/// area with their terminating NUL.
std::optional<std::string> makeSealSignature(const Seal& seal, ByteRange text, time_t signingTime);

/// The signature that makeSealSignature would make, without asking whether the seal may sign at
/// that time: what a holder of an expired seal's key could make. Verifiers must refuse it.
std::optional<std::string> composeSealSignature(const Seal& seal, ByteRange text,
                                                time_t signingTime);

/// The content of a well-formed signature text whose seal holds together under its authority's
/// signature and whose own signature verifies under the signer certificate it carries; nothing
/// otherwise. Trust, the seal's signer list, times and the signed text are not looked at here.
std::optional<SealSignatureContent> openSealSignature(std::string_view signatureText);

/// The signature text with the time-stamp token in its slot, replacing one there; nothing when
/// the text is no well-formed signature or the token is empty.
std::optional<std::string> attachTimeStamp(std::string_view signatureText, ByteRange token);

/// Whether the signature was made over exactly these text bytes.
bool signsText(const SealSignatureContent& content, ByteRange text);
}
