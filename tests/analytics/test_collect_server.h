// The collection server the tests upload to: on Linux the server itself, in-process; on
// Windows the Linux program under Wine behind the same calls (linux_collect_server.h). Either
// keeps its records in memory, answers 200 until told otherwise and listens on a free port.
#pragma once

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include "tests/analytics/linux_collect_server.h"
#include "tests/support/linux_server.h"
#else
#include "tools/collect-server/collect_server.h"
#endif

namespace analytics_test {

#ifdef _WIN32
using CollectServer = LinuxCollectServer;
#else
class CollectServer : public collect_server::CollectServer {
public:
    CollectServer() : collect_server::CollectServer(collect_server::ServerOptions{}) {}
};
#endif

// Starts `server` from a fixture's SetUp; a Windows build without the Linux servers skips the
// test instead.
inline void StartServer(CollectServer& server) {
#ifdef _WIN32
    if (testing_support::LinuxToolsFolder().empty())
        GTEST_SKIP() << "COLLIVO_LINUX_TOOLS is not set: configure this build with the tools "
                        "folder of a Linux build (collect-server) to run these tests";
#endif
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
}

}  // namespace analytics_test
