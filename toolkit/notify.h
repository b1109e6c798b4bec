// Notifications from controls to their window, and the interfaces a window implements to take
// part in the toolkit: listening to notifications, filtering messages before the controls see
// them, and supplying custom control classes to the layout builder. UI thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/types.h"

namespace toolkit {

class CControlUI;

// Notification types sent by the toolkit's own controls.
inline constexpr wchar_t kNotifyClick[] = L"click";
inline constexpr wchar_t kNotifySelectChanged[] = L"selectchanged";
inline constexpr wchar_t kNotifyTabSelect[] = L"tabselect";  // wParam new page, lParam old
inline constexpr wchar_t kNotifyTimer[] = L"timer";          // wParam the timer id
inline constexpr wchar_t kNotifyTextChanged[] = L"textchanged";
inline constexpr wchar_t kNotifyReturn[] = L"return";
inline constexpr wchar_t kNotifySetFocus[] = L"setfocus";
inline constexpr wchar_t kNotifyKillFocus[] = L"killfocus";

struct Notification {
    std::wstring type;
    CControlUI* sender = nullptr;  // valid during delivery
    uint32_t timestamp = 0;        // tick count when sent
    Point mouse;                   // last mouse position in the window
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyListener {
public:
    virtual ~INotifyListener() = default;
    virtual void Notify(Notification& msg) = 0;
};

// Sees the window's input messages (keys) before the controls; set `handled` to swallow one.
class IMessageFilter {
public:
    virtual ~IMessageFilter() = default;
    virtual LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

// Asked for every element of a layout before the toolkit's own classes; returns a new control
// (the toolkit takes ownership) or null to let the toolkit build the element.
class ILayoutBuilderCallback {
public:
    virtual ~ILayoutBuilderCallback() = default;
    virtual CControlUI* CreateControl(std::wstring_view className) = 0;
};

// Routes notifications by type to handler methods; "click" goes to OnClick.
class CNotifyDispatcher {
public:
    virtual ~CNotifyDispatcher() = default;

protected:
    // True when a handler took the notification.
    bool DispatchNotify(Notification& msg);
    virtual void OnClick(Notification& /*msg*/) {}
};

}  // namespace toolkit
