#include "platform/os_info.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

namespace {

#ifndef _WIN32
// os-release files and kernel machine names are Linux's.
TEST(OsRelease, VersionId) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
         "VERSION_ID=\"12\"\nVERSION=\"12 (bookworm)\"\n",
         "12"},
        {"NAME=Fedora\nVERSION_ID=39\n", "39"},
        {"VERSION_ID='22.04'\r\n", "22.04"},
        {"  VERSION_ID=\"3.19.1\"  \n", "3.19.1"},
        // Rolling releases carry no VERSION_ID; a similar key must not be taken for it.
        {"NAME=\"Arch Linux\"\nBUILD_ID=rolling\nVERSION_CODENAME_ID=x\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(platform::ParseOsReleaseVersionId(c.text), c.expected);
    }
}
#endif

#ifdef _WIN32
// The numbers of a version text "major.minor.build"; empty unless the text is exactly that.
std::vector<unsigned long> VersionNumbers(const std::string& text) {
    std::vector<unsigned long> numbers;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    while (true) {
        unsigned long number = 0;
        const auto [next, error] = std::from_chars(p, end, number);
        if (error != std::errc() || next == p) return {};
        numbers.push_back(number);
        if (next == end) break;
        if (*next != '.') return {};
        p = next + 1;
    }
    return numbers.size() == 3 ? numbers : std::vector<unsigned long>{};
}
#endif

TEST(OsRelease, RunningSystemHasAVersion) {
    const std::string version = platform::OsReleaseVersion();
    // Linux: the kernel release stands in when os-release has no version, so this is never
    // empty.
    EXPECT_FALSE(version.empty());
#ifdef _WIN32
    const std::vector<unsigned long> numbers = VersionNumbers(version);
    ASSERT_EQ(numbers.size(), 3u) << "not major.minor.build: " << version;
    EXPECT_GE(numbers[0], 6u) << "older than Windows 7: " << version;
    // The system sets flags in the top four bits of the build number; they are no version.
    EXPECT_LT(numbers[2], 0x10000000u) << version;
#endif
}

TEST(MachineBits, RunningMachine) {
    const int bits = platform::MachineBits();
    EXPECT_TRUE(bits == 32 || bits == 64) << bits;
    // A 64-bit program runs only on a 64-bit machine; a 32-bit one on either.
    EXPECT_GE(bits, platform::ProcessBits());
}

#ifndef _WIN32
TEST(MachineBits, FromMachineName) {
    struct Case {
        const char* machine;
        int bits;
    } cases[] = {
        {"x86_64", 64}, {"aarch64", 64}, {"ppc64le", 64}, {"s390x", 64}, {"riscv64", 64},
        {"i686", 32},   {"armv7l", 32},  {"i386", 32},    {"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.machine);
        EXPECT_EQ(platform::MachineBitsFromName(c.machine), c.bits);
    }
}
#endif

}  // namespace
