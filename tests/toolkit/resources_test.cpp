// Resources linked into the test executable by the build: raw bytes, and a skin folder packed
// into a 7z archive as ("ZIPRES", 147) and read by a window.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/resources.h"
#include "tests/toolkit/toolkit_test_support.h"

namespace toolkit_test {
namespace {

TEST(ResourcesTest, LinkedBytesAreFoundByTypeAndId) {
    std::ifstream in(COLLIVO_TEST_DATA "/linked.bin", std::ios::binary);
    const std::string expected{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    ASSERT_FALSE(expected.empty());
    platform::ResourceBytes bytes;
    ASSERT_TRUE(platform::FindResource("TEST", 1, &bytes));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data), bytes.size), expected);
    EXPECT_FALSE(platform::FindResource("TEST", 2, &bytes));
    EXPECT_FALSE(platform::FindResource("test", 1, &bytes));

    static const char kRuntime[] = "registered at run time";
    platform::RegisterResource("TEST", 2, kRuntime, sizeof(kRuntime));
    ASSERT_TRUE(platform::FindResource("TEST", 2, &bytes));
    EXPECT_EQ(bytes.size, sizeof(kRuntime));
}

class SkinResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        offscreen::Use();
        ResourceAccess::CloseArchive();
        ResourceAccess::SetArchiveFormat(ArchiveFormat::kSevenZip);
    }
    void TearDown() override {
        ResourceAccess::CloseArchive();
        ResourceAccess::SetArchiveFormat(ArchiveFormat::kZip);
    }
};

TEST_F(SkinResourceTest, WindowReadsItsSkinFromTheLinkedArchive) {
    TestWindow window(L"MainWnd.xml", kResourceZipResource, 147);
    ASSERT_NE(window.CreateWindow(), nullptr);
    EXPECT_EQ(window.GetClientSize(), (Size{120, 80}));
    ASSERT_NE(window.FindControl(L"title"), nullptr);
    EXPECT_EQ(window.FindControl(L"title")->GetText(), L"温馨提示");
    // The image comes out of the archive too.
    EXPECT_EQ(offscreen::PixelAt(window, {10, 10}), 0xFF2080C0u);

    // A second window finds the archive open already.
    const SkinArchive* archive = ResourceAccess::GetArchive();
    ASSERT_NE(archive, nullptr);
    TestWindow second(L"mainwnd.xml", kResourceZipResource, 147);
    ASSERT_NE(second.CreateWindow(), nullptr);
    EXPECT_EQ(ResourceAccess::GetArchive(), archive);
}

TEST_F(SkinResourceTest, FilesBesideTheInstallerServeNamesTheArchiveLacks) {
    TempSkin disk;
    disk.Write("res/extra/only-on-disk.png", SolidPng(2, 2, 0xFF00FF00));
    disk.Write("res/dot.png", SolidPng(2, 2, 0xFF000000));
    disk.Write("OnDiskWnd.xml", R"(<Window size="50,50"><Label name="x"/></Window>)");
    ASSERT_TRUE(ResourceAccess::OpenArchiveFromResource(147));

    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ResourceAccess::ReadFile(L"res\\extra\\only-on-disk.png", &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), SolidPng(2, 2, 0xFF00FF00));
    // A name the archive holds comes from the archive, whatever lies on disk.
    std::vector<uint8_t> fromArchive;
    ASSERT_TRUE(ResourceAccess::ReadFile(L"res/dot.png", &fromArchive));
    EXPECT_NE(std::string(fromArchive.begin(), fromArchive.end()), SolidPng(2, 2, 0xFF000000));
    EXPECT_FALSE(ResourceAccess::ReadFile(L"res/nowhere.png", &bytes));
    // A layout is never taken from disk for a skin that lives in the archive.
    TestWindow window(L"OnDiskWnd.xml", kResourceZipResource, 147);
    EXPECT_EQ(window.CreateWindow(), nullptr);
}

TEST_F(SkinResourceTest, MissingPiecesFailCreation) {
    {
        SCOPED_TRACE("no such resource");
        TestWindow window(L"MainWnd.xml", kResourceZipResource, 999);
        EXPECT_EQ(window.CreateWindow(), nullptr);
        EXPECT_EQ(ResourceAccess::GetArchive(), nullptr);
    }
    {
        SCOPED_TRACE("no such skin file in the archive");
        TestWindow window(L"NoSuchWnd.xml", kResourceZipResource, 147);
        EXPECT_EQ(window.CreateWindow(), nullptr);
    }
    {
        SCOPED_TRACE("the zip reader cannot read the 7z resource");
        ResourceAccess::CloseArchive();
        ResourceAccess::SetArchiveFormat(ArchiveFormat::kZip);
        TestWindow window(L"MainWnd.xml", kResourceZipResource, 147);
        EXPECT_EQ(window.CreateWindow(), nullptr);
    }
}

}  // namespace
}  // namespace toolkit_test
