// Faults every downloader must end on its own: a server that never answers, a redirect loop,
// and a thread the system refuses. Each test runs every downloader the fault applies to, each
// against a package server of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>

#include "download/curl_client.h"
#include "download/downloader_factory.h"
#include "download/mt_curl_downloader.h"
#include "platform/paths.h"
#include "platform/url_download.h"
#include "tests/download/download_test_support.h"
#include "tests/support/wine.h"

namespace {

using download_test::Exists;
using download_test::kPackageSize;
using download_test::Notification;
using download_test::NotificationRecorder;
using download_test::PackageSite;
using package_server::Faults;
using namespace std::chrono_literals;

constexpr int kSingle = 1;
constexpr int kSystem = 2;
constexpr int kMultiPart = 3;

const Notification kStart{DL_CODE_START, 1.0, L""};

// The system download of Windows ends a request without an answer after its own receive
// time-out and stops a redirect loop; Wine's has neither and waits (or follows) for ever, and
// nothing of ours can end it from outside. Those rows run on Windows itself only.
bool SystemDownloadRowRuns(int type) {
    if (type != kSystem || !testing_support::RunningUnderWine()) return true;
    std::printf(
        "the system download row is left out under Wine: it has no receive time-out "
        "and no redirect limit\n");
    return false;
}

Notification Fail(int type, double value) {
    return {DL_CODE_FAIL, value, type == kSystem ? L"URLDownloadToFile" : L"LibCurl"};
}

// One downloader of `type` fetching from its own package site.
struct SiteDownload {
    PackageSite site;
    NotificationRecorder recorder;
    std::unique_ptr<CDownloader> downloader;

    SiteDownload(int type, size_t size, const Faults& faults, const DownloadOptions& options)
        : site(size, faults),
          downloader(CreateDownloader(type, recorder.Callback(), site.WideUrl(),
                                      site.WideSavePath(), options)) {}
    // Stops the server first, so that a downloader still waiting for it (the fault under test)
    // cannot keep the test from ending.
    ~SiteDownload() {
        site.Server().Stop();
        downloader.reset();
    }
    // No part file and no side file: nothing in the download folder but, when the run
    // succeeded, the saved package.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> found;
        for (const auto& entry :
             std::filesystem::directory_iterator(platform::FsPath(site.Dir().Path())))
            if (entry.path() != platform::FsPath(site.SavePath()))
                found.push_back(platform::PathText(entry.path().filename()));
        return found;
    }
};

// Regression: the discovery requests had a connect time-out only, so a server that accepted
// the connection and never answered held the single-connection and multi-part downloaders
// for ever. Every request now ends after the stall window without a byte.
TEST(DownloaderFaults, AServerThatNeverAnswersEndsTheRun) {
    const struct {
        int type;
        // Single: six tries whose discovery finds no length (-998). System: three timed-out
        // attempts. Multi-part: a failed discovery ends the run.
        Notification end;
    } cases[] = {
        {kSingle, Fail(kSingle, CC_ERR_TOO_SMALL)},
        {kSystem, Fail(kSystem, INET_E_CONNECTION_TIMEOUT)},
        {kMultiPart, Fail(kMultiPart, 0.0)},
    };
    DownloadOptions options;
    options.stallWindow = 1s;
    std::vector<std::unique_ptr<SiteDownload>> runs;
    for (const auto& c : cases) {
        if (!SystemDownloadRowRuns(c.type)) {
            runs.push_back(nullptr);
            continue;
        }
        runs.push_back(
            std::make_unique<SiteDownload>(c.type, kPackageSize, Faults{.hang = true}, options));
        ASSERT_TRUE(runs.back()->site.Started());
    }
    for (const auto& run : runs)  // all at once: the slowest case sets the test's length
        if (run) run->downloader->Start();
    for (size_t i = 0; i < runs.size(); ++i) {
        if (!runs[i]) continue;
        SCOPED_TRACE(cases[i].type);
        SiteDownload& run = *runs[i];
        ASSERT_TRUE(run.recorder.WaitForEnds(1, 60s)) << "the run did not end";
        EXPECT_EQ(run.recorder.All(), (std::vector<Notification>{kStart, cases[i].end}));
        EXPECT_EQ(run.Leftovers(), std::vector<std::string>{});
    }
}

// Regression: the installer could not be closed while a discovery request waited for a
// server that never answers: the request could not be aborted.
TEST(DownloaderFaults, DestroyingItInterruptsARequestThatGetsNoAnswer) {
    for (int type : {kSingle, kSystem, kMultiPart}) {
        SCOPED_TRACE(type);
        if (!SystemDownloadRowRuns(type)) continue;
        SiteDownload run(type, kPackageSize, {.hang = true}, {});
        ASSERT_TRUE(run.site.Started());
        run.downloader->Start();
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (run.site.Server().Requests().empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        ASSERT_FALSE(run.site.Server().Requests().empty());

        auto destroyed = std::async(std::launch::async, [&run] { run.downloader.reset(); });
        const bool quick = destroyed.wait_for(10s) == std::future_status::ready;
        run.site.Server().Stop();  // ends the wait of a downloader that did not stop
        destroyed.wait();
        EXPECT_TRUE(quick) << "destruction waited for the server";
        EXPECT_EQ(run.recorder.All(), std::vector<Notification>{kStart});
    }
}

// Regression: a redirect loop was followed until libcurl's limit on the headers of one
// transfer stopped it, tens of thousands of requests later.
TEST(DownloaderFaults, ARedirectLoopIsFollowedTwentyTimesAtMost) {
    const struct {
        int type;
        Notification end;
    } cases[] = {
        {kSingle, Fail(kSingle, CC_ERR_TOO_SMALL)},
        {kSystem, Fail(kSystem, INET_E_DOWNLOAD_FAILURE)},
        {kMultiPart, Fail(kMultiPart, 0.0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        if (!SystemDownloadRowRuns(c.type)) continue;
        SiteDownload run(c.type, kPackageSize, {.redirectLoop = true}, {});
        ASSERT_TRUE(run.site.Started());
        run.downloader->Start();
        ASSERT_TRUE(run.recorder.WaitForEnds(1, 60s)) << "the run did not end";
        EXPECT_EQ(run.recorder.All(), (std::vector<Notification>{kStart, c.end}));
        // Each request chain is "/software/353" and "/loop/1" to "/loop/20".
        int deepest = 0;
        for (const auto& request : run.site.Server().Requests())
            if (request.path.starts_with("/loop/"))
                deepest = std::max(deepest, std::stoi(request.path.substr(6)));
        EXPECT_EQ(deepest, 20);
    }
}

// Makes threads as the system does, except the `refused`-th one (counting from 1).
Utils::ThreadFactory RefuseThread(int refused) {
    auto made = std::make_shared<std::atomic<int>>(0);
    return [made, refused](void* param, const std::wstring& name,
                           Utils::Thread::Body body) -> std::unique_ptr<Utils::Thread> {
        if (++*made == refused) return nullptr;
        return std::make_unique<Utils::Thread>(param, name, std::move(body));
    };
}

// Regression: a worker, part or finishing thread that could not be created left the run
// waiting for it for ever, with no final code.
TEST(DownloaderFaults, AThreadThatCannotStartEndsTheRunAtOnce) {
    // Throttled, so that a part that did start would still be running for a long time.
    const Faults slow{.throttleBytesPerSecond = 256 * 1024};
    const struct {
        const char* name;
        int type;
        int refused;
        size_t size;
        Notification end;
    } cases[] = {
        {"single: worker", kSingle, 1, kPackageSize, Fail(kSingle, CURLE_FAILED_INIT)},
        {"system: worker", kSystem, 1, kPackageSize, Fail(kSystem, E_OUTOFMEMORY)},
        {"multi-part: start thread", kMultiPart, 1, kPackageSize,
         Fail(kMultiPart, CURLE_FAILED_INIT)},
        {"multi-part: the only part", kMultiPart, 2, kPackageSize,
         Fail(kMultiPart, CURLE_FAILED_INIT)},
        {"multi-part: finishing thread", kMultiPart, 3, kPackageSize,
         Fail(kMultiPart, CURLE_FAILED_INIT)},
        {"multi-part: second of two parts", kMultiPart, 3, 20971520,
         Fail(kMultiPart, CURLE_FAILED_INIT)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadOptions options;
        options.makeThread = RefuseThread(c.refused);
        SiteDownload run(c.type, c.size, slow, options);
        ASSERT_TRUE(run.site.Started());
        run.downloader->Start();
        ASSERT_TRUE(run.recorder.WaitForEnds(1, 20s)) << "the run did not end";
        EXPECT_EQ(run.recorder.WithoutProgress(), (std::vector<Notification>{kStart, c.end}));
        EXPECT_EQ(run.Leftovers(), std::vector<std::string>{});
        EXPECT_FALSE(Exists(run.site.SavePath()));
    }
}

}  // namespace
