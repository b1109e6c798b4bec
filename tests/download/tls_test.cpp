// Package transfers over HTTPS keep the certificate checks on: a server whose certificate
// nobody vouches for gets no request at all.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "download/mt_curl_downloader.h"
#include "platform/url_download.h"
#include "sys/text.h"
#include "tests/download/download_test_support.h"
#include "tests/support/untrusted_tls_server.h"

namespace {

// Regression: the multi-part downloader once switched libcurl's certificate checks off, so
// anyone on the path could hand over a package (and the digest it is checked against) that
// then runs with the installer's rights.
TEST(UntrustedCertificate, IsRefusedBeforeAnyRequest) {
    testing_support::UntrustedTlsServer server;
    ASSERT_TRUE(server.Valid());

    const std::string url = server.Url("/0123456789abcdef0123456789abcdef/Collivo.exe");
    download_test::TempDir dir;
    const std::string savePath = dir / "__Package_Collivo.exe";
    CMTCurlDownloader downloader([](int, double, const wchar_t*) {}, Utils::FromUtf8(url),
                                 Utils::NarrowToWide(savePath, 0));
    const struct {
        const char* name;
        std::function<int()> attempt;
        int expected;
    } cases[] = {
        {"multi-part discovery", [&] { return downloader.getRealDownloadUrl(url) ? 1 : 0; }, 0},
        {"multi-part part transfer",
         [&] {
             CMTCurlDownloader::DownloadPartNode part;
             part.file = std::fopen((savePath + "_0").c_str(), "ab+");
             part.curl = curl_easy_init();
             part.url = url;
             part.end = 299999;
             part.packageLength = 300000;
             const int rc = CMTCurlDownloader::downloadExe(&downloader, &part);
             curl_easy_cleanup(part.curl);
             if (part.file != nullptr) std::fclose(part.file);
             return rc;
         },
         CURLE_PEER_FAILED_VERIFICATION},
        {"system download",
         [&] {
             return platform::URLDownloadToFile(Utils::FromUtf8(url),
                                                Utils::NarrowToWide(savePath, 0), nullptr);
         },
         INET_E_INVALID_CERTIFICATE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.attempt(), c.expected);
        EXPECT_EQ(server.Requests(), 0);
        EXPECT_FALSE(download_test::Exists(savePath));
    }
}

}  // namespace
