#include "platform/url_download.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <vector>

#ifdef _WIN32
// The header above brought windows.h in lean (without the old winsock.h), so winsock2.h may
// follow it.
#include <winsock2.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tests/support/closed_port.h"
#include "tests/support/linux_server.h"
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <tuple>

#include "sys/text.h"
#include "tests/download/download_test_support.h"
#include "tests/support/closed_port.h"
#endif

namespace {

struct ProgressLog : platform::BindStatusCallback {
    struct Call {
        uint64_t progress;
        uint64_t progressMax;
        uint32_t status;
    };
    std::vector<Call> calls;
    uint64_t abortFrom = std::numeric_limits<uint64_t>::max();  // answer E_ABORT from here on

    HRESULT OnProgress(uint64_t progress, uint64_t progressMax, uint32_t status,
                       const wchar_t* /*text*/) override {
        calls.push_back({progress, progressMax, status});
        return progress >= abortFrom ? E_ABORT : S_OK;
    }
};

size_t FilesIn(const std::filesystem::path& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

#ifndef _WIN32
// The Linux stand-in against the package server run in-process.

using download_test::HoldsPackage;
using download_test::kPackageSize;
using download_test::PackageSite;
using package_server::Faults;

TEST(UrlDownload, ResultsAreTheSystemsHResults) {
    PackageSite site(kPackageSize);
    ASSERT_TRUE(site.Started());
    const std::string base = site.Server().BaseUrl();
    const std::string localPackage = site.Dir() / "a b 测.exe";
    std::filesystem::copy_file(site.PackagePath(), localPackage);
    const testing_support::ClosedPort refusing;
    const std::string closed = refusing.Url("/software/353");
    const struct {
        const char* name;
        std::string url;
        Faults faults;
        std::string savePath;
        uint64_t abortFrom;
        HRESULT expected;
    } cases[] = {
        {"redirected package", site.Server().DownloadUrl(), {}, site.SavePath(), ~0ull, S_OK},
        // The system takes spaces and non-ASCII text in a file URL as they are.
        {"local file", "file://" + localPackage, {}, site.SavePath(), ~0ull, S_OK},
        {"missing object", base + "/missing", {}, site.SavePath(), ~0ull, INET_E_OBJECT_NOT_FOUND},
        {"server error",
         site.Server().DownloadUrl(),
         {.getStatus = 503},
         site.SavePath(),
         ~0ull,
         INET_E_DOWNLOAD_FAILURE},
        {"nobody listening", closed, {}, site.SavePath(), ~0ull, INET_E_CANNOT_CONNECT},
        {"missing local file",
         "file://" + site.Dir() / "none.exe",
         {},
         site.SavePath(),
         ~0ull,
         INET_E_RESOURCE_NOT_FOUND},
        {"missing target folder",
         site.Server().DownloadUrl(),
         {},
         site.Dir() / "none/pkg.exe",
         ~0ull,
         platform::HResultFromWin32(3)},
        {"stopped by the handler", site.Server().DownloadUrl(), {}, site.SavePath(), 1, E_ABORT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(site.SavePath());
        site.Server().SetFaults(c.faults);
        ProgressLog log;
        log.abortFrom = c.abortFrom;
        const HRESULT hr = platform::URLDownloadToFile(Utils::FromUtf8(c.url),
                                                       Utils::NarrowToWide(c.savePath, 0), &log);
        EXPECT_EQ(hr, c.expected) << std::hex << hr;

        ASSERT_FALSE(log.calls.empty());
        EXPECT_EQ(log.calls.front().status, BINDSTATUS_CONNECTING);
        EXPECT_EQ(log.calls.front().progressMax, 0u);
        if (hr == S_OK) {
            EXPECT_TRUE(HoldsPackage(c.savePath, site));
            EXPECT_EQ(std::make_tuple(log.calls.back().progress, log.calls.back().progressMax,
                                      log.calls.back().status),
                      std::make_tuple(uint64_t{kPackageSize}, uint64_t{kPackageSize},
                                      uint32_t{BINDSTATUS_ENDDOWNLOADDATA}));
            for (size_t i = 1; i < log.calls.size(); ++i)
                EXPECT_GE(log.calls[i].progress, log.calls[i - 1].progress);
        } else {
            // Nothing arrives at the save path, and no side file stays behind.
            EXPECT_FALSE(download_test::Exists(c.savePath));
        }
        // The package's local copy, and the downloaded file when there is one (the served
        // package lives in a folder of its own).
        EXPECT_EQ(FilesIn(site.Dir().Path()), hr == S_OK ? 2u : 1u);
    }
}

// Regression: the side file was named after the process, so the one of a download that was
// killed stayed beside the package for good. The next download removes it.
TEST(UrlDownload, TheSideFileOfAKilledDownloadIsRemovedByTheNext) {
    using namespace std::chrono_literals;
    // Slow, so that the first download is still running when it is killed.
    PackageSite site(kPackageSize, {.throttleBytesPerSecond = 64 * 1024});
    ASSERT_TRUE(site.Started());
    const std::wstring url = Utils::FromUtf8(site.Server().DownloadUrl());
    const pid_t child = fork();
    if (child == 0) {
        platform::URLDownloadToFile(url, site.WideSavePath(), nullptr);
        _exit(0);
    }
    ASSERT_GT(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (FilesIn(site.Dir().Path()) < 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_EQ(FilesIn(site.Dir().Path()), 1u) << "the side file";

    site.Server().SetFaults({});
    EXPECT_EQ(platform::URLDownloadToFile(url, site.WideSavePath(), nullptr), S_OK);
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
    EXPECT_EQ(FilesIn(site.Dir().Path()), 1u) << "the download alone";
}

#else  // _WIN32
// The system's download against package-server, a Linux program run under Wine. Which error
// the system gives for a refused connection is its own business (and not the same on every
// release): that row only asks for an error of the internet facility (0x800C....).

constexpr size_t kPackageSize = 1048576 + 102400;

bool IsInternetError(HRESULT hr) {
    return (static_cast<uint32_t>(hr) & 0xFFFF0000u) == 0x800C0000u;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::string bytes;
    if (std::FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A fixed pseudo-random pattern, so that a shifted or partial copy shows.
std::string PackageBytes() {
    std::string bytes(kPackageSize, '\0');
    uint32_t state = 0x12345678u;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

// A scratch folder with the package in it, which package-server serves; the downloads go to
// a name that is not ASCII beside it. The folder's own name stays ASCII: it is handed to a
// Linux program.
class SystemDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing_support::LinuxToolsFolder().empty())
            GTEST_SKIP() << "COLLIVO_LINUX_TOOLS is not set: configure this build with the "
                            "tools folder of a Linux build (package-server) to run these tests";
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
        m_dir = std::filesystem::path(temp) /
                (L"collivo-download-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount()));
        ASSERT_TRUE(std::filesystem::create_directory(m_dir)) << m_dir;
        m_package = PackageBytes();
        WriteBytes(PackagePath(), m_package);
    }
    void TearDown() override {
        std::error_code ignored;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ignored);
    }

    std::filesystem::path PackagePath() const { return m_dir / L"Collivo.exe"; }
    std::filesystem::path SavePath() const { return m_dir / L"__Package_\u6d4b\u8bd5.exe"; }

    // package-server for the package, with the given fault options.
    std::unique_ptr<testing_support::LinuxServer> Serve(std::vector<std::string> options) {
        const std::string package = testing_support::LinuxPath(PackagePath().wstring());
        if (package.empty()) ADD_FAILURE() << "no Linux path for " << PackagePath();
        options.insert(options.begin(), {"--package", package});
        auto server = std::make_unique<testing_support::LinuxServer>(
            "package-server/package-server", options);
        EXPECT_TRUE(server->Started()) << server->Error();
        return server;
    }

    static std::wstring Wide(const std::string& ascii) {
        return std::wstring(ascii.begin(), ascii.end());
    }

    std::filesystem::path m_dir;
    std::string m_package;
};

TEST_F(SystemDownloadTest, ResultsAreTheSystemsHResults) {
    const auto server = Serve({});
    const auto failing = Serve({"--get-status", "503"});
    ASSERT_TRUE(server->Started() && failing->Started());
    const testing_support::ClosedPort refusing;
    ASSERT_NE(refusing.Port(), 0);
    const std::filesystem::path localCopy = m_dir / L"a b \u6d4b.exe";
    std::filesystem::copy_file(PackagePath(), localCopy);
    std::wstring localUrl = L"file:///" + localCopy.wstring();
    for (wchar_t& c : localUrl) {
        if (c == L'\\') c = L'/';
    }
    enum Expect { kExactly, kInternetError };
    const struct {
        const char* name;
        std::wstring url;
        std::filesystem::path savePath;
        uint64_t abortFrom;
        Expect expect;
        HRESULT expected;
    } cases[] = {
        {"redirected package", Wide(server->Url("/software/353")), SavePath(), ~0ull, kExactly,
         S_OK},
        // The system takes spaces and non-ASCII text in a file URL as they are.
        {"local file", localUrl, SavePath(), ~0ull, kExactly, S_OK},
        // The system would save an error answer as the file and report success.
        {"missing object", Wide(server->Url("/missing")), SavePath(), ~0ull, kExactly,
         INET_E_OBJECT_NOT_FOUND},
        {"server error", Wide(failing->Url("/software/353")), SavePath(), ~0ull, kExactly,
         INET_E_DOWNLOAD_FAILURE},
        {"nobody listening", L"http://127.0.0.1:" + std::to_wstring(refusing.Port()) + L"/x",
         SavePath(), ~0ull, kInternetError, 0},
        {"missing target folder", Wide(server->Url("/software/353")), m_dir / L"none" / L"pkg.exe",
         ~0ull, kExactly, platform::HResultFromWin32(3)},
        {"stopped by the handler", Wide(server->Url("/software/353")), SavePath(), 1, kExactly,
         E_ABORT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(SavePath());
        ProgressLog log;
        log.abortFrom = c.abortFrom;
        const HRESULT hr = platform::URLDownloadToFile(c.url, c.savePath.wstring(), &log);
        if (c.expect == kExactly) {
            EXPECT_EQ(hr, c.expected) << std::hex << hr;
        } else {
            EXPECT_TRUE(IsInternetError(hr)) << std::hex << hr;
        }
        if (hr == S_OK) {
            EXPECT_TRUE(ReadBytes(c.savePath) == m_package) << "not the package";
            // The system's reports (which ones depends on the protocol): the progress goes up
            // to the whole length and never back, and a known length is the package's.
            ASSERT_FALSE(log.calls.empty());
            for (size_t i = 1; i < log.calls.size(); ++i)
                EXPECT_GE(log.calls[i].progress, log.calls[i - 1].progress);
            EXPECT_EQ(log.calls.back().progress, uint64_t{kPackageSize});
            for (const ProgressLog::Call& call : log.calls) {
                if (call.progressMax != 0) {
                    EXPECT_EQ(call.progressMax, uint64_t{kPackageSize});
                }
            }
        } else {
            // Nothing arrives at the save path, and no side file stays behind.
            EXPECT_FALSE(std::filesystem::exists(c.savePath));
        }
        // The package, its local copy, and the downloaded file when there is one.
        EXPECT_EQ(FilesIn(m_dir), hr == S_OK ? 3u : 2u);
    }
}

// The side file of a download that was killed is found and replaced by the next download
// of the same target, and an existing file at the target is replaced.
TEST_F(SystemDownloadTest, ReplacesALeftSideFileAndTheTarget) {
    const auto server = Serve({});
    ASSERT_TRUE(server->Started());
    const std::filesystem::path side = SavePath().wstring() + L".~dl";
    WriteBytes(side, "the start of a download that was killed");
    WriteBytes(SavePath(), "an older package");
    EXPECT_EQ(platform::URLDownloadToFile(Wide(server->Url("/software/353")), SavePath().wstring(),
                                          nullptr),
              S_OK);
    EXPECT_TRUE(ReadBytes(SavePath()) == m_package) << "not the package";
    EXPECT_FALSE(std::filesystem::exists(side));
    EXPECT_EQ(FilesIn(m_dir), 2u) << "the served package and the download";
}

// The system reports only when bytes arrive: blocks 4 s apart (1 KiB at 256 bytes a second)
// are seen as a stall at the second block when the window is 2 s.
TEST_F(SystemDownloadTest, AGapOfAWholeStallWindowFailsTheDownload) {
    const auto server = Serve({"--throttle", "256"});
    ASSERT_TRUE(server->Started());
    ProgressLog log;
    log.abortFrom = 3 * 1024;  // E_ABORT instead of a download of an hour when it is missed
    EXPECT_EQ(platform::URLDownloadToFile(Wide(server->Url("/software/353")), SavePath().wstring(),
                                          &log, std::chrono::seconds(2)),
              INET_E_CONNECTION_TIMEOUT);
    EXPECT_FALSE(std::filesystem::exists(SavePath()));
    EXPECT_EQ(FilesIn(m_dir), 1u) << "only the served package";
}
#endif

}  // namespace
