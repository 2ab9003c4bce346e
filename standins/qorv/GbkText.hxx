/// GBK, the byte encoding of every text that crosses the library's entry points.
#pragma once

#include <optional>
#include <string>

namespace qorv
{
/// UTF-8 to GBK. Characters without a GBK form (and broken UTF-8) become '?', as the office
/// does when it converts text for the library, so a name always comes out.
std::string utf8ToGbk(const std::string& utf8);

/// GBK to UTF-8; nothing when the bytes are not GBK.
std::optional<std::string> gbkToUtf8(const std::string& gbk);
}
