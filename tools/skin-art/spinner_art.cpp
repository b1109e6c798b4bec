// The busy animation on the install button's page: a ring spinning around the brand mark.
#include <cmath>
#include <cstdio>
#include <numbers>

#include "tools/skin-art/art_sets.h"
#include "tools/skin-art/brand_mark.h"

namespace skin_art {

namespace {

constexpr double kTau = 2 * std::numbers::pi;
constexpr int kSize = 160;
constexpr double kCentre = kSize / 2.0;
constexpr double kRingRadius = 56;
constexpr double kRingWidth = 8;
constexpr int kFrames = 24;
constexpr double kArcSpan = 100.0 / 360.0 * kTau;

// The arc's colour with its opacity growing from the tail to the head, as a picture the arc is
// stroked with. Worked out per pixel by angle: short stroked segments of falling alpha would
// leave faint seams where their antialiased ends meet.
cairo_surface_t* CreateFadingArcSource(double headAngle) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const Colour colour = palette::kBlue;
    const double tailAngle = headAngle - kArcSpan;
    for (int y = 0; y < kSize; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < kSize; ++x) {
            const double angle = std::atan2(y + 0.5 - kCentre, x + 0.5 - kCentre);
            const double fromTail = std::fmod(std::fmod(angle - tailAngle, kTau) + kTau, kTau);
            double along = 0;  // 0 at the tail, 1 at the head
            if (fromTail <= kArcSpan) {
                along = fromTail / kArcSpan;
            } else if (fromTail < kArcSpan + 0.2) {
                along = 1;  // just past the head: the antialiased rim of its end
            }
            const double alpha = std::pow(along, 1.4);
            const auto channel = [alpha](double value) {
                return static_cast<uint32_t>(std::lround(value * alpha * 255));
            };
            row[x] = channel(1.0) << 24 | channel(colour.r) << 16 | channel(colour.g) << 8 |
                     channel(colour.b);
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

void DrawFrame(Canvas& canvas, int frame) {
    cairo_t* cr = canvas.cr();
    cairo_new_path(cr);
    cairo_arc(cr, kCentre, kCentre, kRingRadius, 0, kTau);
    cairo_set_line_width(cr, kRingWidth);
    SetColour(cr, Rgb(0xE3ECFB));
    cairo_stroke(cr);

    // Cairo's angles grow clockwise on screen, so adding 15 degrees a frame turns the arc
    // clockwise, one full turn over the 24 frames. Frame 0 has its head at twelve o'clock.
    const double headAngle = -kTau / 4 + frame * kTau / kFrames;
    cairo_surface_t* source = CreateFadingArcSource(headAngle);
    cairo_new_path(cr);
    cairo_arc(cr, kCentre, kCentre, kRingRadius, headAngle - kArcSpan, headAngle);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_stroke(cr);
    cairo_surface_destroy(source);

    // The round cap on the head only; the tail has faded out and needs none.
    cairo_new_path(cr);
    cairo_arc(cr, kCentre + kRingRadius * std::cos(headAngle),
              kCentre + kRingRadius * std::sin(headAngle), kRingWidth / 2, 0, kTau);
    SetColour(cr, palette::kBlue);
    cairo_fill(cr);

    constexpr double kMarkSize = 48;
    DrawBrandMark(cr, kCentre - kMarkSize / 2, kCentre - kMarkSize / 2, kMarkSize, 12);
}

}  // namespace

void WriteInstallAnimation(const SkinWriter& writer) {
    for (int frame = 0; frame < kFrames; ++frame) {
        Canvas canvas(kSize, kSize);
        DrawFrame(canvas, frame);
        char name[64];
        std::snprintf(name, sizeof name, "res/mainWnd/installBtnAnimate/%03d.png", frame);
        writer.Save(canvas, name);
    }
}

}  // namespace skin_art
