// The folder chooser. UI thread.
#pragma once

#include <string>

#include "platform/display.h"

namespace platform {

// Lets the user pick a folder, titled `title`, starting in `start` when not empty. True with
// the chosen path; false when the user cancels or no display exists. `owner` may be null.
bool BrowseForFolder(NativeWindow owner, const std::wstring& title, const std::wstring& start,
                     std::wstring* path);

}  // namespace platform
