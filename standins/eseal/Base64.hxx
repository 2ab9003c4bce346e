// Base64 as the signature text carries it: one line, padded, nothing else.
#pragma once

#include "OpenSslPointers.hxx"

#include <optional>
#include <string>
#include <string_view>

namespace ktxeseal
{
std::string encodeBase64(ByteRange data);

/// Decodes canonical Base64 only: whole four-character groups from the standard alphabet,
/// padding only at the end and zero bits under it. Anything else (whitespace, a truncated group,
/// stray characters) is refused, so a signature text has exactly one reading.
std::optional<Bytes> decodeBase64(std::string_view text);
}
