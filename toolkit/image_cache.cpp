#include "toolkit/image_cache.h"

#include <cstring>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "sys/log.h"
#include "toolkit/resource_access.h"

namespace toolkit {
namespace {

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (reader->size - reader->pos < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data + reader->pos, length);
    reader->pos += length;
    return CAIRO_STATUS_SUCCESS;
}

using CacheKey = std::pair<std::wstring, uint64_t>;

std::map<CacheKey, std::shared_ptr<const Image>>& Cache() {
    static auto* cache = new std::map<CacheKey, std::shared_ptr<const Image>>();
    return *cache;
}

}  // namespace

std::shared_ptr<Image> Image::DecodePng(const uint8_t* data, size_t size) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < sizeof(kSignature) || std::memcmp(data, kSignature, sizeof(kSignature)) != 0) {
        return nullptr;
    }
    PngReader reader{data, size, 0};
    cairo_surface_t* decoded = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
    if (cairo_surface_status(decoded) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(decoded);
        return nullptr;
    }
    // Drawing code relies on one pixel format, so RGB24 images are converted to ARGB32.
    if (cairo_image_surface_get_format(decoded) != CAIRO_FORMAT_ARGB32) {
        cairo_surface_t* argb =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(decoded),
                                       cairo_image_surface_get_height(decoded));
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, decoded, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(decoded);
        decoded = argb;
    }
    return std::shared_ptr<Image>(new Image(decoded));
}

Image::~Image() {
    cairo_surface_destroy(m_surface);
}

void Image::ApplyMask(Color mask) {
    cairo_surface_flush(m_surface);
    unsigned char* bytes = cairo_image_surface_get_data(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    const uint32_t rgb = mask & 0x00FFFFFFu;
    for (int y = 0; y < Height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(bytes + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < Width(); ++x) {
            // Premultiplied pixels keep their colour only where they are opaque.
            if ((row[x] >> 24) == 0xFF && (row[x] & 0x00FFFFFFu) == rgb) row[x] = 0;
        }
    }
    cairo_surface_mark_dirty(m_surface);
}

std::shared_ptr<const Image> ImageCache::Get(std::wstring_view name, bool hasMask, Color mask) {
    std::wstring key;
    key.reserve(name.size());
    for (wchar_t c : name)
        key += (c == L'\\') ? L'/' : static_cast<wchar_t>(std::towlower(c));
    const uint64_t maskKey = hasMask ? (0x100000000ull | (mask & 0x00FFFFFFu)) : 0;
    auto& cache = Cache();
    const auto found = cache.find({key, maskKey});
    if (found != cache.end()) return found->second;

    std::shared_ptr<Image> image;
    std::vector<uint8_t> bytes;
    if (ResourceAccess::ReadFile(name, &bytes)) {
        image = Image::DecodePng(bytes.data(), bytes.size());
        if (!image) {
            LOG_TRACE(L"ImageCache::Get", L"not a PNG image: %ls", std::wstring(name).c_str());
        }
    }
    if (image && hasMask) image->ApplyMask(mask);
    cache[{key, maskKey}] = image;
    return image;
}

void ImageCache::Clear() {
    Cache().clear();
}

}  // namespace toolkit
