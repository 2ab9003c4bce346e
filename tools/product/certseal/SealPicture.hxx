/// A plain round seal picture, for a seal that comes without a picture of its own.
#pragma once

#include <string>

namespace quillmark::certseal
{
/// Writes the seal picture of an electronic seal named `name` (UTF-8) as a GIF; throws
/// std::runtime_error.
void writeDefaultSealPicture(const std::string& path, const std::string& name);
}
