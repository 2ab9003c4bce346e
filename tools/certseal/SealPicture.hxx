/// A plain round seal picture, for a seal that comes without a picture of its own.
#pragma once

#include <string>

namespace quillmark::certseal
{
/// Writes a PNG of a red seal ring with `name` (UTF-8) across it; throws std::runtime_error.
void writeDefaultSealPicture(const std::string& path, const std::string& name);
} // namespace quillmark::certseal
