#include <operations/PictureBlock.hxx>

namespace quillmark
{
PicturePart picturePart(const unsigned char* block, int length)
{
    int separator = -1;
    for (int i = 0; i < length && block[i] != 0; ++i)
        if (block[i] == '%')
            separator = i;
    const int start = separator + 1;
    PicturePart part;
    part.offset = static_cast<size_t>(start);
    part.length = length - start - 1 > 0 ? static_cast<size_t>(length - start - 1) : 0;
    return part;
}
}
