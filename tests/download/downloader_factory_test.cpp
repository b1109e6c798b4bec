#include "download/downloader_factory.h"

#include <gtest/gtest.h>

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"
#include "sys/text.h"
#include "tests/download/download_test_support.h"

namespace {

using download_test::Notification;
using download_test::NotificationRecorder;

enum class Kind { kSingle, kSystem, kMultiPart };

Kind KindOf(const CDownloader* downloader) {
    if (dynamic_cast<const CWinDownloader*>(downloader) != nullptr) return Kind::kSystem;
    if (dynamic_cast<const CMTCurlDownloader*>(downloader) != nullptr) return Kind::kMultiPart;
    EXPECT_NE(dynamic_cast<const CCurlDownloader*>(downloader), nullptr);
    return Kind::kSingle;
}

TEST(CreateDownloader, PicksTheDownloaderByType) {
    download_test::TempDir dir;
    const struct {
        int type;
        Kind kind;
    } cases[] = {
        {0, Kind::kSingle}, {1, Kind::kSingle}, {2, Kind::kSystem},  {3, Kind::kMultiPart},
        {4, Kind::kSingle}, {5, Kind::kSingle}, {-1, Kind::kSingle},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const auto downloader = CreateDownloader(
            c.type, [](int, double, const wchar_t*) {}, L"http://127.0.0.1:9/software/353",
            Utils::FromUtf8(dir / "__Package_Collivo.exe"));
        EXPECT_EQ(KindOf(downloader.get()), c.kind);
    }
}

TEST(CreateDownloader, AnEmptySavePathFailsRightAfterTheStart) {
    for (int type : {1, 2, 3}) {
        SCOPED_TRACE(type);
        NotificationRecorder recorder;
        auto downloader =
            CreateDownloader(type, recorder.Callback(), L"http://127.0.0.1:9/software/353", L"");
        downloader->Start();
        ASSERT_TRUE(recorder.WaitForEnds(1));
        downloader.reset();
        EXPECT_EQ(recorder.All(),
                  (std::vector<Notification>{{DL_CODE_START, 1.0, L""}, {DL_CODE_FAIL, 1.0, L""}}));
        // Part files of an empty save path would be "_0" and "_1" in the working folder.
        EXPECT_FALSE(download_test::Exists("_0"));
    }
}

}  // namespace
