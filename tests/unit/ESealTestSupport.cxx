// What the tests of the electronic-seal library and the seal-making tool share.

#include "ESealTestSupport.hxx"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace esealtest
{
namespace
{
int appendToBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

struct ReadCursor
{
    const Bytes* bytes;
    size_t offset;
};

int readFromBytes(GifFileType* gif, GifByteType* into, int length)
{
    auto* cursor = static_cast<ReadCursor*>(gif->UserData);
    const size_t count
        = std::min(static_cast<size_t>(length), cursor->bytes->size() - cursor->offset);
    std::memcpy(into, cursor->bytes->data() + cursor->offset, count);
    cursor->offset += count;
    return static_cast<int>(count);
}
}

TestAuthority::TestAuthority(const std::string& folder, const std::string& name)
    : directory(folder + "/authority")
    , trustDirectory(folder + "/trusted")
{
    quillmark::authority::writeAuthority(quillmark::authority::makeAuthority(name), directory);
    authority = quillmark::authority::loadAuthority(directory);
    std::filesystem::create_directories(trustDirectory);
    std::filesystem::copy_file(directory + "/" + quillmark::authority::kAuthorityCertificateFile,
                               trustDirectory + "/authority.crt");
}

PinFile::PinFile(const std::string& folder, const std::string& pin)
    : file(folder + "/seal-pin")
    , variable("KTXESEAL_PIN_FILE", file)
{
    std::filesystem::remove(file);
    std::ofstream(file) << pin << "\n";
    std::filesystem::permissions(file, std::filesystem::perms::owner_read
                                           | std::filesystem::perms::owner_write);
}

TemporaryDirectory::TemporaryDirectory()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/eseal-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary directory");
    directory = pattern;
}

TemporaryDirectory::~TemporaryDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

ScopedVariable::ScopedVariable(std::string name, const std::optional<std::string>& value)
    : variable(std::move(name))
{
    if (const char* current = std::getenv(variable.c_str()))
        previous = current;
    if (value)
        setenv(variable.c_str(), value->c_str(), 1);
    else
        unsetenv(variable.c_str());
}

ScopedVariable::~ScopedVariable()
{
    if (previous)
        setenv(variable.c_str(), previous->c_str(), 1);
    else
        unsetenv(variable.c_str());
}

Bytes encodeGif(int width, int height, const std::vector<GifPixelType>& indices)
{
    GifColorType greys[256];
    for (int index = 0; index < 256; ++index)
    {
        const auto grey = static_cast<GifByteType>(index);
        greys[index] = { grey, grey, grey };
    }
    ColorMapObject* colourMap = GifMakeMapObject(256, greys);
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToBytes, &error);
    EGifSetGifVersion(gif, true);
    std::vector<GifPixelType> row(static_cast<size_t>(width));
    bool written = EGifPutScreenDesc(gif, width, height, 8, 0, colourMap) == GIF_OK
                   && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; written && y < height; ++y)
    {
        std::copy_n(indices.begin() + static_cast<long>(y) * width, width, row.begin());
        written = EGifPutLine(gif, row.data(), width) == GIF_OK;
    }
    written = EGifCloseFile(gif, &error) == GIF_OK && written;
    GifFreeMapObject(colourMap);
    if (!written)
        throw std::runtime_error("giflib cannot write a test picture");
    return out;
}

std::optional<DecodedGif> decodeGif(const Bytes& bytes)
{
    ReadCursor cursor{ &bytes, 0 };
    int error = 0;
    GifFileType* gif = DGifOpen(&cursor, readFromBytes, &error);
    if (!gif)
        return std::nullopt;
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1)
    {
        DGifCloseFile(gif, &error);
        return std::nullopt;
    }
    DecodedGif decoded;
    decoded.screenWidth = gif->SWidth;
    decoded.screenHeight = gif->SHeight;
    decoded.imageCount = gif->ImageCount;
    const SavedImage& image = gif->SavedImages[0];
    decoded.imageWidth = image.ImageDesc.Width;
    decoded.imageHeight = image.ImageDesc.Height;
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, 0, &control);
    const ColorMapObject* colours
        = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    const size_t count = static_cast<size_t>(decoded.imageWidth * decoded.imageHeight);
    for (size_t index = 0; colours && index < count; ++index)
    {
        const int colour = image.RasterBits[index];
        if (colour >= colours->ColorCount)
            break;
        if (colour == control.TransparentColor)
            decoded.pixels.emplace_back();
        else
            decoded.pixels.push_back(Rgb{ colours->Colors[colour].Red,
                                          colours->Colors[colour].Green,
                                          colours->Colors[colour].Blue });
    }
    DGifCloseFile(gif, &error);
    if (decoded.pixels.size() != count)
        return std::nullopt;
    return decoded;
}

bool isSealRed(const std::optional<Rgb>& colour)
{
    return colour && colour->red >= 200 && colour->green <= 60 && colour->blue <= 60;
}

Bytes readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::string& path, const Bytes& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()),
              static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
}
