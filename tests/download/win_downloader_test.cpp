#include "download/win_downloader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <mutex>

#include "platform/paths.h"
#include "sys/text.h"
#include "tests/download/download_test_support.h"
#include "tests/support/closed_port.h"

namespace {

using download_test::HoldsPackage;
using download_test::kPackageSize;
using download_test::Notification;
using download_test::NotificationRecorder;
using download_test::PackageSite;
using namespace std::chrono_literals;

const Notification kStart{DL_CODE_START, 1.0, L""};
const Notification kSuccess{DL_CODE_SUCCESS, 0.0, L"URLDownloadToFile"};

// A system downloader whose system download is watched: the URL of every attempt and when
// it began.
struct WatchedDownload {
    NotificationRecorder recorder;
    std::mutex mutex;
    std::vector<std::wstring> urls;
    std::vector<std::chrono::steady_clock::time_point> times;
    std::unique_ptr<CWinDownloader> downloader;

    WatchedDownload(const std::wstring& url, const std::wstring& savePath)
        : downloader(std::make_unique<CWinDownloader>(
              recorder.Callback(), url, savePath,
              [this](const std::wstring& sent, const std::wstring& path,
                     platform::BindStatusCallback* callback) {
                  {
                      std::lock_guard<std::mutex> lock(mutex);
                      urls.push_back(sent);
                      times.push_back(std::chrono::steady_clock::now());
                  }
                  return platform::URLDownloadToFile(sent, path, callback);
              })) {}
    ::testing::AssertionResult StartAndWait(int ends) {
        downloader->Start();
        if (recorder.WaitForEnds(ends, 30s)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the download did not end";
    }
};

TEST(WinDownloader, UrlEncode) {
    const struct {
        const wchar_t* url;
        const wchar_t* encoded;
    } cases[] = {
        {L"a b/测", L"a+b/%E6%B5%8B"},
        // Bytes from 33 to 126 pass, "%" included: an escaped URL stays as it is.
        {L"http://h:80/p?q=1&r=%20#~", L"http://h:80/p?q=1&r=%20#~"},
        {L"\t\x7f\x80", L"%09%7F%C2%80"},
        {L"", L""},
        // The encoding itself spares nothing; the worker leaves "file:///" URLs alone.
        {L"file:///a b", L"file:///a+b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.url));
        EXPECT_EQ(CWinDownloader::UrlEncode(c.url), c.encoded);
    }
}

TEST(WinDownloader, BindCallbackPassesOnlyProgressWithALength) {
    const struct {
        uint64_t progress;
        uint64_t progressMax;
        bool aborted;
        HRESULT answer;
        std::vector<double> reported;
    } cases[] = {
        {50, 200, false, S_OK, {0.25}}, {200, 200, false, S_OK, {1.0}}, {0, 0, false, S_OK, {}},
        {7, 0, false, S_OK, {}},        {50, 200, true, E_ABORT, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.progress << "/" << c.progressMax << (c.aborted ? " aborted" : ""));
        NotificationRecorder recorder;
        CWinDownloader::CBindCallback callback;
        callback.SetCallback(recorder.Callback());
        if (c.aborted) callback.Abort();
        EXPECT_EQ(callback.OnProgress(c.progress, c.progressMax, BINDSTATUS_DOWNLOADINGDATA, L""),
                  c.answer);
        EXPECT_EQ(recorder.Progress(), c.reported);
    }
}

TEST(WinDownloader, SendsWebUrlsEncodedAndFileUrlsUnchanged) {
    PackageSite site(kPackageSize);
    ASSERT_TRUE(site.Started());
    const std::string localPackage = site.Dir() / "a b 测.exe";
    std::filesystem::copy_file(platform::FsPath(site.PackagePath()), platform::FsPath(localPackage));
    const std::string base = site.Server().BaseUrl();
    const struct {
        const char* name;
        std::wstring url;
        std::wstring sent;
    } cases[] = {
        {"web URL", Utils::FromUtf8(base + "/a b/测/Collivo.exe"),
         Utils::FromUtf8(base + "/a+b/%E6%B5%8B/Collivo.exe")},
        {"file URL", Utils::FromUtf8(download_test::FileUrl(localPackage)),
         Utils::FromUtf8(download_test::FileUrl(localPackage))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(platform::FsPath(site.SavePath()));
        WatchedDownload run(c.url, site.WideSavePath());
        ASSERT_TRUE(run.StartAndWait(1));
        run.downloader.reset();

        EXPECT_EQ(run.recorder.WithoutProgress(), (std::vector<Notification>{kStart, kSuccess}));
        EXPECT_EQ(run.urls, std::vector<std::wstring>{c.sent});
        EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
        const std::vector<double> progress = run.recorder.Progress();
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back(), 1.0);
    }
}

TEST(WinDownloader, AnUnreachableServerGetsThreeAttemptsASecondApart) {
    const testing_support::ClosedPort refusing;
    const std::wstring url = Utils::FromUtf8(refusing.Url("/software/353"));
    download_test::TempDir dir;
    WatchedDownload run(url, Utils::FromUtf8(dir / "__Package_Collivo.exe"));
    ASSERT_TRUE(run.StartAndWait(1));
    run.downloader.reset();

    const auto seen = run.recorder.All();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], kStart);
    EXPECT_EQ(seen[1].code, DL_CODE_FAIL);
    EXPECT_EQ(seen[1].text, L"URLDownloadToFile");
    const auto hr = static_cast<HRESULT>(seen[1].value);
#ifdef _WIN32
    // Which error the system gives for a refused connection is its own business (Wine's is
    // not Windows'): one of the internet facility (0x800C....).
    EXPECT_EQ(static_cast<uint32_t>(hr) & 0xFFFF0000u, 0x800C0000u) << std::hex << hr;
#else
    EXPECT_EQ(hr, INET_E_CANNOT_CONNECT) << std::hex << hr;
#endif
    ASSERT_EQ(run.times.size(), 3u);
    for (size_t i = 1; i < run.times.size(); ++i)
        EXPECT_GE(run.times[i] - run.times[i - 1], 1000ms) << "attempt " << i + 1;
}

TEST(WinDownloader, EveryStartGetsAFreshRun) {
    PackageSite site(kPackageSize);
    ASSERT_TRUE(site.Started());
    WatchedDownload run(site.WideUrl(), site.WideSavePath());
    ASSERT_TRUE(run.StartAndWait(1));
    std::filesystem::remove(platform::FsPath(site.SavePath()));  // as the controller does
    ASSERT_TRUE(run.StartAndWait(2));
    run.downloader.reset();

    EXPECT_EQ(run.recorder.WithoutProgress(),
              (std::vector<Notification>{kStart, kSuccess, kStart, kSuccess}));
    EXPECT_EQ(run.urls.size(), 2u);
    EXPECT_TRUE(HoldsPackage(site.SavePath(), site));
}

TEST(WinDownloader, DestroyingItStopsTheDownloadAndWaits) {
    // Slow enough that the download is still running when the downloader goes away.
    PackageSite site(kPackageSize, {.throttleBytesPerSecond = 64 * 1024});
    ASSERT_TRUE(site.Started());
    WatchedDownload run(site.WideUrl(), site.WideSavePath());
    run.downloader->Start();
    ASSERT_TRUE(run.recorder.WaitForProgress(30s));

    auto destroyed = std::async(std::launch::async, [&run] { run.downloader.reset(); });
    ASSERT_EQ(destroyed.wait_for(10s), std::future_status::ready);
    // No further attempt and no code after the last progress; nothing left in the download
    // folder.
    EXPECT_EQ(run.recorder.All().back().code, DL_CODE_PROGRESS);
    EXPECT_EQ(run.urls.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(platform::FsPath(site.Dir().Path())));
}

}  // namespace
