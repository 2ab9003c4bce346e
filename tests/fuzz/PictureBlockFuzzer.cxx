// The picture block the electronic-seal library hands out, read by the component and by the
// library's own rule: the picture lies inside the block, and both readers find the same one.
// Both rooms name their header PictureBlock.hxx.
#include "operations/PictureBlock.hxx"
#include "standins/eseal/PictureBlock.hxx"

#include <climits>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    if (size > INT_MAX / 2)
        return 0;
    // An area of exactly the block's size, so that a read past it is a sanitizer report.
    const std::vector<unsigned char> block(data, data + size);
    const quillmark::PicturePart part
        = quillmark::picturePart(block.data(), static_cast<int>(size));
    if (part.offset > size || part.length > size - part.offset)
        std::abort();
    const std::optional<ktxeseal::ByteRange> picture
        = ktxeseal::pictureInBlock(ktxeseal::ByteRange(block.data(), block.size()));
    if (picture && (picture->data != block.data() + part.offset || picture->size != part.length))
        std::abort();
    return 0;
}
