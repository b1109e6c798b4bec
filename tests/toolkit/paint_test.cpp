// Pixels of painted windows: nine-grid corners, fade, mask, dest, borders, missing images.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/progress.h"
#include "toolkit/render.h"

namespace toolkit_test {
namespace {

constexpr Color kRed = 0xFFFF0000;
constexpr Color kGreen = 0xFF00FF00;
constexpr Color kBlue = 0xFF0000FF;
constexpr Color kWhite = 0xFFFFFFFF;
constexpr Color kBlack = 0xFF000000;
constexpr Color kYellow = 0xFFFFFF00;
constexpr Color kGrey = 0xFF808080;

// A 9 x 9 image: 3 x 3 corners red (top-left), green (top-right), blue (bottom-left), yellow
// (bottom-right); grey edges; a black centre.
Color NineGridPixel(int x, int y) {
    const int col = x < 3 ? 0 : x < 6 ? 1 : 2;
    const int row = y < 3 ? 0 : y < 6 ? 1 : 2;
    if (row == 1 && col == 1) return kBlack;
    if (row == 1 || col == 1) return kGrey;
    if (row == 0) return col == 0 ? kRed : kGreen;
    return col == 0 ? kBlue : kYellow;
}

void ExpectNear(Color actual, Color expected, int tolerance) {
    for (int shift : {24, 16, 8, 0}) {
        EXPECT_NEAR(Channel(actual, shift), Channel(expected, shift), tolerance)
            << std::hex << "actual " << actual << " expected " << expected;
    }
}

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        offscreen::Use();
        m_skin.Write("img/grid.png", MakePng(9, 9, NineGridPixel));
        m_skin.Write("img/red.png", SolidPng(4, 4, kRed));
        m_skin.Write("img/bar.png", SolidPng(8, 8, kRed));
        m_skin.Write("img/halves.png",
                     MakePng(10, 10, [](int x, int) { return x < 5 ? kRed : kBlue; }));
    }

    // A 60 x 60 window whose only control is `element`.
    std::unique_ptr<TestWindow> Build(const std::string& element) {
        m_skin.Write("p.xml", R"(<Window size="60,60"><VerticalLayout bkcolor="#FFFFFFFF">)" +
                                  element + "</VerticalLayout></Window>");
        auto window = std::make_unique<TestWindow>(L"p.xml");
        EXPECT_NE(window->CreateWindow(), nullptr);
        return window;
    }

    TempSkin m_skin;
};

TEST_F(PaintTest, NineGridKeepsCornersAndStretchesTheRest) {
    auto window = Build(
        R"(<Control width="30" height="30" bkimage="file='img\grid.png' corner='3,3,3,3'"/>)");
    const struct {
        Point p;
        Color color;
    } cases[] = {
        {{0, 0}, kRed},     {{2, 2}, kRed},      {{29, 0}, kGreen}, {{27, 2}, kGreen},
        {{0, 29}, kBlue},   {{29, 29}, kYellow}, {{15, 1}, kGrey},  {{1, 15}, kGrey},
        {{28, 15}, kGrey},  {{15, 15}, kBlack},  {{4, 4}, kBlack},  {{25, 25}, kBlack},
        {{30, 30}, kWhite},  // outside the control: the layout's background
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.p.x << "," << c.p.y);
        ExpectNear(offscreen::PixelAt(*window, c.p), c.color, 0);
    }
}

TEST_F(PaintTest, HoleLeavesTheCentreOut) {
    auto window = Build(
        R"(<Control width="30" height="30" bkimage="file='img/grid.png' corner='3,3,3,3' hole='true'"/>)");
    ExpectNear(offscreen::PixelAt(*window, {15, 15}), kWhite, 0);
    ExpectNear(offscreen::PixelAt(*window, {0, 0}), kRed, 0);
    ExpectNear(offscreen::PixelAt(*window, {15, 1}), kGrey, 0);
}

TEST_F(PaintTest, FadeBlendsWithWhatIsBelow) {
    auto window =
        Build(R"(<Control width="20" height="20" bkimage="file='img/red.png' fade='128'"/>)");
    // 128/255 of red over white.
    ExpectNear(offscreen::PixelAt(*window, {10, 10}), 0xFFFF7F7F, 2);
    auto opaque =
        Build(R"(<Control width="20" height="20" bkimage="file='img/red.png' fade='0'"/>)");
    ExpectNear(offscreen::PixelAt(*opaque, {10, 10}), kWhite, 0);
}

TEST_F(PaintTest, MaskMakesItsColourTransparent) {
    auto window = Build(
        R"(<Control width="10" height="10" bkcolor="#FF00FF00" bkimage="file='img/halves.png' mask='#FF0000'"/>)");
    ExpectNear(offscreen::PixelAt(*window, {2, 5}), kGreen, 0);  // red masked out
    ExpectNear(offscreen::PixelAt(*window, {7, 5}), kBlue, 0);
    // The same file without a mask is cached separately and keeps its red.
    auto unmasked = Build(R"(<Control width="10" height="10" bkimage="img/halves.png"/>)");
    ExpectNear(offscreen::PixelAt(*unmasked, {2, 5}), kRed, 0);
}

TEST_F(PaintTest, DestPlacesTheImageInsideTheControl) {
    auto window = Build(
        R"(<Control width="40" height="40" bkimage="file='img/red.png' dest='10,10,20,20'"/>)");
    ExpectNear(offscreen::PixelAt(*window, {15, 15}), kRed, 0);
    ExpectNear(offscreen::PixelAt(*window, {5, 5}), kWhite, 0);
    ExpectNear(offscreen::PixelAt(*window, {25, 25}), kWhite, 0);
}

TEST_F(PaintTest, MissingImageIsNotDrawn) {
    auto window = Build(
        R"(<Button width="40" height="40" bkcolor="#FF0000FF" normalimage="img/none.png" disabledimage="img/minbtn4.png" enabled="false"/>)");
    ExpectNear(offscreen::PixelAt(*window, {20, 20}), kBlue, 0);
}

TEST_F(PaintTest, BordersSquareAndRounded) {
    auto window = Build(
        R"(<Control width="40" height="40" bkcolor="#FF00FF00" bordersize="2" bordercolor="#FF0000FF"/>)");
    ExpectNear(offscreen::PixelAt(*window, {0, 0}), kBlue, 0);
    ExpectNear(offscreen::PixelAt(*window, {1, 20}), kBlue, 0);
    ExpectNear(offscreen::PixelAt(*window, {20, 20}), kGreen, 0);
    auto round = Build(
        R"(<Control width="40" height="40" bkcolor="#FF00FF00" bordersize="1" bordercolor="#FF0000FF" borderround="20,20"/>)");
    ExpectNear(offscreen::PixelAt(*round, {0, 0}), kWhite, 0);  // cut off by the round corner
    ExpectNear(offscreen::PixelAt(*round, {20, 20}), kGreen, 0);
}

TEST_F(PaintTest, ButtonStatesPickTheirImagesAndColours) {
    m_skin.Write("img/n.png", SolidPng(4, 4, kRed));
    m_skin.Write("img/h.png", SolidPng(4, 4, kGreen));
    m_skin.Write("img/p.png", SolidPng(4, 4, kBlue));
    auto window = Build(
        R"(<Button name="b" width="40" height="40" normalimage="img/n.png" hotimage="img/h.png" pushedimage="img/p.png"/>)");
    ExpectNear(offscreen::PixelAt(*window, {20, 20}), kRed, 0);
    offscreen::MoveMouse(*window, {20, 20});
    ExpectNear(offscreen::PixelAt(*window, {20, 20}), kGreen, 0);
    window->DeliverInput(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(20, 20));
    ExpectNear(offscreen::PixelAt(*window, {20, 20}), kBlue, 0);
    window->DeliverInput(WM_LBUTTONUP, 0, MakeLParam(20, 20));
    ExpectNear(offscreen::PixelAt(*window, {20, 20}), kGreen, 0);
}

TEST_F(PaintTest, RoundCornerRegionLeavesCornersTransparent) {
    m_skin.Write(
        "r.xml",
        R"(<Window size="60,60" roundcorner="20,20"><Control bkcolor="#FF00FF00"/></Window>)");
    TestWindow window(L"r.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    EXPECT_EQ(offscreen::PixelAt(window, {0, 0}), 0u);
    ExpectNear(offscreen::PixelAt(window, {30, 30}), kGreen, 0);
    EXPECT_FALSE(window.GetWindowRegion()->Contains({0, 0}));
    EXPECT_TRUE(window.GetWindowRegion()->Contains({30, 0}));
}

TEST_F(PaintTest, ProgressFillsUpToItsValue) {
    auto window = Build(
        R"(<Progress name="bar" width="50" height="8" value="40" foreimage="file='img/bar.png' corner='2,2,2,2'"/>)");
    ExpectNear(offscreen::PixelAt(*window, {10, 4}), kRed, 0);
    ExpectNear(offscreen::PixelAt(*window, {30, 4}), kWhite, 0);
    window->Find<CProgressUI>(L"bar")->SetValue(100);
    ExpectNear(offscreen::PixelAt(*window, {48, 4}), kRed, 0);
}

}  // namespace
}  // namespace toolkit_test
