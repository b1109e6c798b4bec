// CMessageBoxWnd and ShowTip: every question and message of the installer, a small skinned
// window shown modally over its owner. The layout decides the buttons and whether the text and
// caption come from the caller. UI thread only.
#pragma once

#include "ui/skin_frame.h"

namespace ui {

// Results: which button ended the tip.
inline constexpr int kTipOk = 0;      // "okBtn"
inline constexpr int kTipCancel = 1;  // "cancelBtn", or the window closed without a click
inline constexpr int kTipOther = 2;   // any other control, "closebtn" among them

class CMessageBoxWnd : public CSkinFrame {
public:
    explicit CMessageBoxWnd(FrameParams params) : CSkinFrame(std::move(params)) {}

    void InitWindow() override;
    void OnClick(toolkit::Notification& msg) override;

    int GetResult() const { return m_result; }
    toolkit::CControlUI* GetTextLabel() const { return m_textLbl; }
    toolkit::CControlUI* GetCaptionLabel() const { return m_captionLbl; }

private:
    int m_result = kTipCancel;
    toolkit::CControlUI* m_okBtn = nullptr;
    toolkit::CControlUI* m_cancelBtn = nullptr;
    toolkit::CControlUI* m_textLbl = nullptr;
    toolkit::CControlUI* m_captionLbl = nullptr;
};

// Shows the tip of `params` modally over `owner` (which may be null) and returns its result.
// `text` and `caption`, when not null, replace the texts of "textLbl" and "captionLbl" where
// the layout has them. The owner keeps handling posted messages meanwhile; a tip whose owner
// is destroyed ends with it.
int ShowTip(toolkit::HWND owner, const FrameParams& params, const wchar_t* text = nullptr,
            const wchar_t* caption = nullptr);

}  // namespace ui
