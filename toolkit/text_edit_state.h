// The editing state of a single-line text input: text, caret and selection, and the edits
// keys make. Pure value; positions count characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace toolkit {

class TextEditState {
public:
    const std::wstring& Text() const { return m_text; }
    // Replaces the text; the caret goes to its end with nothing selected.
    void SetText(std::wstring_view text);

    size_t Caret() const { return m_caret; }
    bool HasSelection() const { return m_anchor != m_caret; }
    // Start and end of the selection (equal when nothing is selected).
    std::pair<size_t, size_t> Selection() const;
    std::wstring SelectedText() const;

    // Moves the caret; `extend` keeps the anchor, so the selection grows or shrinks.
    void MoveTo(size_t position, bool extend);
    void MoveLeft(bool extend);
    void MoveRight(bool extend);
    void SelectAll();

    // Replaces the selection with `text` less its control characters, cut so the whole text
    // stays within `maxLength` characters. True when the text changed.
    bool Insert(std::wstring_view text, size_t maxLength);
    // Deletes the selection, or the character before (Backspace) or after (Delete) the caret.
    bool Backspace();
    bool Delete();
    bool DeleteSelection();

private:
    std::wstring m_text;
    size_t m_caret = 0;
    size_t m_anchor = 0;
};

}  // namespace toolkit
