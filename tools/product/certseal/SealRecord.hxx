/// Certificate seals on record: quillmark-cert-seal enters each seal it makes into the stamping
/// register of a seal folder, as the seal library does for its own stamps. The entry is signed by
/// the key token's key and carries the token's certificate, since no seal key made it.
#pragma once

#include <TokenSigner.hxx>

#include <string>

namespace quillmark::certseal
{
/// Appends the certificate seal to the folder's register (created when missing): operation
/// "stamp-certificate", the certificate's serial number as the seal id and its container label
/// as the organisation, the SM3 of the signed text, the document's title and file. Logs in to the
/// token once more to sign the entry. Throws std::runtime_error.
void recordCertificateSeal(const std::string& sealDirectory, const std::string& pin,
                           const TokenSignature& signature, const Bytes& signedText,
                           const std::string& title, const std::string& file);
}
