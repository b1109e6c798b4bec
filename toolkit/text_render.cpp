#include "toolkit/text_render.h"

#include <pango/pangocairo.h>

#include "sys/text.h"

namespace toolkit {
namespace {

// Tried after the skin's face, so Chinese text renders where that face is missing.
constexpr char kFallbackFaces[] =
    "WenQuanYi Micro Hei,Noto Sans CJK SC,Droid Sans Fallback,sans-serif";

PangoFontDescription* Describe(const FontInfo& font) {
    PangoFontDescription* description = pango_font_description_new();
    std::string families = Utils::ToUtf8(font.face);
    families += families.empty() ? "" : ",";
    families += kFallbackFaces;
    pango_font_description_set_family(description, families.c_str());
    pango_font_description_set_absolute_size(
        description, (font.size > 0 ? font.size : 12) * static_cast<double>(PANGO_SCALE));
    pango_font_description_set_weight(description,
                                      font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description,
                                     font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
}

// A cairo context that only measures: text is laid out the same way as for drawing.
cairo_t* MeasuringContext() {
    thread_local cairo_t* cr = [] {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* context = cairo_create(surface);
        cairo_surface_destroy(surface);
        return context;
    }();
    return cr;
}

// A single line shows line breaks as blanks; Pango would draw them as boxes there. One
// character stays one character, so caret positions keep matching the text.
std::wstring OneLine(std::wstring_view text) {
    std::wstring line(text);
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == L'\r') {
            const bool pair = i + 1 < line.size() && line[i + 1] == L'\n';
            line[i] = pair ? L'\u200B' : L' ';  // "\r\n" reads as one blank
        } else if (line[i] == L'\n') {
            line[i] = L' ';
        }
    }
    return line;
}

PangoLayout* MakeLayout(cairo_t* cr, const FontInfo& font, std::wstring_view text, uint32_t style,
                        int width) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = Describe(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    if (font.underline) {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attributes);
        pango_attr_list_unref(attributes);
    }
    const bool wrap = (style & kTextWordBreak) != 0 && (style & kTextSingleLine) == 0;
    const bool singleLine = (style & kTextSingleLine) != 0;
    const std::string utf8 = Utils::ToUtf8(singleLine ? OneLine(text) : std::wstring(text));
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    if (wrap && width > 0) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_alignment(layout, (style & kTextCenter) != 0  ? PANGO_ALIGN_CENTER
                                           : (style & kTextRight) != 0 ? PANGO_ALIGN_RIGHT
                                                                       : PANGO_ALIGN_LEFT);
    } else {
        pango_layout_set_single_paragraph_mode(layout, (style & kTextSingleLine) != 0);
        if ((style & kTextEndEllipsis) != 0 && width > 0) {
            pango_layout_set_width(layout, width * PANGO_SCALE);
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        }
    }
    return layout;
}

size_t ByteOffset(std::wstring_view text, size_t index) {
    size_t bytes = 0;
    for (size_t i = 0; i < index && i < text.size(); ++i) {
        const auto c = static_cast<uint32_t>(text[i]);
        bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    }
    return bytes;
}

}  // namespace

void SetSourceColor(cairo_t* cr, Color color) {
    cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                          (color & 0xFF) / 255.0, ((color >> 24) & 0xFF) / 255.0);
}

Size MeasureText(const FontInfo& font, std::wstring_view text, uint32_t style, int width) {
    PangoLayout* layout = MakeLayout(MeasuringContext(), font, text, style, width);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    return {logical.width, logical.height};
}

int CountMissingGlyphs(const FontInfo& font, std::wstring_view text) {
    PangoLayout* layout = MakeLayout(MeasuringContext(), font, text, kTextSingleLine, -1);
    const int missing = pango_layout_get_unknown_glyphs_count(layout);
    g_object_unref(layout);
    return missing;
}

void DrawText(cairo_t* cr, const Rect& rect, std::wstring_view text, Color color,
              const FontInfo& font, uint32_t style) {
    if (text.empty() || rect.IsEmpty()) return;
    PangoLayout* layout = MakeLayout(cr, font, text, style, rect.Width());
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    int x = rect.left;
    // A wrapped layout aligns inside its width itself; a single line is placed here.
    if (pango_layout_get_width(layout) < 0 ||
        pango_layout_get_ellipsize(layout) != PANGO_ELLIPSIZE_NONE) {
        if ((style & kTextCenter) != 0) {
            x += (rect.Width() - logical.width) / 2;
        } else if ((style & kTextRight) != 0) {
            x += rect.Width() - logical.width;
        }
        x -= logical.x;
    }
    int y = rect.top;
    if ((style & kTextVCenter) != 0) {
        y += (rect.Height() - logical.height) / 2;
    } else if ((style & kTextBottom) != 0) {
        y += rect.Height() - logical.height;
    }
    cairo_save(cr);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(cr);
    SetSourceColor(cr, color);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

TextLine::TextLine(const FontInfo& font, std::wstring_view text)
    : m_layout(MakeLayout(MeasuringContext(), font, text, kTextSingleLine, -1)), m_text(text) {
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(m_layout, nullptr, &logical);
    m_width = logical.width;
    m_height = logical.height;
}

TextLine::~TextLine() {
    g_object_unref(m_layout);
}

int TextLine::XOfIndex(size_t index) const {
    PangoRectangle strong{};
    pango_layout_get_cursor_pos(m_layout, static_cast<int>(ByteOffset(m_text, index)), &strong,
                                nullptr);
    return PANGO_PIXELS(strong.x);
}

size_t TextLine::IndexAtX(int x) const {
    if (x <= 0) return 0;
    if (x >= m_width) return m_text.size();
    int byteIndex = 0;
    int trailing = 0;
    pango_layout_xy_to_index(m_layout, x * PANGO_SCALE, 0, &byteIndex, &trailing);
    size_t index = 0;
    while (index < m_text.size() && ByteOffset(m_text, index) < static_cast<size_t>(byteIndex)) {
        ++index;
    }
    return std::min(m_text.size(), index + static_cast<size_t>(trailing));
}

void TextLine::Draw(cairo_t* cr, int x, int y, Color color) const {
    SetSourceColor(cr, color);
    cairo_move_to(cr, x, y);
    pango_cairo_update_layout(cr, m_layout);
    pango_cairo_show_layout(cr, m_layout);
}

}  // namespace toolkit
