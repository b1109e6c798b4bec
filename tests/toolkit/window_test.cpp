// Window behaviour: notification order, timers, posted messages from other threads, modal
// runs, closing, default clicks, caption dragging, focus and string-table texts.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/message_loop.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/attributes.h"
#include "toolkit/check_box.h"
#include "toolkit/container.h"
#include "toolkit/label.h"
#include "toolkit/string_table.h"

namespace toolkit_test {
namespace {

// A label that records the events it receives.
class RecordingLabel : public CLabelUI {
public:
    std::wstring_view GetClass() const override { return L"RecordingLabel"; }
    void DoEvent(ControlEvent& event) override {
        if (event.type == EventType::kTimer) timerIds.push_back(static_cast<UINT>(event.wParam));
        CLabelUI::DoEvent(event);
    }
    std::vector<UINT> timerIds;
};

constexpr char kPanel[] = R"(<Window size="300,200" caption="0,0,0,30">
  <VerticalLayout name="root" bkcolor="#FFFFFFFF">
    <HorizontalLayout height="30"><Label name="title" text="标题"/>
      <Button name="minbtn" width="24"/><Button name="closebtn" width="24"/></HorizontalLayout>
    <CheckBox name="agree" height="20" text="已同意" selected="true"/>
    <Button name="ok" height="30" text="OK"/>
    <Button name="off" height="30" enabled="false"/>
    <RecordingLabel name="anim" height="20"/>
    <Edit name="first" height="20"/>
    <Edit name="second" height="20"/>
    <Label name="texted" height="20" textid="104" text="fallback"/>
  </VerticalLayout>
</Window>)";

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        offscreen::Use();
        m_skin.Write("panel.xml", kPanel);
        m_window.factory = [](std::wstring_view name) -> CControlUI* {
            return EqualsNoCase(name, L"recordinglabel") ? new RecordingLabel() : nullptr;
        };
        ASSERT_NE(m_window.CreateWindow(), nullptr);
        m_window.ShowWindow();
    }
    void TearDown() override {
        int code = 0;
        platform::TakeQuitMessage(&code);
    }

    TempSkin m_skin;
    TestWindow m_window{L"panel.xml"};
};

TEST_F(WindowTest, CheckBoxClickChangesStateThenNotifiesSelectChangedThenClick) {
    auto* agree = m_window.Find<CCheckBoxUI>(L"agree");
    ASSERT_NE(agree, nullptr);
    ASSERT_TRUE(agree->IsSelected());
    // Handlers of "selectchanged" already see the new state.
    bool stateSeenBySelectChanged = true;
    m_window.onNotify = [&](Notification& n) {
        if (n.type == L"selectchanged") stateSeenBySelectChanged = agree->IsSelected();
    };
    ASSERT_TRUE(offscreen::Click(m_window, L"agree"));
    EXPECT_FALSE(agree->IsSelected());
    EXPECT_EQ(m_window.log, (std::vector<std::string>{"selectchanged:agree", "click:agree"}));
    EXPECT_FALSE(stateSeenBySelectChanged);
    for (const Notification& n : m_window.notifications)
        EXPECT_EQ(n.sender, agree);
    ASSERT_TRUE(offscreen::Click(m_window, L"agree"));
    EXPECT_TRUE(agree->IsSelected());
    // Setting the state from code notifies only when asked to.
    m_window.log.clear();
    agree->Selected(false, false);
    agree->Selected(true);
    EXPECT_EQ(m_window.log, (std::vector<std::string>{"selectchanged:agree"}));
}

TEST_F(WindowTest, ClickNeedsPressAndReleaseInsideAnEnabledButton) {
    CControlUI* ok = m_window.FindControl(L"ok");
    const Point inside = ok->GetPos().Center();
    // Released outside: no click.
    ASSERT_TRUE(offscreen::Drag(m_window, inside, {inside.x, inside.y + 100}));
    // On a disabled button: no click.
    ASSERT_TRUE(offscreen::Click(m_window, L"off"));
    EXPECT_TRUE(m_window.log.empty());
    ASSERT_TRUE(offscreen::Click(m_window, L"ok"));
    EXPECT_EQ(m_window.log, (std::vector<std::string>{"click:ok"}));
    // Space on the focused button clicks it too.
    ASSERT_TRUE(offscreen::PressKey(m_window, VK_SPACE));
    EXPECT_EQ(m_window.log.size(), 2u);
}

TEST_F(WindowTest, TimerReachesTheControlAndTheWindow) {
    auto* anim = m_window.Find<RecordingLabel>(L"anim");
    ASSERT_NE(anim, nullptr);
    WindowUi& ui = m_window.GetUi();
    ASSERT_TRUE(ui.SetTimer(anim, 2100, 10));
    ASSERT_TRUE(offscreen::RunUntil([&] { return anim->timerIds.size() >= 2; }));
    EXPECT_EQ(anim->timerIds[0], 2100u);
    const auto timers = std::count_if(
        m_window.notifications.begin(), m_window.notifications.end(), [&](const Notification& n) {
            return n.type == L"timer" && n.sender == anim && n.wParam == 2100;
        });
    EXPECT_GE(timers, 2);
    // Each tick: the control first, then the window.
    EXPECT_EQ(static_cast<size_t>(timers), anim->timerIds.size());

    ASSERT_TRUE(ui.KillTimer(anim, 2100));
    EXPECT_FALSE(ui.HasTimer(anim, 2100));
    EXPECT_FALSE(ui.KillTimer(anim, 2100));
    // Timers of a control end with it.
    ASSERT_TRUE(ui.SetTimer(anim, 7, 10000));
    EXPECT_TRUE(ui.FireTimer(anim, 7));
    EXPECT_EQ(anim->timerIds.back(), 7u);
    static_cast<CContainerUI*>(anim->GetParent())->Remove(anim);
    EXPECT_FALSE(ui.HasTimer(anim, 7));
}

TEST_F(WindowTest, MessagePostedFromAnotherThreadIsHandledOnTheLoopThread) {
    struct StageMessage {
        int code;
    };
    std::atomic<bool> handled{false};
    std::thread::id handledOn;
    int code = 0;
    m_window.onMessage = [&](UINT msg, WPARAM, LPARAM lParam, bool& done) -> LRESULT {
        if (msg != 2024) return 0;
        auto* record = reinterpret_cast<StageMessage*>(lParam);
        code = record->code;
        delete record;
        handledOn = std::this_thread::get_id();
        handled = true;
        done = true;
        return 0;
    };
    const HWND hwnd = m_window.GetHWND();
    bool posted = false;
    std::thread worker([&] {
        posted = PostMessage(hwnd, 2024, 0, reinterpret_cast<LPARAM>(new StageMessage{2003}));
    });
    worker.join();
    ASSERT_TRUE(posted);
    EXPECT_FALSE(handled);  // nothing runs until the loop does
    ASSERT_TRUE(offscreen::RunUntil([&] { return handled.load(); }));
    EXPECT_EQ(code, 2003);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST_F(WindowTest, PostedMessagesKeepTheirOrderAndStopAtADestroyedWindow) {
    std::vector<UINT> seen;
    m_window.onMessage = [&](UINT msg, WPARAM, LPARAM, bool& done) -> LRESULT {
        if (msg >= WM_USER) {
            seen.push_back(msg);
            done = true;
        }
        return 0;
    };
    std::thread worker([hwnd = m_window.GetHWND()] {
        for (UINT i = 0; i < 20; ++i)
            PostMessage(hwnd, WM_USER + i, 0, 0);
    });
    worker.join();
    ASSERT_TRUE(offscreen::RunUntil([&] { return seen.size() == 20; }));
    for (UINT i = 0; i < 20; ++i)
        EXPECT_EQ(seen[i], WM_USER + i);

    const HWND hwnd = m_window.GetHWND();
    PostMessage(hwnd, WM_USER + 100, 0, 0);
    m_window.DestroyWindow();
    offscreen::RunPending();
    EXPECT_EQ(seen.size(), 20u);
    EXPECT_FALSE(PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, AsyncNotificationFromAWorkerArrivesOnTheLoop) {
    CControlUI* root = m_window.GetUi().GetRoot();
    std::thread worker([&] { m_window.GetUi().SendNotify(root, L"checknet", 0x10001, 0, true); });
    worker.join();
    EXPECT_TRUE(m_window.log.empty());
    ASSERT_TRUE(offscreen::RunUntil([&] { return !m_window.log.empty(); }));
    EXPECT_EQ(m_window.log[0], "checknet:root");
    EXPECT_EQ(m_window.notifications[0].wParam, 0x10001u);
}

TEST_F(WindowTest, ModalWindowIsAnsweredFromInsideItsLoop) {
    m_skin.Write("tip.xml", R"(<Window size="200,100"><VerticalLayout>
        <Label name="textLbl"/><HorizontalLayout height="30"><Button name="okBtn" text="是"/>
        <Button name="cancelBtn" text="否"/></HorizontalLayout></VerticalLayout></Window>)");
    class Tip : public TestWindow {
    public:
        using TestWindow::TestWindow;
        void OnClick(Notification& msg) override {
            if (msg.sender->GetName() == L"okBtn") {
                Close(0);
            } else if (msg.sender->GetName() == L"cancelBtn") {
                Close(1);
            } else {
                TestWindow::OnClick(msg);
            }
        }
    };
    const struct {
        const wchar_t* button;
        UINT result;
    } cases[] = {{L"okBtn", 0}, {L"cancelBtn", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.button));
        // A stage message posted before the tip opens is still handled while it is open.
        bool stageHandled = false;
        m_window.onMessage = [&](UINT msg, WPARAM, LPARAM, bool& done) -> LRESULT {
            if (msg == 2024) stageHandled = done = true;
            return 0;
        };
        m_window.PostMessage(2024, 0, 0);
        Tip tip(L"tip.xml");
        ASSERT_NE(tip.CreateWindow(m_window.GetHWND()), nullptr);
        tip.CenterWindow();
        bool ownerDisabled = false;
        bool stageHandledDuringModal = false;
        offscreen::AnswerNextModal([&](SkinWindowBase& modal) {
            ownerDisabled = !m_window.IsEnabled();
            stageHandledDuringModal = offscreen::RunUntil([&] { return stageHandled; });
            EXPECT_TRUE(offscreen::Click(modal, c.button));
        });
        EXPECT_EQ(tip.ShowModal(), c.result);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(stageHandledDuringModal);
        EXPECT_TRUE(m_window.IsEnabled());
        EXPECT_EQ(tip.GetHWND(), nullptr);
        // Centred over the owner.
        EXPECT_EQ(tip.GetWindowRect().left, m_window.GetWindowRect().left + (300 - 200) / 2);
    }
}

TEST_F(WindowTest, DestroyingAnOwnerDestroysItsOwnedWindowsFirst) {
    // Each window records its WM_DESTROY in `order`.
    std::vector<std::string> order;
    auto record = [&](CNativeWindow& window, const std::string& name) {
        auto previous = std::make_shared<CNativeWindow::WindowProcedure>();
        *previous = window.Subclass([&order, name, previous](UINT msg, WPARAM w, LPARAM l) {
            if (msg == WM_DESTROY) order.push_back(name);
            return (*previous)(msg, w, l);
        });
    };
    m_skin.Write("tip.xml", R"(<Window size="200,100"><Label name="textLbl"/></Window>)");
    CNativeWindow plain;
    ASSERT_NE(plain.Create(m_window.GetHWND(), L"owned", WS_POPUP, 0, 0, 0, 10, 10), nullptr);
    TestWindow tip(L"tip.xml");
    ASSERT_NE(tip.CreateWindow(m_window.GetHWND()), nullptr);
    record(m_window, "owner");
    record(plain, "plain");
    record(tip, "tip");

    // The owner goes away while the tip runs modally over it (a stage message's handler
    // closing the installer): the tip's loop ends with it instead of running on.
    bool loopRan = false;
    bool tipOutlivedOwner = false;
    offscreen::AnswerNextModal([&](SkinWindowBase& modal) {
        loopRan = true;
        m_window.DestroyWindow();
        // Ends the loop here should the tip have survived, so the test fails and does not hang.
        if (IsWindow(modal.GetHWND())) {
            tipOutlivedOwner = true;
            modal.DestroyWindow();
        }
    });
    tip.ShowModal();
    EXPECT_TRUE(loopRan);
    EXPECT_FALSE(tipOutlivedOwner);
    EXPECT_EQ(order, (std::vector<std::string>{"plain", "tip", "owner"}));
    EXPECT_EQ(plain.GetHWND(), nullptr);
    EXPECT_EQ(tip.GetHWND(), nullptr);
}

TEST_F(WindowTest, RecordsQueuedForADestroyedWindowAreReleased) {
    static std::atomic<int> released{0};
    released = 0;
    struct Record {
        int code;
    };
    const PostedRelease release = [](UINT, WPARAM, LPARAM lParam) {
        delete reinterpret_cast<Record*>(lParam);
        ++released;
    };
    const HWND hwnd = m_window.GetHWND();
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(
                PostMessage(hwnd, 2024, 0, reinterpret_cast<LPARAM>(new Record{i}), release));
    });
    worker.join();
    // Destroyed before its loop ran: the three records are freed at once, never delivered.
    int delivered = 0;
    m_window.onMessage = [&](UINT msg, WPARAM, LPARAM, bool&) -> LRESULT {
        delivered += msg == 2024 ? 1 : 0;
        return 0;
    };
    m_window.DestroyWindow();
    EXPECT_EQ(released, 3);
    offscreen::RunPending();
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(released, 3);
    // Posting to a window that is gone fails and leaves the record with the poster.
    Record kept{7};
    EXPECT_FALSE(PostMessage(hwnd, 2024, 0, reinterpret_cast<LPARAM>(&kept), release));
    EXPECT_EQ(released, 3);
}

TEST_F(WindowTest, DefaultClicksCloseAndMinimise) {
    ASSERT_TRUE(offscreen::Click(m_window, L"minbtn"));
    EXPECT_TRUE(m_window.IsMinimized());
    m_window.Restore();
    ASSERT_TRUE(offscreen::Click(m_window, L"closebtn"));
    // Closing is posted, so the handler that clicked still finds its window.
    EXPECT_NE(m_window.GetHWND(), nullptr);
    const HWND hwnd = m_window.GetHWND();
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }));
}

TEST_F(WindowTest, EscapeClosesUnlessAFilterSwallowsIt) {
    class Swallow : public IMessageFilter {
    public:
        LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM, bool& handled) override {
            handled = msg == WM_KEYDOWN && wParam == VK_ESCAPE;
            return 0;
        }
    } swallow;
    const HWND hwnd = m_window.GetHWND();
    m_window.GetUi().RemovePreMessageFilter(&m_window);
    m_window.GetUi().AddPreMessageFilter(&swallow);
    offscreen::PressKey(m_window, VK_ESCAPE);
    offscreen::RunPending();
    EXPECT_TRUE(IsWindow(hwnd));
    m_window.GetUi().RemovePreMessageFilter(&swallow);
    m_window.GetUi().AddPreMessageFilter(&m_window);
    offscreen::PressKey(m_window, VK_ESCAPE);
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }));
}

TEST_F(WindowTest, CaptionDragsTheWindowExceptOverButtons) {
    const Rect before = m_window.GetWindowRect();
    const Point onTitle = m_window.FindControl(L"title")->GetPos().Center();
    ASSERT_TRUE(offscreen::Drag(m_window, onTitle, {onTitle.x + 40, onTitle.y + 25}));
    EXPECT_EQ(m_window.GetWindowRect(), before.Offset(40, 25));
    // A button in the caption takes the press.
    const Rect moved = m_window.GetWindowRect();
    ASSERT_TRUE(offscreen::Click(m_window, L"minbtn"));
    EXPECT_EQ(m_window.GetWindowRect(), moved);
    EXPECT_TRUE(m_window.IsMinimized());
}

TEST_F(WindowTest, TabMovesFocusAndClicksFocusControls) {
    WindowUi& ui = m_window.GetUi();
    ASSERT_TRUE(offscreen::Click(m_window, L"first"));
    EXPECT_EQ(ui.GetFocus(), m_window.FindControl(L"first"));
    offscreen::PressKey(m_window, VK_TAB);
    EXPECT_EQ(ui.GetFocus(), m_window.FindControl(L"second"));
    offscreen::PressKey(m_window, VK_TAB, {true, false, false});
    EXPECT_EQ(ui.GetFocus(), m_window.FindControl(L"first"));
    // Hiding the focused control takes the focus away.
    m_window.FindControl(L"first")->SetVisible(false);
    EXPECT_EQ(ui.GetFocus(), nullptr);
}

TEST_F(WindowTest, StringTableTextsAndRefresh) {
    auto* texted = m_window.Find<CLabelUI>(L"texted");
    EXPECT_EQ(texted->GetText(), L"fallback");  // no string 104 yet
    StringTable::Set(104, L"磁盘空间不足");
    m_window.GetUi().RefreshTexts();
    EXPECT_EQ(texted->GetText(), L"磁盘空间不足");
    StringTable::Set(104, L"Not enough disk space");
    m_window.GetUi().RefreshTexts();
    EXPECT_EQ(texted->GetText(), L"Not enough disk space");
    StringTable::Clear();
}

TEST_F(WindowTest, SubclassSeesMessagesFirst) {
    std::vector<UINT> seen;
    CNativeWindow::WindowProcedure previous;
    previous = m_window.Subclass([&](UINT msg, WPARAM w, LPARAM l) {
        seen.push_back(msg);
        return previous(msg, w, l);
    });
    m_window.ResizeClient(320, 220);
    m_window.SetWindowPos(5, 6);
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_SIZE), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_MOVE), seen.end());
    m_window.DestroyWindow();
    EXPECT_EQ(seen.back(), WM_NCDESTROY);
}

}  // namespace
}  // namespace toolkit_test

namespace toolkit_test {
namespace {

TEST(LayeredWindowTest, ShowsThePictureItIsGivenWithoutTakingActivation) {
    offscreen::Use();
    CNativeWindow owner;
    ASSERT_NE(owner.Create(nullptr, L"owner", WS_POPUP, 0, 100, 100, 50, 40), nullptr);
    owner.ShowWindow();
    int activations = 0;
    CNativeWindow layered;
    CNativeWindow::WindowProcedure previous;
    ASSERT_NE(layered.Create(owner.GetHWND(), L"", WS_POPUPWINDOW,
                             WS_EX_LAYERED | WS_EX_TRANSPARENT, 90, 90, 70, 60),
              nullptr);
    previous = layered.Subclass([&](UINT msg, WPARAM w, LPARAM l) {
        if (msg == WM_ACTIVATE && w != WA_INACTIVE) ++activations;
        return previous(msg, w, l);
    });
    EXPECT_TRUE(CurrentHost().SupportsLayeredWindows());
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 70, 60);
    cairo_t* cr = cairo_create(picture);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_paint(cr);
    cairo_destroy(cr);
    layered.UpdateLayered(picture);
    cairo_surface_destroy(picture);
    layered.ShowWindow(true, false);
    EXPECT_EQ(activations, 0);
    EXPECT_EQ(offscreen::PixelAt(layered, {35, 30}) >> 24, 0x80u);
    EXPECT_EQ(layered.GetWindowRect(), (Rect{90, 90, 160, 150}));
}

}  // namespace
}  // namespace toolkit_test
