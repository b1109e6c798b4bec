// The random bytes of platform/random.h from the system's preferred generator (CNG).
#include <windows.h>
// windows.h first: bcrypt.h depends on its types.
#include <bcrypt.h>

#include "platform/random.h"

namespace platform {

bool RandomBytes(void* buffer, size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ULONG part = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        if (BCryptGenRandom(nullptr, out, part, BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0) return false;
        out += part;
        size -= part;
    }
    return true;
}

}  // namespace platform
