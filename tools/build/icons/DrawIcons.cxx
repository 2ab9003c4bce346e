// Draws the seal toolbar's icons: a red seal ring around the command's character, in the two
// sizes the office asks add-ons for.

#include <CommandLine.hxx>

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <cmath>
#include <iostream>
#include <string>

namespace
{
struct Icon
{
    const char* command;
    const char* glyph;
};

constexpr Icon kIcons[] = {
    { "InsertStampArea", u8"区" }, { "StampDocument", u8"盖" }, { "VerifyDocument", u8"验" },
    { "ShowSealInfo", u8"信" },    { "RemoveSeal", u8"撤" },    { "DeleteSeal", u8"删" },
    { "MarkField", u8"域" },       { "SignField", u8"签" },     { "VerifyField", u8"核" },
    { "RemoveFieldSeal", u8"消" },
};

constexpr int kSizes[] = { 16, 26 };

bool drawIcon(const Icon& icon, int size, const std::string& path)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    const double centre = size / 2.0;
    const double ring = size / 13.0;
    cairo_set_source_rgb(cr, 0.80, 0.05, 0.05);
    cairo_set_line_width(cr, ring);
    cairo_arc(cr, centre, centre, centre - ring / 2 - 0.5, 0, 2 * M_PI);
    cairo_stroke(cr);

    cairo_select_font_face(cr, "WenQuanYi Zen Hei", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size * 0.62);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, icon.glyph, &extents);
    cairo_move_to(cr, centre - extents.width / 2 - extents.x_bearing,
                  centre - extents.height / 2 - extents.y_bearing);
    cairo_show_text(cr, icon.glyph);

    cairo_surface_flush(surface);
    const bool written
        = cairo_status(cr) == CAIRO_STATUS_SUCCESS
          && cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return written;
}
}

int main(int argc, char** argv)
{
    constexpr char kUsage[] = "usage: quillmark-draw-icons FOLDER\n"
                              "  Draws the seal toolbar's icons into FOLDER as PNG files.\n";
    std::string folder;
    try
    {
        const auto operands = quillmark::commandline::operandsOnly(argc, argv, 1, 1);
        if (!operands)
        {
            std::cout << kUsage;
            return 0;
        }
        folder = operands->front();
    }
    catch (const quillmark::commandline::UsageError& error)
    {
        std::cerr << "quillmark-draw-icons: " << error.what() << "\n" << kUsage;
        return quillmark::commandline::kUsageStatus;
    }
    int status = 0;
    for (const Icon& icon : kIcons)
        for (int size : kSizes)
        {
            const std::string path
                = folder + "/" + icon.command + "_" + std::to_string(size) + ".png";
            if (status == 0 && !drawIcon(icon, size, path))
            {
                std::cerr << "cannot write " << path << "\n";
                status = 1;
            }
        }
    // The toy font API keeps fontconfig's state for the process; release it so that the
    // sanitized build's leak check sees only what this program itself leaks.
    cairo_debug_reset_static_data();
    FcFini();
    return status;
}
