// File names found the way a file system that ignores letter case finds them, for the files
// the system's own functions open by a name another program may have spelt differently
// ("set.ini" written by one, "Set.ini" read by the other). Windows file systems ignore letter
// case themselves: there the path is returned as given. Safe on any thread.
#pragma once

#include <string>

namespace platform {

// The path under which `path` is opened: `path` itself when an entry of that exact name
// exists; otherwise the one entry of its folder whose name differs from the last part of
// `path` only in letter case (Unicode case, UTF-8 names); `path` again when there is no such
// entry, more than one, or the folder cannot be listed. Only the last part is looked up.
std::string ResolveFileNameCase(const std::string& path);

}  // namespace platform
