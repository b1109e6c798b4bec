// The skinned frame: its style bits, Escape, and what happens when its skin cannot be built.
#include "ui/skin_frame.h"

#include <stdlib.h>

#include "tests/ui/ui_test_support.h"
#include "toolkit/offscreen_host.h"

namespace ui_test {
namespace {

using SkinFrameTest = SkinTest;

TEST_F(SkinFrameTest, NoCaptionBitsIconAndEscapeDoesNotClose) {
    SkinWindow window(L"MainWnd.xml");
    ASSERT_NE(window.Create(nullptr, L"Collivo", WS_OVERLAPPEDWINDOW | WS_MAXIMIZEBOX, 0), nullptr);
    EXPECT_EQ(window.GetStyle() & (WS_CAPTION | WS_MAXIMIZEBOX), 0u);
    EXPECT_EQ(window.GetWindowClassName(), L"MainWnd");
    EXPECT_EQ(window.GetClientSize(), (Size{600, 400}));
    EXPECT_TRUE(SetInstallerIcon(window));
    EXPECT_TRUE(dynamic_cast<OffscreenWindow*>(window.GetHostWindow())->HasIcon());
    window.ShowWindow();
    const HWND hwnd = window.GetHWND();
    EXPECT_TRUE(offscreen::PressKey(window, VK_ESCAPE));
    offscreen::RunPending();
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(SkinFrameTest, FrameParamsNameTheClassAfterTheLayout) {
    const FrameParams params = FrameParams::ForSkinFile(L"InstalledPathTipWnd.xml");
    EXPECT_EQ(params.resourceType, kResourceZipResource);
    EXPECT_EQ(params.resourceId, 147);
    EXPECT_EQ(params.skinFolder, L"");
    EXPECT_EQ(params.className, L"InstalledPathTipWnd");
}

TEST_F(SkinFrameTest, FrameGoneBeforeItsWindowTakesTheShadowAlong) {
    HWND shadow = nullptr;
    {
        SkinWindow window(L"MainWnd.xml");
        ASSERT_NE(window.CreateWindow(), nullptr);
        window.ShowWindow();
        ASSERT_NE(window.GetShadow().GetShadowWindow(), nullptr);
        shadow = window.GetShadow().GetShadowWindow()->GetHWND();
    }
    EXPECT_FALSE(IsWindow(shadow));
}

TEST(SkinFrameDeathTest, UnbuildableSkinTellsTheUserAndExitsWithOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // No display: the message goes to standard error instead of a box.
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            offscreen::Use();
            ResourceAccess::SetArchiveFormat(ArchiveFormat::kSevenZip);
            SkinWindow window(L"NoSuchWnd.xml");
            window.CreateWindow();
        },
        ::testing::ExitedWithCode(1), "Collivo: 加载资源文件失败");
}

}  // namespace
}  // namespace ui_test
