// What the tests of the electronic-seal library and the seal-making tool share: throwaway
// directories, environment variables set for one test, and GIF pictures made or read with giflib.
#pragma once

#include <SealAuthority.hxx>
#include <gif_lib.h>

#include <optional>
#include <string>
#include <vector>

namespace esealtest
{
using Bytes = std::vector<unsigned char>;

/// A fresh directory under $TMPDIR (or /tmp), removed with everything in it at the end.
class TemporaryDirectory
{
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return directory; }

private:
    std::string directory;
};

/// Sets (or, with nothing, unsets) an environment variable until the end of the scope.
class ScopedVariable
{
public:
    ScopedVariable(std::string name, const std::optional<std::string>& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string variable;
    std::optional<std::string> previous;
};

/// The PIN the tests' seals are made with.
inline constexpr char kTestPin[] = "13572468";

/// A file holding `pin`, readable by its owner only, named by KTXESEAL_PIN_FILE until the end of
/// the scope: the seal library's PIN, as programs give it.
class PinFile
{
public:
    PinFile(const std::string& folder, const std::string& pin = kTestPin);

    const std::string& path() const { return file; }

private:
    std::string file;
    ScopedVariable variable;
};

/// A seal authority made in `folder`/authority, and a folder `folder`/trusted that holds its
/// certificate alone, to be named by KTXESEAL_TRUST_DIR.
struct TestAuthority
{
    explicit TestAuthority(const std::string& folder,
                           const std::string& name = "测试电子印章制作中心");

    quillmark::authority::Authority authority;
    std::string directory;
    std::string trustDirectory;
};

/// A GIF89a of the given size whose pixel (x, y) has the colour index `pixel(x, y)` of a
/// 256-colour grey map.
template <typename Pixel>
Bytes makeGif(int width, int height, Pixel pixel);

/// One colour of a decoded GIF, or nothing for a transparent pixel.
struct Rgb
{
    int red = 0;
    int green = 0;
    int blue = 0;
};

/// A GIF decoded with giflib: the size of its logical screen and of its first image, and the
/// colours of that image.
struct DecodedGif
{
    int screenWidth = 0;
    int screenHeight = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    int imageCount = 0;
    std::vector<std::optional<Rgb>> pixels;

    const std::optional<Rgb>& at(int x, int y) const { return pixels[y * imageWidth + x]; }
};

/// Nothing when giflib cannot read the bytes.
std::optional<DecodedGif> decodeGif(const Bytes& gif);

bool isSealRed(const std::optional<Rgb>& colour);

Bytes readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const Bytes& content);

/// Made with giflib, independently of the code under test.
Bytes encodeGif(int width, int height, const std::vector<GifPixelType>& indices);

template <typename Pixel>
Bytes makeGif(int width, int height, Pixel pixel)
{
    std::vector<GifPixelType> indices(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
            indices[static_cast<size_t>(y * width + x)] = static_cast<GifPixelType>(pixel(x, y));
    }
    return encodeGif(width, height, indices);
}
}
