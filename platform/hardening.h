// Keeps planted and injected libraries out of the installer and its children. Linux: the
// package, the uninstaller and the product must not inherit a preload or a library path from
// whoever started us. Windows: libraries this process loads from now on come from the system
// folder only (SetDefaultDllDirectories; on a Windows 7 without it, the current folder at
// least leaves the search), so a DLL planted beside the installer in the download folder is
// never loaded; the libraries the program was linked with are loaded before main.
// Call first thing in main, before any thread exists.
#pragma once

namespace platform {

void HardenLibrarySearch();

}  // namespace platform
