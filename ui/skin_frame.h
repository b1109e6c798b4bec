// CSkinFrame: the base of every installer window. Its layout comes from the skin archive linked
// into the executable; it has no system caption, ignores Escape, and may carry a soft drop
// shadow set up from the layout's Window attributes. A skin that cannot be built ends the
// process (exit code 1) after telling the user. UI thread only.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/skin_window_base.h"
#include "ui/shadow_window.h"

namespace ui {

// The resources the installer links in: the skin archive (type "ZIPRES") and the window icon.
inline constexpr int kSkinResourceId = 147;
inline constexpr int kIconResourceId = 145;
inline constexpr char kIconResourceType[] = "ICON";

// How a window names its skin.
struct FrameParams {
    int resourceType = 0;
    int resourceId = 0;
    std::wstring skinFolder;
    std::wstring skinFile;
    std::wstring className;

    // The installer's own: the skin archive in the resources, no folder, and the file name up
    // to its last full stop as the class name ("NetworkTipWnd.xml" -> "NetworkTipWnd").
    static FrameParams ForSkinFile(std::wstring_view skinFile);
};

class CSkinFrame : public toolkit::SkinWindowBase {
public:
    explicit CSkinFrame(FrameParams params);
    // Destroys a window that still exists while the shadow can still follow it.
    ~CSkinFrame() override;

    std::wstring_view GetWindowClassName() const override { return m_params.className; }
    std::wstring GetSkinFolder() override { return m_params.skinFolder; }
    std::wstring GetSkinFile() override { return m_params.skinFile; }
    int GetResourceType() const override { return m_params.resourceType; }
    int GetResourceID() const override { return m_params.resourceId; }

    // Clears the caption and maximise-box bits, then sets up the shadow when the layout's
    // `showshadow` is "true" (letter case ignored).
    void InitWindow() override;
    // Swallows Escape; everything else goes to the toolkit's default filter.
    toolkit::LRESULT MessageHandler(toolkit::UINT msg, toolkit::WPARAM wParam,
                                    toolkit::LPARAM lParam, bool& handled) override;

    CShadowWindow& GetShadow() { return m_shadow; }

protected:
    toolkit::LRESULT OnCreate() override;

private:
    void SetUpShadow();

    FrameParams m_params;
    CShadowWindow m_shadow;
};

// Gives `window` the installer's icon (resource 145); false when it is missing or not an image.
bool SetInstallerIcon(toolkit::CNativeWindow& window);

// What happens when a window's skin cannot be built: a message box ("加载资源文件失败",
// "Collivo") and the end of the process with exit code 1.
[[noreturn]] void ReportSkinFailure();

}  // namespace ui
