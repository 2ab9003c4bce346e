// The seal picture: a red ring, a five-pointed star in the middle and the organisation's name
// around the upper edge, as a small GIF.

#include "SealPictureDrawing.hxx"

#include <Utf8.hxx>

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace quillmark::sealmaker
{
namespace
{
constexpr double kPi = 3.14159265358979323846;
/// Shades of red from transparent to full; eight keep the edges smooth and the GIF small.
constexpr int kShadeCount = 8;
constexpr int kTransparentIndex = 0;
/// Widest arc the name may take, centred on the top.
constexpr double kLargestNameArc = 250.0 * kPi / 180.0;
/// A short name is spread over this arc, its characters at most kWidestSpacing apart.
constexpr double kSmallestNameArc = 150.0 * kPi / 180.0;
constexpr double kWidestSpacing = 1.8;

struct FontconfigFree
{
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
using OwnedConfig = std::unique_ptr<FcConfig, FontconfigFree>;
using OwnedPattern = std::unique_ptr<FcPattern, FontconfigFree>;

struct CairoFree
{
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
    void operator()(cairo_t* context) const { cairo_destroy(context); }
    void operator()(cairo_font_face_t* face) const { cairo_font_face_destroy(face); }
};
template <typename T>
using CairoPtr = std::unique_ptr<T, CairoFree>;

/// The seal font as fontconfig finds it; a fallback to another family would draw the name
/// with some other font or none, so only the named family is accepted.
OwnedPattern findSealFont()
{
    // A configuration of our own, released after the match: fontconfig's default one lives until
    // the process ends and shows up as a leak in every sanitized test that draws a seal.
    OwnedConfig config(FcInitLoadConfigAndFonts());
    if (!config)
        throw std::runtime_error("fontconfig cannot load its configuration");
    OwnedPattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>(kSealFontFamily)));
    if (!pattern)
        throw std::runtime_error("fontconfig cannot parse the font name");
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    OwnedPattern match(FcFontMatch(config.get(), pattern.get(), &result));
    FcChar8* family = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch
        || std::string(reinterpret_cast<const char*>(family)) != kSealFontFamily)
        throw std::runtime_error(std::string("the font \"") + kSealFontFamily
                                 + "\" is not installed (Debian package fonts-wqy-zenhei)");
    return match;
}

void requireGlyphs(FcPattern* font, const std::vector<std::string_view>& characters)
{
    FcCharSet* glyphs = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &glyphs) != FcResultMatch)
        throw std::runtime_error("fontconfig reports no characters for the seal font");
    for (std::string_view character : characters)
    {
        FcChar32 codePoint = 0;
        if (FcUtf8ToUcs4(reinterpret_cast<const FcChar8*>(character.data()), &codePoint,
                         static_cast<int>(character.size()))
                <= 0
            || !FcCharSetHasChar(glyphs, codePoint))
            throw std::runtime_error("the seal font has no glyph for \"" + std::string(character)
                                     + "\"");
    }
}

void setRed(cairo_t* context)
{
    cairo_set_source_rgb(context, kSealRed[0] / 255.0, kSealRed[1] / 255.0, kSealRed[2] / 255.0);
}

void drawRing(cairo_t* context, double centre, double radius, double width)
{
    cairo_set_line_width(context, width);
    cairo_arc(context, centre, centre, radius, 0, 2 * kPi);
    cairo_stroke(context);
}

void drawStar(cairo_t* context, double centre, double outerRadius)
{
    // Inner to outer radius of a regular five-pointed star.
    const double innerRadius = outerRadius * std::sin(kPi / 10) / std::sin(3 * kPi / 10);
    for (int point = 0; point < 10; ++point)
    {
        const double radius = point % 2 == 0 ? outerRadius : innerRadius;
        const double angle = -kPi / 2 + point * kPi / 5;
        const double x = centre + radius * std::cos(angle);
        const double y = centre + radius * std::sin(angle);
        if (point == 0)
            cairo_move_to(context, x, y);
        else
            cairo_line_to(context, x, y);
    }
    cairo_close_path(context);
    cairo_fill(context);
}

/// Sets each character upright towards the ring, their centres on a circle, spread evenly over
/// an arc centred on the top as on a paper seal; shrinks the font until a long name fits.
void drawName(cairo_t* context, const std::vector<std::string_view>& characters, double centre,
              double outerRadius, double fontSize)
{
    const size_t count = characters.size();
    double radius = outerRadius - fontSize * 0.62;
    // Characters stand about their own width apart along the circle.
    double step = fontSize * 1.08 / radius;
    if (count > 1 && step * static_cast<double>(count - 1) > kLargestNameArc)
    {
        step = kLargestNameArc / static_cast<double>(count - 1);
        fontSize = std::min(fontSize, step * outerRadius / (1.08 + step * 0.62));
        radius = outerRadius - fontSize * 0.62;
    }
    else if (count > 1 && step * static_cast<double>(count - 1) < kSmallestNameArc)
        step = std::min(kSmallestNameArc / static_cast<double>(count - 1), step * kWidestSpacing);
    if (fontSize < 6.0)
        throw std::runtime_error("the name is too long for a seal picture of this size");
    cairo_set_font_size(context, fontSize);

    const double firstAngle = -step * static_cast<double>(count - 1) / 2;
    for (size_t index = 0; index < count; ++index)
    {
        const std::string character(characters[index]);
        cairo_text_extents_t extents;
        cairo_text_extents(context, character.c_str(), &extents);
        cairo_save(context);
        cairo_translate(context, centre, centre);
        cairo_rotate(context, firstAngle + step * static_cast<double>(index));
        cairo_move_to(context, -(extents.x_bearing + extents.width / 2),
                      -radius - (extents.y_bearing + extents.height / 2));
        cairo_show_text(context, character.c_str());
        cairo_restore(context);
    }
}

/// Coverage of each pixel as a shade index; the drawing is all one red, so alpha is coverage.
std::vector<GifPixelType> shadeIndices(cairo_surface_t* surface, int width, int height)
{
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<GifPixelType> indices(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
    {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x)
        {
            const unsigned alpha = row[x] >> 24;
            indices[static_cast<size_t>(y * width + x)]
                = static_cast<GifPixelType>((alpha * (kShadeCount - 1) + 127) / 255);
        }
    }
    return indices;
}

int appendToBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* out = static_cast<ktxeseal::Bytes*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

ktxeseal::Bytes encodeGif(std::vector<GifPixelType>& indices, int width, int height)
{
    GifColorType colours[kShadeCount];
    for (int shade = 0; shade < kShadeCount; ++shade)
    {
        // Shade 0 is transparent; its colour, white, only shows where transparency is ignored.
        auto towardsWhite = [shade](unsigned char red) {
            return static_cast<GifByteType>(255 - (255 - red) * shade / (kShadeCount - 1));
        };
        colours[shade]
            = { towardsWhite(kSealRed[0]), towardsWhite(kSealRed[1]), towardsWhite(kSealRed[2]) };
    }
    ColorMapObject* colourMap = GifMakeMapObject(kShadeCount, colours);
    ktxeseal::Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToBytes, &error);
    if (!colourMap || !gif)
    {
        GifFreeMapObject(colourMap);
        if (gif)
            EGifCloseFile(gif, &error);
        throw std::runtime_error("giflib cannot start a GIF");
    }
    EGifSetGifVersion(gif, true);
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.TransparentColor = kTransparentIndex;
    GifByteType extension[4];
    const size_t extensionLength = EGifGCBToExtension(&control, extension);
    bool written = EGifPutScreenDesc(gif, width, height, 8, kTransparentIndex, colourMap) == GIF_OK
                   && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE,
                                       static_cast<int>(extensionLength), extension)
                          == GIF_OK
                   && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; written && y < height; ++y)
        written
            = EGifPutLine(gif, indices.data() + static_cast<size_t>(y * width), width) == GIF_OK;
    written = EGifCloseFile(gif, &error) == GIF_OK && written;
    GifFreeMapObject(colourMap);
    if (!written)
        throw std::runtime_error("giflib cannot write the seal picture");
    return out;
}

/// The seal font as cairo draws it, with its glyphs checked for `characters`.
CairoPtr<cairo_font_face_t> sealFontFace(const std::vector<std::string_view>& characters)
{
    OwnedPattern font = findSealFont();
    requireGlyphs(font.get(), characters);
    CairoPtr<cairo_font_face_t> face(cairo_ft_font_face_create_for_pattern(font.get()));
    if (cairo_font_face_status(face.get()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cairo cannot use the seal font");
    return face;
}
}

ktxeseal::Bytes drawSealPicture(const std::string& organisation, int size)
{
    if (size < kSmallestPictureSize || size > kLargestPictureSize)
        throw std::runtime_error("the seal picture must be " + std::to_string(kSmallestPictureSize)
                                 + " to " + std::to_string(kLargestPictureSize)
                                 + " pixels wide (a wider one would not survive the picture "
                                   "block)");
    const auto characters = ktxeseal::splitUtf8Characters(organisation);
    if (!characters || characters->empty())
        throw std::runtime_error("the organisation name must be non-empty UTF-8 text");
    CairoPtr<cairo_font_face_t> face = sealFontFace(*characters);

    CairoPtr<cairo_surface_t> surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size));
    CairoPtr<cairo_t> context(cairo_create(surface.get()));
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cairo cannot draw the seal picture");
    cairo_set_font_face(context.get(), face.get());
    setRed(context.get());

    const double centre = size / 2.0;
    const double ringWidth = std::max(2.0, size * 0.04);
    const double ringRadius = centre - 1.0 - ringWidth / 2;
    drawRing(context.get(), centre, ringRadius, ringWidth);
    drawStar(context.get(), centre, size * 0.19);
    drawName(context.get(), *characters, centre, ringRadius - ringWidth / 2 - size * 0.03,
             size * 0.14);
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cairo cannot draw the seal picture");

    std::vector<GifPixelType> indices = shadeIndices(surface.get(), size, size);
    return encodeGif(indices, size, size);
}

ktxeseal::Bytes drawStampAreaPicture()
{
    static const char kCaption[] = u8"盖章区域";
    const auto characters = ktxeseal::splitUtf8Characters(kCaption);
    CairoPtr<cairo_font_face_t> face = sealFontFace(*characters);

    constexpr int kWidth = kStampAreaWidth;
    constexpr int kHeight = kStampAreaHeight;
    CairoPtr<cairo_surface_t> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight));
    CairoPtr<cairo_t> context(cairo_create(surface.get()));
    cairo_set_font_face(context.get(), face.get());
    setRed(context.get());

    const double dash[] = { 8.0, 4.0 };
    cairo_set_dash(context.get(), dash, 2, 0);
    cairo_set_line_width(context.get(), 3.0);
    cairo_rectangle(context.get(), 2.5, 2.5, kWidth - 5.0, kHeight - 5.0);
    cairo_stroke(context.get());

    cairo_set_font_size(context.get(), kHeight * 0.3);
    cairo_text_extents_t extents;
    cairo_text_extents(context.get(), kCaption, &extents);
    cairo_move_to(context.get(), (kWidth - extents.width) / 2 - extents.x_bearing,
                  (kHeight - extents.height) / 2 - extents.y_bearing);
    cairo_show_text(context.get(), kCaption);
    if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cairo cannot draw the stamping-area picture");

    std::vector<GifPixelType> indices = shadeIndices(surface.get(), kWidth, kHeight);
    return encodeGif(indices, kWidth, kHeight);
}
}
