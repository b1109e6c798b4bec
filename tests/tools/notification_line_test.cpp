#include "tools/stage-cli/notification_line.h"

#include <gtest/gtest.h>

#include "platform/url_download.h"

namespace {

// Regression: values were printed with "%g", which keeps six digits, so a failing HRESULT
// such as INET_E_CANNOT_CONNECT printed as -2.1467e+09.
TEST(StageCliNotificationLine, PrintsEveryValueExactly) {
    const struct {
        int code;
        double value;
        const wchar_t* text;
        const char* line;
    } cases[] = {
        {1004, static_cast<double>(INET_E_CANNOT_CONNECT), L"URLDownloadToFile",
         "1004\t-2146697212\tURLDownloadToFile\n"},
        {1004, -998.0, L"LibCurl", "1004\t-998\tLibCurl\n"},
        {1001, 1.0, L"", "1001\t1\t\n"},
        {1002, 0.123456789, L"", "1002\t0.123456789\t\n"},
        {1002, 0.0, nullptr, "1002\t0\t\n"},
        {3000, 0.0, L"/opt/科林", "3000\t0\t/opt/科林\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(stage_cli::NotificationLine(c.code, c.value, c.text), c.line);
    }
}

}  // namespace
