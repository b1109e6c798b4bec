// Helpers for the installer-window tests: the installer's own skin, read from the archive the
// build links into the test executable, on the offscreen host; a frame for any of its layouts;
// and pictures of a window with its shadow for people to look at.
#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/message_loop.h"
#include "sys/text.h"
#include "toolkit/messages.h"
#include "toolkit/offscreen_driver.h"
#include "toolkit/resource_access.h"
#include "ui/sequence_controls.h"
#include "ui/skin_frame.h"

namespace ui_test {

using namespace toolkit;
using namespace ui;

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        offscreen::Use();
        ResourceAccess::CloseArchive();
        ResourceAccess::SetResourcePath(L"");
        ResourceAccess::SetArchiveFormat(ArchiveFormat::kSevenZip);
        ASSERT_TRUE(CShadowWindow::Initialize());
    }
    void TearDown() override {
        offscreen::ForgetModalAnswers();
        ResourceAccess::CloseArchive();
        int code = 0;
        platform::TakeQuitMessage(&code);
    }
};

// A window of one of the skin's layouts, with the animation controls the layouts use.
class SkinWindow : public CSkinFrame {
public:
    explicit SkinWindow(std::wstring_view skinFile)
        : CSkinFrame(FrameParams::ForSkinFile(skinFile)) {}
    CControlUI* CreateControl(std::wstring_view className) override {
        return CreateSequenceControl(className);
    }
    HWND CreateWindow(HWND owner = nullptr, int x = 300, int y = 200) {
        return Create(owner, L"Collivo", WS_OVERLAPPEDWINDOW, 0, x, y);
    }
};

// The window over a desktop-coloured backdrop with its shadow beneath, as people see it.
inline bool WriteScreenshot(CSkinFrame& window, const std::string& name) {
    const std::filesystem::path folder = COLLIVO_SCREENSHOTS;
    std::filesystem::create_directories(folder);
    const Rect frame = window.GetWindowRect();
    Rect all = frame;
    CNativeWindow* shadow = window.GetShadow().GetShadowWindow();
    if (shadow != nullptr) all = all.Union(shadow->GetWindowRect());
    constexpr int kMargin = 16;
    cairo_surface_t* picture = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, all.Width() + 2 * kMargin, all.Height() + 2 * kMargin);
    cairo_t* cr = cairo_create(picture);
    cairo_set_source_rgb(cr, 0xE4 / 255.0, 0xE8 / 255.0, 0xEE / 255.0);
    cairo_paint(cr);
    auto place = [&](CNativeWindow& w) {
        cairo_surface_t* surface = offscreen::Snapshot(w);
        if (surface == nullptr) return;
        const Rect r = w.GetWindowRect();
        cairo_set_source_surface(cr, surface, r.left - all.left + kMargin,
                                 r.top - all.top + kMargin);
        cairo_paint(cr);
    };
    offscreen::Snapshot(window);  // paints first: a pending shadow is drawn at the paint
    if (shadow != nullptr) place(*shadow);
    place(window);
    cairo_destroy(cr);
    const bool written =
        cairo_surface_write_to_png(picture, (folder / name).c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(picture);
    return written;
}

}  // namespace ui_test
