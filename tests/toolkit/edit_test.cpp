// Text input: the editing state on its own, and an Edit control driven by keys and clicks.
#include <gtest/gtest.h>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/edit.h"
#include "toolkit/text_edit_state.h"

namespace toolkit_test {
namespace {

TEST(TextEditStateTest, EditsBySteps) {
    enum Op { kInsert, kBack, kDelete, kLeft, kRight, kShiftLeft, kShiftRight, kHome, kEnd, kAll };
    const struct {
        const char* name;
        std::vector<std::pair<Op, const wchar_t*>> steps;
        const wchar_t* text;
        size_t caret;
        const wchar_t* selected;
    } cases[] = {
        {"typing appends", {{kInsert, L"ab"}, {kInsert, L"c"}}, L"abc", 3, L""},
        {"insert in the middle",
         {{kInsert, L"ac"}, {kLeft, nullptr}, {kInsert, L"b"}},
         L"abc",
         2,
         L""},
        {"backspace and delete",
         {{kInsert, L"abcd"},
          {kHome, nullptr},
          {kDelete, nullptr},
          {kEnd, nullptr},
          {kBack, nullptr}},
         L"bc",
         2,
         L""},
        {"backspace at the start does nothing",
         {{kInsert, L"x"}, {kHome, nullptr}, {kBack, nullptr}},
         L"x",
         0,
         L""},
        {"shift extends, typing replaces",
         {{kInsert, L"hello"}, {kShiftLeft, nullptr}, {kShiftLeft, nullptr}, {kInsert, L"p!"}},
         L"help!",
         5,
         L""},
        {"selection then arrow collapses to its edge",
         {{kInsert, L"abcd"}, {kShiftLeft, nullptr}, {kShiftLeft, nullptr}, {kLeft, nullptr}},
         L"abcd",
         2,
         L""},
        {"select all then delete",
         {{kInsert, L"路径"}, {kAll, nullptr}, {kDelete, nullptr}},
         L"",
         0,
         L""},
        {"selection is kept",
         {{kInsert, L"abc"}, {kHome, nullptr}, {kShiftRight, nullptr}, {kShiftRight, nullptr}},
         L"abc",
         2,
         L"ab"},
        {"control characters are dropped", {{kInsert, L"a\tb\r\nc"}}, L"abc", 3, L""},
        {"the length limit cuts what is typed",
         {{kInsert, L"123456"}, {kInsert, L"789"}},
         L"12345678",
         8,
         L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextEditState state;
        for (const auto& [op, text] : c.steps) {
            switch (op) {
                case kInsert:
                    state.Insert(text, 8);
                    break;
                case kBack:
                    state.Backspace();
                    break;
                case kDelete:
                    state.Delete();
                    break;
                case kLeft:
                    state.MoveLeft(false);
                    break;
                case kRight:
                    state.MoveRight(false);
                    break;
                case kShiftLeft:
                    state.MoveLeft(true);
                    break;
                case kShiftRight:
                    state.MoveRight(true);
                    break;
                case kHome:
                    state.MoveTo(0, false);
                    break;
                case kEnd:
                    state.MoveTo(state.Text().size(), false);
                    break;
                case kAll:
                    state.SelectAll();
                    break;
            }
        }
        EXPECT_EQ(state.Text(), c.text);
        EXPECT_EQ(state.Caret(), c.caret);
        EXPECT_EQ(state.SelectedText(), c.selected);
    }
}

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        offscreen::Use();
        m_skin.Write("e.xml", R"(<Window size="300,60"><VerticalLayout>
            <Edit name="dir" height="30" text="/opt" textpadding="9,0,9,3" maxchar="20"/>
            <Edit name="other" height="30"/></VerticalLayout></Window>)");
        ASSERT_NE(m_window.CreateWindow(), nullptr);
        m_edit = m_window.Find<CEditUI>(L"dir");
        ASSERT_NE(m_edit, nullptr);
        ASSERT_TRUE(offscreen::Click(m_window, L"dir"));
    }
    size_t Count(const std::string& entry) const {
        return static_cast<size_t>(std::count(m_window.log.begin(), m_window.log.end(), entry));
    }

    TempSkin m_skin;
    TestWindow m_window{L"e.xml"};
    CEditUI* m_edit = nullptr;
};

TEST_F(EditTest, KeysEditTheText) {
    ASSERT_TRUE(m_edit->IsFocused());
    offscreen::PressKey(m_window, VK_END);
    offscreen::TypeText(m_window, L"/安装");
    EXPECT_EQ(m_edit->GetText(), L"/opt/安装");
    EXPECT_EQ(Count("textchanged:dir"), 3u);
    offscreen::PressKey(m_window, VK_BACK);
    offscreen::PressKey(m_window, VK_HOME);
    offscreen::PressKey(m_window, VK_DELETE);
    EXPECT_EQ(m_edit->GetText(), L"opt/安");
    offscreen::PressKey(m_window, VK_RETURN);
    EXPECT_EQ(Count("return:dir"), 1u);
    // Keys go to the focused control only.
    offscreen::PressKey(m_window, VK_TAB);
    offscreen::TypeText(m_window, L"x");
    EXPECT_EQ(m_edit->GetText(), L"opt/安");
    EXPECT_EQ(m_window.Find<CEditUI>(L"other")->GetText(), L"x");
}

TEST_F(EditTest, ClipboardCopiesCutsAndPastes) {
    const KeyModifiers control{false, true, false};
    const KeyModifiers shift{true, false, false};
    offscreen::PressKey(m_window, VK_END);
    offscreen::PressKey(m_window, VK_LEFT, shift);
    offscreen::PressKey(m_window, VK_LEFT, shift);
    offscreen::PressKey(m_window, 'C', control);
    EXPECT_EQ(m_window.GetUi().GetClipboardText(), L"pt");
    offscreen::PressKey(m_window, 'X', control);
    EXPECT_EQ(m_edit->GetText(), L"/o");
    offscreen::PressKey(m_window, VK_HOME);
    offscreen::PressKey(m_window, 'V', control);
    EXPECT_EQ(m_edit->GetText(), L"pt/o");
    offscreen::PressKey(m_window, 'A', control);
    offscreen::TypeText(m_window, L"z");
    EXPECT_EQ(m_edit->GetText(), L"z");
    // Letters typed with Ctrl held are shortcuts, not text.
    offscreen::PressKey(m_window, 'Q', control);
    EXPECT_EQ(m_edit->GetText(), L"z");
}

TEST_F(EditTest, ClicksPlaceTheCaretAndDragsSelect) {
    m_edit->SetText(L"abcdefghij");
    const Rect r = m_edit->GetPos();
    const Point start{r.left + 9, r.Center().y};  // the text's left edge
    const Point end{r.right - 12, r.Center().y};  // past the text's end
    ASSERT_TRUE(offscreen::ClickAt(m_window, start));
    EXPECT_EQ(m_edit->GetEditState().Caret(), 0u);
    ASSERT_TRUE(offscreen::Drag(m_window, start, end));
    EXPECT_EQ(m_edit->GetEditState().SelectedText(), L"abcdefghij");
    ASSERT_TRUE(offscreen::ClickAt(m_window, end));
    EXPECT_EQ(m_edit->GetEditState().Caret(), 10u);
    EXPECT_FALSE(m_edit->GetEditState().HasSelection());
}

TEST_F(EditTest, ReadOnlyAndLimits) {
    offscreen::TypeText(m_window, L"/0123456789abcdefghijk");
    EXPECT_EQ(m_edit->GetText().size(), 20u);
    m_edit->SetReadOnly(true);
    offscreen::PressKey(m_window, VK_BACK);
    offscreen::TypeText(m_window, L"q");
    EXPECT_EQ(m_edit->GetText().size(), 20u);
}

}  // namespace
}  // namespace toolkit_test
