// One real window on the GTK host, under an Xvfb server the test starts on a free display
// number: shown and painted, clicked, typed into, tab pages switched, read back from the X
// server. Skipped only when Xvfb is not installed.
#include <fcntl.h>
#include <gdk/gdk.h>
#include <gdk/gdktestutils.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/gtk_host.h"
#include "toolkit/tab_layout.h"
#include "toolkit_test_support.h"

extern char** environ;

namespace toolkit_test {
namespace {

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// An Xvfb server on the first free display number (Xvfb picks it and reports it on a pipe).
class Xvfb {
public:
    ~Xvfb() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool Start(const std::string& program) {
        int fds[2];
        if (pipe(fds) != 0) return false;
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {program.c_str(), "-displayfd", fd.c_str(), "-screen", "0",
                              "1024x768x24",   "-nolisten",  "tcp",      nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawn(&m_pid, program.c_str(), &actions, nullptr,
                                        const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (spawned != 0) {
            m_pid = -1;
            close(fds[0]);
            return false;
        }
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        // Bounded: a server that has not answered in 20 s is not coming.
        while (number.find('\n') == std::string::npos && poll(&wait, 1, 20000) > 0) {
            char buffer[16];
            const ssize_t got = read(fds[0], buffer, sizeof(buffer));
            if (got <= 0) break;
            number.append(buffer, static_cast<size_t>(got));
        }
        close(fds[0]);
        if (number.empty() || number.back() != '\n') return false;
        m_display = ":" + number.substr(0, number.size() - 1);
        return true;
    }
    const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

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
    ASSERT_TRUE(UseHost(HostKind::kGtk)) << "no display at " << server.Display();

    ResourceAccess::SetResourcePath(Utils::FromUtf8(COLLIVO_SAMPLE_SKIN));
    SampleWindow window;
    ASSERT_NE(window.Create(nullptr, L"Collivo", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0), nullptr);
    window.CenterWindow();
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
