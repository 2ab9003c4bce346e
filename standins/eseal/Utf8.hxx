// Seal names are UTF-8 text.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace ktxeseal
{
/// The characters of well-formed UTF-8 text, each as its bytes; nothing for malformed text
/// (overlong forms, surrogates, values above U+10FFFF, cut sequences).
std::optional<std::vector<std::string_view>> splitUtf8Characters(std::string_view text);
}
