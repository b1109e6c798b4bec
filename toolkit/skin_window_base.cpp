#include "toolkit/skin_window_base.h"

#include <vector>

#include "sys/log.h"
#include "toolkit/layout_builder.h"

namespace toolkit {

SkinWindowBase::SkinWindowBase() : m_ui(*this) {}

SkinWindowBase::~SkinWindowBase() {
    if (GetHWND() != nullptr) DestroyWindow();
}

LRESULT SkinWindowBase::OnCreate() {
    const std::wstring file = GetSkinFile();
    std::vector<uint8_t> markup;
    std::wstring error = L"the skin cannot be read";
    CControlUI* root = nullptr;
    if (ResourceAccess::LoadSkin(GetResourceType(), GetResourceID(), GetSkinFolder(), file,
                                 &markup)) {
        root = BuildLayout(
            std::string_view(reinterpret_cast<const char*>(markup.data()), markup.size()), m_ui,
            this, &error);
    }
    if (root == nullptr) {
        LOG_TRACE(L"SkinWindowBase::OnCreate", L"%ls: %ls", file.c_str(), error.c_str());
        return -1;
    }
    const Size size = m_ui.GetInitSize();
    if (size.cx > 0 && size.cy > 0) ResizeClient(size.cx, size.cy);
    UpdateRegion();
    m_ui.AttachRoot(root);
    m_ui.AddNotifier(this);
    m_ui.AddPreMessageFilter(this);
    InitWindow();
    return 0;
}

void SkinWindowBase::UpdateRegion() {
    if (!m_ui.HasRoundCorner()) return;
    const Size client = GetClientSize();
    const Size round = m_ui.GetRoundCorner();
    SetWindowRegion(WindowRegion::RoundRect(client.cx, client.cy, round.cx, round.cy));
}

LRESULT SkinWindowBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate();
        case WM_NCHITTEST: {
            const Rect window = GetWindowRect();
            const Point p = PointFromLParam(lParam);
            return m_ui.IsCaptionPoint({p.x - window.left, p.y - window.top}) ? HTCAPTION
                                                                              : HTCLIENT;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) UpdateRegion();
            break;
        case WM_NCDESTROY:
            m_ui.DestroyRoot();
            return 0;
        default:
            break;
    }
    bool handled = false;
    LRESULT result = HandleCustomMessage(msg, wParam, lParam, handled);
    if (handled) return result;
    if (m_ui.MessageHandler(msg, wParam, lParam, result)) return result;
    return CNativeWindow::HandleMessage(msg, wParam, lParam);
}

bool SkinWindowBase::PreTranslateMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return m_ui.TranslateMessage(msg, wParam, lParam);
}

LRESULT SkinWindowBase::HandleCustomMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                                            bool& handled) {
    handled = false;
    return 0;
}

void SkinWindowBase::Notify(Notification& msg) {
    DispatchNotify(msg);
}

void SkinWindowBase::OnClick(Notification& msg) {
    if (msg.sender == nullptr) return;
    const std::wstring& name = msg.sender->GetName();
    if (name == L"closebtn") {
        Close(IDCANCEL);
    } else if (name == L"minbtn") {
        Minimize();
    }
}

CControlUI* SkinWindowBase::CreateControl(std::wstring_view /*className*/) {
    return nullptr;
}

LRESULT SkinWindowBase::MessageHandler(UINT msg, WPARAM wParam, LPARAM /*lParam*/, bool& handled) {
    if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) {
        Close(IDCANCEL);
        handled = true;
    }
    return 0;
}

}  // namespace toolkit
