// package-server's control channel, through which the Windows download tests (a process of
// their own under Wine) set the faults and read the request log: every knob must get across,
// and the log must come back as it was recorded.
#include "tools/package-server/control_text.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <string>

#include "tests/support/scratch_folder.h"

namespace {

using package_server::DigestMode;
using package_server::Faults;
using package_server::PackageServer;
using package_server::RequestRecord;

// Each knob on its own: what arrives at the server is what was sent.
TEST(PackageServerControlText, EveryFaultSurvivesTheTrip) {
    const struct {
        const char* name;
        Faults faults;
    } cases[] = {
        {"throttle", {.throttleBytesPerSecond = 65536}},
        {"cut", {.cutAfterBytes = 0}},
        {"HEAD status", {.headStatus = 404}},
        {"GET status", {.getStatus = 503}},
        {"no length", {.noLength = true}},
        {"ignore range", {.ignoreRange = true}},
        {"upper-case digest", {.digest = DigestMode::kUpperCase}},
        {"wrong digest", {.digest = DigestMode::kWrong}},
        {"no digest", {.digest = DigestMode::kNone}},
        {"SHA-256", {.digest = DigestMode::kSha256}},
        {"wrong SHA-256", {.digest = DigestMode::kSha256Wrong}},
        {"faults from", {.faultsFrom = 10485760}},
        {"hang", {.hang = true}},
        {"stall", {.stallAfterBytes = 700000}},
        {"extra bytes", {.extraBytes = 100}},
        {"redirect loop", {.redirectLoop = true}},
        {"reset", {.resetAfterBytes = 300000}},
        {"past 4 GiB", {.cutAfterBytes = 5368709120, .faultsFrom = 5368709121}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fields = package_server::FaultFields(c.faults);
        ASSERT_FALSE(fields.empty());
        Faults received;
        std::string error;
        for (const auto& [name, value] : fields)
            EXPECT_TRUE(package_server::SetFaultField(&received, name, value, &error)) << error;
        EXPECT_EQ(package_server::FaultFields(received), fields);
    }
    EXPECT_TRUE(package_server::FaultFields(Faults{}).empty());
}

TEST(PackageServerControlText, RefusesWhatIsNoKnobValue) {
    const struct {
        const char* name;
        const char* value;
    } cases[] = {
        {"throttle", "-1"}, {"throttle", "1k"},  {"throttle", ""},       {"get-status", "1000"},
        {"hang", "yes"},    {"digest", "md5"},   {"no-such-knob", "1"},  {"cut-after", " 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        Faults faults;
        std::string error;
        EXPECT_FALSE(package_server::SetFaultField(&faults, c.name, c.value, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(package_server::FaultFields(faults).empty());
    }
}

TEST(PackageServerControlText, RequestLinesComeBackAsRecorded) {
    const std::vector<RequestRecord> requests = {
        {"HEAD", "/software/353", "", 302},
        {"GET", "/0123/Collivo.exe", "bytes=10485760-20971519", 206},
        {"GET", "/loop/20", "", 0},  // never answered
    };
    std::vector<RequestRecord> parsed;
    ASSERT_TRUE(package_server::ParseRequestLines(package_server::RequestLines(requests), &parsed));
    ASSERT_EQ(parsed.size(), requests.size());
    for (size_t i = 0; i < parsed.size(); ++i) {
        EXPECT_EQ(parsed[i].method, requests[i].method);
        EXPECT_EQ(parsed[i].path, requests[i].path);
        EXPECT_EQ(parsed[i].range, requests[i].range);
        EXPECT_EQ(parsed[i].status, requests[i].status);
    }
    for (const char* broken : {"GET\t/a\t\t200", "GET\t/a\t200\n", "GET\t/a\t\tok\n"})
        EXPECT_FALSE(package_server::ParseRequestLines(broken, &parsed)) << broken;
}

// A served package, and plain requests to its server.
class PackageServerControl : public ::testing::Test {
protected:
    void Start(bool control) {
        const std::string package = m_dir / "Collivo.exe";
        std::FILE* file = std::fopen(package.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("a small package", file);
        std::fclose(file);
        m_server = std::make_unique<PackageServer>(package);
        if (control) m_server->EnableControl();
        ASSERT_TRUE(m_server->Start());
    }
    httplib::Result Post(const std::string& path) {
        httplib::Client client("127.0.0.1", m_server->Port());
        return client.Post(path.c_str(), "", "text/plain");
    }
    httplib::Result Get(const std::string& path) {
        httplib::Client client("127.0.0.1", m_server->Port());
        return client.Get(path.c_str());
    }
    int PackageStatus() {
        const auto result = Get("/d/Collivo.exe");
        return result ? result->status : -1;
    }

    testing_support::ScratchFolder m_dir;
    std::unique_ptr<PackageServer> m_server;
};

TEST_F(PackageServerControl, SetsFaultsAndGivesTheLogAndThePackage) {
    Start(true);
    ASSERT_EQ(PackageStatus(), 200);
    const auto set = Post("/__control/faults?get-status=503&digest=none");
    ASSERT_TRUE(set);
    EXPECT_EQ(set->status, 200);
    EXPECT_EQ(PackageStatus(), 503);
    // The faults are replaced as a whole, and a value that is no knob changes nothing.
    const auto refused = Post("/__control/faults?get-status=503&hang=maybe");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    EXPECT_EQ(PackageStatus(), 503);
    ASSERT_EQ(Post("/__control/faults")->status, 200);
    EXPECT_EQ(PackageStatus(), 200);

    // Control requests are not in the log.
    const auto log = Get("/__control/requests");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->body, "GET\t/d/Collivo.exe\t\t200\nGET\t/d/Collivo.exe\t\t503\n"
                         "GET\t/d/Collivo.exe\t\t503\nGET\t/d/Collivo.exe\t\t200\n");

    const auto package = Get("/__control/package");
    ASSERT_TRUE(package);
    uint64_t length = 0;
    std::string md5, sha256;
    ASSERT_TRUE(package_server::ParsePackageLine(package->body, &length, &md5, &sha256));
    EXPECT_EQ(length, m_server->Length());
    EXPECT_EQ(md5, m_server->Digest());
    EXPECT_EQ(sha256, m_server->Sha256());
}

TEST_F(PackageServerControl, WithoutTheOptionThereIsNoChannel) {
    Start(false);
    m_server->SetFaults({.getStatus = 503});
    const auto set = Post("/__control/faults");
    ASSERT_TRUE(set);
    EXPECT_NE(set->status, 200);
    EXPECT_EQ(PackageStatus(), 503);
    const auto log = Get("/__control/requests");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->status, 404);
    EXPECT_EQ(m_server->Requests().back().path, "/__control/requests");
}

}  // namespace
