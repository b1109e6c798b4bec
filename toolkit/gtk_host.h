// The GTK 3 host: real top-level windows without system decoration, painted with cairo, with
// mouse and keyboard (input methods included) turned into window messages. Needs a display;
// Instance() is null without one. UI thread (GTK's main context).
#pragma once

#include <string>

#include "toolkit/host.h"

namespace toolkit {

class GtkHost final : public Host {
public:
    // Opens the display on first use; null when there is none.
    static GtkHost* Instance();

    std::unique_ptr<HostWindow> CreateHostWindow(CNativeWindow& window,
                                                 const HostWindowParams& params) override;
    Rect WorkArea() const override;
    bool SupportsLayeredWindows() const override;
    void SetClipboardText(const std::wstring& text) override;
    std::wstring GetClipboardText() override;

    // Writes what the display shows of `window` to a PNG file (screenshots of real windows);
    // false when the window is not on this host or not shown.
    static bool CaptureWindow(CNativeWindow& window, const std::string& pngPath);
};

}  // namespace toolkit
