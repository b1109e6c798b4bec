// The Collivo mark: a blue rounded square holding a white open ring with a dot in its gap.
// The logo, the busy animation and the window icon all draw it from here so they cannot drift
// apart.
#pragma once

#include <cairo.h>

namespace skin_art {

// Draws the mark into the square (x, y, size, size). Pass whole-pixel x, y and size so the
// square's straight edges are crisp.
void DrawBrandMark(cairo_t* cr, double x, double y, double size, double cornerRadius);

}  // namespace skin_art
