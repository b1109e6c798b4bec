// CSequenceLabelUI and CSequenceButtonUI: a label and a button that play a numbered series of
// images as their background, one per tick of their timer 2100 ("SequenceLabel" and
// "SequenceButton" in a layout). A window's CreateControl hands these classes to the layout
// builder through CreateSequenceControl. UI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/button.h"
#include "toolkit/label.h"
#include "toolkit/window_ui.h"

namespace ui {

inline constexpr toolkit::UINT kSequenceTimerId = 2100;

// The playing state and its markup attributes, shared by both controls.
struct FrameSequence {
    std::wstring pattern;  // printf-style image name with one integer conversion
    bool autostart = false;
    bool loop = true;
    bool forward = true;
    bool pingPong = false;
    uint32_t index = 0;  // next frame to show
    uint32_t count = 0;
    uint32_t span = 30;  // ms between frames

    // Applies one of the sequence attributes; false for any other name.
    bool SetAttribute(std::wstring_view name, std::wstring_view value);
    // One tick: true with the image to show next, false when the sequence stops (`*stop` set)
    // or has nothing to show.
    bool Advance(std::wstring* image, bool* stop);
};

// The image name of frame `index`: `pattern` with its one integer conversion filled in; empty
// when the pattern is not a single integer conversion (anything else would read arguments
// that are not there) or the result exceeds 259 characters.
std::wstring FormatFrameName(std::wstring_view pattern, uint32_t index);

template <typename Base>
class SequenceControl : public Base {
public:
    ~SequenceControl() override {
        if (this->GetWindowUi() != nullptr) this->GetWindowUi()->KillTimer(this, kSequenceTimerId);
    }

    const std::wstring& GetSequencePattern() const { return m_sequence.pattern; }
    void SetSequencePattern(std::wstring_view pattern) { m_sequence.pattern = pattern; }
    uint32_t GetFrameCount() const { return m_sequence.count; }
    void SetFrameCount(uint32_t count) { m_sequence.count = count; }
    uint32_t GetSpan() const { return m_sequence.span; }
    void SetSpan(uint32_t span) { m_sequence.span = span; }
    const FrameSequence& GetSequence() const { return m_sequence; }

    void DoInit() override {
        Base::DoInit();
        if (m_sequence.autostart) StartTimer();
    }

    void DoEvent(toolkit::ControlEvent& event) override {
        Base::DoEvent(event);
        if (event.type != toolkit::EventType::kTimer) return;
        std::wstring image;
        bool stop = false;
        if (m_sequence.Advance(&image, &stop)) {
            this->SetBkImage(image);
            this->Invalidate();
        } else if (stop && this->GetWindowUi() != nullptr) {
            this->GetWindowUi()->KillTimer(this, kSequenceTimerId);
        }
    }

    void SetAttribute(std::wstring_view name, std::wstring_view value) override {
        if (!m_sequence.SetAttribute(name, value)) Base::SetAttribute(name, value);
    }

protected:
    explicit SequenceControl(bool pingPong, uint32_t span) {
        m_sequence.pingPong = pingPong;
        m_sequence.span = span;
    }
    void StartTimer() {
        if (this->GetWindowUi() != nullptr) {
            this->GetWindowUi()->SetTimer(this, kSequenceTimerId, m_sequence.span);
        }
    }

    FrameSequence m_sequence;
};

class CSequenceLabelUI : public SequenceControl<toolkit::CLabelUI> {
public:
    CSequenceLabelUI() : SequenceControl(false, 30) {}
    std::wstring_view GetClass() const override { return L"SequenceLabel"; }
    void* GetInterface(std::wstring_view name) override;
    // Plays from the first frame.
    void Start();
};

class CSequenceButtonUI : public SequenceControl<toolkit::CButtonUI> {
public:
    CSequenceButtonUI() : SequenceControl(true, 60) {}
    std::wstring_view GetClass() const override { return L"SequenceButton"; }
    void* GetInterface(std::wstring_view name) override;
};

// A new control for "SequenceLabel" or "SequenceButton" (letter case ignored), else null.
toolkit::CControlUI* CreateSequenceControl(std::wstring_view className);

}  // namespace ui
