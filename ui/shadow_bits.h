// The picture of a window's soft drop shadow, computed from the window's shape: the shape's
// rows as spans, eroded by the sharpness, edged by a round kernel and filled with a solid
// centre, with the window's own area left clear. Pure functions.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/region.h"

namespace ui {

// Columns [start, end) of one row; empty when end <= start (kept as 0, 0).
struct ShadowSpan {
    int start = 0;
    int end = 0;
    bool Empty() const { return end <= start; }
};

struct ShadowShape {
    int size = 0;        // how far the shadow reaches past the window on every side
    int sharpness = 5;   // how quickly it fades: the kernel's radius
    int darkness = 150;  // alpha of the solid part
    int xOffset = 5;
    int yOffset = 5;
    uint32_t color = 0;  // red in the lowest byte, then green, then blue; the top byte ignored
};

// Premultiplied ARGB pixels (cairo's ARGB32 and the system's BGRA), top row first.
struct ShadowBits {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Per row of a width x height window, the columns its region covers, from the first to one
// past the last (a region is assumed to be one piece without holes). Without a region every
// row is empty, so the shadow is empty too.
std::vector<ShadowSpan> RegionSpans(const toolkit::WindowRegion* region, int width, int height);

// `colorref` at `alpha`, premultiplied.
uint32_t ShadowPixel(uint32_t colorref, int alpha);

// The shadow of a window whose rows are `parentSpans` and whose width is `parentWidth`:
// (width + 2 size) x (rows + 2 size) pixels.
ShadowBits ComputeShadowBits(const std::vector<ShadowSpan>& parentSpans, int parentWidth,
                             const ShadowShape& shape);

}  // namespace ui
