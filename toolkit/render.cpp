#include "toolkit/render.h"

#include <algorithm>
#include <cmath>

#include "toolkit/image_cache.h"
#include "toolkit/text_render.h"

namespace toolkit {
namespace {

void DrawPart(cairo_t* cr, cairo_surface_t* surface, const Rect& source, const Rect& dest,
              double alpha, bool tileX, bool tileY) {
    if (source.IsEmpty() || dest.IsEmpty()) return;
    cairo_surface_t* part = cairo_surface_create_for_rectangle(surface, source.left, source.top,
                                                               source.Width(), source.Height());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
    const double scaleX = tileX ? 1.0 : static_cast<double>(source.Width()) / dest.Width();
    const double scaleY = tileY ? 1.0 : static_cast<double>(source.Height()) / dest.Height();
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, scaleX, scaleY);
    cairo_matrix_translate(&matrix, -dest.left, -dest.top);
    cairo_pattern_set_matrix(pattern, &matrix);
    // Padding (not repeating) the part keeps a stretched edge from sampling its neighbours.
    cairo_pattern_set_extend(pattern, (tileX || tileY) ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
    const bool exact = scaleX == 1.0 && scaleY == 1.0;
    cairo_pattern_set_filter(pattern, exact ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
    cairo_save(cr);
    cairo_rectangle(cr, dest.left, dest.top, dest.Width(), dest.Height());
    cairo_clip(cr);
    cairo_set_source(cr, pattern);
    if (alpha >= 1.0) {
        cairo_paint(cr);
    } else {
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(part);
}

}  // namespace

void FillRect(cairo_t* cr, const Rect& rect, Color color) {
    if (rect.IsEmpty() || (color >> 24) == 0) return;
    SetSourceColor(cr, color);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_fill(cr);
}

void AddRoundRectPath(cairo_t* cr, const Rect& rect, Size round) {
    const double rx = std::min(round.cx / 2.0, rect.Width() / 2.0);
    const double ry = std::min(round.cy / 2.0, rect.Height() / 2.0);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
        return;
    }
    const double corners[4][3] = {{rect.right - rx, rect.top + ry, -M_PI / 2},
                                  {rect.right - rx, rect.bottom - ry, 0},
                                  {rect.left + rx, rect.bottom - ry, M_PI / 2},
                                  {rect.left + rx, rect.top + ry, M_PI}};
    cairo_new_sub_path(cr);
    for (const auto& c : corners) {
        cairo_save(cr);
        cairo_translate(cr, c[0], c[1]);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, c[2], c[2] + M_PI / 2);
        cairo_restore(cr);
    }
    cairo_close_path(cr);
}

void FillRoundRect(cairo_t* cr, const Rect& rect, Size round, Color color) {
    if (rect.IsEmpty() || (color >> 24) == 0) return;
    SetSourceColor(cr, color);
    AddRoundRectPath(cr, rect, round);
    cairo_fill(cr);
}

void DrawBorder(cairo_t* cr, const Rect& rect, int width, Color color) {
    if (width <= 0 || rect.IsEmpty() || (color >> 24) == 0) return;
    SetSourceColor(cr, color);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    const Rect inner = rect.Deflate({width, width, width, width});
    if (!inner.IsEmpty()) {
        cairo_rectangle(cr, inner.left, inner.top, inner.Width(), inner.Height());
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    }
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

void DrawRoundBorder(cairo_t* cr, const Rect& rect, int width, Size round, Color color) {
    if (width <= 0 || rect.IsEmpty() || (color >> 24) == 0) return;
    const double half = width / 2.0;
    SetSourceColor(cr, color);
    cairo_save(cr);
    cairo_translate(cr, half, half);
    AddRoundRectPath(cr, {rect.left, rect.top, rect.right - width, rect.bottom - width}, round);
    cairo_restore(cr);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

void DrawNineGrid(cairo_t* cr, cairo_surface_t* surface, const Rect& source, const Rect& dest,
                  const Rect& corner, int alpha, bool hole, bool xtiled, bool ytiled) {
    if (source.IsEmpty() || dest.IsEmpty() || alpha <= 0) return;
    // Corners wider than the destination would overlap; they shrink to fit.
    const int cl = std::clamp(corner.left, 0, std::min(source.Width(), dest.Width()));
    const int cr_ = std::clamp(corner.right, 0, std::min(source.Width(), dest.Width()) - cl);
    const int ct = std::clamp(corner.top, 0, std::min(source.Height(), dest.Height()));
    const int cb = std::clamp(corner.bottom, 0, std::min(source.Height(), dest.Height()) - ct);
    const int sx[4] = {source.left, source.left + cl, source.right - cr_, source.right};
    const int sy[4] = {source.top, source.top + ct, source.bottom - cb, source.bottom};
    const int dx[4] = {dest.left, dest.left + cl, dest.right - cr_, dest.right};
    const int dy[4] = {dest.top, dest.top + ct, dest.bottom - cb, dest.bottom};
    const double opacity = alpha / 255.0;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (row == 1 && col == 1 && hole) continue;
            const Rect from{sx[col], sy[row], sx[col + 1], sy[row + 1]};
            const Rect to{dx[col], dy[row], dx[col + 1], dy[row + 1]};
            DrawPart(cr, surface, from, to, opacity, xtiled && col == 1, ytiled && row == 1);
        }
    }
}

bool DrawImage(cairo_t* cr, const Rect& controlRect, const ImageDescriptor& image) {
    const std::shared_ptr<const Image> decoded =
        ImageCache::Get(image.file, image.hasMask, image.mask);
    if (!decoded) return false;
    Rect dest = controlRect;
    if (image.hasDest) {
        dest = image.dest.Offset(controlRect.left, controlRect.top).Intersect(controlRect);
    }
    Rect source{0, 0, decoded->Width(), decoded->Height()};
    if (image.hasSource) source = image.source.Intersect(source);
    DrawNineGrid(cr, decoded->Surface(), source, dest, image.corner, image.fade, image.hole,
                 image.xtiled, image.ytiled);
    return true;
}

}  // namespace toolkit
