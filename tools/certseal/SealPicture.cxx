#include "SealPicture.hxx"

#include <cairo.h>

#include <cmath>
#include <stdexcept>

namespace quillmark::certseal
{
void writeDefaultSealPicture(const std::string& path, const std::string& name)
{
    constexpr int kSize = 400;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, 0.85, 0.05, 0.05, 1.0);

    cairo_set_line_width(cr, 14);
    cairo_arc(cr, kSize / 2.0, kSize / 2.0, kSize / 2.0 - 12, 0, 2 * M_PI);
    cairo_stroke(cr);

    // A five-pointed star in the middle.
    const double radius = kSize * 0.16;
    for (int i = 0; i < 10; ++i)
    {
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double r = i % 2 == 0 ? radius : radius * 0.38;
        const double x = kSize / 2.0 + r * std::cos(angle);
        const double y = kSize * 0.42 + r * std::sin(angle);
        i == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
    cairo_fill(cr);

    cairo_select_font_face(cr, "WenQuanYi Zen Hei", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_BOLD);
    double fontSize = 44;
    cairo_text_extents_t extents;
    do
    {
        cairo_set_font_size(cr, fontSize);
        cairo_text_extents(cr, name.c_str(), &extents);
        fontSize -= 2;
    } while (extents.width > kSize * 0.7 && fontSize > 12);
    cairo_move_to(cr, (kSize - extents.width) / 2 - extents.x_bearing, kSize * 0.75);
    cairo_show_text(cr, name.c_str());

    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write the seal picture " + path);
}
} // namespace quillmark::certseal
