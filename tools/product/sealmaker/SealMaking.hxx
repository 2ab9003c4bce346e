// Making a seal: the signer's SM2 key and certificate, the seal picture, the seal as an
// authority issues it, and the seal directory the electronic-seal library reads.
#pragma once

#include "SealPictureDrawing.hxx"

#include <SealAuthority.hxx>
#include <SealFiles.hxx>

#include <optional>
#include <string>
#include <string_view>

namespace quillmark::sealmaker
{
inline constexpr int kDefaultValidityDays = 1095;

struct SealTerms
{
    int validDays = kDefaultValidityDays;
    int pictureSize = kDefaultPictureSize;
    /// When the seal's validity begins; now when unset.
    std::optional<time_t> start;
};

/// A new seal id: the issuing date and eight random digits, "2026120812345678".
std::string makeSealId(time_t issued);

/// A complete seal for the organisation, valid for the terms' days: a fresh signer key, its
/// certificate from the authority and the seal the authority issues for it. Without an
/// authority the seal is self-made: the signer's certificate is self-signed and the signer's own
/// key issues the seal; it signs, but never verifies. Throws std::runtime_error when the seal
/// could not stamp: a signature made with it would not fit the signature area, or its picture
/// would not survive the picture block.
ktxeseal::Seal makeSeal(const std::string& organisation, const authority::Authority* issuer,
                        const SealTerms& terms = {});

/// Writes the seal's files into the directory, creating it (owner only) when missing: the key
/// encrypted under the PIN, an empty stamping register, and custody.conf unless one is there.
/// Refuses with std::runtime_error a PIN that is too short or too long, and to replace an
/// existing seal unless `replace` is set; a replaced seal's register is kept beside as
/// stamps-<its seal id>.log, and its count of wrong PINs goes.
void writeSeal(const ktxeseal::Seal& seal, const std::string& directory, std::string_view pin,
               bool replace);

/// Encrypts the key of the seal in the directory under `newPin`. The key must open with
/// `currentPin` (a wrong one counts towards the seal's lock), unless it was not encrypted yet.
/// Throws std::runtime_error with a reader's message.
void changePin(const std::string& directory, std::string_view currentPin, std::string_view newPin);

/// Whether the key in the directory is encrypted under a PIN already.
bool hasProtectedKey(const std::string& directory);
}
