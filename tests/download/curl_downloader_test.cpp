#include "download/curl_downloader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>

#include "../support/log_capture.h"
#include "download_test_support.h"
#include "sys/text.h"

namespace {

using download_test::HoldsPackage;
using download_test::kPackageSize;
using download_test::Notification;
using download_test::NotificationRecorder;
using download_test::PackageGetRanges;
using download_test::PackageSite;
using package_server::DigestMode;
using package_server::Faults;
using namespace std::chrono_literals;

const Notification kStart{DL_CODE_START, 1.0, L""};
const Notification kSuccess{DL_CODE_SUCCESS, 0.0, L"LibCurl"};
const Notification kMismatch{DL_CODE_FAIL_REASON, 0.0, L"curl文件md5校验失败"};
const Notification kNoDigest{DL_CODE_FAIL_REASON, 0.0, L"curl获取url-md5失败"};
Notification Fail(double value) {
    return {DL_CODE_FAIL, value, L"LibCurl"};
}

size_t Transfers(const testing_support::LogCapture& log) {
    return log.Matching("(CurlClient::Start)<").size() / 3;  // start, outcome and end lines
}

// One downloader, driven as the controller drives it: RETRY is answered by Start.
struct DrivenDownload {
    NotificationRecorder recorder;
    std::unique_ptr<CCurlDownloader> downloader;

    DrivenDownload(const std::wstring& url, const std::wstring& savePath)
        : downloader(std::make_unique<CCurlDownloader>(recorder.Callback(), url, savePath)) {
        recorder.AnswerRetryWith(downloader.get());
    }
    // Starts a run and waits until `ends` runs have ended in all.
    ::testing::AssertionResult StartAndWait(int ends = 1) {
        downloader->Start();
        if (recorder.WaitForEnds(ends)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the download did not end";
    }
};

TEST(CurlDownloader, DigestOutcomes) {
    const std::vector<Notification> kMismatchTwice = {
        kStart, kMismatch, {DL_CODE_RETRY, 0.0, L"LibCurl"}, kStart, kMismatch, Fail(0.0)};
    const struct {
        const char* name;
        DigestMode digest;
        std::vector<Notification> expected;
    } cases[] = {
        {"matching digest", DigestMode::kCorrect, {kStart, kSuccess}},
        {"no digest in the real URL", DigestMode::kNone, {kStart, kNoDigest, kSuccess}},
        // Upper-case hexadecimal never matches: one retry, then the run fails.
        {"upper-case digest", DigestMode::kUpperCase, kMismatchTwice},
        {"wrong digest", DigestMode::kWrong, kMismatchTwice},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(kPackageSize, {.digest = c.digest});
        ASSERT_TRUE(site.Started());
        DrivenDownload run(site.WideUrl(), site.WideSavePath());
        ASSERT_TRUE(run.StartAndWait());
        run.downloader.reset();

        EXPECT_EQ(run.recorder.WithoutProgress(), c.expected);
        // Even a file that failed its check stays at the save path: the receiver removes it.
        EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
        EXPECT_FALSE(download_test::Exists(site.PartPath()));
        // The retry run starts over from offset 0 (the part file became the checked file).
        const size_t runs = c.expected.size() > 3 ? 2 : 1;
        EXPECT_EQ(PackageGetRanges(site.Server()), std::vector<std::string>(runs, ""));
    }
}

TEST(CurlDownloader, CutConnectionsAreResumedUntilTheFileIsWhole) {
    PackageSite site(kPackageSize, {.cutAfterBytes = 400000});
    ASSERT_TRUE(site.Started());
    testing_support::LogCapture log;
    DrivenDownload run(site.WideUrl(), site.WideSavePath());
    ASSERT_TRUE(run.StartAndWait());
    run.downloader.reset();

    EXPECT_EQ(run.recorder.WithoutProgress(), (std::vector<Notification>{kStart, kSuccess}));
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
    EXPECT_FALSE(download_test::Exists(site.PartPath()));
    EXPECT_EQ(PackageGetRanges(site.Server()),
              (std::vector<std::string>{"", "bytes=400000-", "bytes=800000-"}));
    EXPECT_EQ(log.Matching("CurlDownLoader Code=18\r\n").size(), 2u);
    for (double fraction : run.recorder.Progress()) {
        EXPECT_GT(fraction, 0.0);
        EXPECT_LE(fraction, 1.0);
    }
}

TEST(CurlDownloader, GivesUpWhenTheRetryBudgetIsSpent) {
    const struct {
        const char* name;
        size_t size;
        Faults faults;
        int code;
        size_t transfers;
    } cases[] = {
        {"package below 1 MiB", 1000, {}, CC_ERR_TOO_SMALL, 6},
        {"every GET answered 503", kPackageSize, {.getStatus = 503}, CURLE_HTTP_RETURNED_ERROR, 6},
        // A partial transfer costs half: twelve tries, each resuming the last.
        {"every connection cut after 16 KiB",
         kPackageSize,
         {.cutAfterBytes = 16384},
         CURLE_PARTIAL_FILE,
         12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(c.size, c.faults);
        ASSERT_TRUE(site.Started());
        testing_support::LogCapture log;
        DrivenDownload run(site.WideUrl(), site.WideSavePath());
        ASSERT_TRUE(run.StartAndWait());
        run.downloader.reset();

        EXPECT_EQ(run.recorder.WithoutProgress(),
                  (std::vector<Notification>{kStart, Fail(c.code)}));
        EXPECT_EQ(Transfers(log), c.transfers);
        const std::string retryLine = "CurlDownLoader Code=" + std::to_string(c.code) + "\r\n";
        EXPECT_EQ(log.Matching(retryLine).size(), c.transfers - 1);
        if (c.code == CURLE_PARTIAL_FILE) {
            const auto ranges = PackageGetRanges(site.Server());
            ASSERT_EQ(ranges.size(), c.transfers);
            for (size_t i = 1; i < ranges.size(); ++i)
                EXPECT_EQ(ranges[i], "bytes=" + std::to_string(16384 * i) + "-");
        }
    }
}

TEST(CurlDownloader, SixConnectionFailuresEndTheRunWithTheLastCode) {
    PackageSite site(kPackageSize);
    ASSERT_TRUE(site.Started());
    DrivenDownload run(site.WideUrl(), site.WideSavePath());
    ASSERT_TRUE(run.StartAndWait());
    // The next pass knows the real URL and length already, so every try goes straight to the
    // (now closed) port.
    site.Server().Stop();
    testing_support::LogCapture log;
    ASSERT_TRUE(run.StartAndWait(2));
    run.downloader.reset();

    EXPECT_EQ(run.recorder.WithoutProgress(),
              (std::vector<Notification>{kStart, kSuccess, kStart, Fail(CURLE_COULDNT_CONNECT)}));
    EXPECT_EQ(Transfers(log), 6u);
}

TEST(CurlDownloader, DownloadsAFileUrl) {
    PackageSite site(kPackageSize);
    ASSERT_TRUE(site.Started());
    // The digest directory in front of the file name makes the check pass.
    const std::string folder = site.Dir() / site.Server().Digest();
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(site.PackagePath(), folder + "/Collivo.exe");
    DrivenDownload run(Utils::FromUtf8("file://" + folder + "/Collivo.exe"), site.WideSavePath());
    ASSERT_TRUE(run.StartAndWait());
    run.downloader.reset();

    EXPECT_EQ(run.recorder.WithoutProgress(), (std::vector<Notification>{kStart, kSuccess}));
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
}

TEST(CurlDownloader, DestroyingItStopsTheTransferAndWaits) {
    // Slow enough that the download is still running when the downloader goes away.
    PackageSite site(kPackageSize, {.throttleBytesPerSecond = 64 * 1024});
    ASSERT_TRUE(site.Started());
    DrivenDownload run(site.WideUrl(), site.WideSavePath());
    run.downloader->Start();
    ASSERT_TRUE(run.recorder.WaitForProgress(30s));

    auto destroyed = std::async(std::launch::async, [&run] { run.downloader.reset(); });
    ASSERT_EQ(destroyed.wait_for(10s), std::future_status::ready);
    // Nothing after the last progress: the run ends without a code once its owner is gone.
    const auto seen = run.recorder.All();
    EXPECT_EQ(seen.back().code, DL_CODE_PROGRESS);
    EXPECT_FALSE(download_test::Exists(site.PartPath()));
    EXPECT_FALSE(download_test::Exists(site.SavePath()));
}

}  // namespace
