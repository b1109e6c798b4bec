// The small services that read a value of the system: the clocks, random bytes, the
// environment.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#endif

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <set>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/environment.h"
#include "platform/random.h"

namespace {

TEST(TickCount, AdvancesInMilliseconds) {
    const uint32_t before = platform::TickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Unsigned difference: right across the wrap at 32 bits as well.
    const uint32_t elapsed = platform::TickCount() - before;
    EXPECT_GE(elapsed, 250u);
    EXPECT_LT(elapsed, 10000u);
}

TEST(LocalTimeNow, IsTheLocalCalendarTimeOfNow) {
    const std::time_t before = std::time(nullptr);
    const platform::LocalTime now = platform::LocalTimeNow();
    const std::time_t after = std::time(nullptr);
    std::tm fields{};
    fields.tm_year = now.year - 1900;
    fields.tm_mon = now.month - 1;
    fields.tm_mday = now.day;
    fields.tm_hour = now.hour;
    fields.tm_min = now.minute;
    fields.tm_sec = now.second;
    fields.tm_isdst = -1;
    // Read back through the C library's own local time: a field out of place shows as hours,
    // days or months away.
    const std::time_t when = std::mktime(&fields);
    EXPECT_GE(when, before - 1);
    EXPECT_LE(when, after + 1);
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LE(now.millisecond, 999);
}

TEST(RandomBytes, FillsEveryByteAnew) {
    unsigned char first[64] = {}, second[64] = {};
    ASSERT_TRUE(platform::RandomBytes(first, sizeof first));
    ASSERT_TRUE(platform::RandomBytes(second, sizeof second));
    EXPECT_NE(std::string(first, first + sizeof first),
              std::string(second, second + sizeof second));
    // 64 KiB of random bytes hold every value; a fill that missed a part would leave zeros only.
    std::string block(64u << 10, '\0');
    ASSERT_TRUE(platform::RandomBytes(block.data(), block.size()));
    EXPECT_EQ(std::set<char>(block.begin(), block.end()).size(), 256u);
    EXPECT_NE(block.substr(block.size() - 32), std::string(32, '\0'));
    EXPECT_TRUE(platform::RandomBytes(nullptr, 0));
}

// Sets (or with null clears) a variable of this process the way the system keeps it.
void SetVariable(const char* name, const char* utf8Value) {
#ifdef _WIN32
    std::wstring wideName, wideValue;
    platform::MultiByteToWide(platform::kCodePageUtf8, name, &wideName);
    if (utf8Value != nullptr)
        platform::MultiByteToWide(platform::kCodePageUtf8, utf8Value, &wideValue);
    ASSERT_TRUE(SetEnvironmentVariableW(wideName.c_str(),
                                        utf8Value != nullptr ? wideValue.c_str() : nullptr));
#else
    if (utf8Value != nullptr) {
        ASSERT_EQ(setenv(name, utf8Value, 1), 0);
    } else {
        ASSERT_EQ(unsetenv(name), 0);
    }
#endif
}

TEST(GetEnv, SetEmptyAndMissingDiffer) {
    const std::string longValue(5000, 'v');
    struct Case {
        const char* name;
        const char* value;  // null: not set
    } cases[] = {
        {"COLLIVO_TEST_PLAIN", "C:\\Program Files"},
        // Text outside the "ANSI" page, a surrogate pair among it.
        {"COLLIVO_TEST_TEXT", "安装 😀"},
        {"COLLIVO_TEST_EMPTY", ""},
        {"COLLIVO_TEST_LONG", longValue.c_str()},
        {"COLLIVO_TEST_UNSET", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetVariable(c.name, c.value);
        const std::optional<std::string> value = platform::GetEnv(c.name);
        if (c.value == nullptr) {
            EXPECT_EQ(value, std::nullopt);
        } else {
            EXPECT_EQ(value, std::string(c.value));
        }
        SetVariable(c.name, nullptr);
        EXPECT_EQ(platform::GetEnv(c.name), std::nullopt);
    }
}

}  // namespace
