/// The area into which the electronic-seal library writes a seal signature.
#pragma once

#include <libraries/KTXESeal.h>
#include <cstring>
#include <rtl/ustring.hxx>
#include <vector>

namespace quillmark
{
/// A zero-filled signature area of the library's size.
inline std::vector<char> signatureArea() { return std::vector<char>(KTXESEAL_AREA_SIZE, 0); }

/// The signature the library left in the area: ASCII text up to the first zero byte, never read
/// past the area's end.
inline rtl::OUString signatureInArea(const std::vector<char>& area)
{
    const void* end = std::memchr(area.data(), 0, area.size());
    const size_t length = end ? static_cast<const char*>(end) - area.data() : area.size();
    return rtl::OUString(area.data(), static_cast<sal_Int32>(length), RTL_TEXTENCODING_ASCII_US);
}
}
