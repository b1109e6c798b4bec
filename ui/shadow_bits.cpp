#include "ui/shadow_bits.h"

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

// Stamping keeps the larger value per pixel; alpha sits in the top byte, so the darker wins.
void Stamp(ShadowBits& bits, const std::vector<uint32_t>& kernel, int radius, int cx, int cy) {
    const int side = 2 * radius + 1;
    for (int ky = 0; ky < side; ++ky) {
        const int y = cy - radius + ky;
        if (y < 0 || y >= bits.height) continue;
        for (int kx = 0; kx < side; ++kx) {
            const int x = cx - radius + kx;
            if (x < 0 || x >= bits.width) continue;
            uint32_t& pixel = bits.pixels[static_cast<size_t>(y) * bits.width + x];
            pixel = std::max(pixel, kernel[static_cast<size_t>(ky) * side + kx]);
        }
    }
}

void Fill(ShadowBits& bits, int y, int from, int to, uint32_t value) {
    if (y < 0 || y >= bits.height) return;
    from = std::max(from, 0);
    to = std::min(to, bits.width);
    for (int x = from; x < to; ++x)
        bits.pixels[static_cast<size_t>(y) * bits.width + x] = value;
}

// Each pass moves every edge one pixel inwards, and a row's edges no further out than its
// neighbours', so the kernel stamped along the result stays inside the shadow.
std::vector<ShadowSpan> Erode(std::vector<ShadowSpan> rows, int passes) {
    const ShadowSpan none;
    for (int pass = 0; pass < passes; ++pass) {
        const std::vector<ShadowSpan> previous = rows;
        for (size_t y = 0; y < rows.size(); ++y) {
            const ShadowSpan& up = y > 0 ? previous[y - 1] : none;
            const ShadowSpan& down = y + 1 < rows.size() ? previous[y + 1] : none;
            ShadowSpan next{std::max({up.start, previous[y].start, down.start}) + 1,
                            std::min({up.end, previous[y].end, down.end}) - 1};
            rows[y] = next.Empty() ? none : next;
        }
    }
    return rows;
}

std::vector<uint32_t> Kernel(const ShadowShape& shape, int radius) {
    const int s = shape.size;
    const int h = shape.sharpness;
    const double inner = s > h ? s - h : 0;
    const int side = 2 * radius + 1;
    std::vector<uint32_t> kernel(static_cast<size_t>(side) * side);
    for (int ky = -radius; ky <= radius; ++ky) {
        for (int kx = -radius; kx <= radius; ++kx) {
            const double r = std::sqrt(static_cast<double>(kx * kx + ky * ky));
            int alpha = 0;
            if (r < inner) {
                alpha = shape.darkness;
            } else if (r <= radius) {
                alpha = static_cast<int>((1.0 - (r - inner) / (h + 1)) * shape.darkness);
            }
            kernel[static_cast<size_t>(ky + radius) * side + (kx + radius)] =
                ShadowPixel(shape.color, alpha);
        }
    }
    return kernel;
}

}  // namespace

std::vector<ShadowSpan> RegionSpans(const toolkit::WindowRegion* region, int width, int height) {
    std::vector<ShadowSpan> spans(static_cast<size_t>(std::max(height, 0)));
    if (region == nullptr) return spans;
    for (const toolkit::Rect& band : region->Bands()) {
        const int left = std::max(band.left, 0);
        const int right = std::min(band.right, width);
        if (right <= left) continue;
        for (int y = std::max(band.top, 0); y < std::min(band.bottom, height); ++y) {
            ShadowSpan& span = spans[static_cast<size_t>(y)];
            span = span.Empty() ? ShadowSpan{left, right}
                                : ShadowSpan{std::min(span.start, left), std::max(span.end, right)};
        }
    }
    return spans;
}

uint32_t ShadowPixel(uint32_t colorref, int alpha) {
    const auto a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
    const uint32_t red = colorref & 0xFF;
    const uint32_t green = (colorref >> 8) & 0xFF;
    const uint32_t blue = (colorref >> 16) & 0xFF;
    return (a << 24) | ((red * a / 255) << 16) | ((green * a / 255) << 8) | (blue * a / 255);
}

ShadowBits ComputeShadowBits(const std::vector<ShadowSpan>& parentSpans, int parentWidth,
                             const ShadowShape& shape) {
    const int s = shape.size;
    const int parentHeight = static_cast<int>(parentSpans.size());
    ShadowBits bits;
    bits.width = std::max(parentWidth + 2 * s, 0);
    bits.height = std::max(parentHeight + 2 * s, 0);
    bits.pixels.assign(static_cast<size_t>(bits.width) * bits.height, 0);
    if (bits.pixels.empty()) return bits;

    // The parent's rows in shadow coordinates; the s rows above and below stay empty.
    std::vector<ShadowSpan> rows(static_cast<size_t>(bits.height));
    for (int y = 0; y < parentHeight; ++y) {
        const ShadowSpan& span = parentSpans[static_cast<size_t>(y)];
        if (span.Empty() || y + s < 0 || y + s >= bits.height) continue;
        rows[static_cast<size_t>(y + s)] = {span.start + s, span.end + s};
    }
    rows = Erode(std::move(rows), shape.sharpness - s);

    // The kernel goes only where a row's edge differs from its neighbours': the inside is
    // the solid centre below.
    const int radius = std::max(s, shape.sharpness);
    const std::vector<uint32_t> kernel = Kernel(shape, radius);
    const ShadowSpan none;
    for (int y = radius; y < bits.height - radius; ++y) {
        const ShadowSpan& row = rows[static_cast<size_t>(y)];
        if (row.Empty()) continue;
        const ShadowSpan& up = y > 0 ? rows[static_cast<size_t>(y - 1)] : none;
        const ShadowSpan& down = y + 1 < bits.height ? rows[static_cast<size_t>(y + 1)] : none;
        const int startStop =
            std::max(row.start, std::min(std::max(up.start, down.start) + 1, row.end));
        for (int x = row.start; x < startStop; ++x)
            Stamp(bits, kernel, radius, x, y);
        for (int x = std::max(std::min(up.end, down.end) - 1, startStop); x < row.end; ++x)
            Stamp(bits, kernel, radius, x, y);
    }

    // The solid centre, with the parent's own area cleared: the shadow shows only around it.
    const uint32_t centre = ShadowPixel(shape.color, shape.darkness);
    const int parentTop = s - shape.yOffset;   // the parent's first row in shadow rows
    const int parentLeft = s - shape.xOffset;  // and its columns' shift
    const int from = std::min(radius, std::max(parentTop, 0));
    const int to =
        std::max(bits.height - radius, std::min(parentHeight + parentTop, parentHeight + 2 * s));
    for (int y = std::max(from, 0); y < std::min(to, bits.height); ++y) {
        const ShadowSpan& row = rows[static_cast<size_t>(y)];
        Fill(bits, y, row.start, row.end, centre);
        const int parentRow = y - parentTop;
        if (parentRow < 0 || parentRow >= parentHeight) continue;
        const ShadowSpan& own = parentSpans[static_cast<size_t>(parentRow)];
        if (!own.Empty()) Fill(bits, y, own.start + parentLeft, own.end + parentLeft, 0);
    }
    return bits;
}

}  // namespace ui
