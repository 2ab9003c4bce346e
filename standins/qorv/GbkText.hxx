/// GBK, the byte encoding of every text that crosses the library's entry points.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qorv
{
/// UTF-8 to GBK. Characters without a GBK form (and broken UTF-8) become '?', as the office
/// does when it converts text for the library, so a name always comes out.
std::string utf8ToGbk(const std::string& utf8);

/// GBK to UTF-8; nothing when the bytes are not GBK.
std::optional<std::string> gbkToUtf8(const std::string& gbk);

/// GBK to UTF-8 for secrets: converts `length` bytes into `out` (room for `capacity` bytes) and
/// leaves no copy anywhere else. False when the bytes are not GBK or do not fit; `written` then 0.
bool gbkToUtf8Secret(const char* gbk, size_t length, char* out, size_t capacity, size_t& written);
}
