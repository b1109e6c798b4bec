// The shadow window following its parent: where it sits, what it reacts to, the limits of its
// settings, and its end with the parent.
#include "ui/shadow_window.h"

#include "tests/ui/ui_test_support.h"

namespace ui_test {
namespace {

using ShadowWindowTest = SkinTest;

TEST_F(ShadowWindowTest, ShippedShadowFramesTheMainWindowAndFollowsIt) {
    SkinWindow window(L"MainWnd.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    CShadowWindow& shadow = window.GetShadow();
    // Made when the window is built, shown with it.
    ASSERT_NE(shadow.GetShadowWindow(), nullptr);
    EXPECT_EQ(shadow.GetStatus(), CShadowWindow::kEnabled);
    EXPECT_EQ(shadow.GetShape().size, 6);
    EXPECT_EQ(shadow.GetShape().sharpness, 10);
    EXPECT_EQ(shadow.GetShape().darkness, 20);
    EXPECT_EQ(shadow.GetShape().color & 0xFF, 0x76u);  // red
    EXPECT_EQ((shadow.GetShape().color >> 8) & 0xFF, 0x3Bu);
    EXPECT_EQ((shadow.GetShape().color >> 16) & 0xFF, 0x00u);

    window.ShowWindow();
    offscreen::Snapshot(window);  // the first paint draws the shadow
    CNativeWindow* shadowWindow = shadow.GetShadowWindow();
    EXPECT_TRUE(shadowWindow->IsVisible());
    EXPECT_EQ(shadow.GetStatus(),
              CShadowWindow::kEnabled | CShadowWindow::kVisible | CShadowWindow::kParentVisible);
    const Rect parent = window.GetWindowRect();
    const Rect expected{parent.left - 5, parent.top - 5, parent.right + 7, parent.bottom + 7};
    EXPECT_EQ(shadowWindow->GetWindowRect(), expected);
    // Faint beyond the bottom-right corner, clear under the window.
    EXPECT_GT(offscreen::PixelAt(*shadowWindow, {expected.Width() - 4, 300}) >> 24, 0u);
    EXPECT_EQ(offscreen::PixelAt(*shadowWindow, {300, 200}), 0u);

    window.SetWindowPos(parent.left + 40, parent.top + 30);
    EXPECT_EQ(shadowWindow->GetWindowRect(), expected.Offset(40, 30));

    const struct {
        const char* what;
        std::function<void()> act;
        bool shown;
    } steps[] = {
        {"minimised", [&] { window.Minimize(); }, false},
        {"restored", [&] { window.Restore(); }, true},
        {"maximised", [&] { window.SendMessage(WM_SIZE, SIZE_MAXIMIZED, MakeLParam(1024, 768)); },
         false},
        {"restored from maximised",
         [&] { window.SendMessage(WM_SIZE, SIZE_RESTORED, MakeLParam(600, 400)); }, true},
        {"hidden", [&] { window.ShowWindow(false); }, false},
        {"shown", [&] { window.ShowWindow(true); }, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(shadowWindow->IsVisible(), step.shown);
        EXPECT_EQ((shadow.GetStatus() & CShadowWindow::kVisible) != 0, step.shown);
    }

    const HWND shadowHandle = shadowWindow->GetHWND();
    window.DestroyWindow();
    EXPECT_FALSE(IsWindow(shadowHandle));
    EXPECT_EQ(shadow.GetShadowWindow(), nullptr);
}

TEST_F(ShadowWindowTest, SettersRefuseValuesOutsideTheirLimits) {
    CShadowWindow shadow;
    const struct {
        const char* what;
        std::function<bool()> set;
        bool accepted;
    } cases[] = {
        {"sharpness 25", [&] { return shadow.SetSharpness(25); }, false},
        {"sharpness -1", [&] { return shadow.SetSharpness(-1); }, false},
        {"size 21", [&] { return shadow.SetSize(21); }, false},
        {"size -21", [&] { return shadow.SetSize(-21); }, false},
        {"darkness 256", [&] { return shadow.SetDarkness(256); }, false},
        {"position 21,0", [&] { return shadow.SetPosition(21, 0); }, false},
        {"position 0,-21", [&] { return shadow.SetPosition(0, -21); }, false},
        {"image that cannot be loaded",
         [&] { return shadow.SetImage(L"res\\nowhere.png", {}, {}); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.set(), c.accepted);
    }
    // Nothing changed: the defaults stay.
    EXPECT_EQ(shadow.GetShape().sharpness, 5);
    EXPECT_EQ(shadow.GetShape().size, 0);
    EXPECT_EQ(shadow.GetShape().darkness, 150);
    EXPECT_EQ(shadow.GetShape().xOffset, 5);
    EXPECT_EQ(shadow.GetShape().yOffset, 5);
    EXPECT_TRUE(shadow.SetSharpness(20));
    EXPECT_TRUE(shadow.SetSize(-20));
    EXPECT_TRUE(shadow.SetDarkness(255));
    EXPECT_TRUE(shadow.SetPosition(-20, 20));
}

TEST_F(ShadowWindowTest, ImageShadowFramesTheWindowByItsMargin) {
    SkinWindow window(L"MessageBox1Wnd.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    CShadowWindow& shadow = window.GetShadow();
    ASSERT_TRUE(shadow.SetImage(L"res\\mainWnd\\installDirEdit.png", {8, 6, 8, 10}, {2, 2, 2, 2}));
    window.ShowWindow();
    offscreen::Snapshot(window);
    const Rect parent = window.GetWindowRect();
    CNativeWindow* shadowWindow = shadow.GetShadowWindow();
    ASSERT_NE(shadowWindow, nullptr);
    EXPECT_EQ(shadowWindow->GetWindowRect(),
              (Rect{parent.left - 8, parent.top - 6, parent.right + 8, parent.bottom + 10}));
    // The nine-grid's centre is left out: nothing is drawn under the window.
    EXPECT_EQ(offscreen::PixelAt(*shadowWindow, {180, 90}), 0u);
    EXPECT_GT(offscreen::PixelAt(*shadowWindow, {2, 90}) >> 24, 0u);
    // A later image that cannot be loaded keeps this one.
    EXPECT_FALSE(shadow.SetImage(L"res\\nowhere.png", {1, 1, 1, 1}, {}));
    window.SetWindowPos(parent.left + 1, parent.top);
    EXPECT_EQ(shadowWindow->GetWindowRect().left, parent.left + 1 - 8);
}

}  // namespace
}  // namespace ui_test
