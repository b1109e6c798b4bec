// Painting primitives over cairo: filled and bordered rectangles (square or rounded) and
// images drawn as their descriptors say (nine-grid, fade, mask, tiling). UI thread.
#pragma once

#include <cairo.h>

#include "toolkit/image_descriptor.h"
#include "toolkit/types.h"

namespace toolkit {

void FillRect(cairo_t* cr, const Rect& rect, Color color);
// Adds a rectangle with corners rounded by an ellipse of round.cx by round.cy to the path.
void AddRoundRectPath(cairo_t* cr, const Rect& rect, Size round);
void FillRoundRect(cairo_t* cr, const Rect& rect, Size round, Color color);
// A border of `width` pixels drawn inside `rect`.
void DrawBorder(cairo_t* cr, const Rect& rect, int width, Color color);
void DrawRoundBorder(cairo_t* cr, const Rect& rect, int width, Size round, Color color);

// Draws the part `source` of `surface` over `dest` as a nine-grid: the `corner` widths keep
// their size, the edges stretch (or tile) along their length, the centre stretches (or
// tiles) both ways unless `hole`. `alpha` 0..255 scales the opacity.
void DrawNineGrid(cairo_t* cr, cairo_surface_t* surface, const Rect& source, const Rect& dest,
                  const Rect& corner, int alpha, bool hole, bool xtiled, bool ytiled);

// Draws the descriptor's image inside `controlRect` (at its `dest` when given). False when
// the image cannot be loaded, which draws nothing.
bool DrawImage(cairo_t* cr, const Rect& controlRect, const ImageDescriptor& image);

}  // namespace toolkit
