#include "platform/folder_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scoped_environment.h"

namespace {

using testing_support::ScopedEnvironment;

TEST(FolderDialogTest, HandlerAnswersAndEmptyOneRestoresTheDialog) {
    struct Call {
        platform::NativeWindow owner = nullptr;
        std::wstring title;
        std::wstring start;
        int count = 0;
    } call;
    platform::SetFolderDialogHandler([&call](platform::NativeWindow owner,
                                             const std::wstring& title, const std::wstring& start,
                                             std::wstring* path) {
        call = {owner, title, start, call.count + 1};
        *path = L"/home/用户/Collivo";
        return true;
    });
    int window = 0;
    std::wstring path;
    EXPECT_TRUE(platform::BrowseForFolder(&window, L"选择一个文件夹", L"/opt", &path));
    EXPECT_EQ(path, L"/home/用户/Collivo");
    EXPECT_EQ(call.count, 1);
    EXPECT_EQ(call.owner, &window);
    EXPECT_EQ(call.title, L"选择一个文件夹");
    EXPECT_EQ(call.start, L"/opt");

    // Back to the real dialog, which without a display picks nothing.
    platform::SetFolderDialogHandler({});
    const ScopedEnvironment noX11("DISPLAY", nullptr);
    const ScopedEnvironment noWayland("WAYLAND_DISPLAY", nullptr);
    path.clear();
    EXPECT_FALSE(platform::BrowseForFolder(nullptr, L"选择一个文件夹", L"", &path));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(call.count, 1);
}

}  // namespace
