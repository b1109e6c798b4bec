// Appending one file to another: on Linux inside the kernel, the way a copy between two files
// of one volume avoids bringing their bytes up into the program; on Windows, which offers no
// such copy onto the end of a file, in blocks of 1 MiB read and written. Safe on any thread.
#pragma once

#include <atomic>
#include <string>

namespace platform {

// Appends every byte of the file at `source` to the end of the file at `target` (both must
// exist). Stops early, returning false, when `stop` becomes true (checked between blocks).
// False also when either file cannot be opened or a read or write fails; bytes appended before
// a failure stay.
bool AppendFile(const std::string& target, const std::string& source,
                const std::atomic<bool>* stop = nullptr);

}  // namespace platform
