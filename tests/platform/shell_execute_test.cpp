#include "platform/shell_execute.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/environment.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace std::chrono_literals;
using platform::ShellOpen;
using testing_support::ScopedEnvironment;
using testing_support::ScratchFolder;

std::wstring Wide(const std::string& text) {
    std::wstring wide;
    platform::MultiByteToWide(platform::kCodePageUtf8, text, &wide);
    return wide;
}

#ifndef _WIN32  // for the URL cases only
std::string Narrow(const std::wstring& text) {
    std::string narrow;
    platform::WideToMultiByte(platform::kCodePageUtf8, text, &narrow);
    return narrow;
}
#endif

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(platform::FsPath(path));
}

#ifdef _WIN32
// This test program stands in for the program ShellOpen starts (Windows has no shell script
// to write instead). Started with this variable naming a report path, it creates
// "<report>.started", waits up to 30 s for "<report>.go" (created once ShellOpen has returned),
// writes its process id, "went" (or "waited") and its current folder into "<report>.out",
// creates "<report>.done" and ends, before a single test runs.
constexpr char kStandInReport[] = "COLLIVO_SHELL_OPEN_REPORT";

void Touch(const std::string& path) {
    std::ofstream(platform::FsPath(path)).flush();
}

[[maybe_unused]] const bool kRunsAsStandIn = [] {
    const std::optional<std::string> report = platform::GetEnv(kStandInReport);
    if (!report) return false;
    Touch(*report + ".started");
    const bool went = WaitFor([&] { return Exists(*report + ".go"); }, 30s);
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    std::string folder8;
    platform::WideToMultiByte(platform::kCodePageUtf8, folder, &folder8);
    {
        std::ofstream out(platform::FsPath(*report + ".out"));
        out << GetCurrentProcessId() << "\n"
            << (went ? "went" : "waited") << "\n"
            << folder8 << "\n";
    }
    Touch(*report + ".done");
    ExitProcess(0);
}();

// Whether the process of that id has ended.
bool Ended(const std::string& pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(pid)));
    if (process == nullptr) return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}
#else
void WriteFile(const std::string& path, const std::string& text, mode_t mode) {
    std::ofstream(path) << text;
    std::filesystem::permissions(path, static_cast<std::filesystem::perms>(mode));
}

bool Ended(const std::string& pid) {
    return !std::filesystem::exists("/proc/" + pid);
}
#endif

// What a started script reported: it writes its process id first, then its lines, into
// `<name>.out`, and creates `<name>.done` once that file is complete.
struct Report {
    std::string pid;
    std::vector<std::string> lines;
    bool reaped = false;  // the process is gone, not left as a zombie
};

std::optional<Report> WaitForReport(const std::string& name) {
    if (!WaitFor([&] { return Exists(name + ".done"); }, 30s)) return {};
    std::ifstream in(platform::FsPath(name + ".out"));
    Report report;
    std::getline(in, report.pid);
    for (std::string line; std::getline(in, line);)
        report.lines.push_back(line);
    report.reaped = WaitFor([&] { return Ended(report.pid); }, 10s);
    return report;
}

#ifdef _WIN32
// The test program stands in for a program to start; its report goes to "<scratch>/program".
class ShellOpenTest : public ::testing::Test {
protected:
    ShellOpenTest()
        : m_report(m_scratch / "program"), m_standIn(kStandInReport, m_report.c_str()) {}
    ~ShellOpenTest() override { platform::SetShellOpenHandler({}); }

    // Starts the stand-in through ShellOpen in `workingFolder`, lets it go on once ShellOpen
    // has returned, and gives its report.
    std::optional<Report> OpenStandIn(const std::string& workingFolder) {
        if (!ShellOpen(Wide(platform::ExecutablePath()), Wide(workingFolder),
                       platform::kShowMaximized)) {
            ADD_FAILURE() << "ShellOpen returned false";
            return {};
        }
        Touch(m_report + ".go");
        return WaitForReport(m_report);
    }
    // Whether the stand-in has started (after a start, it may take seconds to show).
    bool Started() const { return Exists(m_report + ".started"); }

    ScratchFolder m_scratch;
    const std::string m_report;
    ScopedEnvironment m_standIn;
};
#else
// A fake xdg-open first on PATH that reports its arguments; no real browser ever starts.
class ShellOpenTest : public ::testing::Test {
protected:
    ShellOpenTest()
        : m_bin(m_scratch / "bin"),
          m_xdgReport(m_scratch / "xdg-open"),
          m_path("PATH", (m_bin + ":" + OldPath()).c_str()) {
        std::filesystem::create_directory(m_bin);
        WriteFile(m_bin + "/xdg-open",
                  "#!/bin/sh\nprintf '%s\\n' $$ $# \"$@\" > '" + m_xdgReport + ".out'\n: > '" +
                      m_xdgReport + ".done'\n",
                  0755);
    }
    ~ShellOpenTest() override { platform::SetShellOpenHandler({}); }

    static std::string OldPath() {
        const char* path = getenv("PATH");
        return path != nullptr ? path : "/usr/bin:/bin";
    }

    // Runs the fake xdg-open through ShellOpen and gives its report.
    std::optional<Report> OpenUrl(const std::wstring& url) {
        std::filesystem::remove(m_xdgReport + ".done");
        if (!ShellOpen(url, L"", platform::kShowNormal)) {
            ADD_FAILURE() << "ShellOpen returned false";
            return {};
        }
        return WaitForReport(m_xdgReport);
    }
    bool Started() const { return std::filesystem::exists(m_xdgReport + ".done"); }

    ScratchFolder m_scratch;
    const std::string m_bin;
    const std::string m_xdgReport;
    ScopedEnvironment m_path;
};

// Windows opens a URL with the program it has for the scheme: no fake of it fits in a test.
TEST_F(ShellOpenTest, UrlReachesXdgOpenAsOneUntouchedArgument) {
    const struct {
        const char* name;
        std::wstring url;
    } cases[] = {
        {"shell syntax", L"https://example.com/a b?q=\"x\"&r='y';echo $(id) `id` | cat >out &"},
        {"glob, backslash, tab", L"file:///tmp/*.txt?[a]\\b\tc"},
        {"non-ASCII", L"http://例え.jp/路径?q=中文"},
        {"scheme with + - . and digits", L"svn+ssh.v2-x://host/~user/$HOME"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto report = OpenUrl(c.url);
        ASSERT_TRUE(report) << "xdg-open did not run";
        EXPECT_EQ(report->lines, (std::vector<std::string>{"1", Narrow(c.url)}));
        EXPECT_TRUE(report->reaped);
    }
}

TEST_F(ShellOpenTest, MissingXdgOpenFails) {
    const ScopedEnvironment emptyPath("PATH", (m_scratch / "nothing").c_str());
    EXPECT_FALSE(ShellOpen(L"https://example.com/", L"", platform::kShowNormal));
}
#endif

// How long a program started by mistake may take to show.
#ifdef _WIN32
constexpr auto kStartTime = 3s;  // a program starts in seconds under Wine
#else
constexpr auto kStartTime = 300ms;
#endif

#ifdef _WIN32
// The program is started in its working folder, detached from the installer: the call returns
// without waiting for it (it goes on only once the call has returned), and it ends by itself.
TEST_F(ShellOpenTest, ProgramStartsDetachedInItsWorkingFolder) {
    const std::string work = m_scratch / "work 文件夹";
    std::filesystem::create_directory(platform::FsPath(work));
    const auto result = OpenStandIn(work);
    ASSERT_TRUE(result) << "the program did not run";
    ASSERT_EQ(result->lines.size(), 2u);
    EXPECT_EQ(result->lines[0], "went") << "ShellOpen waited for the program";
    EXPECT_TRUE(
        std::filesystem::equivalent(platform::FsPath(result->lines[1]), platform::FsPath(work)))
        << result->lines[1];
    EXPECT_TRUE(result->reaped);
}
#else

// The program is started in its working folder, detached from the installer: the call
// returns while the program still sleeps, and the program ends up collected, not a zombie.
TEST_F(ShellOpenTest, ProgramStartsDetachedInItsWorkingFolder) {
    const std::string work = m_scratch / "work 文件夹";
    const std::string program = m_scratch / "Collivo 程序";
    const std::string report = m_scratch / "program";
    std::filesystem::create_directory(work);
    WriteFile(program,
              "#!/bin/sh\nsleep 2\nstreams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
              "{ echo $$; echo $#; pwd -P; echo \"$streams\"; cat /proc/$$/stat; } > '" +
                  report + ".out'\n: > '" + report + ".done'\n",
              0755);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ShellOpen(Wide(program), Wide(work), platform::kShowMaximized));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);

    const auto result = WaitForReport(report);
    ASSERT_TRUE(result) << "the program did not run";
    ASSERT_EQ(result->lines.size(), 6u);
    EXPECT_EQ(result->lines[0], "0") << "arguments";
    EXPECT_EQ(result->lines[1], std::filesystem::canonical(work).string());
    for (int stream = 0; stream < 3; ++stream)
        EXPECT_EQ(result->lines[2 + stream], "/dev/null") << "stream " << stream;
    // The session id is the sixth field of the stat line, the fourth after the name's ")".
    std::istringstream stat(result->lines[5].substr(result->lines[5].rfind(')') + 1));
    std::string state, parent, group, session;
    stat >> state >> parent >> group >> session;
    EXPECT_EQ(session, result->pid) << "the program leads a session of its own";
    EXPECT_TRUE(result->reaped);
}
#endif

TEST_F(ShellOpenTest, TargetThatCannotStartFailsAndStartsNothing) {
#ifdef _WIN32
    // The stand-in is a program; started by mistake, it shows.
    const std::wstring program = Wide(platform::ExecutablePath());
    { std::ofstream(platform::FsPath(m_scratch / "text.exe")) << "not a program\n"; }
    { std::ofstream(platform::FsPath(m_scratch / "notes.txt")) << "a document\n"; }
#else
    const std::string started = m_scratch / "started";
    const std::string script = "#!/bin/sh\n: > '" + started + ".done'\n";
    WriteFile(m_scratch / "quick", script, 0755);
    WriteFile(m_scratch / "plain", script, 0644);
    WriteFile(m_scratch / "text", "not a program\n", 0755);
    const std::wstring program = Wide(m_scratch / "quick");
#endif
    std::filesystem::create_directory(platform::FsPath(m_scratch / "folder"));

    const struct {
        const char* name;
        std::wstring target;
        std::wstring workingFolder;
    } cases[] = {
        {"missing file", Wide(m_scratch / "missing"), L""},
#ifdef _WIN32
        // Passes every check but the file's format.
        {"not a program", Wide(m_scratch / "text.exe"), L""},
        // The "open" action would open it with the program the system has for it.
        {"a document", Wide(m_scratch / "notes.txt"), L""},
#else
        {"no execute bit", Wide(m_scratch / "plain"), L""},
        // Passes every check but exec, so only the spawn result can say it failed.
        {"not a program", Wide(m_scratch / "text"), L""},
#endif
        {"a folder", Wide(m_scratch / "folder"), L""},
        {"working folder missing", program, Wide(m_scratch / "gone")},
        {"empty", L"", L""},
        {"empty scheme", L"://example.com/", L""},
        {"scheme not starting with a letter", L"1http://example.com/", L""},
        {"blank in the scheme", L"ht tp://example.com/", L""},
        // Cut at the NUL, the rest would open as a different URL.
        {"NUL inside", std::wstring(L"https://example.com/\0x", 22), L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ShellOpen(c.target, c.workingFolder, platform::kShowNormal));
    }
    std::this_thread::sleep_for(kStartTime);
    EXPECT_FALSE(Started());
#ifndef _WIN32
    EXPECT_FALSE(std::filesystem::exists(started + ".done"));
    // The file the user named keeps its mode; only downloaded packages get an execute bit.
    struct stat info {};
    ASSERT_EQ(stat((m_scratch / "plain").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
#endif
}

TEST_F(ShellOpenTest, HandlerAnswersInsteadOfStartingAndEmptyOneRestores) {
#ifdef _WIN32
    // A program, not a page: the real action must never open a browser.
    const std::wstring target = Wide(platform::ExecutablePath());
    const std::wstring folder = Wide(m_scratch.Path());
#else
    const std::wstring target = L"https://example.com/terms";
    const std::wstring folder = L"/opt";
#endif
    struct Call {
        std::wstring target;
        std::wstring workingFolder;
        int showCommand;
    };
    std::vector<Call> calls;
    platform::SetShellOpenHandler(
        [&calls](const std::wstring& given, const std::wstring& workingFolder, int show) {
            calls.push_back({given, workingFolder, show});
            return false;
        });
    EXPECT_FALSE(ShellOpen(target, folder, platform::kShowMaximized));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].target, target);
    EXPECT_EQ(calls[0].workingFolder, folder);
    EXPECT_EQ(calls[0].showCommand, platform::kShowMaximized);
    std::this_thread::sleep_for(kStartTime);
    EXPECT_FALSE(Started()) << "the real action ran";

    platform::SetShellOpenHandler({});
#ifdef _WIN32
    const auto report = OpenStandIn(m_scratch.Path());
    ASSERT_TRUE(report) << "the program did not run";
#else
    const auto report = OpenUrl(L"https://example.com/start");
    ASSERT_TRUE(report) << "xdg-open did not run";
    EXPECT_EQ(report->lines, (std::vector<std::string>{"1", "https://example.com/start"}));
#endif
    EXPECT_EQ(calls.size(), 1u);
}

}  // namespace
