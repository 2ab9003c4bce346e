/// The seal picture inside the block the electronic-seal library hands out: a text part, "%",
/// the picture's bytes, and one final byte that is not part of the picture.
#pragma once

#include <cstddef>

namespace quillmark
{
struct PicturePart
{
    size_t offset = 0;
    size_t length = 0;
};

/// Where the picture lies in `block` of `length` bytes: after the last '%' before the first zero
/// byte (from the start when there is none), up to the block's last byte.
PicturePart picturePart(const unsigned char* block, int length);
}
