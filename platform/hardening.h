// Keeps injected libraries out of this process's children: the package, the uninstaller and
// the product must not inherit a preload or a library path from whoever started us.
// Call first thing in main, before any thread exists.
#pragma once

namespace platform {

void HardenLibrarySearch();

}  // namespace platform
