// The drawing basics every skin image shares: colours, an image to draw on, rounded shapes and
// text laid out with Pango.
//
// Coordinates are pixels. A 1px line lands on whole pixels only when its centre is at n + 0.5,
// so the outline helpers take the outer edge and do that offset themselves.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>

namespace skin_art {

struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

// 0xRRGGBB, the way the palette is written down.
constexpr Colour Rgb(uint32_t rgb, double alpha = 1.0) {
    return Colour{((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0,
                  alpha};
}

namespace palette {
inline constexpr Colour kBlue = Rgb(0x1675FE);
inline constexpr Colour kBlueLight = Rgb(0x3D8BFE);
inline constexpr Colour kBlueLighter = Rgb(0x5A9DFD);
inline constexpr Colour kBluePressed = Rgb(0x1365DB);
inline constexpr Colour kTextDark = Rgb(0x282A43);
inline constexpr Colour kTextMid = Rgb(0x606178);
inline constexpr Colour kMuted = Rgb(0x8991AF);
inline constexpr Colour kBorder = Rgb(0xD0D7E2);
inline constexpr Colour kFillLight = Rgb(0xF3F7FF);
inline constexpr Colour kFillGrey = Rgb(0xE6EBF3);
inline constexpr Colour kWhite = Rgb(0xFFFFFF);
inline constexpr Colour kWarning = Rgb(0xFF9F1C);
}  // namespace palette

// Chinese labels; the first face is the one the target machines ship, the others are fallbacks.
inline constexpr const char* kCjkFamily = "WenQuanYi Micro Hei,Noto Sans CJK SC,sans-serif";
inline constexpr const char* kLatinFamily = "DejaVu Sans,sans-serif";

// A transparent (or opaque) ARGB image with its drawing context.
class Canvas {
public:
    Canvas(int width, int height, bool opaque = false);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return m_cr; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    // Throws std::runtime_error when the file cannot be written.
    void SavePng(const std::filesystem::path& path) const;

private:
    int m_width;
    int m_height;
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
};

void SetColour(cairo_t* cr, Colour colour);
void SetLinearGradient(cairo_t* cr, double x0, double y0, double x1, double y1, Colour from,
                       Colour to);

void RoundedRectPath(cairo_t* cr, double x, double y, double width, double height, double radius);
// Fills the box and, if borderWidth > 0, strokes a border whose outer edge is the box's edge.
void RoundedBox(cairo_t* cr, double x, double y, double width, double height, double radius,
                Colour fill, Colour border, double borderWidth);

// A polyline with round caps and joins: check marks, chevrons, crosses.
void StrokePolyline(cairo_t* cr, std::initializer_list<std::pair<double, double>> points,
                    double lineWidth, Colour colour);

struct Font {
    const char* family;
    double pixelSize;
    bool bold = false;
};

// One line of text. Throws if any character would come out as a missing-glyph box, so a machine
// without the Chinese face fails the run instead of producing broken art.
class TextLine {
public:
    TextLine(cairo_t* cr, const std::string& text, Font font);
    ~TextLine();
    TextLine(const TextLine&) = delete;
    TextLine& operator=(const TextLine&) = delete;

    double advance() const;  // logical width

    // Horizontally by the advance, vertically by the ink: labels then look centred whether or
    // not they have descenders. Whole-pixel origins keep the glyphs as the hinter made them.
    void DrawCentred(double centreX, double centreY, Colour colour) const;
    void DrawLeft(double left, double centreY, Colour colour) const;

private:
    void DrawAt(double x, double y, Colour colour) const;

    cairo_t* m_cr;
    PangoLayout* m_layout;
    PangoRectangle m_ink{};
    PangoRectangle m_logical{};
};

}  // namespace skin_art
