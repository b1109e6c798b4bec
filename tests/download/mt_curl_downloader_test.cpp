#include "download/mt_curl_downloader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>

#include "download/part_plan.h"
#include "platform/paths.h"
#include "tests/download/download_test_support.h"
#include "tests/support/log_capture.h"

namespace {

using download_test::Exists;
using download_test::HoldsPackage;
using download_test::Notification;
using download_test::NotificationRecorder;
using download_test::PackageGetRanges;
using download_test::PackageSite;
using package_server::DigestMode;
using package_server::Faults;
using package_server::RequestRecord;
using namespace std::chrono_literals;

using Part = CMTCurlDownloader::DownloadPartNode;

const Notification kStart{DL_CODE_START, 1.0, L""};
const Notification kSuccess{DL_CODE_SUCCESS, 0.0, L"LibCurl"};
const Notification kMismatch{DL_CODE_FAIL_REASON, 0.0, L"mtcurl文件md5校验失败"};
const Notification kNoDigest{DL_CODE_FAIL_REASON, 0.0, L"mtcurl获取url-md5失败"};
Notification Fail(double value) {
    return {DL_CODE_FAIL, value, L"LibCurl"};
}
Notification Retry(double value) {
    return {DL_CODE_RETRY, value, L"LibCurl"};
}

// One part only (below 20 MiB); two parts from 20 MiB on.
constexpr size_t kOnePart = 300000;
constexpr size_t kTwoParts = 20971520;
constexpr int64_t kSecondPart = 10485760;

std::string PartFile(const PackageSite& site, int index) {
    return site.SavePath() + "_" + std::to_string(index);
}

// One downloader, driven as the controller drives it: RETRY is answered by Start, from
// inside the notification.
struct MultiPartDownload {
    NotificationRecorder recorder;
    std::unique_ptr<CMTCurlDownloader> downloader;

    explicit MultiPartDownload(const PackageSite& site)
        : downloader(std::make_unique<CMTCurlDownloader>(recorder.Callback(), site.WideUrl(),
                                                         site.WideSavePath())) {
        recorder.AnswerRetryWith(downloader.get());
    }
    // Starts a run and waits until it has ended with SUCCESS or FAIL, then lets the
    // downloader go so that every thread has finished.
    ::testing::AssertionResult Run() {
        downloader->Start();
        const bool ended = recorder.WaitForEnds(1);
        downloader.reset();
        if (ended) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the download did not end";
    }
};

::testing::AssertionResult RisesInSteps(const std::vector<double>& progress) {
    for (size_t i = 0; i < progress.size(); ++i) {
        if (progress[i] <= 0.0 || progress[i] > 1.0)
            return ::testing::AssertionFailure() << "value " << progress[i] << " at " << i;
        // Steps of at least one percentage point (with room for rounding).
        if (i > 0 && progress[i] - progress[i - 1] < 0.01 - 1e-9)
            return ::testing::AssertionFailure()
                   << progress[i - 1] << " then " << progress[i] << " at " << i;
    }
    return ::testing::AssertionSuccess();
}

TEST(MultiPartWrite, FillsEachPartExactlyWhateverTheChunkSize) {
    download_test::TempDir dir;
    const PartRange ranges[] = {
        {0, 29},
        {30, 60},
        // Offsets past 4 GiB.
        {5368709120, 5368709160},
    };
    constexpr size_t kTooMany = 7;  // the server goes on past the part's last byte
    for (const PartRange& range : ranges) {
        const size_t size = static_cast<size_t>(range.last - range.first + 1);
        std::string stream(size + kTooMany, '\0');
        for (size_t i = 0; i < stream.size(); ++i)
            stream[i] = static_cast<char>('a' + i % 26);
        for (size_t chunk = 1; chunk <= stream.size(); ++chunk) {
            SCOPED_TRACE(testing::Message() << "range " << RangeText(range.first, range.last)
                                            << ", chunks of " << chunk);
            const std::string path = dir / "part";
            Part part;
            part.file = std::fopen(path.c_str(), "ab+");
            ASSERT_NE(part.file, nullptr);
            part.start = range.first;
            part.end = range.last;
            part.answerChecked = true;
            part.answerAccepted = true;
            size_t accepted = 0;
            for (size_t offset = 0; offset < stream.size(); offset += chunk) {
                const size_t count = std::min(chunk, stream.size() - offset);
                const size_t written =
                    CMTCurlDownloader::PartWrite(stream.data() + offset, 1, count, &part);
                accepted += written;
                if (written < count) break;  // libcurl ends the transfer here
            }
            std::fclose(part.file);
            EXPECT_EQ(accepted, size);
            EXPECT_EQ(download_test::ReadFile(path), stream.substr(0, size));
            EXPECT_EQ(part.start, range.last + 1);
            EXPECT_EQ(part.downloaded.load(), static_cast<int64_t>(size));
            std::remove(path.c_str());
        }
    }
}

TEST(MultiPartDownloader, TwoPartsArriveWholeEachAskingForItsOwnRange) {
    constexpr size_t kLength = kTwoParts + 1;  // the second part takes the extra byte
    PackageSite site(kLength);
    ASSERT_TRUE(site.Started());
    testing_support::LogCapture log;
    MultiPartDownload download(site);
    ASSERT_TRUE(download.Run());

    EXPECT_EQ(download.recorder.WithoutProgress(), (std::vector<Notification>{kStart, kSuccess}));
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
    EXPECT_FALSE(Exists(PartFile(site, 0)));
    EXPECT_FALSE(Exists(PartFile(site, 1)));
    auto ranges = PackageGetRanges(site.Server());
    std::sort(ranges.begin(), ranges.end());
    EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-10485759", "bytes=10485760-20971520"}));
    EXPECT_EQ(log.Matching("Download File Length 20971521\r\n").size(), 1u);
    EXPECT_EQ(log.Matching("partPath::" + PartFile(site, 1) + "\r\n").size(), 1u);
    EXPECT_EQ(log.Matching("finish recv\r\n").size(), 1u);
}

TEST(MultiPartDownloader, CutTransfersResumeAndProgressOnlyRises) {
    // Slow enough to span several seconds, so that progress is reported more than once.
    PackageSite site(1048576, {.throttleBytesPerSecond = 512 * 1024, .cutAfterBytes = 300000});
    ASSERT_TRUE(site.Started());
    testing_support::LogCapture log;
    MultiPartDownload download(site);
    ASSERT_TRUE(download.Run());

    EXPECT_EQ(download.recorder.WithoutProgress(), (std::vector<Notification>{kStart, kSuccess}));
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
    // Each new transfer asks only for what is still missing.
    EXPECT_EQ(PackageGetRanges(site.Server()),
              (std::vector<std::string>{"bytes=0-1048575", "bytes=300000-1048575",
                                        "bytes=600000-1048575", "bytes=900000-1048575"}));
    EXPECT_EQ(log.Matching("CurlDownLoader Code=18\r\n").size(), 3u);
    const std::vector<double> progress = download.recorder.Progress();
    EXPECT_GE(progress.size(), 2u);
    EXPECT_TRUE(RisesInSteps(progress));
}

// Linux only: the faults change when the server sees a request (a request observer), which
// the Windows tests' remote server cannot do.
#ifndef _WIN32
std::vector<std::pair<std::string, int>> GetRangesAndStatus(
    const package_server::PackageServer& server) {
    std::vector<std::pair<std::string, int>> seen;
    for (const auto& request : server.Requests())
        if (request.method == "GET" && request.path != "/software/353")
            seen.emplace_back(request.range, request.status);
    return seen;
}

TEST(MultiPartDownloader, RetryAfterAPartFailureFetchesOnlyTheMissingBytes) {
    // The second part's first transfer is slow and cut short; its later tries are refused
    // until the retry, by which time the first part is complete on disk.
    constexpr int64_t kCut = 163840;
    PackageSite site(
        kTwoParts,
        {.throttleBytesPerSecond = 131072, .cutAfterBytes = kCut, .faultsFrom = kSecondPart});
    ASSERT_TRUE(site.Started());
    auto& server = site.Server();
    server.SetRequestObserver([&server](const RequestRecord& request) {
        if (request.range == "bytes=10485760-20971519")
            server.SetFaults({.getStatus = 503, .faultsFrom = kSecondPart});
    });
    testing_support::LogCapture log;
    MultiPartDownload download(site);
    download.recorder.BeforeRetry([&server] {
        server.SetRequestObserver({});
        server.SetFaults({});
    });
    ASSERT_TRUE(download.Run());

    const auto all = download.recorder.All();
    EXPECT_EQ(
        download.recorder.WithoutProgress(),
        (std::vector<Notification>{kStart, Retry(CURLE_HTTP_RETURNED_ERROR), kStart, kSuccess}));
    // Progress reported before the retry is what lets the next run keep the part files.
    const auto retry = std::find(all.begin(), all.end(), Retry(CURLE_HTTP_RETURNED_ERROR));
    EXPECT_TRUE(std::any_of(all.begin(), retry,
                            [](const Notification& n) { return n.code == DL_CODE_PROGRESS; }));
    EXPECT_TRUE(RisesInSteps(download.recorder.Progress()));
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));

    // The first part is asked for once; the retry run does not ask for it again.
    std::vector<std::pair<std::string, int>> first, second;
    for (const auto& request : GetRangesAndStatus(server))
        (request.first.starts_with("bytes=0-") ? first : second).push_back(request);
    EXPECT_EQ(first, (std::vector<std::pair<std::string, int>>{{"bytes=0-10485759", 206}}));
    const std::string rest = "bytes=" + RangeText(kSecondPart + kCut, kTwoParts - 1);
    std::vector<std::pair<std::string, int>> expected = {{"bytes=10485760-20971519", 206}};
    // Seven tries in all for the second part (the cut costs 1 of its budget, each refusal
    // 2), then the retry run asks for its missing bytes only.
    expected.insert(expected.end(), 7, {rest, 503});
    expected.push_back({rest, 206});
    EXPECT_EQ(second, expected);
    EXPECT_EQ(download_test::CountRequests(server, "HEAD"), 2);  // one discovery (redirected)
    EXPECT_EQ(log.Matching("CurlDownLoader Code=18\r\n").size(), 1u);
    EXPECT_EQ(log.Matching("CurlDownLoader Code=22\r\n").size(), 6u);
}
#endif

// A package that fails its check twice: one retry, then the run fails.
const std::vector<Notification> kMismatchTwice = {kStart, kMismatch, Retry(0.0),
                                                  kStart, kMismatch, Fail(0.0)};

TEST(MultiPartDownloader, DigestOutcomes) {
    const struct {
        const char* name;
        DigestMode digest;
        std::vector<Notification> expected;
        const char* logLine;
    } cases[] = {
        {"matching digest", DigestMode::kCorrect, {kStart, kSuccess}, "finish recv\r\n"},
        {"no digest in the real URL",
         DigestMode::kNone,
         {kStart, kNoDigest, kSuccess},
         "finish recv\r\n"},
        // Upper-case hexadecimal never matches: one retry, then the run fails.
        {"upper-case digest", DigestMode::kUpperCase, kMismatchTwice,
         "finish recv, md5 chaek failed and retry failed.\r\n"},
        {"wrong digest", DigestMode::kWrong, kMismatchTwice,
         "finish recv, md5 chaek failed retry once.\r\n"},
        {"matching SHA-256 digest", DigestMode::kSha256, {kStart, kSuccess}, "finish recv\r\n"},
        {"wrong SHA-256 digest", DigestMode::kSha256Wrong, kMismatchTwice,
         "finish recv, md5 chaek failed retry once.\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(kOnePart, {.digest = c.digest});
        ASSERT_TRUE(site.Started());
        testing_support::LogCapture log;
        MultiPartDownload download(site);
        ASSERT_TRUE(download.Run());

        EXPECT_EQ(download.recorder.WithoutProgress(), c.expected);
        const bool mismatch = c.expected.size() > 3;
        // A package that failed its check is deleted; the retry run fetches all of it again
        // without asking for the real URL and length a second time.
        if (mismatch)
            EXPECT_FALSE(Exists(site.SavePath()));
        else
            EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
        EXPECT_FALSE(Exists(PartFile(site, 0)));
        EXPECT_EQ(PackageGetRanges(site.Server()),
                  std::vector<std::string>(mismatch ? 2 : 1, "bytes=0-299999"));
        EXPECT_EQ(download_test::CountRequests(site.Server(), "HEAD"), 2);
        EXPECT_EQ(log.Matching(c.logLine).size(), 1u);
    }
}

// The digest follows both part files through cut and resumed transfers (part 1 is hashed
// only after part 0, partly during the join): the right digest passes, a wrong one is caught.
TEST(MultiPartDownloader, DigestOfTwoPartsResumedAfterCuts) {
    const struct {
        const char* name;
        DigestMode digest;
        std::vector<Notification> expected;
    } cases[] = {
        {"MD5 right", DigestMode::kCorrect, {kStart, kSuccess}},
        {"MD5 wrong", DigestMode::kWrong, kMismatchTwice},
        {"SHA-256 right", DigestMode::kSha256, {kStart, kSuccess}},
        {"SHA-256 wrong", DigestMode::kSha256Wrong, kMismatchTwice},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(kTwoParts, {.cutAfterBytes = 4 << 20, .digest = c.digest});
        ASSERT_TRUE(site.Started());
        testing_support::LogCapture log;
        MultiPartDownload download(site);
        ASSERT_TRUE(download.Run());

        EXPECT_EQ(download.recorder.WithoutProgress(), c.expected);
        // Three transfers per part and run: two cut, the last one resumed to the end.
        EXPECT_EQ(log.Matching("CurlDownLoader Code=18\r\n").size(),
                  c.expected.size() > 2 ? 8u : 4u);
        if (c.expected.size() > 2)
            EXPECT_FALSE(Exists(site.SavePath()));
        else
            EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
        EXPECT_FALSE(Exists(PartFile(site, 0)));
        EXPECT_FALSE(Exists(PartFile(site, 1)));
    }
}

TEST(MultiPartDownloader, DiscoveryNeedsALengthAbove255Bytes) {
    const struct {
        const char* name;
        size_t size;
        Faults faults;
        std::vector<Notification> expected;
    } cases[] = {
        {"255 bytes", 255, {}, {kStart, Fail(0.0)}},
        {"256 bytes", 256, {}, {kStart, kSuccess}},
        {"no length", kOnePart, {.noLength = true}, {kStart, Fail(0.0)}},
        {"header-only request answered 404", kOnePart, {.headStatus = 404}, {kStart, Fail(0.0)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(c.size, c.faults);
        ASSERT_TRUE(site.Started());
        MultiPartDownload download(site);
        ASSERT_TRUE(download.Run());

        EXPECT_EQ(download.recorder.All(), c.expected);
        const bool succeeded = c.expected.back() == kSuccess;
        EXPECT_EQ(download_test::CountRequests(site.Server(), "GET"), succeeded ? 1 : 0);
    }
}

// Regression: a server that ignores byte ranges answers 200 with the whole file. Part 1 then
// received the package's first bytes, and without a digest in the URL the corrupt package was
// reported as a success. Only the requested range may be written.
TEST(MultiPartDownloader, AServerThatIgnoresRangesNeverYieldsACorruptPackage) {
    PackageSite site(kTwoParts, {.ignoreRange = true, .digest = DigestMode::kNone});
    ASSERT_TRUE(site.Started());
    testing_support::LogCapture log;
    MultiPartDownload download(site);
    ASSERT_TRUE(download.Run());

    EXPECT_EQ(download.recorder.All(),
              (std::vector<Notification>{kStart, Retry(CURLE_WRITE_ERROR), kStart,
                                         Fail(CURLE_WRITE_ERROR)}));
    EXPECT_FALSE(Exists(site.SavePath()));
    EXPECT_FALSE(Exists(PartFile(site, 0)));
    EXPECT_FALSE(Exists(PartFile(site, 1)));
    EXPECT_FALSE(
        log.Matching("answer to range 10485760-20971519 refused: status 200, Content-Range none")
            .empty());
}

// Regression: a part that had received every byte of its range still failed when the server
// went on sending (the write refuses bytes past the part's end), and its retries asked for an
// inverted range ("bytes=300000-299999") that can never succeed.
TEST(MultiPartDownloader, APartWithAllItsBytesIsCompleteEvenWhenTheServerSendsMore) {
    PackageSite site(kOnePart, {.extraBytes = 100});
    ASSERT_TRUE(site.Started());
    MultiPartDownload download(site);
    ASSERT_TRUE(download.Run());

    EXPECT_EQ(download.recorder.WithoutProgress(), (std::vector<Notification>{kStart, kSuccess}));
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
    EXPECT_EQ(PackageGetRanges(site.Server()), std::vector<std::string>{"bytes=0-299999"});
}

// Regression: a joined package that could not be put at the save path was still reported as
// a success (the digest of a missing file counts as passed).
TEST(MultiPartDownloader, AJoinThatCannotReachTheSavePathFailsLikeAPart) {
    PackageSite site(kOnePart);
    ASSERT_TRUE(site.Started());
    std::filesystem::create_directories(platform::FsPath(site.SavePath() + "/occupied"));
    MultiPartDownload download(site);
    ASSERT_TRUE(download.Run());

    EXPECT_EQ(download.recorder.WithoutProgress(),
              (std::vector<Notification>{kStart, Retry(CMTCurlDownloader::kPartFileError), kStart,
                                         Fail(CMTCurlDownloader::kPartFileError)}));
    EXPECT_FALSE(Exists(PartFile(site, 0)));
}

TEST(MultiPartDownloader, DestroyingItStopsTheTransfersAndWaits) {
    // Slow enough that the download is still running when the downloader goes away.
    PackageSite site(kOnePart, {.throttleBytesPerSecond = 32 * 1024});
    ASSERT_TRUE(site.Started());
    NotificationRecorder recorder;
    auto downloader = std::make_unique<CMTCurlDownloader>(recorder.Callback(), site.WideUrl(),
                                                          site.WideSavePath());
    downloader->Start();
    ASSERT_TRUE(recorder.WaitForProgress(30s));
    ASSERT_TRUE(Exists(PartFile(site, 0)));

    auto destroyed = std::async(std::launch::async, [&downloader] { downloader.reset(); });
    ASSERT_EQ(destroyed.wait_for(10s), std::future_status::ready);
    // Nothing after the last progress, and no part file left behind.
    EXPECT_EQ(recorder.All().back().code, DL_CODE_PROGRESS);
    EXPECT_FALSE(Exists(PartFile(site, 0)));
    EXPECT_FALSE(Exists(site.SavePath()));
}

}  // namespace
