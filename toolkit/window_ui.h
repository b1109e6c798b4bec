// WindowUi: the control tree of one window and what works on the whole tree: the markup's
// window attributes and fonts, layout and painting, notifications to listeners, message filters
// and text refresh. Input routing, per-control timers and posted notifications are parts of it
// (InputRouter, ControlTimers, NotificationQueue). Owned by its window; UI thread only, except
// SendNotify(..., async = true).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/control_timers.h"
#include "toolkit/input_router.h"
#include "toolkit/notification_queue.h"
#include "toolkit/notify.h"
#include "toolkit/text_render.h"
#include "toolkit/types.h"

namespace toolkit {

class CNativeWindow;

class WindowUi {
public:
    explicit WindowUi(CNativeWindow& window);
    ~WindowUi();
    WindowUi(const WindowUi&) = delete;
    WindowUi& operator=(const WindowUi&) = delete;

    CNativeWindow& GetWindow() const { return m_window; }

    // Takes ownership of the tree, lays it out at the window's size and initialises every
    // control (DoInit, in document order).
    void AttachRoot(CControlUI* root);
    CControlUI* GetRoot() const { return m_root.get(); }
    void DestroyRoot();
    // The first control in document order with this name, or null.
    CControlUI* FindControl(std::wstring_view name) const;
    CControlUI* FindControlAt(Point p);
    // Initialises a subtree added after the tree was attached.
    void InitControls(CControlUI& control);
    bool IsLiveControl(const CControlUI* control) const;
    // Visible itself and in every ancestor.
    static bool IsVisibleInTree(const CControlUI& control);

    // Attributes of the layout's Window element, by name.
    void SetWindowAttribute(std::wstring_view name, std::wstring_view value);
    const std::wstring* GetWindowAttribute(std::wstring_view name) const;
    Size GetInitSize() const { return m_initSize; }
    // The draggable area: right or bottom of 0 reach to the window's edge.
    const Rect& GetCaptionRect() const { return m_caption; }
    Size GetRoundCorner() const { return m_roundCorner; }
    bool HasRoundCorner() const { return m_hasRoundCorner; }
    // True when `p` lies in the caption area and not on a clickable control.
    bool IsCaptionPoint(Point p);

    void AddFont(int id, FontInfo font, bool isDefault);
    // The font of `id`; the default font for -1 or an unknown id.
    const FontInfo& GetFont(int id) const;
    Size MeasureText(int fontId, std::wstring_view text, uint32_t style, int width = -1) const;

    void NeedUpdate();
    void UpdateLayout();
    void Invalidate(const Rect& rect);
    void Paint(cairo_t* cr, const Rect& dirty);

    CControlUI* GetFocus() const { return m_input.GetFocus(); }
    void SetFocus(CControlUI* control) { m_input.SetFocus(control); }
    CControlUI* GetHot() const { return m_input.GetHot(); }

    // Per-control timers: the control gets a kTimer event and the listeners a "timer"
    // notification (wParam the id) every `periodMs`. Starting a running id restarts it.
    bool SetTimer(CControlUI* control, UINT id, UINT periodMs);
    bool KillTimer(CControlUI* control, UINT id);
    void KillTimers(CControlUI* control);
    bool HasTimer(const CControlUI* control, UINT id) const;
    // Delivers one tick of a running timer now, as if it had fired.
    bool FireTimer(CControlUI* control, UINT id);

    void AddNotifier(INotifyListener* listener);
    void RemoveNotifier(INotifyListener* listener);
    // Sends now, or posts to the window's thread when `async` (callable from any thread then;
    // the sender must still be in the tree on delivery or the notification is dropped).
    void SendNotify(CControlUI* sender, std::wstring_view type, WPARAM wParam = 0,
                    LPARAM lParam = 0, bool async = false);
    void SendNotify(const Notification& msg, bool async = false);

    void AddPreMessageFilter(IMessageFilter* filter);
    void RemovePreMessageFilter(IMessageFilter* filter);
    // Runs the filters over an input message; true when one swallowed it.
    bool TranslateMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The toolkit's handling of a window message; true when handled, with `result`.
    bool MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Every control with a text id takes its text from the string table again.
    void RefreshTexts();

    void SetClipboardText(const std::wstring& text);
    std::wstring GetClipboardText();

    // Called by controls.
    void OnControlDestroyed(CControlUI* control);
    void OnControlHidden(CControlUI* control);

private:
    void DeliverTick(CControlUI* control, UINT id);
    void DeliverAsyncNotify();

    CNativeWindow& m_window;
    std::unique_ptr<CControlUI> m_root;
    std::vector<std::pair<std::wstring, std::wstring>> m_windowAttributes;
    Size m_initSize;
    Rect m_caption;
    Size m_roundCorner;
    bool m_hasRoundCorner = false;
    std::map<int, FontInfo> m_fonts;
    FontInfo m_defaultFont;
    bool m_needUpdate = true;
    InputRouter m_input;
    ControlTimers m_timers;
    NotificationQueue m_posted;
    std::vector<INotifyListener*> m_listeners;
    std::vector<IMessageFilter*> m_filters;
};

}  // namespace toolkit
