// Shared pieces of the fuzz targets: a check that stops the run with a message, trace output
// kept off standard error, a scratch folder on a memory file system, and the way an input is
// cut into chunks, and a case swap for lookups that ignore ASCII case.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/debug_output.h"

namespace fuzz {

// Stops the run when a property does not hold; libFuzzer keeps the input that did it.
#define FUZZ_CHECK(condition)                                                               \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, \
                         #condition);                                                       \
            std::abort();                                                                   \
        }                                                                                   \
    } while (false)

// Trace lines are formatted as usual (that code runs too) but not written: a fuzzer run
// makes millions of them.
class QuietDebugOutput : public platform::DebugSink {
public:
    QuietDebugOutput() { platform::SetDebugSink(this); }
    void Write(std::string_view) override {}
};

// A folder of the process for files a target writes and reads back: under $TMPDIR when it is
// set (scripts/fuzz.sh points it at a folder it removes afterwards), else on /dev/shm, so that
// a write per input wears no disk. Removed when the process ends normally.
inline void RemoveScratchFolder();

inline const std::string& ScratchFolder() {
    static std::string folder;
    if (folder.empty()) {
        std::error_code ignored;
        const char* tmp = getenv("TMPDIR");
        const std::filesystem::path base =
            tmp != nullptr && tmp[0] == '/'                      ? std::filesystem::path(tmp)
            : std::filesystem::is_directory("/dev/shm", ignored) ? std::filesystem::path("/dev/shm")
                                                                 : std::filesystem::path("/tmp");
        std::string pattern = (base / "collivo-fuzz.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        folder = pattern;
        std::atexit(RemoveScratchFolder);
    }
    return folder;
}

inline void RemoveScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder(), ignored);
}

// Cuts `size` units into chunks whose lengths follow from the bytes themselves (1 to 16
// units, from the byte where each chunk starts), so that every input has its own split
// and a mutation of the input also moves the cuts.
inline std::vector<size_t> ChunkLengths(const uint8_t* data, size_t size, uint8_t salt) {
    std::vector<size_t> lengths;
    for (size_t at = 0; at < size;) {
        const size_t length = std::min<size_t>(size - at, 1 + ((data[at] ^ salt) + at * 7) % 16);
        lengths.push_back(length);
        at += length;
    }
    return lengths;
}

// The text with its ASCII letters in the other case.
inline std::wstring SwapAsciiCase(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - 32);
        } else if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c + 32);
        }
    }
    return text;
}

}  // namespace fuzz
