// The system's "open" action: a web page in the user's browser, or a program started on its
// own. Safe to call from the UI thread (or any other): it returns once the program has started
// and never waits for it, nor leaves it behind as a zombie when it ends.
#pragma once

#include <functional>
#include <string>

namespace platform {

// The system's show commands. Windows hands them to the program it starts; Linux accepts them
// so callers keep their values, and a program started there shows its windows as it chooses.
inline constexpr int kShowNormal = 1;     // SW_SHOWNORMAL
inline constexpr int kShowMaximized = 3;  // SW_SHOWMAXIMIZED

// A URL (a scheme of ASCII letters, digits, "+", "-" and "." starting with a letter, then
// "://") is opened whatever it holds: as one argument of xdg-open on Linux, by the program the
// system has for its scheme on Windows; `workingFolder` plays no part. Anything else must name
// an existing executable file (Windows: a program image), a relative name taken from the
// current folder, started with no arguments in `workingFolder` when that is not empty.
// Linux: either program runs in a session of its own with its standard streams on /dev/null.
// Windows: the system's "open" action starts it (ShellExecuteExW), without any handle of ours.
// True once the program has started; false, and nothing started, when the target is missing
// or not executable, xdg-open is not installed (Windows: the scheme has no program, or the
// system refuses to start it), or the working folder cannot be entered.
bool ShellOpen(const std::wstring& target, const std::wstring& workingFolder, int showCommand);

// Called by ShellOpen in place of starting anything, with its arguments, and its answer
// returned; tests and headless runs set one so that no real browser ever opens. An empty
// handler restores the real action. Any thread.
using ShellOpenHandler = std::function<bool(const std::wstring& target,
                                            const std::wstring& workingFolder, int showCommand)>;
void SetShellOpenHandler(ShellOpenHandler handler);

}  // namespace platform
