// Windows only: the errno value that stands for a system error code (GetLastError), for the
// services whose header promises errno values on both systems. Safe on any thread.
#pragma once

namespace platform {

// ENOENT for a missing file or path, EEXIST, EACCES, ENOSPC, ... ; EIO for codes without a
// closer match.
int ErrnoFromSystemError(unsigned long error);

}  // namespace platform
