// Test helpers for the tracker layer: per-user folders in a scratch folder, process-wide
// analytics state put back between tests, and records read as JSON.
#pragma once

#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analytics/analytics_tracker.h"
#include "analytics/installer_reporting.h"
#include "analytics/sdk/last_upload.h"
#include "analytics/sdk/sdk.h"
#include "analytics/tracker_holder.h"
#include "platform/known_folders.h"
#include "platform/paths.h"
#include "tests/analytics/test_collect_server.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_folder.h"

namespace analytics_test {

// Every per-user folder in a scratch folder; process-wide analytics state reset before and
// after each test (no library instance, last upload failed, no tracker, analytics enabled).
// Windows takes the local data folder from the shell, which no variable moves: there the
// analytics folder is the real one, emptied before and after each test.
class TrackerTest : public ::testing::Test {
protected:
    TrackerTest() {
        m_env.Set("HOME", m_scratch.Path());
        m_env.Set("XDG_CONFIG_HOME", m_scratch / "config");
        m_env.Set("XDG_DATA_HOME", m_scratch / "data");
        m_env.Set("XDG_RUNTIME_DIR", m_scratch.Path());
        ResetState();
        RemoveAnalyticsFolder();
    }
    ~TrackerTest() override {
        ResetState();
        RemoveAnalyticsFolder();
    }

    static void ResetState() {
        orvane::analytics::ResetTrackerHolder();
        event_collect::Sdk::Shutdown();
        event_collect::SetLastUploadSucceeded(false);
        orvane::analytics::SetReportingEnabled(true);
    }

    // The analytics folder of application "X" in the local data folder.
    static std::string AnalyticsFolder(const std::string& appName = "X") {
        return platform::LocalAppDataFolder().value_or("") + "/OVLocal/" + appName + "/";
    }
    static void RemoveAnalyticsFolder() {
        const auto base = platform::LocalAppDataFolder();
        std::error_code ignored;
        if (base && !base->empty())
            std::filesystem::remove_all(platform::FsPath(AnalyticsFolder()), ignored);
    }
    static std::string SettingsFile(const std::string& appName = "X") {
        return AnalyticsFolder(appName) + appName + "_OVSConfigure.ini";
    }
    static std::string StagingFile(const std::string& appName = "X") {
        return AnalyticsFolder(appName) + appName + "_OVSStaging.txt";
    }

    static orvane::analytics::TrackerConfig Config(const std::string& serverUrl) {
        orvane::analytics::TrackerConfig config;
        config.appName = "X";
        config.appVersion = "1.0";
        config.appStore = "store";
        config.serverUrl = serverUrl;
        return config;
    }

    testing_support::ScratchFolder m_scratch;
    testing_support::ScopedEnvironment m_env;
};

// The same, with a collection server on loopback for the records to reach.
class TrackerWithServerTest : public TrackerTest {
protected:
    void SetUp() override { StartServer(m_server); }
    void TearDown() override { m_server.Stop(); }
    CollectServer m_server;
};

inline Json::Value ParseJson(const std::string& text) {
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors))
        ADD_FAILURE() << "not JSON: " << text << " (" << errors << ")";
    return value;
}

inline std::vector<Json::Value> ServerRecords(const CollectServer& server) {
    std::vector<Json::Value> out;
    for (const auto& row : server.Records())
        out.push_back(ParseJson(row.record));
    return out;
}

// The records queued in the library, oldest first.
inline std::vector<Json::Value> QueuedRecords() {
    std::vector<Json::Value> out;
    if (const auto consumer = event_collect::Sdk::Consumer())
        for (const auto& text : consumer->Records())
            out.push_back(ParseJson(text));
    return out;
}

// The "event" (or, for profile records, the "type") of each record, in order.
inline std::vector<std::string> Names(const std::vector<Json::Value>& records) {
    std::vector<std::string> out;
    for (const auto& record : records)
        out.push_back(record.isMember("event") ? record["event"].asString()
                                               : record["type"].asString());
    return out;
}

}  // namespace analytics_test
