// The GIF header of a seal picture: a size is read only from bytes that hold one, and a picture
// that fits a block is found intact in the block made of it.
#include "PictureBlock.hxx"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::vector<unsigned char> gif(data, data + size);
    const ktxeseal::ByteRange bytes(gif.data(), gif.size());
    const std::optional<ktxeseal::PictureSize> pictureSize = ktxeseal::readGifSize(bytes);
    if (pictureSize
        && (size < 10 || pictureSize->width < 0 || pictureSize->height < 0
            || pictureSize->width > 65535 || pictureSize->height > 65535))
        std::abort();
    if (!ktxeseal::fitsPictureBlock(bytes))
        return 0;
    const ktxeseal::Bytes block = ktxeseal::makePictureBlock(bytes);
    const std::optional<ktxeseal::ByteRange> found
        = ktxeseal::pictureInBlock(ktxeseal::ByteRange(block.data(), block.size()));
    if (!found || !std::equal(found->data, found->data + found->size, gif.begin(), gif.end()))
        std::abort();
    return 0;
}
