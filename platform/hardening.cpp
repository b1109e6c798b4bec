#include "platform/hardening.h"

#include <cstdlib>
#include <initializer_list>

namespace platform {

void HardenLibrarySearch() {
    for (const char* name : {"LD_PRELOAD", "LD_LIBRARY_PATH", "LD_AUDIT"})
        unsetenv(name);
}

}  // namespace platform
