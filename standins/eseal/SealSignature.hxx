// The seal signature: a DER structure modelled on the GB/T 38540 electronic-seal signature,
// carried as Base64 text.
//
//   SesSignature ::= SEQUENCE {
//       toSign          TbsSign,
//       cert            OCTET STRING,        -- the signer's certificate, the seal's own
//       signatureAlgID  OBJECT IDENTIFIER,   -- SM2 with SM3 (1.2.156.10197.1.501)
//       signature       BIT STRING }         -- SM2 signature over the DER of toSign
//   TbsSign ::= SEQUENCE {
//       version         INTEGER,             -- 4
//       eseal           SesSeal,
//       timeInfo        GeneralizedTime,     -- signing time, UTC
//       dataHashAlgID   OBJECT IDENTIFIER,   -- SM3 (1.2.156.10197.1.401)
//       dataHash        BIT STRING }         -- SM3 of the signed text bytes
//   SesSeal ::= SEQUENCE {
//       name            UTF8String,
//       cert            OCTET STRING,        -- the seal's certificate
//       picture         SesPictureInfo }
//   SesPictureInfo ::= SEQUENCE {
//       type            IA5String,           -- "GIF"
//       data            OCTET STRING,
//       width           INTEGER,
//       height          INTEGER }
//
// The signer's certificate must be the seal's, so every byte of a signature is either signed or
// checked against a signed byte.
#pragma once

#include "OpenSslPointers.hxx"
#include "SealFiles.hxx"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace ktxeseal
{
inline constexpr long kSealSignatureVersion = 4;

/// What a seal signature carries, once its structure and SM2 signature have been checked.
struct SealSignatureContent
{
    std::string sealName;
    Bytes certificateDer;
    Bytes picture;
    int pictureWidth = 0;
    int pictureHeight = 0;
    std::string signingTime;
    Bytes dataHash;
};

/// Length of the longest Base64 signature text the seal makes, its terminating NUL excluded;
/// nothing when the seal is not usable.
std::optional<size_t> longestSealSignatureLength(const Seal& seal);

/// The Base64 seal signature of the text made with the seal at the given time; nothing when the
/// seal is not usable or its signatures may not fit the signature area with their terminating
/// NUL.
std::optional<std::string> makeSealSignature(const Seal& seal, ByteRange text, time_t signingTime);

/// The content of a well-formed signature text whose SM2 signature is valid under the key of the
/// certificate it carries; nothing otherwise. Does not look at the signed text.
std::optional<SealSignatureContent> openSealSignature(std::string_view signatureText);

/// Whether the signature was made over exactly these text bytes.
bool signsText(const SealSignatureContent& content, ByteRange text);
}
