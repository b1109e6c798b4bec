#include "sys/os_version.h"

#include <gtest/gtest.h>

#include "sys/text.h"

namespace {

TEST(WindowsVersionName, Table) {
    struct Case {
        uint32_t major, minor, build;
        bool serverR2;
        const wchar_t* expected;
    } cases[] = {
        {0, 0, 0, false, L"XP-"},
        {4, 10, 1998, false, L"XP-"},
        {5, 0, 2195, false, L"2K"},
        {5, 1, 2600, false, L"XP"},
        {5, 2, 3790, false, L"Server 2003"},
        {5, 2, 3790, true, L"Server 2003 R2"},
        // The R2 marker only matters for 5.2.
        {5, 1, 2600, true, L"XP"},
        {5, 3, 0, false, L"XP+"},
        {5, 9, 0, false, L"XP+"},
        {6, 0, 6002, false, L"Vista"},
        {6, 1, 7601, false, L"7"},  // also Server 2008 R2
        {6, 2, 9200, false, L"8"},
        {6, 3, 9600, false, L"8.1"},
        {6, 4, 9841, false, L"8.1+"},
        {10, 0, 19045, false, L"10"},
        {10, 0, 22631, false, L"10"},  // Windows 11 reports 10.0 as well
        {10, 1, 0, false, L"10+"},
        {7, 0, 1, false, L"7.0.1"},
        {8, 2, 300, false, L"8.2.300"},
        {9, 9, 65535, false, L"9.9.65535"},
        {11, 0, 22000, false, L"11.0.22000"},
        // Only the low 16 bits of the build number count (the system sets flags above them).
        {11, 0, 0xF0005FAA, false, L"11.0.24490"},
        {12, 3, 0x10000, false, L"12.3.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.major << "." << c.minor << "." << c.build << (c.serverR2 ? " R2" : ""));
        EXPECT_EQ(Utils::WindowsVersionName(c.major, c.minor, c.build, c.serverR2), c.expected);
    }
}

TEST(WindowsVersionName, RunningSystemIsNeverAnXpRoute) {
    std::wstring name = L"old", version = L"old";
    Utils::GetOsVersionName(name, version);
#ifdef _WIN32
    // The release's name from the numbers ntdll gives: "XP-" would mean they were not read.
    EXPECT_EQ(name, L"Windows");
#else
    EXPECT_EQ(name, L"Linux");
#endif
    EXPECT_FALSE(version.empty());
    EXPECT_EQ(version.find(L"XP"), std::wstring::npos);
}

TEST(IsWow64, OnlyA32BitBuildOnA64BitMachine) {
    struct Case {
        int processBits, machineBits;
        bool expected;
    } cases[] = {
        {32, 64, true},
        {64, 64, false},
        {32, 32, false},
        {32, 0, false},  // machine unknown: the neutral answer
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.processBits << " on " << c.machineBits);
        EXPECT_EQ(Utils::IsWow64For(c.processBits, c.machineBits), c.expected);
    }
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(Utils::IsWow64());
    }
}

}  // namespace
