// Text measuring and drawing, with the skin's Chinese face missing on this system.
#include <gtest/gtest.h>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/label.h"
#include "toolkit/text_render.h"

namespace toolkit_test {
namespace {

FontInfo SkinFont(int size, bool bold = false) {
    FontInfo font;
    font.face = L"微软雅黑";
    font.size = size;
    font.bold = bold;
    return font;
}

TEST(TextTest, ChineseRendersThroughAFallbackFace) {
    EXPECT_EQ(CountMissingGlyphs(SkinFont(14), L"正在安装中:0%，请稍候..."), 0);
    EXPECT_EQ(CountMissingGlyphs(SkinFont(14), L"Collivo 立即安装"), 0);
}

// A line break inside a single-line text (a failure message shown in a label) reads as a
// blank, not as boxes.
TEST(TextTest, LineBreaksInASingleLineDrawAsBlanks) {
    auto draw = [](std::wstring_view text) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 30);
        cairo_t* cr = cairo_create(surface);
        DrawText(cr, {0, 0, 200, 30}, text, 0xFF000000, SkinFont(14), kTextSingleLine);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const auto* data = cairo_image_surface_get_data(surface);
        std::string pixels(reinterpret_cast<const char*>(data),
                           static_cast<size_t>(cairo_image_surface_get_stride(surface)) * 30);
        cairo_surface_destroy(surface);
        return pixels;
    };
    const std::string expected = draw(L"下载失败 请重试");
    for (const wchar_t* text : {L"下载失败\r\n请重试", L"下载失败\n请重试", L"下载失败\r请重试"}) {
        SCOPED_TRACE(Utils::ToUtf8(text));
        EXPECT_TRUE(draw(text) == expected);
    }
}

TEST(TextTest, MeasuresGrowWithTextAndSize) {
    const Size small = MeasureText(SkinFont(14), L"立即安装", kTextSingleLine, -1);
    const Size large = MeasureText(SkinFont(28), L"立即安装", kTextSingleLine, -1);
    const Size longer = MeasureText(SkinFont(14), L"立即安装立即安装", kTextSingleLine, -1);
    EXPECT_GT(small.cx, 0);
    EXPECT_GT(large.cx, small.cx * 3 / 2);
    EXPECT_GT(large.cy, small.cy);
    EXPECT_GT(longer.cx, small.cx * 3 / 2);
    // Wrapping to a narrow width makes the text taller, not wider.
    const Size wrapped =
        MeasureText(SkinFont(14), L"立即安装立即安装", kTextWordBreak, small.cx + 2);
    EXPECT_LE(wrapped.cx, small.cx + 2);
    EXPECT_GT(wrapped.cy, small.cy);
    EXPECT_EQ(MeasureText(SkinFont(14), L"", kTextSingleLine, -1).cx, 0);
}

TEST(TextTest, WindowFontsAndTheDefault) {
    TempSkin skin;
    offscreen::Use();
    skin.Write("f.xml", R"(<Window size="300,60">
        <Font id="0" name="微软雅黑" size="14" default="true"/>
        <Font id="1" name="微软雅黑" size="24" bold="true"/>
        <VerticalLayout><Label name="a" text="Collivo"/><Label name="b" font="1" text="Collivo"/>
        </VerticalLayout></Window>)");
    TestWindow window(L"f.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    WindowUi& ui = window.GetUi();
    EXPECT_EQ(ui.GetFont(-1).size, 14);
    EXPECT_EQ(ui.GetFont(7).size, 14);  // unknown ids fall back to the default
    EXPECT_TRUE(ui.GetFont(1).bold);
    const Size a =
        ui.MeasureText(window.Find<CLabelUI>(L"a")->GetFont(), L"Collivo", kTextSingleLine);
    const Size b =
        ui.MeasureText(window.Find<CLabelUI>(L"b")->GetFont(), L"Collivo", kTextSingleLine);
    EXPECT_GT(b.cx, a.cx);
}

TEST(TextTest, LabelTextIsDrawnWhereItsAlignmentSays) {
    TempSkin skin;
    offscreen::Use();
    skin.Write("t.xml", R"(<Window size="200,40"><HorizontalLayout bkcolor="#FFFFFFFF">
        <Label name="l" width="100" text="安装" textcolor="#FF000000"/>
        <Label name="r" width="100" text="安装" align="right" textcolor="#FF000000"/>
        </HorizontalLayout></Window>)");
    TestWindow window(L"t.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    auto inkIn = [&](int left, int right) {
        int ink = 0;
        for (int x = left; x < right; ++x) {
            for (int y = 0; y < 40; ++y)
                ink += Channel(offscreen::PixelAt(window, {x, y}), 16) < 128;
        }
        return ink;
    };
    EXPECT_GT(inkIn(0, 40), 0);     // left-aligned text at the left
    EXPECT_EQ(inkIn(60, 140), 0);   // nothing in the middle
    EXPECT_GT(inkIn(160, 200), 0);  // right-aligned text at the right
}

}  // namespace
}  // namespace toolkit_test
