#include "platform/url_download.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <limits>
#include <thread>
#include <tuple>

#include "sys/text.h"
#include "tests/download/download_test_support.h"
#include "tests/support/closed_port.h"

namespace {

using download_test::HoldsPackage;
using download_test::kPackageSize;
using download_test::PackageSite;
using package_server::Faults;

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

size_t FilesIn(const std::string& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

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
        // The package, its local copy, and the downloaded file when there is one.
        EXPECT_EQ(FilesIn(site.Dir().Path()), hr == S_OK ? 3u : 2u);
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
    while (FilesIn(site.Dir().Path()) < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_EQ(FilesIn(site.Dir().Path()), 2u) << "the served package and the side file";

    site.Server().SetFaults({});
    EXPECT_EQ(platform::URLDownloadToFile(url, site.WideSavePath(), nullptr), S_OK);
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
    EXPECT_EQ(FilesIn(site.Dir().Path()), 2u) << "the served package and the download";
}

}  // namespace
