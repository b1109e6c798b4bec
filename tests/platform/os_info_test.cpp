#include "platform/os_info.h"

#include <gtest/gtest.h>

namespace {

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

TEST(OsRelease, RunningSystemHasAVersion) {
    // The kernel release stands in when os-release has no version, so this is never empty.
    EXPECT_FALSE(platform::OsReleaseVersion().empty());
}

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

}  // namespace
