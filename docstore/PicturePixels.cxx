#include <docstore/PicturePixels.hxx>

#include <cstddef>
#include <cstdint>

namespace quillmark
{
namespace
{
constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
/// Larger pictures are no seal and no page: refused rather than allocated.
constexpr std::int64_t kMostPixels = 64LL * 1024 * 1024;

std::uint32_t le32(const std::vector<std::uint8_t>& bytes, size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8
           | static_cast<std::uint32_t>(bytes[at + 2]) << 16
           | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t le16(const std::vector<std::uint8_t>& bytes, size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

/// A bitmap's rows, read through its palette where it has one.
class Bitmap
{
public:
    static std::optional<Bitmap> read(const std::vector<std::uint8_t>& bytes)
    {
        if (bytes.size() < kFileHeader + kInfoHeader || bytes[0] != 'B' || bytes[1] != 'M')
            return std::nullopt;
        Bitmap bitmap(bytes);
        const std::uint32_t headerSize = le32(bytes, kFileHeader);
        const std::int32_t width = static_cast<std::int32_t>(le32(bytes, kFileHeader + 4));
        const std::int32_t height = static_cast<std::int32_t>(le32(bytes, kFileHeader + 8));
        bitmap.depth = le16(bytes, kFileHeader + 14);
        const std::uint32_t compression = le32(bytes, kFileHeader + 16);
        std::uint32_t colours = le32(bytes, kFileHeader + 32);
        const std::uint32_t dataOffset = le32(bytes, 10);
        if (headerSize < kInfoHeader || compression != 0 || width <= 0 || height == 0
            || height == INT32_MIN)
            return std::nullopt;
        if (bitmap.depth != 1 && bitmap.depth != 4 && bitmap.depth != 8 && bitmap.depth != 24
            && bitmap.depth != 32)
            return std::nullopt;
        bitmap.width = width;
        bitmap.height = height < 0 ? -height : height;
        bitmap.topDown = height < 0;
        if (static_cast<std::int64_t>(bitmap.width) * bitmap.height > kMostPixels)
            return std::nullopt;
        bitmap.stride = (static_cast<size_t>(bitmap.width) * bitmap.depth + 31) / 32 * 4;
        if (bitmap.depth <= 8)
        {
            const std::uint32_t most = 1u << bitmap.depth;
            if (colours == 0 || colours > most)
                colours = most;
            const size_t paletteStart = kFileHeader + headerSize;
            if (paletteStart + 4 * static_cast<size_t>(colours) > bytes.size())
                return std::nullopt;
            for (std::uint32_t i = 0; i < colours; ++i)
                bitmap.palette.push_back({ bytes[paletteStart + 4 * i + 2],
                                           bytes[paletteStart + 4 * i + 1],
                                           bytes[paletteStart + 4 * i] });
        }
        bitmap.data = dataOffset;
        if (dataOffset > bytes.size()
            || bitmap.stride * static_cast<size_t>(bitmap.height) > bytes.size() - dataOffset)
            return std::nullopt;
        return bitmap;
    }

    int width = 0;
    int height = 0;

    /// Red, green and blue at (x, y), y counted from the top; none for a palette index beyond
    /// the palette.
    std::optional<std::array<std::uint8_t, 3>> at(int x, int y) const
    {
        const size_t row = data + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        switch (depth)
        {
            case 24:
            case 32:
            {
                const size_t pixel = row + static_cast<size_t>(x) * (depth / 8);
                return std::array<std::uint8_t, 3>{ (*bytes)[pixel + 2], (*bytes)[pixel + 1],
                                                    (*bytes)[pixel] };
            }
            default:
            {
                const size_t bit = static_cast<size_t>(x) * depth;
                const std::uint8_t byte = (*bytes)[row + bit / 8];
                const unsigned shift = 8 - depth - static_cast<unsigned>(bit % 8);
                const unsigned index = (byte >> shift) & ((1u << depth) - 1);
                if (index >= palette.size())
                    return std::nullopt;
                return palette[index];
            }
        }
    }

private:
    explicit Bitmap(const std::vector<std::uint8_t>& bytes)
        : bytes(&bytes)
    {
    }

    const std::vector<std::uint8_t>* bytes;
    unsigned depth = 0;
    bool topDown = false;
    size_t stride = 0;
    size_t data = 0;
    std::vector<std::array<std::uint8_t, 3>> palette;
};
}

std::optional<Pixels> pixelsOverWhite(const std::vector<std::uint8_t>& bitmapBytes,
                                      const std::vector<std::uint8_t>& maskBytes)
{
    const std::optional<Bitmap> bitmap = Bitmap::read(bitmapBytes);
    if (!bitmap)
        return std::nullopt;
    std::optional<Bitmap> mask;
    if (!maskBytes.empty())
    {
        mask = Bitmap::read(maskBytes);
        if (!mask || mask->width != bitmap->width || mask->height != bitmap->height)
            return std::nullopt;
    }
    Pixels pixels;
    pixels.width = bitmap->width;
    pixels.height = bitmap->height;
    pixels.rgb.reserve(static_cast<size_t>(pixels.width) * pixels.height * 3);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
        {
            const auto colour = bitmap->at(x, y);
            if (!colour)
                return std::nullopt;
            unsigned transparency = 0;
            if (mask)
            {
                const auto grey = mask->at(x, y);
                if (!grey)
                    return std::nullopt;
                transparency = (*grey)[0];
            }
            for (std::uint8_t channel : *colour)
                pixels.rgb.push_back(static_cast<std::uint8_t>(
                    (channel * (255 - transparency) + 255 * transparency + 127) / 255));
        }
    return pixels;
}
}
