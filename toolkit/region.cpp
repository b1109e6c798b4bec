#include "toolkit/region.h"

#include <cmath>

namespace toolkit {

WindowRegion WindowRegion::RoundRect(int width, int height, int cornerWidth, int cornerHeight) {
    WindowRegion region;
    if (width <= 0 || height <= 0) return region;
    const double rx = std::min(cornerWidth, width) / 2.0;
    const double ry = std::min(cornerHeight, height) / 2.0;
    if (rx < 1.0 || ry < 1.0) {
        region.m_bands.push_back({0, 0, width, height});
        return region;
    }
    const int cornerRows = static_cast<int>(std::ceil(ry));
    auto inset = [&](int row) {
        // Distance of the row's centre from the ellipse's centre line, as a fraction of ry.
        const double dy = (ry - (row + 0.5)) / ry;
        const double dx = rx * (1.0 - std::sqrt(std::max(0.0, 1.0 - dy * dy)));
        return static_cast<int>(std::lround(dx));
    };
    for (int row = 0; row < cornerRows && row < height; ++row) {
        const int in = inset(row);
        region.m_bands.push_back({in, row, width - in, row + 1});
    }
    if (height - 2 * cornerRows > 0) {
        region.m_bands.push_back({0, cornerRows, width, height - cornerRows});
    }
    for (int row = std::max(cornerRows, height - cornerRows); row < height; ++row) {
        const int in = inset(height - 1 - row);
        region.m_bands.push_back({in, row, width - in, row + 1});
    }
    return region;
}

bool WindowRegion::Contains(Point p) const {
    for (const Rect& band : m_bands) {
        if (band.Contains(p)) return true;
    }
    return false;
}

Rect WindowRegion::Bounds() const {
    Rect bounds;
    for (const Rect& band : m_bands)
        bounds = bounds.Union(band);
    return bounds;
}

}  // namespace toolkit
