// The skin archive reader over archives made by the 7z tool: compression methods, filters,
// solid and non-solid packing, folders, non-ASCII names, lookups, and damaged archives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/skin_archive.h"

namespace toolkit_test {
namespace {

// The files packed into every test archive, by archive name.
std::map<std::string, std::string> SampleFiles() {
    std::mt19937 random(42);
    std::string noise(3000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "<Control name=\"c" + std::to_string(i) + "\"/>\n";
    return {
        {"mainWnd.xml", "<Window size=\"600,400\"/>"},
        {"exitTipWnd.xml", text},
        {"res/mainWnd/bg1.png", noise},
        {"res/mainWnd/installBtnAnimate/000.png", noise.substr(0, 100)},
        {"res/中文/图标.png", "icon"},
        {"empty.txt", ""},
    };
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Packs SampleFiles() with the 7z tool and the given switches; the archive's bytes.
std::string Pack(const std::string& switches) {
    TempSkin folder;
    for (const auto& [name, bytes] : SampleFiles())
        folder.Write("in/" + name, bytes);
    std::filesystem::create_directories(folder.Root() / "in/res/emptyFolder");
    const std::filesystem::path archive = folder.Root() / "out.7z";
    const std::string command = "cd '" + (folder.Root() / "in").string() + "' && 7z a -t7z " +
                                switches + " -bd -bso0 -bsp0 '" + archive.string() +
                                "' . >/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return ReadFile(archive);
}

std::unique_ptr<SkinArchive> Open(const std::string& bytes) {
    return SkinArchive::OpenFromMemory(bytes.data(), bytes.size(), ArchiveFormat::kSevenZip);
}

std::string Utf8(const std::u16string& name) {
    std::wstring wide(name.begin(), name.end());  // the sample names need no pairs
    return Utils::ToUtf8(wide);
}

TEST(SkinArchiveTest, ReadsArchivesOfEveryPacking) {
    const struct {
        const char* name;
        const char* switches;
    } cases[] = {
        {"LZMA, solid", "-m0=LZMA -ms=on"},
        {"LZMA2, solid", "-m0=LZMA2 -ms=on"},
        {"LZMA2, not solid", "-m0=LZMA2 -ms=off"},
        {"BCJ filter and LZMA", "-m0=BCJ -m1=LZMA -ms=on"},
        {"BCJ filter and LZMA2, not solid", "-m0=BCJ -m1=LZMA2 -ms=off"},
        {"stored", "-m0=Copy"},
    };
    const auto files = SampleFiles();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = Pack(c.switches);
        ASSERT_FALSE(bytes.empty()) << "the 7z tool failed";
        const std::unique_ptr<SkinArchive> archive = Open(bytes);
        ASSERT_NE(archive, nullptr);
        // Every file and no folder, names with "/" as stored.
        ASSERT_EQ(archive->Entries().size(), files.size());
        for (const SkinArchiveEntry& entry : archive->Entries()) {
            const std::string name = Utf8(entry.name);
            SCOPED_TRACE(name);
            const auto file = files.find(name);
            ASSERT_NE(file, files.end());
            EXPECT_EQ(entry.nameLength, entry.name.size() + 1);
            EXPECT_EQ(entry.size, file->second.size());
            EXPECT_EQ(std::string(entry.data.begin(), entry.data.end()), file->second);
        }
    }
}

TEST(SkinArchiveTest, FindIgnoresCaseAndTakesBackslashes) {
    const std::string bytes = Pack("-m0=LZMA2");
    const std::unique_ptr<SkinArchive> archive = Open(bytes);
    ASSERT_NE(archive, nullptr);
    const auto files = SampleFiles();
    const struct {
        const wchar_t* request;
        const char* stored;  // null: not found
    } cases[] = {
        {L"RES\\MAINWND\\BG1.PNG", "res/mainWnd/bg1.png"},
        {L"res\\mainWnd\\bg1.png", "res/mainWnd/bg1.png"},
        {L"res/mainWnd/bg1.png", "res/mainWnd/bg1.png"},
        {L"MainWnd.xml", "mainWnd.xml"},
        {L"ExitTipWnd.xml", "exitTipWnd.xml"},
        {L"res\\中文\\图标.PNG", "res/中文/图标.png"},
        {L"res\\mainWnd\\installBtnAnimate\\000.png", "res/mainWnd/installBtnAnimate/000.png"},
        {L"empty.txt", "empty.txt"},
        {L"res\\mainWnd\\bg1.pn", nullptr},
        {L"res\\mainWnd\\bg1.png ", nullptr},
        {L"res\\mainWnd", nullptr},  // folders are not entries
        {L"res/emptyFolder", nullptr},
        {L"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.request));
        uint32_t index = 0;
        uint64_t size = 0;
        ASSERT_EQ(archive->Find(c.request, &index, &size), c.stored != nullptr);
        if (c.stored == nullptr) continue;
        const std::string& expected = files.at(c.stored);
        EXPECT_EQ(size, expected.size());
        std::string data(size, '\0');
        ASSERT_TRUE(archive->Read(index, data.data()));
        EXPECT_EQ(data, expected);
    }
    std::string unused(1, '\0');
    EXPECT_FALSE(archive->Read(9999, unused.data()));
}

TEST(SkinArchiveTest, DamagedArchivesAreRefused) {
    for (const char* switches : {"-m0=LZMA2 -ms=on", "-m0=LZMA -ms=off"}) {
        SCOPED_TRACE(switches);
        const std::string bytes = Pack(switches);
        ASSERT_GT(bytes.size(), 200u);
        // Cut anywhere: the header at the end is missing or the streams end early.
        for (size_t length : {size_t{0}, size_t{6}, size_t{32}, bytes.size() / 3, bytes.size() / 2,
                              bytes.size() - 40, bytes.size() - 1}) {
            SCOPED_TRACE(testing::Message() << "cut at " << length);
            EXPECT_EQ(Open(bytes.substr(0, length)), nullptr);
        }
        // Flipped bits in the packed data fail the checksums; in the header, its parsing.
        for (size_t at : {size_t{40}, size_t{100}, bytes.size() / 2, bytes.size() - 20}) {
            SCOPED_TRACE(testing::Message() << "flipped at " << at);
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
            EXPECT_EQ(Open(damaged), nullptr);
        }
    }
    const std::string garbage(4096, 'x');
    EXPECT_EQ(Open(garbage), nullptr);
    // The 7z reader refuses a zip, and the zip reader a 7z archive.
    const std::string sevenZip = Pack("-m0=LZMA2");
    EXPECT_EQ(SkinArchive::OpenFromMemory(sevenZip.data(), sevenZip.size(), ArchiveFormat::kZip),
              nullptr);
}

TEST(SkinArchiveTest, ZipReaderStaysAvailable) {
    TempSkin folder;
    for (const auto& [name, bytes] : SampleFiles())
        folder.Write("in/" + name, bytes);
    const std::filesystem::path archive = folder.Root() / "out.zip";
    const std::string command = "cd '" + (folder.Root() / "in").string() +
                                "' && 7z a -tzip -bd -bso0 -bsp0 '" + archive.string() +
                                "' . >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string bytes = ReadFile(archive);
    const auto opened =
        SkinArchive::OpenFromMemory(bytes.data(), bytes.size(), ArchiveFormat::kZip);
    ASSERT_NE(opened, nullptr);
    uint32_t index = 0;
    uint64_t size = 0;
    EXPECT_TRUE(opened->Find(L"RES\\MAINWND\\BG1.PNG", &index, &size));
    EXPECT_EQ(size, 3000u);
}

}  // namespace
}  // namespace toolkit_test
