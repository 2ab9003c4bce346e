// Making a seal: its SM2 key pair, a self-signed certificate for the organisation, its picture,
// and the seal directory the electronic-seal library reads.
#pragma once

#include "SealPictureDrawing.hxx"

#include <SealFiles.hxx>

#include <string>

namespace quillmark::sealmaker
{
ktxeseal::OwnedPtr<EVP_PKEY> makeSm2Key();

/// A self-signed SM2-with-SM3 certificate (subject C=CN, CN=organisation) for the key, valid
/// for ten years from now and signed under the default SM2 ID.
ktxeseal::OwnedPtr<X509> makeSealCertificate(EVP_PKEY* key, const std::string& organisation);

/// A complete seal for the organisation with a picture of `pictureSize` pixels. Throws
/// std::runtime_error when the seal could not stamp: a signature made with it would not fit the
/// signature area, or its picture would not survive the picture block.
ktxeseal::Seal makeSeal(const std::string& organisation, int pictureSize = kDefaultPictureSize);

/// Writes the seal's four files into the directory, creating it (owner only) when missing.
/// Refuses with std::runtime_error to replace an existing seal unless `replace` is set.
void writeSeal(const ktxeseal::Seal& seal, const std::string& directory, bool replace);
}
