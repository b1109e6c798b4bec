#include "download/curl_client.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <regex>

#include "download/download_report.h"
#include "sys/text.h"
#include "tests/download/download_test_support.h"
#include "tests/support/log_capture.h"

namespace {

using download_test::kPackageSize;
using download_test::PackageGetRanges;
using download_test::PackageSite;
using download_test::ReadFile;
using download_test::WriteFile;
using package_server::Faults;

// Collects what the client sends to the usage report while it lives.
class ReportCapture {
public:
    struct Report {
        std::wstring name;
        float elapsed;
        std::wstring reason;
        std::map<std::wstring, std::wstring> extra;
    };
    ReportCapture() {
        SetDownloadTaskReporter([this](const std::wstring& name, float elapsed,
                                       const std::wstring& reason,
                                       const std::map<std::wstring, std::wstring>& extra) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_reports.push_back({name, elapsed, reason, extra});
        });
    }
    ~ReportCapture() { SetDownloadTaskReporter({}); }
    std::vector<Report> Reports() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Report> m_reports;
};

struct ProgressLog {
    void* owner = nullptr;
    std::vector<double> percents;
    static void Hook(void* owner, double /*speed*/, double reserved, double percent) {
        auto* log = static_cast<ProgressLog*>(owner);
        log->owner = owner;
        EXPECT_EQ(reserved, 0.0);
        log->percents.push_back(percent);
    }
};

std::string Prefix(const std::string& bytes, size_t size) {
    return bytes.substr(0, size);
}

TEST(CurlClient, DiscoveryAndTransferOutcomes) {
    const std::wstring k400 = L"1.获取文件大小的状态码为=400；";
    const struct {
        const char* name;
        size_t size;
        Faults faults;
        int result;
        std::vector<std::wstring> reasons;  // reported as "下载失败原因"
        bool partFileLeft;
    } cases[] = {
        {"exactly 1 MiB", 1048576, {}, 0, {}, false},
        {"one byte below 1 MiB", 1048575, {}, CC_ERR_TOO_SMALL, {}, false},
        {"no length on HEAD", kPackageSize, {.noLength = true}, CC_ERR_TOO_SMALL, {}, false},
        // Both length queries see the status, so it is reported twice.
        {"HEAD answered 400",
         kPackageSize,
         {.headStatus = 400},
         CC_ERR_TOO_SMALL,
         {k400, k400},
         false},
        {"GET answered 503", kPackageSize, {.getStatus = 503}, CURLE_HTTP_RETURNED_ERROR, {}, true},
#ifndef _WIN32  // Wine's sockets end a reset connection as if it were closed in order
        // A reset, unlike a cut (an orderly close, CURLE_PARTIAL_FILE), is a receive error.
        {"connection reset mid-body",
         kPackageSize,
         {.resetAfterBytes = 300000},
         CURLE_RECV_ERROR,
         {},
         true},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(c.size, c.faults);
        ASSERT_TRUE(site.Started());
        ReportCapture reports;
        testing_support::LogCapture log;
        {
            CurlClient client(site.WideUrl(), site.WideSavePath(), nullptr, nullptr);
            EXPECT_EQ(client.Start(), c.result);
            EXPECT_EQ(download_test::Exists(site.PartPath()), c.partFileLeft);
            if (c.result == 0) {
                EXPECT_TRUE(download_test::HoldsPackage(site.SavePath(), site));
            } else {
                EXPECT_FALSE(download_test::Exists(site.SavePath()));
            }
        }
        std::vector<std::wstring> reasons;
        for (const auto& report : reports.Reports()) {
            EXPECT_EQ(report.name, L"下载失败原因");
            EXPECT_EQ(report.elapsed, 0.0f);
            EXPECT_EQ(report.extra, (std::map<std::wstring, std::wstring>{{L"AB", L"IN"}}));
            reasons.push_back(report.reason);
        }
        EXPECT_EQ(reasons, c.reasons);
        // Every outcome is logged with libcurl's text; our own codes get its unknown-code text.
        const auto lines = log.Matching("(CurlClient::Start)<");
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_NE(lines[0].find(": start download\r\n"), std::string::npos);
        const std::string text =
            c.result < 0 ? "Unknown error" : curl_easy_strerror(static_cast<CURLcode>(c.result));
        EXPECT_NE(lines[1].find(": error:" + std::to_string(c.result) + ":" + text + "\r\n"),
                  std::string::npos)
            << lines[1];
        EXPECT_NE(lines[2].find(": end download\r\n"), std::string::npos);
    }
}

TEST(CurlClient, ResumesThePartFileAndCountsItsBytesInProgress) {
    // Throttled so that the transfer spans several seconds of progress reports.
    PackageSite site(kPackageSize, {.throttleBytesPerSecond = 256 * 1024});
    ASSERT_TRUE(site.Started());
    constexpr size_t kHave = 600000;
    WriteFile(site.PartPath(), Prefix(site.Package(), kHave));
    testing_support::LogCapture log;

    ProgressLog progress;
    CurlClient client(site.WideUrl(), site.WideSavePath(), &progress, &ProgressLog::Hook);
    ASSERT_EQ(client.Start(), 0);

    EXPECT_TRUE(download_test::HoldsPackage(site.SavePath(), site));
    EXPECT_FALSE(download_test::Exists(site.PartPath()));
    EXPECT_EQ(PackageGetRanges(site.Server()), std::vector<std::string>{"bytes=600000-"});
    ASSERT_FALSE(progress.percents.empty());
    EXPECT_EQ(progress.owner, &progress);
    for (double percent : progress.percents) {
        EXPECT_GE(percent, 100.0 * kHave / kPackageSize - 1e-9);  // the resumed bytes count
        EXPECT_LE(percent, 100.0);
    }
    // The progress line carries its own line end.
    const std::regex line(R"(\(CurlClient::ProgressCallback\)<\d{4}>:  0M 0M   )"
                          R"(progress:\d+\.\d{6}%  speed:\d+\.\d{6} \n$)");
    const auto lines = log.Matching("(CurlClient::ProgressCallback)");
    ASSERT_FALSE(lines.empty());
    for (const auto& l : lines)
        EXPECT_TRUE(std::regex_search(l, line)) << l;
}

TEST(CurlClient, ASecondStartAfterSuccessBeginsAtZeroWithoutNewDiscovery) {
    PackageSite site(kPackageSize);
    ASSERT_TRUE(site.Started());
    CurlClient client(site.WideUrl(), site.WideSavePath(), nullptr, nullptr);
    ASSERT_EQ(client.Start(), 0);
    const int heads = download_test::CountRequests(site.Server(), "HEAD");
    EXPECT_EQ(client.RealUrl(),
              site.Server().BaseUrl() + "/" + site.Server().Digest() + "/Collivo.exe");
    EXPECT_EQ(client.FileLength(), static_cast<double>(kPackageSize));

    WriteFile(site.SavePath(), "an older file");
    ASSERT_EQ(client.Start(), 0);
    EXPECT_TRUE(download_test::HoldsPackage(site.SavePath(), site));
    EXPECT_EQ(download_test::CountRequests(site.Server(), "HEAD"), heads);
    EXPECT_EQ(PackageGetRanges(site.Server()), (std::vector<std::string>{"", ""}));
}

TEST(CurlClient, APartFileHoldingAllOrMoreThanThePackageNeedsNoResume) {
    // Regression: a part file that held the whole package asked for the bytes after its end,
    // which the server refuses, so every later try failed. A longer one is started afresh.
    struct Case {
        const char* name;
        size_t extra;  // bytes past the package's end; npos: exactly the package
        std::vector<std::string> ranges;
    } cases[] = {{"complete", std::string::npos, {}}, {"too long", 100, {""}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageSite site(kPackageSize);
        ASSERT_TRUE(site.Started());
        const size_t extra = c.extra == std::string::npos ? 0 : c.extra;
        WriteFile(site.PartPath(), site.Package() + std::string(extra, 'x'));
        CurlClient client(site.WideUrl(), site.WideSavePath(), nullptr, nullptr);
        ASSERT_EQ(client.Start(), 0);
        EXPECT_TRUE(download_test::HoldsPackage(site.SavePath(), site));
        EXPECT_EQ(PackageGetRanges(site.Server()), c.ranges);
    }
}

TEST(CurlClient, AServerThatIgnoresRangesCannotResumeAndThePartFileStays) {
    PackageSite site(kPackageSize, {.ignoreRange = true});
    ASSERT_TRUE(site.Started());
    const std::string have = Prefix(site.Package(), 1000);
    WriteFile(site.PartPath(), have);
    CurlClient client(site.WideUrl(), site.WideSavePath(), nullptr, nullptr);
    EXPECT_EQ(client.Start(), CURLE_RANGE_ERROR);
    EXPECT_TRUE(ReadFile(site.PartPath()) == have);
    EXPECT_FALSE(download_test::Exists(site.SavePath()));
}

TEST(CurlClient, APartFileThatCannotBeOpenedKeepsItsReason) {
    PackageSite site(kPackageSize);
    ASSERT_TRUE(site.Started());
    CurlClient client(site.WideUrl(), Utils::FromUtf8(site.Dir() / "missing/p.exe"), nullptr,
                      nullptr);
    EXPECT_EQ(client.Start(), CC_ERR_FILE_OPEN);
    EXPECT_EQ(client.OpenError(), L"No such file or directory");
}

}  // namespace
