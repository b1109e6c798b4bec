// Notifications posted to a window: from another thread in posting order, one delivery per
// post, none for a sender that left the tree and none once the window is gone.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/container.h"
#include "toolkit/notification_queue.h"

namespace toolkit_test {
namespace {

class NotificationQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        offscreen::Use();
        m_skin.Write("posted.xml", R"(<Window size="200,100"><VerticalLayout name="root">
            <Label name="a" height="20"/><Label name="b" height="20"/></VerticalLayout></Window>)");
        ASSERT_NE(m_window.CreateWindow(), nullptr);
    }

    // Posts a "posted" notification from `sender` on a worker thread for each of `values`.
    void PostFromWorker(CControlUI* sender, const std::vector<WPARAM>& values) {
        std::thread worker([&] {
            for (WPARAM value : values)
                m_window.GetUi().SendNotify(sender, L"posted", value, 0, true);
        });
        worker.join();
    }
    // The "posted" notifications received so far, as their wParam.
    std::vector<WPARAM> Received() const {
        std::vector<WPARAM> values;
        for (const Notification& n : m_window.notifications) {
            if (n.type == L"posted") values.push_back(n.wParam);
        }
        return values;
    }

    TempSkin m_skin;
    TestWindow m_window{L"posted.xml"};
};

TEST_F(NotificationQueueTest, PostsFromAWorkerArriveInOrderOncePerPost) {
    std::vector<WPARAM> values;
    for (WPARAM i = 0; i < 50; ++i)
        values.push_back(i);
    PostFromWorker(m_window.FindControl(L"a"), values);
    ASSERT_TRUE(offscreen::RunUntil([&] { return Received().size() >= values.size(); }));
    offscreen::RunPending();
    EXPECT_EQ(Received(), values);
}

TEST_F(NotificationQueueTest, ANotificationWhoseSenderLeftTheTreeIsDropped) {
    CControlUI* a = m_window.FindControl(L"a");
    PostFromWorker(a, {1});
    PostFromWorker(m_window.FindControl(L"b"), {2});
    static_cast<CContainerUI*>(a->GetParent())->Remove(a);
    // The next post still arrives: a dropped notification does not take another's turn.
    ASSERT_TRUE(offscreen::RunUntil([&] { return !Received().empty(); }));
    offscreen::RunPending();
    EXPECT_EQ(Received(), std::vector<WPARAM>{2});
}

TEST_F(NotificationQueueTest, NothingArrivesOnceTheWindowIsGone) {
    CControlUI* root = m_window.GetUi().GetRoot();
    PostFromWorker(root, {1, 2, 3});
    m_window.DestroyWindow();
    offscreen::RunPending();
    PostFromWorker(nullptr, {4});
    offscreen::RunPending();
    EXPECT_TRUE(Received().empty());
}

TEST(NotificationQueueUnitTest, PostsWithoutALiveTargetQueueNothing) {
    offscreen::Use();
    CNativeWindow gone;
    ASSERT_NE(gone.Create(nullptr, L"gone", WS_POPUP, 0, 0, 0, 10, 10), nullptr);
    const HWND goneHandle = gone.GetHWND();
    gone.DestroyWindow();
    const struct {
        const char* name;
        HWND target;
    } cases[] = {{"no target", nullptr}, {"window gone", goneHandle}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NotificationQueue queue;
        queue.SetTarget(c.target);
        Notification msg;
        msg.type = L"posted";
        EXPECT_FALSE(queue.Post(msg));
        // Left queued, it would be handed out for the next post's wake-up instead.
        EXPECT_FALSE(queue.Take().has_value());
    }
}

}  // namespace
}  // namespace toolkit_test
