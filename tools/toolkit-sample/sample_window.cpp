#include "sample_window.h"

#include <cwchar>

#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/progress.h"
#include "toolkit/tab_layout.h"

using namespace toolkit;

namespace {

constexpr UINT kProgressTimer = 1;

}  // namespace

void SampleWindow::InitWindow() {
    CenterWindow();
}

void SampleWindow::ShowPage(int page) {
    if (auto* pages = dynamic_cast<CTabLayoutUI*>(FindControl(L"pages"))) pages->SelectItem(page);
}

void SampleWindow::Advance() {
    auto* bar = dynamic_cast<CProgressUI*>(FindControl(L"installPrg"));
    CControlUI* root = m_ui.GetRoot();
    if (bar == nullptr) return;
    bar->SetValue(bar->GetValue() + 2);
    wchar_t text[64];
    std::swprintf(text, 64, L"正在安装中:%d%%，请稍候...", bar->GetValue());
    if (CControlUI* label = FindControl(L"progressLb")) label->SetText(text);
    if (bar->GetValue() >= 100) m_ui.KillTimer(root, kProgressTimer);
}

void SampleWindow::Notify(Notification& msg) {
    if (msg.type == kNotifySelectChanged && msg.sender->GetName() == L"agreeCb") {
        const bool agreed = static_cast<CCheckBoxUI*>(msg.sender)->IsSelected();
        if (CControlUI* install = FindControl(L"installBtn")) install->SetEnabled(agreed);
    } else if (msg.type == kNotifyTabSelect) {
        // The tab buttons show which page is up, whoever changed it.
        for (int i = 0; i < 2; ++i) {
            const std::wstring name = L"tab" + std::to_wstring(i) + L"Btn";
            if (auto* tab = dynamic_cast<CCheckBoxUI*>(FindControl(name))) {
                tab->Selected(static_cast<int>(msg.wParam) == i, false);
            }
        }
    } else if (msg.type == kNotifyTimer && msg.wParam == kProgressTimer) {
        Advance();
    }
    SkinWindowBase::Notify(msg);
}

void SampleWindow::OnClick(Notification& msg) {
    const std::wstring& name = msg.sender->GetName();
    if (name == L"tab0Btn" || name == L"tab1Btn") {
        ShowPage(name == L"tab0Btn" ? 0 : 1);
        // A click toggles the box; the page decides its state instead.
        static_cast<CCheckBoxUI*>(msg.sender)->Selected(true, false);
    } else if (name == L"installBtn") {
        if (CControlUI* status = FindControl(L"statusLbl")) {
            status->SetText(L"安装到：" + FindControl(L"dirEdit")->GetText());
        }
        ShowPage(1);
        m_ui.SetTimer(m_ui.GetRoot(), kProgressTimer, 50);
    } else if (name == L"cancelBtn") {
        m_ui.KillTimer(m_ui.GetRoot(), kProgressTimer);
        ShowPage(0);
    } else if (name == L"okBtn") {
        Close(IDOK);
    } else {
        SkinWindowBase::OnClick(msg);
    }
}
