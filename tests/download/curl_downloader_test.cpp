#include "download/curl_downloader.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>

#include "platform/paths.h"
#include "sys/text.h"
#include "tests/download/download_test_support.h"
#include "tests/support/log_capture.h"

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

    DrivenDownload(const std::wstring& url, const std::wstring& savePath,
                   DownloadOptions options = {})
        : downloader(std::make_unique<CCurlDownloader>(recorder.Callback(), url, savePath,
                                                       std::move(options))) {
        recorder.AnswerRetryWith(downloader.get());
    }
    // Starts a run and waits until `ends` runs have ended in all.
    ::testing::AssertionResult StartAndWait(int ends = 1) {
        downloader->Start();
        if (recorder.WaitForEnds(ends)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the download did not end";
    }
};

// The digest is computed while the bytes arrive, across resumed transfers too: a package is
// judged by all of its bytes, whichever digest the URL names.
TEST(CurlDownloader, DigestOutcomes) {
    const std::vector<Notification> kMismatchTwice = {
        kStart, kMismatch, {DL_CODE_RETRY, 0.0, L"LibCurl"}, kStart, kMismatch, Fail(0.0)};
    constexpr int64_t kWhole = -1;
    constexpr int64_t kCut = 400000;  // three transfers, the last two resumed
    const struct {
        const char* name;
        DigestMode digest;
        int64_t cutAfterBytes;
        std::vector<Notification> expected;
    } cases[] = {
        {"matching digest", DigestMode::kCorrect, kWhole, {kStart, kSuccess}},
        {"no digest in the real URL", DigestMode::kNone, kWhole, {kStart, kNoDigest, kSuccess}},
        // Upper-case hexadecimal never matches: one retry, then the run fails.
        {"upper-case digest", DigestMode::kUpperCase, kWhole, kMismatchTwice},
        {"wrong digest", DigestMode::kWrong, kWhole, kMismatchTwice},
        {"matching SHA-256 digest", DigestMode::kSha256, kWhole, {kStart, kSuccess}},
        {"wrong SHA-256 digest", DigestMode::kSha256Wrong, kWhole, kMismatchTwice},
        {"resumed, MD5 right", DigestMode::kCorrect, kCut, {kStart, kSuccess}},
        {"resumed, MD5 wrong", DigestMode::kWrong, kCut, kMismatchTwice},
        {"resumed, SHA-256 right", DigestMode::kSha256, kCut, {kStart, kSuccess}},
        {"resumed, SHA-256 wrong", DigestMode::kSha256Wrong, kCut, kMismatchTwice},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(kPackageSize, {.cutAfterBytes = c.cutAfterBytes, .digest = c.digest});
        ASSERT_TRUE(site.Started());
        testing_support::LogCapture quiet;
        DrivenDownload run(site.WideUrl(), site.WideSavePath());
        ASSERT_TRUE(run.StartAndWait());
        run.downloader.reset();

        EXPECT_EQ(run.recorder.WithoutProgress(), c.expected);
        // Even a file that failed its check stays at the save path: the receiver removes it.
        EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
        EXPECT_FALSE(download_test::Exists(site.PartPath()));
        if (c.cutAfterBytes != kWhole) continue;
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

#ifndef _WIN32
// A disk that fills up shortly before the package's last byte. The part file's stream keeps
// every byte in its buffer until it is closed, so the failure shows only when the file is
// closed at the end of the transfer, as with a disk that fills up during the last write.
class AlmostFullDisk {
public:
    explicit AlmostFullDisk(off_t room) : m_room(room), m_buffer(4 * kPackageSize) {}

    PartFileOpener Opener() {
        return [this](const std::string& path) -> FILE* {
            m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            if (m_fd < 0) return nullptr;
            FILE* file = fopencookie(this, "a", {nullptr, &Write, nullptr, &Close});
            if (file != nullptr) setvbuf(file, m_buffer.data(), _IOFBF, m_buffer.size());
            return file;
        };
    }

private:
    static ssize_t Write(void* cookie, const char* data, size_t size) {
        auto* disk = static_cast<AlmostFullDisk*>(cookie);
        struct stat info;
        if (fstat(disk->m_fd, &info) != 0) return -1;
        const size_t room = static_cast<size_t>(std::max<off_t>(disk->m_room - info.st_size, 0));
        const ssize_t written = room == 0 ? 0 : write(disk->m_fd, data, std::min(size, room));
        if (written >= 0 && static_cast<size_t>(written) < size) errno = ENOSPC;
        return written == 0 ? -1 : written;
    }
    static int Close(void* cookie) { return close(static_cast<AlmostFullDisk*>(cookie)->m_fd); }

    off_t m_room;
    int m_fd = -1;
    std::vector<char> m_buffer;  // outlives every stream that uses it
};
#endif

// Regression: a part file whose last bytes never reached the disk, or that could not be
// renamed to the save path, was reported as a downloaded package (no digest in the URL to
// catch it): the results of closing and renaming were ignored. Both are failed transfers now,
// and the part file goes, since it no longer holds what arrived.
TEST(CurlDownloader, APackageThatCannotBeCompletedOnDiskFails) {
    const struct {
        const char* name;
        bool fullDisk;
        bool folderAtSavePath;
    } cases[] = {
#ifndef _WIN32  // the full disk is a glibc stream (fopencookie)
        {"the disk fills up before the last byte", true, false},
#endif
        {"a folder stands at the save path", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(kPackageSize, {.digest = DigestMode::kNone});
        ASSERT_TRUE(site.Started());
        if (c.folderAtSavePath)
            std::filesystem::create_directories(platform::FsPath(site.SavePath() + "/occupied"));
        DownloadOptions options;
#ifndef _WIN32
        AlmostFullDisk disk(static_cast<off_t>(kPackageSize) - 1000);
        if (c.fullDisk) options.openPartFile = disk.Opener();
#endif
        testing_support::LogCapture log;
        DrivenDownload run(site.WideUrl(), site.WideSavePath(), options);
        ASSERT_TRUE(run.StartAndWait());

        EXPECT_EQ(run.recorder.WithoutProgress(),
                  (std::vector<Notification>{kStart, Fail(CURLE_WRITE_ERROR)}));
        EXPECT_EQ(Transfers(log), 6u);
        EXPECT_FALSE(download_test::Exists(site.PartPath()));
        EXPECT_FALSE(std::filesystem::is_regular_file(platform::FsPath(site.SavePath())));
        // Every try began afresh: nothing of a broken part file was resumed.
        EXPECT_EQ(PackageGetRanges(site.Server()), std::vector<std::string>(6, ""));
        run.downloader.reset();
    }
}

// Regression: a body that stopped coming held the transfer for ever, and every second of the
// stall reported the same progress again (libcurl's average speed stays above 0).
TEST(CurlDownloader, AStalledTransferIsRetriedAndReportsNoProgressWhileStalled) {
    constexpr int64_t kStallAt = 700000;
    PackageSite site(kPackageSize, {.stallAfterBytes = kStallAt});
    ASSERT_TRUE(site.Started());
    testing_support::LogCapture log;
    DownloadOptions options;
    options.stallWindow = 2s;
    DrivenDownload run(site.WideUrl(), site.WideSavePath(), options);
    ASSERT_TRUE(run.StartAndWait());
    run.downloader.reset();

    EXPECT_EQ(run.recorder.WithoutProgress(), (std::vector<Notification>{kStart, kSuccess}));
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
    EXPECT_EQ(log.Matching("CurlDownLoader Code=28\r\n").size(), 1u);
    EXPECT_EQ(PackageGetRanges(site.Server()),
              (std::vector<std::string>{"", "bytes=" + std::to_string(kStallAt) + "-"}));
    const std::vector<double> progress = run.recorder.Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::adjacent_find(progress.begin(), progress.end(), std::greater_equal<>()) ==
                progress.end())
        << testing::PrintToString(progress);
}

TEST(CurlDownloader, DownloadsAFileUrl) {
    PackageSite site(kPackageSize);
    ASSERT_TRUE(site.Started());
    // The digest directory in front of the file name makes the check pass. The folder's name is
    // ASCII: on Windows a file URL reaches libcurl in the "ANSI" code page, which need not
    // hold the download folder's name.
    const download_test::TempDir source;
    const std::string folder = source / site.Server().Digest();
    std::filesystem::create_directory(platform::FsPath(folder));
    std::filesystem::copy_file(platform::FsPath(site.PackagePath()),
                               platform::FsPath(folder + "/Collivo.exe"));
    DrivenDownload run(Utils::FromUtf8(download_test::FileUrl(folder + "/Collivo.exe")),
                       site.WideSavePath());
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
