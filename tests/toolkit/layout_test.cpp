// Positions the layouts compute for small markup samples.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/tab_layout.h"

namespace toolkit_test {
namespace {

struct LayoutCase {
    const char* name;
    const char* markup;  // inside <Window size="200,100">
    std::vector<std::pair<const wchar_t*, Rect>> expected;
};

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { offscreen::Use(); }
    TempSkin m_skin;
};

TEST_F(LayoutTest, ComputesPositions) {
    const LayoutCase cases[] = {
        {"fixed and flexible share the height",
         R"(<VerticalLayout><Control name="a" height="20"/><Control name="b"/>
            <Control name="c" height="30"/></VerticalLayout>)",
         {{L"a", {0, 0, 200, 20}}, {L"b", {0, 20, 200, 70}}, {L"c", {0, 70, 200, 100}}}},
        {"flexible children split the rest, the last takes the odd pixel",
         R"(<HorizontalLayout><Control name="a"/><Control name="b" width="99"/><Control name="c"/>
            <Control name="d"/></HorizontalLayout>)",
         {{L"a", {0, 0, 33, 100}},
          {L"b", {33, 0, 132, 100}},
          {L"c", {132, 0, 165, 100}},
          {L"d", {165, 0, 200, 100}}}},
        {"padding is an outer margin in both directions",
         R"(<HorizontalLayout><Control name="a" width="50" padding="10,5,10,5"/>
            <Control name="b"/></HorizontalLayout>)",
         {{L"a", {10, 5, 60, 95}}, {L"b", {70, 0, 200, 100}}}},
        {"a fixed cross size sits at the start of the cross axis",
         R"(<VerticalLayout><Control name="a" width="263" height="50"/>
            <Control name="b" width="120" height="36" padding="20,4,0,0"/></VerticalLayout>)",
         {{L"a", {0, 0, 200, 50}}, {L"b", {20, 54, 140, 90}}}},
        {"spacers centre a fixed control",
         R"(<VerticalLayout><Control height="10"/><HorizontalLayout height="46">
            <Control/><Button name="a" width="120"/><Control/></HorizontalLayout></VerticalLayout>)",
         {{L"a", {40, 10, 160, 56}}}},
        {"nested layouts with an inset",
         R"(<VerticalLayout inset="1,2,3,4"><HorizontalLayout name="row" height="40">
            <Control name="a" width="30"/><Control name="b"/></HorizontalLayout>
            <Control name="c"/></VerticalLayout>)",
         {{L"row", {1, 2, 197, 42}},
          {L"a", {1, 2, 31, 42}},
          {L"b", {31, 2, 197, 42}},
          {L"c", {1, 42, 197, 96}}}},
        {"hidden children take no space",
         R"(<VerticalLayout><Control name="a" height="30" visible="false"/>
            <Control name="b" height="30"/></VerticalLayout>)",
         {{L"b", {0, 0, 200, 30}}}},
        {"pos gives the fixed size; a floating control sits at pos in its parent",
         R"(<VerticalLayout inset="5,5,5,5"><Button name="a" pos="0,0,64,30"/>
            <Control name="f" float="true" pos="10,20,60,40"/></VerticalLayout>)",
         {{L"a", {5, 5, 69, 35}}, {L"f", {15, 25, 65, 45}}}},
        {"fixed sizes beyond the space leave flexible children nothing",
         R"(<VerticalLayout><Control name="a" height="80"/><Control name="b"/>
            <Control name="c" height="40"/></VerticalLayout>)",
         {{L"a", {0, 0, 200, 80}}, {L"b", {0, 80, 200, 80}}, {L"c", {0, 80, 200, 120}}}},
        {"a child padding gap between stacked children",
         R"(<HorizontalLayout childpadding="10"><Control name="a"/><Control name="b"/>
            </HorizontalLayout>)",
         {{L"a", {0, 0, 95, 100}}, {L"b", {105, 0, 200, 100}}}},
        {"tab pages fill the layout; the first page shows",
         R"(<VerticalLayout><Control height="20"/><TabLayout name="tabs">
            <VerticalLayout name="p0"><Control name="x" height="10"/></VerticalLayout>
            <VerticalLayout name="p1" padding="1,0,1,0"/></TabLayout></VerticalLayout>)",
         {{L"tabs", {0, 20, 200, 100}}, {L"p0", {0, 20, 200, 100}}, {L"x", {0, 20, 200, 30}}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_skin.Write("l.xml", std::string(R"(<Window size="200,100">)") + c.markup + "</Window>");
        TestWindow window(L"l.xml");
        ASSERT_NE(window.CreateWindow(), nullptr);
        window.GetUi().UpdateLayout();
        for (const auto& [name, rect] : c.expected) {
            SCOPED_TRACE(Utils::ToUtf8(name));
            CControlUI* control = window.FindControl(name);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(control->GetPos(), rect);
        }
    }
}

TEST_F(LayoutTest, TabPagesSwitchAndReportTheChange) {
    m_skin.Write("t.xml", R"(<Window size="200,100"><TabLayout name="tabs">
        <VerticalLayout name="p0"/><VerticalLayout name="p1" padding="1,0,1,0"/>
        <VerticalLayout name="p2"/></TabLayout></Window>)");
    TestWindow window(L"t.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    auto* tabs = window.Find<CTabLayoutUI>(L"tabs");
    ASSERT_NE(tabs, nullptr);
    EXPECT_TRUE(window.FindControl(L"p0")->IsVisible());
    EXPECT_FALSE(window.FindControl(L"p1")->IsVisible());

    EXPECT_TRUE(tabs->SelectItem(1));
    window.GetUi().UpdateLayout();
    EXPECT_FALSE(window.FindControl(L"p0")->IsVisible());
    EXPECT_TRUE(window.FindControl(L"p1")->IsVisible());
    EXPECT_EQ(window.FindControl(L"p1")->GetPos(), (Rect{1, 0, 199, 100}));
    ASSERT_EQ(window.notifications.size(), 1u);
    EXPECT_EQ(window.notifications[0].type, L"tabselect");
    EXPECT_EQ(window.notifications[0].wParam, 1u);
    EXPECT_EQ(window.notifications[0].lParam, 0);

    // The same page again and a page that does not exist change nothing and say nothing.
    EXPECT_TRUE(tabs->SelectItem(1));
    EXPECT_FALSE(tabs->SelectItem(3));
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_EQ(window.notifications.size(), 1u);
}

TEST_F(LayoutTest, ResizingTheWindowLaysOutAgain) {
    m_skin.Write("r.xml", R"(<Window size="200,100"><HorizontalLayout><Control name="a" width="50"/>
        <Control name="b"/></HorizontalLayout></Window>)");
    TestWindow window(L"r.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    window.ResizeClient(300, 80);
    window.GetUi().UpdateLayout();
    EXPECT_EQ(window.FindControl(L"b")->GetPos(), (Rect{50, 0, 300, 80}));
}

TEST_F(LayoutTest, MalformedOrEmptyMarkupFailsCreation) {
    const char* bad[] = {
        R"(<Window size="10,10"><Control></Window>)",                // not well-formed
        R"(<Dialog><Control/></Dialog>)",                            // wrong root
        R"(<Window size="10,10"><Font id="0" name="x"/></Window>)",  // no control
        R"(<Window size="10,10"><NoSuchControl/></Window>)",         // unknown class only
    };
    for (const char* markup : bad) {
        SCOPED_TRACE(markup);
        m_skin.Write("bad.xml", markup);
        TestWindow window(L"bad.xml");
        EXPECT_EQ(window.CreateWindow(), nullptr);
        EXPECT_EQ(window.GetHWND(), nullptr);
    }
    TestWindow missing(L"missing.xml");
    EXPECT_EQ(missing.CreateWindow(), nullptr);
}

}  // namespace
}  // namespace toolkit_test
