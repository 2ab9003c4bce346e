// The seal picture as GetESealPic hands it over: a text part, '%', the GIF and one final byte.
//
// The reader of a block takes the last '%' among the bytes before the block's first zero byte as
// the separator and the bytes after it, without the final byte, as the GIF. A GIF narrower than
// 256 pixels has a zero byte at offset 7 (the high byte of its width), so with a text part free
// of '%' and zero bytes the separator is found unless the width's low byte is itself '%' (37).
// Pictures are checked against the reader's rule itself, not against this reasoning.
#pragma once

#include "OpenSslPointers.hxx"

#include <optional>

namespace ktxeseal
{
/// The block's text part; neither '%' nor a zero byte.
inline constexpr char kPictureBlockText[] = "ESEAL-PICTURE";
inline constexpr unsigned char kPictureBlockSeparator = '%';
/// Ends the block; the reader drops it.
inline constexpr unsigned char kPictureBlockFinalByte = 0;

struct PictureSize
{
    int width = 0;
    int height = 0;
};

/// The logical screen size of a GIF (87a or 89a); nothing when the bytes do not start one.
std::optional<PictureSize> readGifSize(ByteRange gif);

Bytes makePictureBlock(ByteRange gif);

/// The picture a reader finds in a block: after the last '%' before the first zero byte, up to
/// the final byte. Nothing when the block has no separator or nothing after it.
std::optional<ByteRange> pictureInBlock(ByteRange block);

/// Whether the bytes are a GIF that a reader finds intact in the block made of it.
bool fitsPictureBlock(ByteRange gif);
}
