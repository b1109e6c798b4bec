// SkinWindowBase: a window whose content is a skin layout. On creation it reads the skin
// through the resource access, builds the control tree (asking CreateControl for custom
// classes), attaches it, listens to its notifications and filters its input, then calls
// InitWindow. When no root control results, creation fails (Create returns null) and the
// caller reports it. UI thread only.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/native_window.h"
#include "toolkit/notify.h"
#include "toolkit/resource_access.h"
#include "toolkit/window_ui.h"

namespace toolkit {

class SkinWindowBase : public CNativeWindow,
                       public CNotifyDispatcher,
                       public INotifyListener,
                       public IMessageFilter,
                       public ILayoutBuilderCallback {
public:
    SkinWindowBase();
    ~SkinWindowBase() override;

    // Where the skin is: folder and file, and how to read them (a kResource* type and, for
    // resources, the id).
    virtual std::wstring GetSkinFolder() = 0;
    virtual std::wstring GetSkinFile() = 0;
    virtual int GetResourceType() const { return kResourceFile; }
    virtual int GetResourceID() const { return 0; }

    // Called once the tree is built and attached and the window exists.
    virtual void InitWindow() {}
    // Messages the toolkit does not handle itself come here before the controls see them;
    // set `handled` to stop them.
    virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);

    // INotifyListener: the default passes notifications to the dispatcher ("click" to OnClick).
    void Notify(Notification& msg) override;
    // The default click handling: "closebtn" closes the window, "minbtn" minimises it.
    void OnClick(Notification& msg) override;
    // ILayoutBuilderCallback: no custom classes by default.
    CControlUI* CreateControl(std::wstring_view className) override;
    // IMessageFilter: the default closes the window on Escape.
    LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

    WindowUi& GetUi() { return m_ui; }
    CControlUI* FindControl(std::wstring_view name) const { return m_ui.FindControl(name); }
    // An attribute of the layout's Window element by name, or null.
    const std::wstring* GetWindowAttribute(std::wstring_view name) const {
        return m_ui.GetWindowAttribute(name);
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual LRESULT OnCreate();

    WindowUi m_ui;

private:
    void UpdateRegion();
};

}  // namespace toolkit
