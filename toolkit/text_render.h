// Text drawing and measuring with Pango: font face, pixel size, weight, underline, alignment,
// single line or wrapped. Faces missing on the system (a skin's "微软雅黑") fall back to a
// CJK-capable face. UI thread.
#pragma once

#include <cairo.h>

#include <string>
#include <string_view>

#include "toolkit/types.h"

typedef struct _PangoLayout PangoLayout;

namespace toolkit {

struct FontInfo {
    std::wstring face;
    int size = 12;  // pixels
    bool bold = false;
    bool underline = false;
    bool italic = false;
};

// Text style flags (the system's text-drawing values).
inline constexpr uint32_t kTextLeft = 0x0000;
inline constexpr uint32_t kTextCenter = 0x0001;
inline constexpr uint32_t kTextRight = 0x0002;
inline constexpr uint32_t kTextTop = 0x0000;
inline constexpr uint32_t kTextVCenter = 0x0004;
inline constexpr uint32_t kTextBottom = 0x0008;
inline constexpr uint32_t kTextWordBreak = 0x0010;
inline constexpr uint32_t kTextSingleLine = 0x0020;
inline constexpr uint32_t kTextEndEllipsis = 0x8000;

// Size of `text` drawn in `font` with `style`; wrapped text breaks at `width` pixels.
Size MeasureText(const FontInfo& font, std::wstring_view text, uint32_t style, int width);

// How many characters of `text` no installed face can show in `font`; 0 when all render.
int CountMissingGlyphs(const FontInfo& font, std::wstring_view text);

// Draws `text` inside `rect` (clipped to it) with the alignment of `style`.
void DrawText(cairo_t* cr, const Rect& rect, std::wstring_view text, Color color,
              const FontInfo& font, uint32_t style);

// One line of text laid out once, for editing: caret positions and hit tests by character.
class TextLine {
public:
    TextLine(const FontInfo& font, std::wstring_view text);
    ~TextLine();
    TextLine(const TextLine&) = delete;
    TextLine& operator=(const TextLine&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // X of the caret before character `index` (0..length).
    int XOfIndex(size_t index) const;
    // The caret position (0..length) nearest to `x`.
    size_t IndexAtX(int x) const;
    void Draw(cairo_t* cr, int x, int y, Color color) const;

private:
    PangoLayout* m_layout;
    std::wstring m_text;
    int m_width = 0;
    int m_height = 0;
};

// Sets the cairo source to a 0xAARRGGBB colour.
void SetSourceColor(cairo_t* cr, Color color);

}  // namespace toolkit
