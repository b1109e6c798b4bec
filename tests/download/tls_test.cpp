// Package transfers over HTTPS keep the certificate checks on: a server whose certificate
// nobody vouches for gets no request at all.
#include <gtest/gtest.h>

#include <httplib.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "download/mt_curl_downloader.h"
#include "download_test_support.h"
#include "platform/url_download.h"
#include "sys/text.h"

namespace {

// A self-signed certificate for 127.0.0.1, made in memory.
struct SelfSigned {
    SelfSigned() {
        key = EVP_EC_gen("P-256");
        cert = X509_new();
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), -60);
        X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        X509_sign(cert, key, EVP_sha256());
    }
    ~SelfSigned() {
        X509_free(cert);
        EVP_PKEY_free(key);
    }
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
};

// Regression: the multi-part downloader once switched libcurl's certificate checks off, so
// anyone on the path could hand over a package (and the digest it is checked against) that
// then runs with the installer's rights.
TEST(UntrustedCertificate, IsRefusedBeforeAnyRequest) {
    SelfSigned identity;
    httplib::SSLServer server(identity.cert, identity.key);
    ASSERT_TRUE(server.is_valid());
    std::atomic<int> requests{0};
    server.Get(".*", [&](const httplib::Request&, httplib::Response& response) {
        ++requests;
        response.set_content(std::string(300000, 'x'), "application/octet-stream");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    const std::string url = "https://127.0.0.1:" + std::to_string(port) +
                            "/0123456789abcdef0123456789abcdef/Collivo.exe";
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
         platform::INET_E_INVALID_CERTIFICATE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.attempt(), c.expected);
        EXPECT_EQ(requests.load(), 0);
        EXPECT_FALSE(download_test::Exists(savePath));
    }

    server.stop();
    thread.join();
}

}  // namespace
