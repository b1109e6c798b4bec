// A modal message box with one OK button. UI thread.
#pragma once

#include <string>

#include "platform/display.h"

namespace platform {

inline constexpr unsigned kMessageBoxIconHand = 0x10;  // MB_ICONHAND: an error message
inline constexpr int kMessageBoxOk = 1;                // IDOK

// Shows `text` under `caption` and waits until the user closes it; returns kMessageBoxOk.
// Without a display the message goes to standard error as "caption: text" and the result is
// 0, since nobody saw a box. `owner` may be null.
int MessageBox(NativeWindow owner, const std::wstring& text, const std::wstring& caption,
               unsigned icon);

}  // namespace platform
