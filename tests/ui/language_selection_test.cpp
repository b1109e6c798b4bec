// Interface language: which language an index, a code or an installation folder asks for,
// which texts of language.json reach the string table, files that must leave it alone, and
// labels sized to their new text.
#include "ui/language_selection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/message_loop.h"
#include "sys/text.h"
#include "tests/support/scratch_folder.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/label.h"
#include "toolkit/string_table.h"

namespace ui_test {
namespace {

using namespace toolkit_test;
using ui::LanguageCode;
using ui::LoadLanguage;

constexpr size_t kSizeLimit = 4 * 1024 * 1024;

constexpr char kTexts[] = R"([
  {"id": 1, "en-US": "Install now", "zh-CN": "立即安装", "zh-TW": "立即安裝"},
  {"id": 2, "en-US": "Installation folder", "zh-CN": "安装位置", "zh-TW": "安裝位置"}
])";

// The texts of ids 1 and 2 in one language of kTexts.
struct Texts {
    const wchar_t* install;
    const wchar_t* folder;
};
constexpr Texts kEnglish{L"Install now", L"Installation folder"};
constexpr Texts kSimplified{L"立即安装", L"安装位置"};
constexpr Texts kTraditional{L"立即安裝", L"安裝位置"};

constexpr wchar_t kNone[] = L"<none>";

std::wstring Registered(int id) {
    std::wstring text;
    return StringTable::Get(id, &text) ? text : kNone;
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { StringTable::Clear(); }
    void TearDown() override { StringTable::Clear(); }

    void WriteTexts(const std::string& bytes) const { m_skin.Write("language.json", bytes); }
    void RemoveTexts() const { std::filesystem::remove(m_skin.Root() / "language.json"); }

    TempSkin m_skin;
};

TEST(LanguageCodeTest, TableOrderAndFallbacks) {
    const struct {
        int index;
        const wchar_t* code;
    } cases[] = {
        {0, L"en-US"}, {1, L"zh-CN"}, {2, L"zh-TW"}, {-1, L"en-US"}, {3, L"en-US"}, {7, L"en-US"},
    };
    CControlUI list;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(LanguageCode(c.index), c.code);
        EXPECT_EQ(ui::CurrentLanguageCode(&list, c.index), c.code);
        EXPECT_EQ(ui::CurrentLanguageCode(nullptr, c.index), L"");
    }
}

TEST_F(LanguageTest, CodeWinsOverIndexAndChoosesTheTexts) {
    WriteTexts(kTexts);
    const struct {
        int index;
        const wchar_t* code;
        int result;
        Texts texts;
    } cases[] = {
        {0, L"zh-CN", 1, kSimplified},
        {1, L"zh-TW", 2, kTraditional},
        {2, L"en-US", 0, kEnglish},
        // Unknown codes keep the incoming index, even one outside the table; the texts are
        // then English.
        {1, L"fr-FR", 1, kSimplified},
        {7, L"fr-FR", 7, kEnglish},
        {-1, L"fr-FR", -1, kEnglish},
        {2, L"zh-cn", 2, kTraditional},  // codes match exactly
        // Without a code the index counts when it is in the table.
        {0, L"", 0, kEnglish},
        {1, L"", 1, kSimplified},
        {2, L"", 2, kTraditional},
        {5, L"", 0, kEnglish},
        {7, L"", 0, kEnglish},
        {-1, L"", 0, kEnglish},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.index << " " << Utils::ToUtf8(c.code));
        StringTable::Clear();
        EXPECT_EQ(LoadLanguage(c.index, c.code), c.result);
        EXPECT_EQ(Registered(1), c.texts.install);
        EXPECT_EQ(Registered(2), c.texts.folder);
    }
}

TEST_F(LanguageTest, TextsAreDecodedFromUtf8) {
    // A byte-order mark, as editors on other systems write, does not hide the texts.
    WriteTexts(
        "\xEF\xBB\xBF"
        R"([
      {"id": 1, "zh-CN": "安装 Collivo 到"},
      {"id": 2, "zh-CN": "\u5b89\u88c5"},
      {"id": 3, "zh-CN": "🚀 \ud83d\ude80"},
      {"id": 4, "zh-CN": "第一行\n第二行"}
    ])");
    EXPECT_EQ(LoadLanguage(1, L""), 1);
    EXPECT_EQ(Registered(1), L"安装 Collivo 到");
    EXPECT_EQ(Registered(2), L"安装");
    EXPECT_EQ(Registered(3), L"\U0001F680 \U0001F680");
    EXPECT_EQ(Registered(4), L"第一行\n第二行");
}

TEST_F(LanguageTest, UnusableFileGivesZeroAndRegistersNothing) {
    std::string oversized = kTexts;
    oversized.resize(kSizeLimit + 1, ' ');  // valid JSON: only its size is wrong
    const std::string texts = kTexts;
    const struct {
        const char* what;
        std::optional<std::string> bytes;
    } cases[] = {
        {"missing", std::nullopt},
        {"empty", ""},
        {"over 4 MiB", oversized},
        {"not JSON", "Install now"},
        {"cut short", texts.substr(0, texts.size() - 1)},
        {"object at the root", R"({"id": 1, "zh-CN": "立即安装"})"},
        {"string at the root", R"("立即安装")"},
        // The JSON reader throws instead of failing once nesting passes its limit.
        {"nested too deep", std::string(100000, '[')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTexts();
        if (c.bytes) WriteTexts(*c.bytes);
        EXPECT_EQ(LoadLanguage(1, L"zh-CN"), 0);
        EXPECT_EQ(Registered(1), kNone);
        EXPECT_EQ(Registered(2), kNone);
    }
}

TEST_F(LanguageTest, FileOfExactly4MiBIsRead) {
    std::string texts = kTexts;
    texts.resize(kSizeLimit, ' ');
    WriteTexts(texts);
    EXPECT_EQ(LoadLanguage(2, L""), 2);
    EXPECT_EQ(Registered(1), kTraditional.install);
}

TEST_F(LanguageTest, EntriesWithoutIntegerIdOrTextAreSkipped) {
    // Indexing a non-object or reading an out-of-range id as int would throw.
    WriteTexts(R"([
      {"id": 10, "zh-CN": "第一"},
      7, "立即安装", [1, 2], null,
      {"zh-CN": "没有编号"},
      {"id": "20", "zh-CN": "文字编号"},
      {"id": 30, "zh-CN": 5},
      {"id": 40, "en-US": "English only"},
      {"id": 50.5, "zh-CN": "小数"},
      {"id": 4294967356, "zh-CN": "太大"},
      {"id": 70, "zh-CN": null},
      {"id": 80, "zh-CN": "最后"}
    ])");
    EXPECT_EQ(LoadLanguage(0, L"zh-CN"), 1);
    EXPECT_EQ(Registered(10), L"第一");
    EXPECT_EQ(Registered(80), L"最后");
    for (const int id : {20, 30, 40, 50, 60, 70}) {  // 4294967356 is 2^32 + 60
        SCOPED_TRACE(id);
        EXPECT_EQ(Registered(id), kNone);
    }
}

constexpr char kLayout[] = R"(<Window size="600,60">
  <Font id="0" name="微软雅黑" size="12" default="true"/>
  <Font id="1" name="微软雅黑" size="22" bold="true"/>
  <HorizontalLayout>
    <Button name="backBtn" width="64" font="1" textid="1" textpadding="9,0,5,0"/>
    <Label name="lbInstallPath" width="40" textid="2"/>
    <Control name="lbLanguage" width="50"/>
    <Label name="title" width="30" textid="1"/>
  </HorizontalLayout>
</Window>)";

class LanguageWindowTest : public LanguageTest {
protected:
    void SetUp() override {
        LanguageTest::SetUp();
        offscreen::Use();
        WriteTexts(kTexts);
        m_skin.Write("language.xml", kLayout);
        ASSERT_NE(m_window.CreateWindow(), nullptr);
    }
    void TearDown() override {
        m_window.DestroyWindow();
        int code = 0;
        platform::TakeQuitMessage(&code);
        LanguageTest::TearDown();
    }

    TestWindow m_window{L"language.xml"};
};

TEST_F(LanguageWindowTest, InstallationFolderNamesTheLanguage) {
    testing_support::ScratchFolder installation;
    auto* title = m_window.Find<CLabelUI>(L"title");
    ASSERT_NE(title, nullptr);
    const struct {
        const char* what;
        std::optional<std::string> config;
        int result;
        Texts texts;
    } cases[] = {
        {"no config.ini", std::nullopt, 0, kEnglish},
        {"zh-TW", "[Install]\nLanguage=zh-TW\n", 2, kTraditional},
        {"zh-CN", "[Other]\nLanguage=zh-TW\n[Install]\nLanguage = zh-CN\n", 1, kSimplified},
        {"unknown code", "[Install]\nLanguage=fr-FR\n", 0, kEnglish},
        {"no key", "[Install]\nFolder=/opt/Collivo\n", 0, kEnglish},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(installation / "config.ini");
        if (c.config) std::ofstream(installation / "config.ini", std::ios::binary) << *c.config;
        StringTable::Clear();
        title->SetText(L"");
        EXPECT_EQ(
            ui::LanguageFromInstallation(Utils::FromUtf8(installation.Path()), &m_window.GetUi()),
            c.result);
        EXPECT_EQ(Registered(2), c.texts.folder);
        EXPECT_EQ(title->GetText(), c.texts.install);  // the window's texts were refreshed
    }
    // Without a window only the string table changes.
    std::ofstream(installation / "config.ini", std::ios::binary) << "[Install]\nLanguage=zh-TW\n";
    EXPECT_EQ(ui::LanguageFromInstallation(Utils::FromUtf8(installation.Path()), nullptr), 2);
    EXPECT_EQ(Registered(1), kTraditional.install);
}

TEST_F(LanguageWindowTest, ApplyLanguageSizesLabelsToTheirNewText) {
    WindowUi& ui = m_window.GetUi();
    auto* back = m_window.Find<CLabelUI>(L"backBtn");
    auto* path = m_window.Find<CLabelUI>(L"lbInstallPath");
    ASSERT_NE(back, nullptr);
    ASSERT_NE(path, nullptr);
    const struct {
        int index;
        Texts texts;
    } cases[] = {{0, kEnglish}, {2, kTraditional}, {1, kSimplified}, {5, kEnglish}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        ui::ApplyLanguage(ui, c.index);
        EXPECT_EQ(back->GetText(), c.texts.install);
        EXPECT_EQ(path->GetText(), c.texts.folder);
        // The new text in the control's own font, plus the left text padding only.
        EXPECT_EQ(back->GetFixedWidth(),
                  ui.MeasureText(1, c.texts.install, back->GetTextStyle()).cx + 9);
        EXPECT_EQ(path->GetFixedWidth(),
                  ui.MeasureText(-1, c.texts.folder, path->GetTextStyle()).cx);
        // Not a label, and not one of the three: left alone.
        EXPECT_EQ(m_window.FindControl(L"lbLanguage")->GetFixedWidth(), 50);
        EXPECT_EQ(m_window.FindControl(L"title")->GetFixedWidth(), 30);
    }
    // The fonts differ, so measuring in the wrong one shows.
    EXPECT_NE(ui.MeasureText(1, kEnglish.install, back->GetTextStyle()).cx,
              ui.MeasureText(-1, kEnglish.install, back->GetTextStyle()).cx);
}

}  // namespace
}  // namespace ui_test
