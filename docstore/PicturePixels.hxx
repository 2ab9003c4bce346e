/// A bitmap as a reader sees it on white paper: the same pixels give the same bytes whether the
/// picture is kept as a palette GIF, a 24-bit PNG with an alpha channel or a BMP without one, as
/// Word formats may keep it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillmark
{
struct Pixels
{
    int width = 0;
    int height = 0;
    /// Red, green and blue of each pixel, rows from the top, each pixel laid over white by its
    /// transparency.
    std::vector<std::uint8_t> rgb;
};

/// The pixels of a device-independent bitmap (a BMP file's bytes: file header, info header,
/// palette, rows) and of its transparency mask (the same form, grey values from opaque 0 to
/// transparent 255; none or empty for an opaque picture). None for a form this does not read
/// (compressed rows, other depths) or bytes that do not hold what their headers say.
std::optional<Pixels> pixelsOverWhite(const std::vector<std::uint8_t>& bitmap,
                                      const std::vector<std::uint8_t>& mask);
}
