// Scalar types of window messages and the geometry types of the toolkit (pure values).
#pragma once

#include <algorithm>
#include <cstdint>

namespace toolkit {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
// A window's handle: unique for the life of the process, never reused, safe to keep after the
// window is gone (platform::IsWindow then says false).
using HWND = const void*;

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    bool operator==(const Size&) const = default;
};

// Left and top inside, right and bottom outside, as the system's rectangles.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const Rect&) const = default;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Point Center() const { return {left + Width() / 2, top + Height() / 2}; }
    Rect Intersect(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        return r.IsEmpty() ? Rect{} : r;
    }
    Rect Union(const Rect& o) const {
        if (IsEmpty()) return o;
        if (o.IsEmpty()) return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // Shrinks by a margin given as a rectangle of four widths.
    Rect Deflate(const Rect& m) const {
        return {left + m.left, top + m.top, right - m.right, bottom - m.bottom};
    }
};

// Colours are 0xAARRGGBB, alpha first, straight (not premultiplied).
using Color = uint32_t;

inline LPARAM MakeLParam(int low, int high) {
    return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}
inline int LowWordSigned(LPARAM value) {
    return static_cast<int16_t>(value & 0xFFFF);
}
inline int HighWordSigned(LPARAM value) {
    return static_cast<int16_t>((value >> 16) & 0xFFFF);
}
inline Point PointFromLParam(LPARAM value) {
    return {LowWordSigned(value), HighWordSigned(value)};
}

}  // namespace toolkit
