// Tip and message windows: which button gives which result, texts from the caller where the
// layout takes them, and a tip that ends with its owner.
#include "ui/message_box_wnd.h"

#include "tests/ui/ui_test_support.h"
#include "toolkit/label.h"

namespace ui_test {
namespace {

class TipTest : public SkinTest {
protected:
    void SetUp() override {
        SkinTest::SetUp();
        ASSERT_NE(m_owner.CreateWindow(), nullptr);
        m_owner.ShowWindow();
    }
    SkinWindow m_owner{L"MainWnd.xml"};
};

TEST_F(TipTest, ExitTipAnswersByItsButtons) {
    const struct {
        const char* what;
        std::function<void(SkinWindowBase&)> act;
        int result;
    } cases[] = {
        {"是", [](SkinWindowBase& tip) { EXPECT_TRUE(offscreen::Click(tip, L"okBtn")); }, 0},
        {"否", [](SkinWindowBase& tip) { EXPECT_TRUE(offscreen::Click(tip, L"cancelBtn")); }, 1},
        {"close button",
         [](SkinWindowBase& tip) { EXPECT_TRUE(offscreen::Click(tip, L"closebtn")); }, 2},
        // Alt+F4 or the desktop's close: no click, so the initial result.
        {"close request", [](SkinWindowBase& tip) { EXPECT_TRUE(offscreen::RequestClose(tip)); },
         1},
        // Escape does not close a tip; the close button then does.
        {"escape, then close button",
         [](SkinWindowBase& tip) {
             const HWND hwnd = tip.GetHWND();
             EXPECT_TRUE(offscreen::PressKey(tip, VK_ESCAPE));
             offscreen::RunPending();
             EXPECT_TRUE(IsWindow(hwnd));
             EXPECT_TRUE(offscreen::Click(tip, L"closebtn"));
         },
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool ownerDisabled = false;
        bool centred = false;
        offscreen::AnswerNextModal([&](SkinWindowBase& tip) {
            ownerDisabled = !m_owner.IsEnabled();
            const Rect owner = m_owner.GetWindowRect();
            const Rect r = tip.GetWindowRect();
            centred = r.left == owner.left + (owner.Width() - 360) / 2 &&
                      r.top == owner.top + (owner.Height() - 180) / 2;
            c.act(tip);
        });
        // Asked for with another letter case than the archive stores ("exitTipWnd.xml").
        EXPECT_EQ(ShowTip(m_owner.GetHWND(), FrameParams::ForSkinFile(L"ExitTipWnd.xml")),
                  c.result);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(centred);
        EXPECT_TRUE(m_owner.IsEnabled());
    }
}

TEST_F(TipTest, CallerTextsReachOnlyLayoutsThatTakeThem) {
    const struct {
        const wchar_t* layout;
        const wchar_t* text;
        const wchar_t* caption;
    } cases[] = {
        {L"MessageBox2Wnd.xml", L"无效路径", L"温馨提示"},
        {L"MessageBox1Wnd.xml", L"无效路径", L"温馨提示"},
        {L"NetworkTipWnd.xml", nullptr, nullptr},  // no textLbl or captionLbl: its own texts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.layout));
        std::wstring text = L"(none)";
        std::wstring caption = L"(none)";
        offscreen::AnswerNextModal([&](SkinWindowBase& tip) {
            if (CControlUI* label = tip.FindControl(L"textLbl")) text = label->GetText();
            if (CControlUI* label = tip.FindControl(L"captionLbl")) caption = label->GetText();
            std::string name = Utils::ToUtf8(c.layout);
            EXPECT_TRUE(WriteScreenshot(dynamic_cast<CSkinFrame&>(tip),
                                        "tip-" + name.substr(0, name.find('.')) + ".png"));
            tip.Close();
        });
        ShowTip(m_owner.GetHWND(), FrameParams::ForSkinFile(c.layout), L"无效路径", L"温馨提示");
        EXPECT_EQ(text, c.text != nullptr ? c.text : L"(none)");
        EXPECT_EQ(caption, c.caption != nullptr ? c.caption : L"(none)");
    }
    // Without texts from the caller the markup's stay.
    std::wstring text;
    offscreen::AnswerNextModal([&](SkinWindowBase& tip) {
        text = tip.FindControl(L"textLbl")->GetText();
        tip.Close();
    });
    ShowTip(m_owner.GetHWND(), FrameParams::ForSkinFile(L"MessageBox1Wnd.xml"));
    EXPECT_EQ(text, L"TEXT");
}

TEST_F(TipTest, TipEndsWhenAStageMessageClosesItsOwner) {
    // While the tip is open, a posted message reaches the owner, whose handler destroys it
    // (the installer finishing under an open question): the tip goes with it.
    bool ownerHandled = false;
    auto previous = std::make_shared<CNativeWindow::WindowProcedure>();
    *previous = m_owner.Subclass([&, previous](UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == 2024) {
            ownerHandled = true;
            m_owner.DestroyWindow();
            return 0;
        }
        return (*previous)(msg, w, l);
    });
    offscreen::AnswerNextModal([&](SkinWindowBase&) { m_owner.PostMessage(2024); });
    EXPECT_EQ(ShowTip(m_owner.GetHWND(), FrameParams::ForSkinFile(L"NetworkTipWnd.xml")), 1);
    EXPECT_TRUE(ownerHandled);
    EXPECT_EQ(m_owner.GetHWND(), nullptr);
}

}  // namespace
}  // namespace ui_test
