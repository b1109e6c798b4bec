#include "tools/skin-art/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace skin_art {

namespace {

// The layouts key out pure red as "transparent" on some images, so a stray pixel of it would
// punch a hole into the window. Nothing here is meant to be red; catch it before it ships.
void RefuseMaskRed(cairo_surface_t* surface, const std::filesystem::path& path) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const bool hasAlpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = row[x];
            const uint32_t alpha = hasAlpha ? pixel >> 24 : 0xFF;
            const uint32_t red = (pixel >> 16) & 0xFF;
            // Premultiplied: pure red at any opacity has red == alpha and nothing else.
            if (alpha != 0 && red == alpha && (pixel & 0xFFFF) == 0) {
                throw std::runtime_error(path.string() + ": pixel " + std::to_string(x) + "," +
                                         std::to_string(y) + " is the mask colour #FF0000");
            }
        }
    }
}

void ApplyTextOptions(cairo_t* cr, PangoLayout* layout) {
    // Grey antialiasing: subpixel colour fringes would be baked into the image and look wrong
    // on any screen they are not made for.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_cairo_update_layout(cr, layout);
}

}  // namespace

Canvas::Canvas(int width, int height, bool opaque)
    : m_width(width),
      m_height(height),
      m_surface(cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width,
                                           height)),
      m_cr(cairo_create(m_surface)) {
    if (cairo_status(m_cr) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot create a " + std::to_string(width) + "x" +
                                 std::to_string(height) + " image");
    }
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas() {
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

void Canvas::SavePng(const std::filesystem::path& path) const {
    if (cairo_status(m_cr) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(path.string() +
                                 ": drawing failed: " + cairo_status_to_string(cairo_status(m_cr)));
    }
    RefuseMaskRed(m_surface, path);
    const cairo_status_t status = cairo_surface_write_to_png(m_surface, path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(path.string() + ": " + cairo_status_to_string(status));
    }
}

void SetColour(cairo_t* cr, Colour colour) {
    cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a);
}

void SetLinearGradient(cairo_t* cr, double x0, double y0, double x1, double y1, Colour from,
                       Colour to) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(x0, y0, x1, y1);
    cairo_pattern_add_color_stop_rgba(gradient, 0, from.r, from.g, from.b, from.a);
    cairo_pattern_add_color_stop_rgba(gradient, 1, to.r, to.g, to.b, to.a);
    cairo_set_source(cr, gradient);
    cairo_pattern_destroy(gradient);
}

void RoundedRectPath(cairo_t* cr, double x, double y, double width, double height, double radius) {
    constexpr double kQuarter = std::numbers::pi / 2;
    radius = std::min(radius, std::min(width, height) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - radius, y + radius, radius, -kQuarter, 0);
    cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, kQuarter);
    cairo_arc(cr, x + radius, y + height - radius, radius, kQuarter, 2 * kQuarter);
    cairo_arc(cr, x + radius, y + radius, radius, 2 * kQuarter, 3 * kQuarter);
    cairo_close_path(cr);
}

void RoundedBox(cairo_t* cr, double x, double y, double width, double height, double radius,
                Colour fill, Colour border, double borderWidth) {
    RoundedRectPath(cr, x, y, width, height, radius);
    SetColour(cr, fill);
    cairo_fill(cr);
    if (borderWidth <= 0) return;
    // Stroke along the middle of the border so its outer edge meets the fill's edge; the
    // radius shrinks with it so the curve stays concentric.
    const double half = borderWidth / 2;
    RoundedRectPath(cr, x + half, y + half, width - borderWidth, height - borderWidth,
                    radius - half);
    SetColour(cr, border);
    cairo_set_line_width(cr, borderWidth);
    cairo_stroke(cr);
}

void StrokePolyline(cairo_t* cr, std::initializer_list<std::pair<double, double>> points,
                    double lineWidth, Colour colour) {
    bool first = true;
    for (const auto& [x, y] : points) {
        if (first) {
            cairo_move_to(cr, x, y);
            first = false;
        } else {
            cairo_line_to(cr, x, y);
        }
    }
    cairo_set_line_width(cr, lineWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColour(cr, colour);
    cairo_stroke(cr);
}

TextLine::TextLine(cairo_t* cr, const std::string& text, Font font)
    : m_cr(cr), m_layout(pango_cairo_create_layout(cr)) {
    ApplyTextOptions(cr, m_layout);
    PangoFontDescription* description = pango_font_description_from_string(font.family);
    pango_font_description_set_absolute_size(description, font.pixelSize * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(m_layout, description);
    pango_font_description_free(description);
    pango_layout_set_text(m_layout, text.c_str(), static_cast<int>(text.size()));

    if (const int missing = pango_layout_get_unknown_glyphs_count(m_layout); missing != 0) {
        g_object_unref(m_layout);
        throw std::runtime_error("\"" + text + "\": " + std::to_string(missing) +
                                 " character(s) have no glyph in \"" + font.family +
                                 "\"; install fonts-wqy-microhei");
    }
    pango_layout_get_extents(m_layout, &m_ink, &m_logical);
}

TextLine::~TextLine() {
    g_object_unref(m_layout);
}

double TextLine::advance() const {
    return static_cast<double>(m_logical.width) / PANGO_SCALE;
}

void TextLine::DrawCentred(double centreX, double centreY, Colour colour) const {
    const double x = centreX - (m_logical.x + m_logical.width / 2.0) / PANGO_SCALE;
    const double y = centreY - (m_ink.y + m_ink.height / 2.0) / PANGO_SCALE;
    DrawAt(x, y, colour);
}

void TextLine::DrawLeft(double left, double centreY, Colour colour) const {
    const double y = centreY - (m_ink.y + m_ink.height / 2.0) / PANGO_SCALE;
    DrawAt(left - static_cast<double>(m_logical.x) / PANGO_SCALE, y, colour);
}

void TextLine::DrawAt(double x, double y, Colour colour) const {
    cairo_move_to(m_cr, std::round(x), std::round(y));
    SetColour(m_cr, colour);
    pango_cairo_show_layout(m_cr, m_layout);
}

}  // namespace skin_art
