#include "toolkit/text_edit_state.h"

#include <algorithm>

namespace toolkit {

void TextEditState::SetText(std::wstring_view text) {
    m_text = text;
    m_caret = m_anchor = m_text.size();
}

std::pair<size_t, size_t> TextEditState::Selection() const {
    return {std::min(m_anchor, m_caret), std::max(m_anchor, m_caret)};
}

std::wstring TextEditState::SelectedText() const {
    const auto [start, end] = Selection();
    return m_text.substr(start, end - start);
}

void TextEditState::MoveTo(size_t position, bool extend) {
    m_caret = std::min(position, m_text.size());
    if (!extend) m_anchor = m_caret;
}

void TextEditState::MoveLeft(bool extend) {
    if (!extend && HasSelection()) {
        MoveTo(Selection().first, false);
    } else {
        MoveTo(m_caret > 0 ? m_caret - 1 : 0, extend);
    }
}

void TextEditState::MoveRight(bool extend) {
    if (!extend && HasSelection()) {
        MoveTo(Selection().second, false);
    } else {
        MoveTo(m_caret + 1, extend);
    }
}

void TextEditState::SelectAll() {
    m_anchor = 0;
    m_caret = m_text.size();
}

bool TextEditState::Insert(std::wstring_view text, size_t maxLength) {
    std::wstring clean;
    for (wchar_t c : text) {
        if (c >= 0x20 && c != 0x7F) clean += c;
    }
    const auto [start, end] = Selection();
    const size_t kept = m_text.size() - (end - start);
    if (kept >= maxLength) clean.clear();
    if (clean.size() > maxLength - std::min(kept, maxLength)) clean.resize(maxLength - kept);
    if (clean.empty() && start == end) return false;
    m_text.replace(start, end - start, clean);
    m_caret = m_anchor = start + clean.size();
    return true;
}

bool TextEditState::DeleteSelection() {
    if (!HasSelection()) return false;
    const auto [start, end] = Selection();
    m_text.erase(start, end - start);
    m_caret = m_anchor = start;
    return true;
}

bool TextEditState::Backspace() {
    if (DeleteSelection()) return true;
    if (m_caret == 0) return false;
    m_text.erase(--m_caret, 1);
    m_anchor = m_caret;
    return true;
}

bool TextEditState::Delete() {
    if (DeleteSelection()) return true;
    if (m_caret >= m_text.size()) return false;
    m_text.erase(m_caret, 1);
    return true;
}

}  // namespace toolkit
