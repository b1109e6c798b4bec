// Decoded images (cairo ARGB surfaces) by name, read through the resource access and kept
// until the archive or resource path changes. UI thread only.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "toolkit/types.h"

namespace toolkit {

class Image {
public:
    // Decodes PNG bytes; null when they are not a PNG image.
    static std::shared_ptr<Image> DecodePng(const uint8_t* data, size_t size);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    cairo_surface_t* Surface() const { return m_surface; }
    int Width() const { return cairo_image_surface_get_width(m_surface); }
    int Height() const { return cairo_image_surface_get_height(m_surface); }
    // Makes every pixel of `mask`'s colour (alpha ignored) fully transparent.
    void ApplyMask(Color mask);

private:
    explicit Image(cairo_surface_t* surface) : m_surface(surface) {}
    cairo_surface_t* m_surface;
};

class ImageCache {
public:
    // The image named `name` ("\" or "/" separators, letter case as the source allows), with
    // `mask` applied when given. Null when it cannot be read or decoded; the failure is cached
    // too, so a missing image costs one lookup.
    static std::shared_ptr<const Image> Get(std::wstring_view name, bool hasMask = false,
                                            Color mask = 0);
    static void Clear();
};

}  // namespace toolkit
