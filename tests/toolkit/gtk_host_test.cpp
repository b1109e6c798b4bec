// One real window on the GTK host, under an Xvfb server the test starts on a free display
// number: shown and painted, clicked, typed into, tab pages switched, read back from the X
// server. Skipped only when Xvfb is not installed.
#include <gdk/gdk.h>
#include <gdk/gdktestutils.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/scratch_folder.h"
#include "tests/support/xvfb.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/gtk_host.h"
#include "toolkit/tab_layout.h"

namespace toolkit_test {
namespace {

using testing_support::FindProgram;
using testing_support::Xvfb;

class SampleWindow : public TestWindow {
public:
    SampleWindow() : TestWindow(L"sample.xml") {}
    void OnClick(Notification& msg) override {
        auto* pages = Find<CTabLayoutUI>(L"pages");
        if (msg.sender->GetName() == L"tab1Btn") pages->SelectItem(1);
        if (msg.sender->GetName() == L"tab0Btn") pages->SelectItem(0);
        TestWindow::OnClick(msg);
    }
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_PAINT) ++paints;
        return TestWindow::HandleMessage(msg, wParam, lParam);
    }
    int paints = 0;
};

// Makes a desktop language that writes numbers with a decimal comma available to this process:
// the system's own when installed, else compiled into `folder` (used through LOCPATH).
bool UseCommaLocale(const testing_support::ScratchFolder& folder) {
    const char* kLocale = "de_DE.UTF-8";
    if (std::setlocale(LC_ALL, kLocale) == nullptr) {
        const std::string program = FindProgram("localedef");
        if (program.empty()) return false;
        const std::string command =
            program + " -i de_DE -f UTF-8 " + (folder / kLocale) + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return false;
        setenv("LOCPATH", folder.Path().c_str(), 1);
        if (std::setlocale(LC_ALL, kLocale) == nullptr) return false;
    }
    std::setlocale(LC_ALL, "C");
    setenv("LC_ALL", kLocale, 1);
    return true;
}

std::string Printed(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", value);
    return text;
}

void SimulateClick(GdkWindow* window, Point p) {
    gdk_test_simulate_button(window, p.x, p.y, 1, static_cast<GdkModifierType>(0),
                             GDK_BUTTON_PRESS);
    gdk_test_simulate_button(window, p.x, p.y, 1, GDK_BUTTON1_MASK, GDK_BUTTON_RELEASE);
}

TEST(GtkHostTest, RealWindowUnderXvfb) {
    const std::string program = FindProgram("Xvfb");
    if (program.empty()) GTEST_SKIP() << "Xvfb is not installed (scripts/deps.sh installs it)";
    Xvfb server;
    ASSERT_TRUE(server.Start(program)) << "Xvfb did not start";
    setenv("DISPLAY", server.Display().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    // The simulated clicks and keys are core X events, which GTK only reads in this mode; and
    // no accessibility bus is wanted on a private server.
    setenv("GDK_CORE_DEVICE_EVENTS", "1", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    // GTK adopts the desktop's language when it starts; numbers must keep their C form.
    testing_support::ScratchFolder locales;
    ASSERT_TRUE(UseCommaLocale(locales)) << "no de_DE.UTF-8 locale (scripts/deps.sh installs "
                                            "the locales package)";
    ASSERT_TRUE(UseHost(HostKind::kGtk)) << "no display at " << server.Display();

    ResourceAccess::SetResourcePath(Utils::FromUtf8(COLLIVO_SAMPLE_SKIN));
    SampleWindow window;
    ASSERT_NE(window.Create(nullptr, L"Collivo", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0), nullptr);
    window.CenterWindow();
    // The premise: GTK did switch to the comma language for everything else.
    EXPECT_EQ(std::string(std::setlocale(LC_CTYPE, nullptr)), "de_DE.UTF-8");
    EXPECT_EQ(Printed(0.5), "0.5");
    EXPECT_EQ(std::strtod("0.5", nullptr), 0.5);
    auto* widget = static_cast<GtkWidget*>(window.GetNativeHandle());
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(offscreen::RunUntil(
        [&] { return gtk_widget_get_mapped(widget) && window.paints > 0; }, 20000));
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    const Size size = window.GetClientSize();
    EXPECT_EQ(gdk_window_get_width(gdkWindow), size.cx);

    // The check box toggles from a real click.
    auto* agree = window.Find<CCheckBoxUI>(L"agreeCb");
    ASSERT_NE(agree, nullptr);
    const bool before = agree->IsSelected();
    SimulateClick(gdkWindow, {agree->GetPos().left + 8, agree->GetPos().Center().y});
    ASSERT_TRUE(offscreen::RunUntil([&] { return agree->IsSelected() != before; }, 10000));
    EXPECT_NE(std::find(window.log.begin(), window.log.end(), "selectchanged:agreeCb"),
              window.log.end());

    // Keys typed into the text input go through the input method to WM_CHAR.
    auto* edit = window.Find<CEditUI>(L"dirEdit");
    ASSERT_NE(edit, nullptr);
    SimulateClick(gdkWindow, edit->GetPos().Center());
    ASSERT_TRUE(offscreen::RunUntil([&] { return edit->IsFocused(); }, 10000));
    const Point at = edit->GetPos().Center();
    gdk_test_simulate_key(gdkWindow, at.x, at.y, GDK_KEY_End, static_cast<GdkModifierType>(0),
                          GDK_KEY_PRESS);
    for (guint key : {GDK_KEY_slash, GDK_KEY_x, GDK_KEY_y}) {
        gdk_test_simulate_key(gdkWindow, at.x, at.y, key, static_cast<GdkModifierType>(0),
                              GDK_KEY_PRESS);
        gdk_test_simulate_key(gdkWindow, at.x, at.y, key, static_cast<GdkModifierType>(0),
                              GDK_KEY_RELEASE);
    }
    ASSERT_TRUE(offscreen::RunUntil([&] { return edit->GetText() == L"/opt/Collivo/xy"; }, 10000))
        << Utils::ToUtf8(edit->GetText());

    // A tab page switched by a button.
    auto* pages = window.Find<CTabLayoutUI>(L"pages");
    CControlUI* tab1 = window.FindControl(L"tab1Btn");
    SimulateClick(gdkWindow, tab1->GetPos().Center());
    ASSERT_TRUE(offscreen::RunUntil([&] { return pages->GetCurSel() == 1; }, 10000));

    // What the X server shows: the page's white background at the centre of the status label.
    const int paintsBefore = window.paints;
    ASSERT_TRUE(offscreen::RunUntil([&] { return window.paints > paintsBefore; }, 10000));
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdkWindow, 0, 0, size.cx, size.cy);
    ASSERT_NE(shot, nullptr);
    const Rect page = window.FindControl(L"pages")->GetPos();
    const guchar* pixels = gdk_pixbuf_get_pixels(shot);
    const int stride = gdk_pixbuf_get_rowstride(shot);
    const int channels = gdk_pixbuf_get_n_channels(shot);
    const guchar* pixel = pixels + (page.top + 4) * stride + (page.left + 4) * channels;
    EXPECT_EQ(pixel[0], 0xFF);
    EXPECT_EQ(pixel[1], 0xFF);
    EXPECT_EQ(pixel[2], 0xFF);
    if (const char* out = std::getenv("TOOLKIT_GTK_SCREENSHOT"))
        gdk_pixbuf_save(shot, out, "png", nullptr, nullptr);
    g_object_unref(shot);

    const HWND hwnd = window.GetHWND();
    window.Close();
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }, 10000));
}

}  // namespace
}  // namespace toolkit_test
