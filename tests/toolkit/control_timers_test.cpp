// Per-control timers: what a control's own tick may do to its timers and to itself, timers of
// different controls kept apart, and nothing recorded for a timer that could not start.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/container.h"
#include "toolkit/control_timers.h"
#include "toolkit/label.h"

namespace toolkit_test {
namespace {

// A label that hands each of its timer events to `onTick`.
class TickLabel : public CLabelUI {
public:
    void DoEvent(ControlEvent& event) override {
        CLabelUI::DoEvent(event);
        if (event.type != EventType::kTimer || !onTick) return;
        // A copy: the handler may destroy this control, and the member with it.
        const auto tick = onTick;
        tick(*this, static_cast<UINT>(event.wParam));
    }
    std::function<void(TickLabel&, UINT)> onTick;
};

class ControlTimersTest : public ::testing::Test {
protected:
    void SetUp() override {
        offscreen::Use();
        m_skin.Write("timers.xml",
                     R"(<Window size="200,100"><VerticalLayout name="root"/></Window>)");
        ASSERT_NE(m_window.CreateWindow(), nullptr);
    }

    // A label added to the window; its ticks are recorded in `ticks` as (name, id), then
    // handed to `onTick`.
    TickLabel* AddLabel(const std::wstring& name) {
        auto* label = new TickLabel();
        label->SetName(name);
        label->onTick = [this, name](TickLabel& self, UINT id) {
            ticks.emplace_back(name, id);
            if (onTick) onTick(self, id);
        };
        static_cast<CContainerUI*>(Ui().GetRoot())->Add(label);
        return label;
    }
    // How many "timer" notifications from the control `name` the window's listeners received.
    size_t TimerNotificationsFrom(const std::string& name) const {
        return static_cast<size_t>(
            std::count(m_window.log.begin(), m_window.log.end(), "timer:" + name));
    }
    WindowUi& Ui() { return m_window.GetUi(); }

    TempSkin m_skin;
    TestWindow m_window{L"timers.xml"};
    std::vector<std::pair<std::wstring, UINT>> ticks;
    std::function<void(TickLabel&, UINT)> onTick;
};

TEST_F(ControlTimersTest, ATickMayKillRestartOrStartTimers) {
    TickLabel* a = AddLabel(L"a");
    TickLabel* b = AddLabel(L"b");
    const struct {
        const char* name;
        std::function<void(WindowUi&, TickLabel&)> inTick;
        bool first;   // a's timer 1 runs after the tick
        bool second;  // a's timer 2 runs after the tick
    } cases[] = {
        {"kills its own timer", [](WindowUi& ui, TickLabel& self) { ui.KillTimer(&self, 1); },
         false, false},
        {"kills it and starts another",
         [](WindowUi& ui, TickLabel& self) {
             ui.KillTimer(&self, 1);
             ui.SetTimer(&self, 2, 60000);
         },
         false, true},
        {"restarts it with another period",
         [](WindowUi& ui, TickLabel& self) { ui.SetTimer(&self, 1, 30000); }, true, false},
        {"starts many on another control",
         [b](WindowUi& ui, TickLabel&) {
             for (UINT id = 100; id < 164; ++id)
                 ui.SetTimer(b, id, 60000);
         },
         true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Ui().SetTimer(a, 1, 60000));
        onTick = [&](TickLabel& self, UINT) { c.inTick(Ui(), self); };
        ASSERT_TRUE(Ui().FireTimer(a, 1));
        EXPECT_EQ(ticks, (std::vector<std::pair<std::wstring, UINT>>{{L"a", 1}}));
        EXPECT_EQ(Ui().HasTimer(a, 1), c.first);
        EXPECT_EQ(Ui().HasTimer(a, 2), c.second);
        // A restarted timer is still one timer: one kill ends it.
        Ui().KillTimer(a, 1);
        EXPECT_FALSE(Ui().HasTimer(a, 1));
        Ui().KillTimers(a);
        Ui().KillTimers(b);
        ticks.clear();
    }
}

TEST_F(ControlTimersTest, ATimerKilledInItsOwnTickTicksNoMore) {
    TickLabel* a = AddLabel(L"a");
    // WM_TIMER messages the window receives; the procedure outlives the test's locals.
    auto windowTimers = std::make_shared<int>(0);
    auto previous = std::make_shared<CNativeWindow::WindowProcedure>();
    *previous = m_window.Subclass([windowTimers, previous](UINT msg, WPARAM w, LPARAM l) {
        *windowTimers += msg == WM_TIMER ? 1 : 0;
        return (*previous)(msg, w, l);
    });
    onTick = [&](TickLabel& self, UINT id) { Ui().KillTimer(&self, id); };
    ASSERT_TRUE(Ui().SetTimer(a, 1, 10));
    ASSERT_TRUE(offscreen::RunUntil([&] { return !ticks.empty(); }));
    *windowTimers = 0;
    offscreen::RunUntil([] { return false; }, 80);  // several periods
    EXPECT_EQ(ticks.size(), 1u);
    EXPECT_FALSE(Ui().HasTimer(a, 1));
    // The window's own timer stopped too, not only the control's record of it.
    EXPECT_EQ(*windowTimers, 0);
}

TEST_F(ControlTimersTest, AControlRemovingItselfInItsTickIsNotNotifiedAbout) {
    TickLabel* other = AddLabel(L"other");
    ASSERT_TRUE(Ui().SetTimer(other, 1, 60000));
    onTick = [](TickLabel& self, UINT) {
        static_cast<CContainerUI*>(self.GetParent())->Remove(&self);
    };
    const struct {
        const char* name;
        bool realTimer;  // else the tick is fired directly
    } cases[] = {{"fired", false}, {"real timer", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TickLabel* gone = AddLabel(L"gone");
        ticks.clear();
        m_window.log.clear();
        if (c.realTimer) {
            ASSERT_TRUE(Ui().SetTimer(gone, 1, 10));
            ASSERT_TRUE(offscreen::RunUntil([&] { return !ticks.empty(); }));
        } else {
            ASSERT_TRUE(Ui().SetTimer(gone, 1, 60000));
            ASSERT_TRUE(Ui().FireTimer(gone, 1));
        }
        EXPECT_EQ(ticks.size(), 1u);
        EXPECT_EQ(Ui().FindControl(L"gone"), nullptr);
        EXPECT_EQ(TimerNotificationsFrom("gone"), 0u);
        EXPECT_FALSE(Ui().HasTimer(gone, 1));
        EXPECT_TRUE(Ui().HasTimer(other, 1));
    }
}

TEST_F(ControlTimersTest, TheSameIdOnTwoControlsIsTwoTimers) {
    TickLabel* a = AddLabel(L"a");
    TickLabel* b = AddLabel(L"b");
    ASSERT_TRUE(Ui().SetTimer(b, 5, 60000));
    ASSERT_TRUE(Ui().SetTimer(a, 5, 60000));
    ASSERT_TRUE(Ui().FireTimer(b, 5));
    EXPECT_EQ(ticks, (std::vector<std::pair<std::wstring, UINT>>{{L"b", 5}}));
    EXPECT_EQ(TimerNotificationsFrom("a"), 0u);
    EXPECT_EQ(TimerNotificationsFrom("b"), 1u);
    ASSERT_TRUE(Ui().KillTimer(a, 5));
    EXPECT_TRUE(Ui().HasTimer(b, 5));
    ASSERT_TRUE(Ui().SetTimer(a, 5, 60000));
    static_cast<CContainerUI*>(Ui().GetRoot())->Remove(a);
    EXPECT_TRUE(Ui().HasTimer(b, 5));
    EXPECT_TRUE(Ui().FireTimer(b, 5));
}

TEST(ControlTimersUnitTest, RecordsNothingForATimerThatCannotStart) {
    CNativeWindow window;  // never created, so it has no timers to give
    ControlTimers timers(window);
    CLabelUI label;
    EXPECT_FALSE(timers.Set(&label, 1, 10));
    EXPECT_FALSE(timers.Has(&label, 1));
    EXPECT_FALSE(timers.Kill(&label, 1));
    EXPECT_FALSE(timers.Set(nullptr, 1, 10));
    EXPECT_FALSE(timers.Find(0x10000).has_value());
}

}  // namespace
}  // namespace toolkit_test
