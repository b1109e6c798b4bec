// CEditUI: a single-line text input with caret, selection (mouse and Shift+arrows) and the
// clipboard (Ctrl+C, Ctrl+X, Ctrl+V, Ctrl+A). Sends "textchanged" after every edit and
// "return" on Enter.
#pragma once

#include "toolkit/label.h"
#include "toolkit/text_edit_state.h"

namespace toolkit {

class CEditUI : public CLabelUI {
public:
    CEditUI();

    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;
    bool IsClickable() const override { return true; }
    bool IsFocusable() const override { return true; }

    std::wstring GetText() const override { return m_state.Text(); }
    void SetText(std::wstring_view text) override;
    size_t GetMaxChar() const { return m_maxChar; }
    void SetMaxChar(size_t maxChar) { m_maxChar = maxChar; }
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    void SetPasswordMode(bool password);
    void SetNativeBkColor(Color color) { SetBkColor(color); }
    const TextEditState& GetEditState() const { return m_state; }
    void SetSelection(size_t start, size_t end);

    void DoEvent(ControlEvent& event) override;
    void SetAttribute(std::wstring_view name, std::wstring_view value) override;

protected:
    void PaintText(cairo_t* cr) override;

private:
    std::wstring DisplayText() const;
    // Caret position for a point in the window.
    size_t IndexAt(Point p) const;
    void KeyDown(UINT key);
    void Changed();

    TextEditState m_state;
    size_t m_maxChar = 255;
    bool m_readOnly = false;
    bool m_password = false;
    bool m_selecting = false;
    int m_scroll = 0;  // pixels of text scrolled out at the left
};

}  // namespace toolkit
