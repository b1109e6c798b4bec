// Drives windows on the offscreen host the way a user would: pointer and keys by point or by
// control name, modal windows answered from inside their loop, the loop run until something
// happens, and the window's picture read or written as PNG. UI thread (the test's thread).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "toolkit/keyboard.h"
#include "toolkit/types.h"

namespace toolkit {

class CNativeWindow;
class SkinWindowBase;

namespace offscreen {

// Makes the offscreen host the selected host (tests call it before creating windows).
void Use();

// The window's current picture, painted up to date; owned by the window (valid until the next
// call or the window's end). Null for a window that is not on the offscreen host.
cairo_surface_t* Snapshot(CNativeWindow& window);
// The pixel at `p` as 0xAARRGGBB (straight alpha); 0 outside the window.
Color PixelAt(CNativeWindow& window, Point p);
bool WritePng(CNativeWindow& window, const std::string& path);

// Pointer input in window coordinates; false when the window is gone or disabled.
bool MoveMouse(CNativeWindow& window, Point p);
bool ClickAt(CNativeWindow& window, Point p);
bool DoubleClickAt(CNativeWindow& window, Point p);
// A press at `from`, moves to `to`, release there. In the caption area it moves the window.
bool Drag(CNativeWindow& window, Point from, Point to);
// Clicks the centre of the named control; false when it is missing or not visible.
bool Click(SkinWindowBase& window, std::wstring_view controlName);

// A key press and release (WM_KEYDOWN, WM_KEYUP) with the given modifiers held.
bool PressKey(CNativeWindow& window, UINT virtualKey, KeyModifiers modifiers = {});
// One WM_CHAR per character.
bool TypeText(CNativeWindow& window, std::wstring_view text);
// What the desktop sends when the user closes the window (Alt+F4, the title bar's button).
bool RequestClose(CNativeWindow& window);

// The next modal loop to start calls `answer` with its window from inside the loop.
void AnswerNextModal(std::function<void(SkinWindowBase&)> answer);
// Drops answers that no modal loop took, so they cannot answer a later test's windows.
void ForgetModalAnswers();

// Runs the thread's loop until `done` is true (true) or `timeoutMs` passed (false).
bool RunUntil(const std::function<bool()>& done, uint32_t timeoutMs = 5000);
// Dispatches everything that is ready now.
void RunPending();

}  // namespace offscreen
}  // namespace toolkit
