#include "ui/skin_frame.h"

#include <cstdlib>
#include <cwchar>

#include "platform/message_box.h"
#include "platform/resources.h"
#include "toolkit/attributes.h"
#include "toolkit/messages.h"
#include "toolkit/resource_access.h"

namespace ui {
namespace {

using toolkit::LPARAM;
using toolkit::LRESULT;
using toolkit::UINT;
using toolkit::WPARAM;

// Style bits a skinned window never has: the system caption and the maximise box.
constexpr uint32_t kNoCaptionMask = 0xFF3EFFFF;

// Reads `count` decimal integers, each followed by exactly one separator character (any).
bool ReadIntegers(std::wstring_view text, int* values, int count) {
    const std::wstring copy(text);
    const wchar_t* at = copy.c_str();
    for (int i = 0; i < count; ++i) {
        wchar_t* end = nullptr;
        const long value = std::wcstol(at, &end, 10);
        if (end == at) return false;
        values[i] = static_cast<int>(value);
        at = end;
        if (i + 1 < count) {
            if (*at == L'\0') return false;
            ++at;
        }
    }
    return true;
}

bool ReadRect(const std::wstring* text, toolkit::Rect* rect) {
    int v[4] = {};
    if (text == nullptr || !ReadIntegers(*text, v, 4)) return false;
    *rect = {v[0], v[1], v[2], v[3]};
    return true;
}

}  // namespace

FrameParams FrameParams::ForSkinFile(std::wstring_view skinFile) {
    const size_t dot = skinFile.rfind(L'.');
    return {toolkit::kResourceZipResource, kSkinResourceId, L"", std::wstring(skinFile),
            std::wstring(skinFile.substr(0, dot))};
}

CSkinFrame::CSkinFrame(FrameParams params) : m_params(std::move(params)) {}

CSkinFrame::~CSkinFrame() {
    // The base would destroy the window after m_shadow is gone, while the shadow's subclass
    // of this window still expects it.
    if (GetHWND() != nullptr) DestroyWindow();
}

LRESULT CSkinFrame::OnCreate() {
    const LRESULT result = SkinWindowBase::OnCreate();
    if (result == -1) ReportSkinFailure();
    return result;
}

void CSkinFrame::InitWindow() {
    SetStyle(GetStyle() & kNoCaptionMask);
    const std::wstring* show = GetWindowAttribute(L"showshadow");
    if (show != nullptr && toolkit::EqualsNoCase(*show, L"true")) SetUpShadow();
}

void CSkinFrame::SetUpShadow() {
    m_shadow.Create(*this);
    if (const std::wstring* image = GetWindowAttribute(L"shadowimage")) {
        toolkit::Rect corner;
        toolkit::Rect hole;
        ReadRect(GetWindowAttribute(L"shadowcorner"), &corner);
        ReadRect(GetWindowAttribute(L"shadowholeoffset"), &hole);
        m_shadow.SetImage(*image, corner, hole);
    }
    int value = 0;
    if (const std::wstring* size = GetWindowAttribute(L"shadowsize")) {
        if (ReadIntegers(*size, &value, 1)) m_shadow.SetSize(value);
    }
    if (const std::wstring* sharpness = GetWindowAttribute(L"shadowsharpness")) {
        if (ReadIntegers(*sharpness, &value, 1)) m_shadow.SetSharpness(value);
    }
    if (const std::wstring* darkness = GetWindowAttribute(L"shadowdarkness")) {
        if (ReadIntegers(*darkness, &value, 1)) m_shadow.SetDarkness(value);
    }
    if (const std::wstring* position = GetWindowAttribute(L"shadowposition")) {
        int xy[2] = {};
        if (ReadIntegers(*position, xy, 2)) m_shadow.SetPosition(xy[0], xy[1]);
    }
    if (const std::wstring* color = GetWindowAttribute(L"shadowcolor")) {
        std::wstring digits = *color;
        if (!digits.empty() && digits.front() == L'#') digits.erase(0, 1);
        m_shadow.SetColor(static_cast<uint32_t>(std::wcstoul(digits.c_str(), nullptr, 16)));
    }
}

LRESULT CSkinFrame::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == toolkit::WM_KEYDOWN && wParam == toolkit::VK_ESCAPE) {
        handled = true;
        return 0;
    }
    return SkinWindowBase::MessageHandler(msg, wParam, lParam, handled);
}

bool SetInstallerIcon(toolkit::CNativeWindow& window) {
    platform::ResourceBytes icon;
    return platform::FindResource(kIconResourceType, kIconResourceId, &icon) &&
           window.SetIcon(icon.data, icon.size);
}

void ReportSkinFailure() {
    platform::MessageBox(nullptr, L"加载资源文件失败", L"Collivo", platform::kMessageBoxIconHand);
    std::exit(1);
}

}  // namespace ui
