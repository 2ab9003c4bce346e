// The seal picture as GetESealPic hands it over: a text part, '%', the GIF and one final byte.

#include "PictureBlock.hxx"

#include <cstring>

namespace ktxeseal
{
namespace
{
constexpr size_t kGifSignatureLength = 6;
/// Signature plus the logical screen descriptor.
constexpr size_t kGifHeaderLength = 13;

int littleEndian16(const unsigned char* bytes) { return bytes[0] | (bytes[1] << 8); }
}

std::optional<PictureSize> readGifSize(ByteRange gif)
{
    if (gif.size < kGifHeaderLength
        || (std::memcmp(gif.data, "GIF87a", kGifSignatureLength) != 0
            && std::memcmp(gif.data, "GIF89a", kGifSignatureLength) != 0))
        return std::nullopt;
    PictureSize size;
    size.width = littleEndian16(gif.data + 6);
    size.height = littleEndian16(gif.data + 8);
    if (size.width == 0 || size.height == 0)
        return std::nullopt;
    return size;
}

Bytes makePictureBlock(ByteRange gif)
{
    const size_t textLength = sizeof(kPictureBlockText) - 1;
    Bytes block(textLength + 1 + gif.size + 1);
    std::copy(kPictureBlockText, kPictureBlockText + textLength, block.begin());
    block[textLength] = kPictureBlockSeparator;
    std::copy(gif.data, gif.data + gif.size, block.begin() + textLength + 1);
    block.back() = kPictureBlockFinalByte;
    return block;
}

std::optional<ByteRange> pictureInBlock(ByteRange block)
{
    if (block.size == 0)
        return std::nullopt;
    const auto* firstZero
        = static_cast<const unsigned char*>(std::memchr(block.data, 0, block.size));
    const size_t searched = firstZero ? static_cast<size_t>(firstZero - block.data) : block.size;
    size_t separator = searched;
    for (size_t index = 0; index < searched; ++index)
    {
        if (block.data[index] == kPictureBlockSeparator)
            separator = index;
    }
    // The picture runs from after the separator to before the final byte.
    if (separator == searched || block.size <= separator + 2)
        return std::nullopt;
    return ByteRange(block.data + separator + 1, block.size - separator - 2);
}

bool fitsPictureBlock(ByteRange gif)
{
    if (!readGifSize(gif))
        return false;
    const Bytes block = makePictureBlock(gif);
    const std::optional<ByteRange> found = pictureInBlock(block);
    return found && found->data == block.data() + sizeof(kPictureBlockText)
           && found->size == gif.size;
}
}
