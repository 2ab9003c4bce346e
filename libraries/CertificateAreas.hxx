/// Output areas handed to the certificate library: zero-filled, and never smaller than what the
/// library may write for the given input.
#pragma once

#include <algorithm>
#include <vector>

namespace quillmark
{
/// The most bytes Base64 text of `textLength` characters decodes to.
inline int base64DecodedCapacity(int textLength) { return 3 * ((std::max(textLength, 0) + 3) / 4); }

/// An area of at least `contractSize` bytes that also holds `inputLength` bytes.
inline std::vector<unsigned char> zeroedArea(int contractSize, int inputLength)
{
    return std::vector<unsigned char>(static_cast<size_t>(std::max(contractSize, inputLength)), 0);
}
}
