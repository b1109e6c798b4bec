// The sample window: a skinned window with buttons, check boxes, a text input, tab pages and a
// progress bar driven by a timer, built from skin/sample.xml.
#pragma once

#include "toolkit/skin_window_base.h"

class SampleWindow : public toolkit::SkinWindowBase {
public:
    std::wstring_view GetWindowClassName() const override { return L"SampleWnd"; }
    std::wstring GetSkinFolder() override { return L""; }
    std::wstring GetSkinFile() override { return L"sample.xml"; }
    int GetResourceType() const override { return toolkit::kResourceZipResource; }
    int GetResourceID() const override { return 147; }

    void InitWindow() override;
    void Notify(toolkit::Notification& msg) override;
    void OnClick(toolkit::Notification& msg) override;

    // Shows a page as the tab buttons would.
    void ShowPage(int page);

private:
    void Advance();
};
