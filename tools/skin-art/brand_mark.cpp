#include "tools/skin-art/brand_mark.h"

#include <cmath>
#include <numbers>

#include "tools/skin-art/canvas.h"

namespace skin_art {

namespace {

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

}  // namespace

void DrawBrandMark(cairo_t* cr, double x, double y, double size, double cornerRadius) {
    cairo_save(cr);
    RoundedRectPath(cr, x, y, size, size, cornerRadius);
    SetLinearGradient(cr, x, y, x + size, y + size, palette::kBlueLight, palette::kBluePressed);
    cairo_fill(cr);

    // Proportions taken from the 44px mark (ring radius 11, stroke 5) so every size matches.
    const double centreX = x + size / 2;
    const double centreY = y + size / 2;
    const double ringRadius = size * 11.0 / 44.0;
    const double stroke = size * 5.0 / 44.0;

    // The gap faces right, like a "C"; round caps eat into it, so it is cut a little wider
    // than the quarter turn it should read as.
    cairo_new_path(cr);
    cairo_arc(cr, centreX, centreY, ringRadius, Radians(48), Radians(312));
    cairo_set_line_width(cr, stroke);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, palette::kWhite);
    cairo_stroke(cr);

    cairo_arc(cr, centreX + ringRadius, centreY, stroke * 0.56, 0, 2 * std::numbers::pi);
    cairo_fill(cr);
    cairo_restore(cr);
}

}  // namespace skin_art
