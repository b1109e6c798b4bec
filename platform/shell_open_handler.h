// The parts of the "open" action (platform/shell_execute.h) that both systems' forms share:
// the handler that stands in for it, and what counts as a URL. Safe on any thread.
#pragma once

#include <string_view>

#include "platform/shell_execute.h"

namespace platform {

// The handler last given to SetShellOpenHandler; empty when the real action runs.
ShellOpenHandler CurrentShellOpenHandler();

// A scheme of ASCII letters, digits, "+", "-" and "." that starts with a letter, then "://".
bool IsUrl(std::wstring_view target);

}  // namespace platform
