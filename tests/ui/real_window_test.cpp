// The main window as a real window under Xvfb, built from the skin linked into this program:
// shown, painted and read back from the X server. Built twice: without a compositing manager
// the screen has no translucent windows and no shadow is made; with one, the shadow is made,
// follows the window and darkens the screen beside it. Skipped only when Xvfb (or, for the
// composited build, xcompmgr) is not installed.
#include <gdk/gdk.h>
#include <gtk/gtk.h>

#include "tests/support/screen_capture.h"
#include "tests/support/xvfb.h"
#include "tests/ui/ui_test_support.h"
#include "toolkit/gtk_host.h"

namespace ui_test {
namespace {

using testing_support::FindProgram;
using testing_support::Xvfb;

constexpr bool kComposited = COLLIVO_COMPOSITED;

// Red, green and blue of the screen at `p`, summed; -1 when it cannot be read.
int Brightness(Point p) {
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), p.x, p.y, 1, 1);
    if (shot == nullptr) return -1;
    const guchar* pixel = gdk_pixbuf_get_pixels(shot);
    const int sum = pixel[0] + pixel[1] + pixel[2];
    g_object_unref(shot);
    return sum;
}

bool SaveScreen(const Rect& area, const std::string& name) {
    return testing_support::SaveScreenArea(area.left, area.top, area.Width(), area.Height(),
                                           COLLIVO_SCREENSHOTS, name);
}

TEST(RealWindowTest, MainWindowWithAShadowOnlyWhereTheScreenComposites) {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed (scripts/deps.sh installs it)";
    const std::string compositor = FindProgram("xcompmgr");
    if (kComposited && compositor.empty()) {
        GTEST_SKIP() << "xcompmgr is not installed (scripts/deps.sh installs it)";
    }
    Xvfb server;
    ASSERT_TRUE(server.Start(xvfb)) << "Xvfb did not start";
    if (kComposited) {
        ASSERT_TRUE(server.Run({compositor}));
    }
    setenv("DISPLAY", server.Display().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("NO_AT_BRIDGE", "1", 1);
    ASSERT_TRUE(UseHost(HostKind::kGtk)) << "no display at " << server.Display();
    if (kComposited) {
        // The compositing manager announces itself a moment after it starts.
        ASSERT_TRUE(offscreen::RunUntil(
            [] { return gdk_screen_is_composited(gdk_screen_get_default()) != FALSE; }, 20000));
    }
    ResourceAccess::SetArchiveFormat(ArchiveFormat::kSevenZip);
    EXPECT_EQ(CShadowWindow::Initialize(), kComposited);

    SkinWindow window(L"MainWnd.xml");
    ASSERT_NE(window.CreateWindow(nullptr, 212, 184), nullptr);
    EXPECT_TRUE(SetInstallerIcon(window));
    window.ShowWindow();
    auto* widget = static_cast<GtkWidget*>(window.GetNativeHandle());
    ASSERT_TRUE(offscreen::RunUntil([&] { return gtk_widget_get_mapped(widget) != FALSE; }, 20000));
    const Rect frame = window.GetWindowRect();

    // The install button's blue, read back from the X server.
    const Point button = window.FindControl(L"defaultInstallBtn")->GetPos().Center();
    ASSERT_TRUE(offscreen::RunUntil(
        [&] {
            GdkPixbuf* shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(widget), button.x,
                                                         button.y - 15, 1, 1);
            if (shot == nullptr) return false;
            const guchar* p = gdk_pixbuf_get_pixels(shot);
            const bool blue = p[2] > 200 && p[0] < 100;
            g_object_unref(shot);
            return blue;
        },
        20000));

    CNativeWindow* shadow = window.GetShadow().GetShadowWindow();
    if (!kComposited) {
        EXPECT_EQ(shadow, nullptr);
        EXPECT_TRUE(SaveScreen(frame, "real-mainWnd.png"));
    } else {
        ASSERT_NE(shadow, nullptr);
        auto* shadowWidget = static_cast<GtkWidget*>(shadow->GetNativeHandle());
        ASSERT_TRUE(offscreen::RunUntil(
            [&] { return gtk_widget_get_mapped(shadowWidget) != FALSE; }, 20000));
        EXPECT_EQ(shadow->GetWindowRect(),
                  (Rect{frame.left - 5, frame.top - 5, frame.right + 7, frame.bottom + 7}));
        // Beside the window's right edge the screen is darker than far from the window.
        const Point beside{frame.right + 2, frame.top + 200};
        const Point away{frame.right + 60, frame.top + 200};
        ASSERT_TRUE(offscreen::RunUntil(
            [&] {
                const int near = Brightness(beside);
                return near >= 0 && near < Brightness(away);
            },
            20000))
            << "beside " << Brightness(beside) << ", away " << Brightness(away);
        EXPECT_TRUE(
            SaveScreen({frame.left - 20, frame.top - 20, frame.right + 20, frame.bottom + 20},
                       "real-mainWnd-composited.png"));
        // It follows the window.
        window.SetWindowPos(frame.left + 30, frame.top + 20);
        EXPECT_EQ(shadow->GetWindowRect().left, frame.left + 25);
    }

    const HWND hwnd = window.GetHWND();
    window.Close();
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }, 10000));
}

}  // namespace
}  // namespace ui_test
