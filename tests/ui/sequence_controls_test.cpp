// The frame-sequence controls: the orders they play frames in, their markup attributes and
// defaults, and their timer in a window built from the installer's skin.
#include "ui/sequence_controls.h"

#include "tests/ui/ui_test_support.h"
#include "toolkit/tab_layout.h"

namespace ui_test {
namespace {

// The frames shown by `ticks` ticks, and whether the sequence stopped.
std::vector<int> Play(FrameSequence sequence, int ticks, bool* stopped = nullptr) {
    std::vector<int> frames;
    for (int i = 0; i < ticks; ++i) {
        std::wstring image;
        bool stop = false;
        if (sequence.Advance(&image, &stop)) frames.push_back(std::stoi(image));
        if (stop) {
            if (stopped != nullptr) *stopped = true;
            break;
        }
    }
    return frames;
}

std::vector<int> Range(int from, int to) {  // from..to inclusive, either direction
    std::vector<int> out;
    for (int i = from; from <= to ? i <= to : i >= to; i += from <= to ? 1 : -1)
        out.push_back(i);
    return out;
}

std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(FrameSequenceTest, OrdersForTwentyFourFrames) {
    const struct {
        const char* what;
        bool pingPong;
        bool loop;
        int ticks;
        std::vector<int> frames;
        bool stops;
    } cases[] = {
        {"restart with loop", false, true, 50, Join({Range(0, 23), Range(0, 23), Range(0, 1)}),
         false},
        {"once", false, false, 50, Range(0, 23), true},
        {"ping-pong with loop", true, true, 50, Join({Range(0, 23), Range(22, 0), Range(1, 3)}),
         false},
        {"ping-pong once", true, false, 60, Join({Range(0, 23), Range(22, 1)}), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FrameSequence sequence;
        sequence.pattern = L"%d";
        sequence.count = 24;
        sequence.pingPong = c.pingPong;
        sequence.loop = c.loop;
        bool stopped = false;
        EXPECT_EQ(Play(sequence, c.ticks, &stopped), c.frames);
        EXPECT_EQ(stopped, c.stops);
    }
}

TEST(FrameSequenceTest, CountOfZeroKeepsCountingAndEmptyPatternShowsNothing) {
    FrameSequence sequence;
    sequence.pattern = L"%d";
    EXPECT_EQ(Play(sequence, 30), Range(0, 29));  // count - 1 is the largest unsigned value
    sequence.pattern.clear();
    sequence.count = 24;
    EXPECT_TRUE(Play(sequence, 5).empty());
}

TEST(FrameSequenceTest, AttributesAndTheirLetterCase) {
    const struct {
        const wchar_t* name;
        const wchar_t* value;
        bool taken;
        std::function<bool(const FrameSequence&)> check;
    } cases[] = {
        {L"sequenceloop", L"False", true, [](const auto& s) { return s.loop; }},
        {L"sequenceloop", L"false", true, [](const auto& s) { return !s.loop; }},
        {L"SequenceLoop", L"false", true, [](const auto& s) { return !s.loop; }},
        {L"AUTOSTART", L"true", true, [](const auto& s) { return s.autostart; }},
        {L"autostart", L"FALSE", true, [](const auto& s) { return s.autostart; }},
        {L"sequenceround", L"false", true, [](const auto& s) { return !s.pingPong; }},
        {L"SequenceCount", L"24", true, [](const auto& s) { return s.count == 24; }},
        {L"sequencespan", L"45", true, [](const auto& s) { return s.span == 45; }},
        {L"sequencebkimage", L"a\\%d.png", true,
         [](const auto& s) { return s.pattern == L"a\\%d.png"; }},
        // The pattern's name is matched exactly; anything else goes to the base control.
        {L"SequenceBkImage", L"a\\%d.png", false, [](const auto& s) { return s.pattern.empty(); }},
        {L"bkimage", L"x.png", false, [](const auto&) { return true; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(std::wstring(c.name) + L"=" + c.value));
        FrameSequence sequence;
        sequence.pingPong = true;
        EXPECT_EQ(sequence.SetAttribute(c.name, c.value), c.taken);
        EXPECT_TRUE(c.check(sequence));
    }
}

TEST(FrameSequenceTest, FrameNamesTakeOneIntegerConversionOnly) {
    const struct {
        const wchar_t* pattern;
        uint32_t index;
        const wchar_t* name;
    } cases[] = {
        {L"res\\mainWnd\\installBtnAnimate\\%.3d.png", 7,
         L"res\\mainWnd\\installBtnAnimate\\007.png"},
        {L"frame%02x.png", 26, L"frame1a.png"},
        {L"100%%-%u.png", 5, L"100%-5.png"},
        // Anything that would read an argument that is not there gives no frame.
        {L"%s.png", 1, L""},
        {L"%d-%d.png", 1, L""},
        {L"%n", 1, L""},
        {L"%ld.png", 1, L""},
        {L"no conversion", 1, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.pattern));
        EXPECT_EQ(FormatFrameName(c.pattern, c.index), c.name);
    }
    EXPECT_EQ(FormatFrameName(std::wstring(300, L'a') + L"%d", 1), L"");  // over 259 characters
}

using SequenceControlTest = SkinTest;

TEST_F(SequenceControlTest, ShippedAnimationStartsItselfAndShowsFramesOnItsTimer) {
    SkinWindow window(L"MainWnd.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    auto* animation = dynamic_cast<CSequenceLabelUI*>(window.FindControl(L"progressAnLb"));
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->GetInterface(L"SequenceLabel"), animation);
    EXPECT_NE(animation->GetInterface(L"Label"), nullptr);
    WindowUi& ui = window.GetUi();
    EXPECT_TRUE(ui.HasTimer(animation, kSequenceTimerId));
    EXPECT_EQ(animation->GetSpan(), 30u);
    EXPECT_EQ(animation->GetFrameCount(), 24u);

    for (int frame : {0, 1, 2}) {
        ASSERT_TRUE(ui.FireTimer(animation, kSequenceTimerId));
        EXPECT_EQ(animation->GetBkImage(),
                  FormatFrameName(L"res\\mainWnd\\installBtnAnimate\\%.3d.png", frame));
    }
    animation->Start();  // from the first frame again
    ASSERT_TRUE(ui.FireTimer(animation, kSequenceTimerId));
    EXPECT_EQ(animation->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\000.png");

    // The real timer moves it on too.
    ASSERT_TRUE(offscreen::RunUntil(
        [&] { return animation->GetBkImage() == L"res\\mainWnd\\installBtnAnimate\\003.png"; }));
    // Removing the control stops its timer.
    static_cast<CContainerUI*>(animation->GetParent())->Remove(animation);
    EXPECT_FALSE(ui.HasTimer(animation, kSequenceTimerId));
}

TEST_F(SequenceControlTest, ButtonPlaysBackAndForthByDefault) {
    std::unique_ptr<CControlUI> created(CreateSequenceControl(L"sequencebutton"));
    auto* button = dynamic_cast<CSequenceButtonUI*>(created.get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetSpan(), 60u);
    EXPECT_TRUE(button->GetSequence().pingPong);
    EXPECT_TRUE(button->GetSequence().loop);
    EXPECT_FALSE(button->GetSequence().autostart);
    EXPECT_EQ(CreateSequenceControl(L"Label"), nullptr);
    std::unique_ptr<CControlUI> label(CreateSequenceControl(L"SEQUENCELABEL"));
    ASSERT_NE(dynamic_cast<CSequenceLabelUI*>(label.get()), nullptr);
    EXPECT_FALSE(dynamic_cast<CSequenceLabelUI*>(label.get())->GetSequence().pingPong);
}

}  // namespace
}  // namespace ui_test
