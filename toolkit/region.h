// A window region: the area of a window that is drawn and takes input, as bands of rectangles
// in client coordinates. Pure value.
#pragma once

#include <vector>

#include "toolkit/types.h"

namespace toolkit {

class WindowRegion {
public:
    // The rectangle 0,0,width,height with its corners rounded by an ellipse of
    // cornerWidth by cornerHeight (the system's rounded-rectangle region); corners below 2
    // pixels in either direction leave the rectangle square.
    static WindowRegion RoundRect(int width, int height, int cornerWidth, int cornerHeight);

    bool Contains(Point p) const;
    bool IsEmpty() const { return m_bands.empty(); }
    Rect Bounds() const;
    // Non-overlapping rectangles whose union is the region.
    const std::vector<Rect>& Bands() const { return m_bands; }

private:
    std::vector<Rect> m_bands;
};

}  // namespace toolkit
