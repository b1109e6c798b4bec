// The folder chooser. UI thread.
#pragma once

#include <functional>
#include <string>

#include "platform/display.h"

namespace platform {

// Lets the user pick a folder, titled `title`, starting in `start` when not empty. True with
// the chosen path; false when the user cancels or no display exists. `owner` may be null.
bool BrowseForFolder(NativeWindow owner, const std::wstring& title, const std::wstring& start,
                     std::wstring* path);

// Answers BrowseForFolder in place of the dialog, so tests pick a folder without a display.
// An empty handler restores the dialog. UI thread, as the dialog.
using FolderDialogHandler = std::function<bool(NativeWindow owner, const std::wstring& title,
                                               const std::wstring& start, std::wstring* path)>;
void SetFolderDialogHandler(FolderDialogHandler handler);

}  // namespace platform
