#include "sys/log.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/paths.h"
#include "platform/process.h"
#include "tests/support/log_capture.h"
#include "tests/support/scratch_folder.h"

namespace {

using testing_support::LogCapture;

TEST(LogPrint, PrefixFieldsHaveTheirMinimumWidths) {
    struct Case {
        int pid, tid, year, line;
        const char* expected;
    } cases[] = {
        {412, 1880, 2021, 60, "<P00412><T01880><2021-03-04 10:11:12.013>(A::B)<0060>: hi\r\n"},
        {123456, 7, 2021, 12345, "<P123456><T00007><2021-03-04 10:11:12.013>(A::B)<12345>: hi\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        LogCapture capture;
        Utils::LogPrint(Utils::LogLineFormat(L"hi").c_str(), c.pid, c.tid, c.year, 3, 4, 10, 11, 12,
                        13, L"A::B", c.line);
        ASSERT_EQ(capture.Lines().size(), 1u);
        EXPECT_EQ(capture.Lines()[0], c.expected);
    }
}

TEST(LogPrint, LineEndIsAddedOnlyWhenMissing) {
    const std::wstring prefix = L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%ls)<%04d>: ";
    struct Case {
        const wchar_t* message;
        const wchar_t* ending;
    } cases[] = {{L"a", L"a\r\n"},
                 {L"FAIL code=%ld\r\n", L"FAIL code=%ld\r\n"},
                 {L"progress\n", L"progress\n"}};
    for (const auto& c : cases)
        EXPECT_EQ(Utils::LogLineFormat(c.message), prefix + c.ending);
}

// The process stays in the "C" locale, where the C library cannot convert a narrow text past
// ASCII: such a line is written all the same, the failing argument marked.
TEST(LogPrint, EveryLineIsWrittenAndAnArgumentThatCannotBeFormattedIsMarked) {
    const char* const chinese = "/d/\xE5\xAE\x89\xE8\xA3\x85/a.part1";
    const std::string marked = R"(<unprintable "/d/\xE5\xAE\x89\xE8\xA3\x85/a.part1">)";
    struct Case {
        std::function<void()> log;
        std::string expected;
    } cases[] = {
        {[] { Utils::LogPrint(L"partPath::%hs", "/d/a.part1"); }, "partPath::/d/a.part1"},
#ifndef _WIN32  // the Windows C library widens narrow bytes one by one and never fails
        {[&] { Utils::LogPrint(L"partPath::%hs", chinese); }, "partPath::" + marked},
#endif
        {[&] { Utils::LogPrint(L"partPath::%ls", Utils::LogText(chinese).c_str()); },
         "partPath::/d/安装/a.part1"},
#ifndef _WIN32  // the same; there "%s" in a wide format also means a wide text
        // The other arguments, before and after the marked one, keep their conversions.
        {[&] {
             Utils::LogPrint(L"%05d|%-4s|%ls|%.1f|%lld|%zu|%c|%%|%*d", 7, chinese, L"安装", 2.5,
                             -9000000000LL, size_t{12}, 'x', 5, 42);
         },
         "00007|" + marked + "|安装|2.5|-9000000000|12|x|%|   42"},
#endif
        {[] { Utils::LogPrint(L"%hs and %ls", static_cast<const char*>(nullptr), L"安装"); },
         "(null) and 安装"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        LogCapture capture;
        c.log();
        ASSERT_EQ(capture.Lines().size(), 1u);
        EXPECT_EQ(capture.Lines()[0], c.expected);
    }
}

TEST(LogTrace, FillsPrefixFromCallSite) {
    LogCapture capture;
    const std::wstring url = L"http://127.0.0.1/软件";
    LOG_TRACE(L"CurlClient::Start", L"url=%ls code=%d", url.c_str(), 18);
    const int expectedLine = __LINE__ - 1;
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::regex shape(
        R"(<P(\d{5,})><T(\d{5,})><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(CurlClient::Start\)<(\d{4,})>: url=http://127\.0\.0\.1/软件 code=18\r\n)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, shape)) << lines[0];
    EXPECT_EQ(std::stoul(m[1]), platform::ProcessId());
    EXPECT_EQ(std::stoul(m[2]), platform::CurrentThreadId());
    EXPECT_EQ(std::stoi(m[3]), expectedLine);
}

TEST(LogTrace, LongMessageIsLoggedWhole) {
    LogCapture capture;
    const std::wstring big(100000, L'x');
    LOG_TRACE(L"T::Long", L"[%ls]", big.c_str());
    ASSERT_EQ(capture.Lines().size(), 1u);
    EXPECT_NE(capture.Lines()[0].find("[" + std::string(100000, 'x') + "]\r\n"), std::string::npos);
}

// Runs `body` with standard error sent to a temporary file and returns what was written.
std::string CaptureStandardError(const std::function<void()>& body) {
    testing_support::ScratchFolder scratch;
    const int fd = platform::OpenFile(scratch / "stderr", O_RDWR | O_CREAT | O_TRUNC, 0600);
    EXPECT_GE(fd, 0);
    const int saved = dup(STDERR_FILENO);
    dup2(fd, STDERR_FILENO);
    body();
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string text;
    char buffer[65536];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    close(fd);
    return text;
}

TEST(LogTrace, ThreadsWriteWholeLinesWithTheirOwnIdsToStandardError) {
    constexpr int kThreads = 8, kLines = 200;
    const std::string text = CaptureStandardError([] {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t] {
                const std::wstring tid = std::to_wstring(platform::CurrentThreadId());
                for (int i = 0; i < kLines; ++i)
                    LOG_TRACE(L"T::Many", L"worker=%d tid=%ls line=%d end", t, tid.c_str(), i);
            });
        }
        for (auto& thread : threads)
            thread.join();
    });
    const std::regex shape(
        R"(<P\d+><T0*(\d+)><[^>]+>\(T::Many\)<\d+>: worker=\d tid=(\d+) line=\d+ end\r)");
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
        EXPECT_EQ(m[1].str(), m[2].str());
    }
    EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
