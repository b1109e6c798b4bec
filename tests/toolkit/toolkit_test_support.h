// Helpers for the toolkit tests: a skin folder in a temporary directory (markup and PNG
// images written by the test), a window built from it on the offscreen host that records its
// notifications, and PNG bytes made from a pixel function.
#pragma once

#include <cairo.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "sys/text.h"
#include "toolkit/message_queue.h"
#include "toolkit/offscreen_driver.h"
#include "toolkit/resource_access.h"
#include "toolkit/skin_window_base.h"

namespace toolkit_test {

using namespace toolkit;

// PNG bytes of a width x height image whose pixel (x, y) is color(x, y) (0xAARRGGBB).
inline std::string MakePng(int width, int height, const std::function<Color(int, int)>& color) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) {
            const Color c = color(x, y);
            const uint32_t a = c >> 24;
            auto premultiply = [&](int shift) { return (((c >> shift) & 0xFF) * a + 127) / 255; };
            row[x] = (a << 24) | (premultiply(16) << 16) | (premultiply(8) << 8) | premultiply(0);
        }
    }
    cairo_surface_mark_dirty(surface);
    std::string png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* bytes, unsigned int length) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(bytes),
                                                       length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}

inline std::string SolidPng(int width, int height, Color color) {
    return MakePng(width, height, [color](int, int) { return color; });
}

// A temporary folder that serves as the toolkit's resource path while it lives.
class TempSkin {
public:
    TempSkin() {
        std::string pattern = (std::filesystem::temp_directory_path() / "toolkit-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
        ResourceAccess::CloseArchive();
        ResourceAccess::SetResourcePath(Utils::FromUtf8(m_root.string()));
    }
    ~TempSkin() {
        ResourceAccess::CloseArchive();
        ResourceAccess::SetResourcePath(L"");
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TempSkin(const TempSkin&) = delete;
    TempSkin& operator=(const TempSkin&) = delete;

    // Writes `bytes` to the relative path `name` ("/" separators), making folders as needed.
    void Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path path = m_root / std::filesystem::u8path(name);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    const std::filesystem::path& Root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

// A window built from a skin file of the resource path, recording every notification as
// "type:sender name".
class TestWindow : public SkinWindowBase {
public:
    explicit TestWindow(std::wstring skinFile, int resourceType = kResourceFile, int resourceId = 0)
        : m_file(std::move(skinFile)), m_resourceType(resourceType), m_resourceId(resourceId) {}

    std::wstring_view GetWindowClassName() const override { return L"TestWnd"; }
    std::wstring GetSkinFolder() override { return L""; }
    std::wstring GetSkinFile() override { return m_file; }
    int GetResourceType() const override { return m_resourceType; }
    int GetResourceID() const override { return m_resourceId; }

    HWND CreateWindow(HWND owner = nullptr) {
        return Create(owner, L"test", WS_POPUP, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT);
    }

    void Notify(Notification& msg) override {
        log.push_back(Utils::ToUtf8(msg.type) + ":" +
                      (msg.sender != nullptr ? Utils::ToUtf8(msg.sender->GetName()) : ""));
        notifications.push_back(msg);
        if (onNotify) onNotify(msg);
        SkinWindowBase::Notify(msg);
    }
    CControlUI* CreateControl(std::wstring_view className) override {
        return factory ? factory(className) : nullptr;
    }
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
        if (onMessage) return onMessage(msg, wParam, lParam, handled);
        return SkinWindowBase::HandleCustomMessage(msg, wParam, lParam, handled);
    }

    template <typename T>
    T* Find(std::wstring_view name) {
        return dynamic_cast<T*>(FindControl(name));
    }

    std::vector<std::string> log;
    std::vector<Notification> notifications;
    std::function<void(Notification&)> onNotify;
    std::function<CControlUI*(std::wstring_view)> factory;
    std::function<LRESULT(UINT, WPARAM, LPARAM, bool&)> onMessage;

private:
    std::wstring m_file;
    int m_resourceType;
    int m_resourceId;
};

// Red, green and blue bytes of a colour, for comparisons with a tolerance.
inline int Channel(Color c, int shift) {
    return static_cast<int>((c >> shift) & 0xFF);
}

}  // namespace toolkit_test
