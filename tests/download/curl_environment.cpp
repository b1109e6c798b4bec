// libcurl's global set-up, done once for the download tests as the installer does at start.
#include <curl/curl.h>
#include <gtest/gtest.h>

namespace {

class CurlEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK); }
    void TearDown() override { curl_global_cleanup(); }
};

[[maybe_unused]] ::testing::Environment* const g_curl =
    ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

}  // namespace
