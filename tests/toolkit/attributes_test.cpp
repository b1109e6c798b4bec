// Markup attribute values: colours, rectangles, image descriptors, and attributes reaching the
// setters of each control class.
#include <gtest/gtest.h>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/attributes.h"
#include "toolkit/button.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/image_descriptor.h"
#include "toolkit/progress.h"
#include "toolkit/tab_layout.h"

namespace toolkit_test {
namespace {

TEST(ParseColorTest, AcceptsBothPrefixesAlphaFirst) {
    const struct {
        const wchar_t* text;
        bool ok;
        Color color;
    } cases[] = {
        {L"#FF1675FE", true, 0xFF1675FE},
        {L"0xFFFFFFFF", true, 0xFFFFFFFF},
        {L"0XFF00FF00", true, 0xFF00FF00},
        {L"#26003B76", true, 0x26003B76},
        {L"#00000000", true, 0x00000000},
        {L"#ff8991af", true, 0xFF8991AF},
        {L"#FF0000", true, 0xFFFF0000},  // six digits: opaque
        {L" #FF333333 ", true, 0xFF333333},
        {L"FF1675FE", false, 0},
        {L"#FF1675F", false, 0},
        {L"#FF1675FE0", false, 0},
        {L"#GG000000", false, 0},
        {L"0x", false, 0},
        {L"", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.text));
        Color color = 0x12345678;
        EXPECT_EQ(ParseColor(c.text, &color), c.ok);
        EXPECT_EQ(color, c.ok ? c.color : 0x12345678u);
    }
}

TEST(ParseRectTest, TakesExactlyFourIntegers) {
    const struct {
        const wchar_t* text;
        bool ok;
        Rect rect;
    } cases[] = {
        {L"1,2,3,4", true, {1, 2, 3, 4}},
        {L"0,0,0,35", true, {0, 0, 0, 35}},
        {L" 9, 0 ,9,3", true, {9, 0, 9, 3}},
        {L"-1,0,10,-2", true, {-1, 0, 10, -2}},
        {L"1,2,3", false, {}},
        {L"1,2,3,4,5", false, {}},
        {L"1,,3,4", false, {}},
        {L"a,b,c,d", false, {}},
        {L"1;2;3;4", false, {}},
        {L"", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.text));
        Rect rect{7, 7, 7, 7};
        EXPECT_EQ(ParseRect(c.text, &rect), c.ok);
        EXPECT_EQ(rect, c.ok ? c.rect : (Rect{7, 7, 7, 7}));
    }
    Size size;
    EXPECT_TRUE(ParseSize(L"600,400", &size));
    EXPECT_EQ(size, (Size{600, 400}));
    EXPECT_FALSE(ParseSize(L"600", &size));
}

TEST(ParseImageDescriptorTest, PathOrKeyValueList) {
    ImageDescriptor progress;
    progress.file = L"res\\mainWnd\\installPrg1.png";
    progress.corner = {2, 2, 2, 2};
    progress.hasMask = true;
    progress.mask = 0xFFFF0000;
    ImageDescriptor checkBox;
    checkBox.file = L"res\\mainWnd\\Cb1.png";
    checkBox.hasDest = true;
    checkBox.dest = {0, 3, 15, 17};
    ImageDescriptor faded;
    faded.file = L"res/common/minbtn1.png";
    faded.fade = 128;
    faded.hole = true;
    faded.xtiled = true;
    faded.ytiled = true;
    ImageDescriptor plain;
    plain.file = L"res\\mainWnd\\bg1.png";
    ImageDescriptor source;
    source.file = L"a.png";
    source.hasSource = true;
    source.source = {0, 0, 10, 5};

    const struct {
        const wchar_t* text;
        bool ok;
        ImageDescriptor image;
    } cases[] = {
        {L"res\\mainWnd\\bg1.png", true, plain},
        {L"file='res\\mainWnd\\Cb1.png' dest='0,3,15,17'", true, checkBox},
        {L"file='res\\mainWnd\\installPrg1.png' corner='2,2,2,2' mask='#FF0000' fade='255' "
         L"hole='false' xtiled='false' ytiled='false'",
         true, progress},
        {L"file=\"res/common/minbtn1.png\" fade='128' hole='true' xtiled='true' ytiled='TRUE'",
         true, faded},
        {L"file='a.png' source='0,0,10,5' unknown='x'", true, source},
        {L"", false, {}},
        {L"dest='0,0,1,1'", false, {}},           // no file
        {L"file='a.png' dest='1,2'", false, {}},  // malformed rectangle
        {L"file='a.png' fade='300'", false, {}},  // fade out of range
        {L"file='a.png", false, {}},              // unterminated value
        {L"file=a.png", false, {}},               // unquoted value
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.text));
        ImageDescriptor image;
        EXPECT_EQ(ParseImageDescriptor(c.text, &image), c.ok);
        if (c.ok) {
            EXPECT_EQ(image, c.image);
        }
    }
}

// Each row: markup of one control named "c", and what its getters must say afterwards.
TEST(ControlAttributesTest, MarkupReachesTheSetters) {
    TempSkin skin;
    offscreen::Use();
    const struct {
        const char* element;
        std::function<bool(CControlUI&)> check;
    } cases[] = {
        {R"(<Control name="c" width="30" height="20" padding="1,2,3,4" visible="false"/>)",
         [](CControlUI& c) {
             return c.GetFixedWidth() == 30 && c.GetFixedHeight() == 20 &&
                    c.GetPadding() == Rect{1, 2, 3, 4} && !c.IsVisible();
         }},
        {R"(<Control name="c" pos="0,0,64,30"/>)",
         [](CControlUI& c) { return c.GetFixedWidth() == 64 && c.GetFixedHeight() == 30; }},
        {R"(<Control name="c" bkcolor="#FF112233" bkimage="res\a.png" userdata="x%d"/>)",
         [](CControlUI& c) {
             return c.GetBkColor() == 0xFF112233 && c.GetBkImage() == L"res\\a.png" &&
                    c.GetUserData() == L"x%d";
         }},
        {R"(<Label name="c" text="安装路径：" font="2" textcolor="#FF333333" textpadding="9,0,9,3" align="center" multiline="true"/>)",
         [](CControlUI& c) {
             auto& l = dynamic_cast<CLabelUI&>(c);
             return l.GetText() == L"安装路径：" && l.GetFont() == 2 &&
                    l.GetTextColor() == 0xFF333333 && l.GetTextPadding() == Rect{9, 0, 9, 3} &&
                    (l.GetTextStyle() & kTextCenter) != 0 &&
                    (l.GetTextStyle() & kTextWordBreak) != 0 &&
                    (l.GetTextStyle() & kTextSingleLine) == 0;
         }},
        {R"(<Label name="c" textcolor="not a colour"/>)",
         [](CControlUI& c) { return dynamic_cast<CLabelUI&>(c).GetTextColor() == 0xFF000000; }},
        {R"(<Button name="c" normalimage="n.png" hotborercolor="#FF000000" enabled="false"/>)",
         [](CControlUI& c) {
             return dynamic_cast<CButtonUI&>(c).GetNormalImage() == L"n.png" && !c.IsEnabled();
         }},
        {R"(<CheckBox name="c" selected="true"/>)",
         [](CControlUI& c) { return dynamic_cast<CCheckBoxUI&>(c).IsSelected(); }},
        {R"(<Progress name="c" value="150" foreimage="file='p.png' corner='2,2,2,2'" isstretchfore="false"/>)",
         [](CControlUI& c) {
             auto& p = dynamic_cast<CProgressUI&>(c);
             return p.GetValue() == 100 && p.GetForeImage() == L"file='p.png' corner='2,2,2,2'";
         }},
        {R"(<Edit name="c" text="/opt" maxchar="8" readonly="true"/>)",
         [](CControlUI& c) {
             auto& e = dynamic_cast<CEditUI&>(c);
             return e.GetText() == L"/opt" && e.GetMaxChar() == 8 && e.IsReadOnly();
         }},
        {R"(<TabLayout name="c" selectedid="1"><Control/><Control/></TabLayout>)",
         [](CControlUI& c) { return dynamic_cast<CTabLayoutUI&>(c).GetCurSel() == 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.element);
        skin.Write("a.xml", std::string(R"(<Window size="100,50"><VerticalLayout>)") + c.element +
                                "</VerticalLayout></Window>");
        TestWindow window(L"a.xml");
        ASSERT_NE(window.CreateWindow(), nullptr);
        CControlUI* control = window.FindControl(L"c");
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(c.check(*control));
    }
}

TEST(WindowAttributesTest, ReadByNameAndApplied) {
    TempSkin skin;
    offscreen::Use();
    skin.Write("w.xml", R"(<Window size="360,180" caption="0,0,0,30" roundcorner="2,2" )"
                        R"(showshadow="true" shadowcolor="#26003B76"><Control/></Window>)");
    TestWindow window(L"w.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    EXPECT_EQ(window.GetClientSize(), (Size{360, 180}));
    ASSERT_NE(window.GetWindowAttribute(L"showshadow"), nullptr);
    EXPECT_EQ(*window.GetWindowAttribute(L"shadowcolor"), L"#26003B76");
    EXPECT_EQ(window.GetWindowAttribute(L"shadowimage"), nullptr);
    ASSERT_TRUE(window.GetWindowRegion().has_value());
    EXPECT_EQ(window.GetWindowRegion()->Bounds(), (Rect{0, 0, 360, 180}));
}

}  // namespace
}  // namespace toolkit_test
