#include "ui/message_box_wnd.h"

#include "toolkit/messages.h"

namespace ui {
namespace {

// The tip's window style: visible, caption, system menu, thick frame, minimise and maximise
// boxes (the frame clears what a skinned window does not draw).
constexpr uint32_t kTipStyle = 0x10CF0000;

}  // namespace

void CMessageBoxWnd::InitWindow() {
    CSkinFrame::InitWindow();
    SetStyle(GetStyle() | toolkit::WS_CLIPSIBLINGS | toolkit::WS_CLIPCHILDREN);
    SetExStyle(GetExStyle() & ~toolkit::WS_EX_TOPMOST);
    m_okBtn = FindControl(L"okBtn");
    m_cancelBtn = FindControl(L"cancelBtn");
    m_textLbl = FindControl(L"textLbl");
    m_captionLbl = FindControl(L"captionLbl");
}

void CMessageBoxWnd::OnClick(toolkit::Notification& msg) {
    if (msg.sender != nullptr && msg.sender == m_okBtn) {
        Close();
        m_result = kTipOk;
    } else if (msg.sender != nullptr && msg.sender == m_cancelBtn) {
        Close();
        m_result = kTipCancel;
    } else {
        CSkinFrame::OnClick(msg);
        m_result = kTipOther;
    }
}

int ShowTip(toolkit::HWND owner, const FrameParams& params, const wchar_t* text,
            const wchar_t* caption) {
    CMessageBoxWnd tip(params);
    // Created hidden and shown once centred, so it never flashes at the screen's corner.
    if (tip.Create(owner, L"消息框", kTipStyle & ~toolkit::WS_VISIBLE, 0) == nullptr) {
        return tip.GetResult();
    }
    if (text != nullptr && tip.GetTextLabel() != nullptr) tip.GetTextLabel()->SetText(text);
    if (caption != nullptr && tip.GetCaptionLabel() != nullptr) {
        tip.GetCaptionLabel()->SetText(caption);
    }
    tip.CenterWindow();
    tip.ShowModal();
    return tip.GetResult();
}

}  // namespace ui
