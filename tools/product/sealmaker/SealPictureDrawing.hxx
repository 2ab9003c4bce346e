// The seal picture: a red ring, a five-pointed star in the middle and the organisation's name
// around the upper edge, as a small GIF.
#pragma once

#include <OpenSslPointers.hxx>

#include <string>

namespace quillmark::sealmaker
{
/// The font the name is set in (Debian's fonts-wqy-zenhei).
inline constexpr char kSealFontFamily[] = "WenQuanYi Zen Hei";
/// The seal's red, in RGB.
inline constexpr unsigned char kSealRed[3] = { 0xE6, 0x00, 0x12 };
inline constexpr int kDefaultPictureSize = 160;
inline constexpr int kSmallestPictureSize = 64;
/// A wider GIF would put a byte other than zero after the low byte of its width, and the reader
/// of the picture block could then take a '%' inside the GIF for the block's separator.
inline constexpr int kLargestPictureSize = 255;

/// A square GIF89a of `size` pixels: transparent background, the drawing in shades of kSealRed
/// blended towards white at its edges. Throws std::runtime_error with a reader's message when
/// the size is out of range, the font is missing or lacks a character of the name.
ktxeseal::Bytes drawSealPicture(const std::string& organisation, int size);

/// Size in pixels of the stamping-area placeholder.
inline constexpr int kStampAreaWidth = 160;
inline constexpr int kStampAreaHeight = 80;

/// The stamping-area placeholder: a dashed red box reading 盖章区域, as a GIF.
ktxeseal::Bytes drawStampAreaPicture();
}
