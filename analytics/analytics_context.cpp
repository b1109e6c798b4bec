#include "analytics/analytics_context.h"

#include "analytics/distinct_id.h"
#include "platform/ini_file.h"
#include "platform/known_folders.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "sys/folders.h"
#include "sys/text.h"

namespace orvane::analytics {
namespace {

constexpr size_t kValueBuffer = 128;  // bytes, the terminator included
constexpr const char* kBase = "Base";

std::string ReadValue(const char* section, const char* key, const std::string& path) {
    return platform::GetPrivateProfileString(section, key, "", kValueBuffer, path);
}

void WriteValue(const char* section, const char* key, const std::string& value,
                const std::string& path) {
    if (!path.empty()) platform::WritePrivateProfileString(section, key, value, path);
}

void MakeFolder(const std::string& folder) {
    if (!folder.empty()) Utils::CreateDirectoryRecursive(Utils::FromUtf8(folder));
}

}  // namespace

std::string AnalyticsContext::DefaultPointerFilePath() {
    const std::string exe = platform::ExecutablePath();
    const size_t slash = exe.find_last_of(platform::kPathSeparators);
    if (slash == std::string::npos) return {};
    return exe.substr(0, slash + 1) + "Set.ini";
}

void AnalyticsContext::ResolveFiles(const std::string& appName, const std::string& logFilePath) {
    ResolveFiles(appName, logFilePath, DefaultPointerFilePath());
}

void AnalyticsContext::ResolveFiles(const std::string& appName, const std::string& logFilePath,
                                    const std::string& pointerFilePath) {
    std::string configured = pointerFilePath.empty()
                                 ? std::string()
                                 : ReadValue("Install", "OVAnalyticsIni", pointerFilePath);
    // The pointer file may have been written with the other separator.
    for (char& c : configured)
        if (c == '\\') c = '/';

    AnalyticsFiles files;
    const size_t slash = configured.find_last_of('/');
    if (configured.empty() || slash == std::string::npos) {
        const auto base = platform::LocalAppDataFolder();
        if (base && !base->empty()) {
            files.folder = *base + "/OVLocal/" + appName + "/";
            files.settingsFile = files.folder + appName + "_OVSConfigure.ini";
        }
    } else {
        files.folder = configured.substr(0, slash + 1);
        files.settingsFile = configured;
    }
    // Every missing parent is made: a fresh account may not have its data folder yet.
    MakeFolder(files.folder);
    if (!files.folder.empty()) {
        files.logFile = files.folder + appName + "_OVSLog.txt";
        files.stagingFile = files.folder + appName + "_OVSStaging.txt";
    }
    if (!logFilePath.empty()) files.logFile = logFilePath;
    m_files = files;
}

void AnalyticsContext::LoadIdentity() {
    AnalyticsIdentity identity;
    const std::string& path = m_files.settingsFile;
    if (!path.empty() && platform::PathExists(path)) {
        identity.distinctId = ReadValue(kBase, "DistinctId", path);
        identity.primaryDistinctId = ReadValue(kBase, "PrimaryDistinctId", path);
        if (identity.primaryDistinctId.empty()) identity.primaryDistinctId = identity.distinctId;
        identity.userId = ReadValue(kBase, "UserId", path);
        identity.vipLevel = platform::GetPrivateProfileInt(kBase, "UserVipLevel", 0, path);
        identity.loginState = ReadValue(kBase, "isLogined", path) == "OK";
        identity.storedUrl = ReadValue(kBase, "URL", path);
    }
    const bool fresh = identity.distinctId.empty();
    if (fresh) identity.distinctId = NewDistinctId();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_identity = identity;
    }
    if (fresh) SaveIdentity(identity);
}

void AnalyticsContext::ReconcileIdentity(const std::string& serverUrl) {
    AnalyticsIdentity identity;
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        AnalyticsIdentity& id = m_identity;
        if (id.storedUrl != serverUrl || id.distinctId.empty()) {
            id.userId.clear();
            id.loginState = false;
            if (id.primaryDistinctId.empty()) {
                id.distinctId = NewDistinctId();
                id.primaryDistinctId = id.distinctId;
            } else {
                id.distinctId = id.primaryDistinctId;
            }
            id.storedUrl = serverUrl;
            changed = true;
        }
        if (id.userId.empty()) id.loginState = false;
        identity = id;
    }
    if (changed) SaveIdentity(identity);
}

void AnalyticsContext::SaveIdentity() {
    SaveIdentity(Identity());
}

void AnalyticsContext::SaveIdentity(const AnalyticsIdentity& identity) {
    const std::string& path = m_files.settingsFile;
    WriteValue(kBase, "DistinctId", identity.distinctId, path);
    WriteValue(kBase, "PrimaryDistinctId", identity.primaryDistinctId, path);
    WriteValue(kBase, "UserId", identity.userId, path);
    WriteValue(kBase, "UserVipLevel", std::to_string(identity.vipLevel), path);
    WriteValue(kBase, "URL", identity.storedUrl, path);
    WriteValue(kBase, "isLogined", identity.loginState ? "OK" : "NG", path);
}

void AnalyticsContext::WriteAppRecord(const std::string& appName, const std::string& appVersion,
                                      const std::string& appStore) {
    const std::string& path = m_files.settingsFile;
    WriteValue("UninstallInfo", "AppStore", appStore, path);
    WriteValue("UninstallInfo", "AppName", appName, path);
    WriteValue("UninstallInfo", "AppVersion", appVersion, path);
}

AnalyticsIdentity AnalyticsContext::Identity() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_identity;
}

void AnalyticsContext::UpdateIdentity(const std::function<void(AnalyticsIdentity&)>& change) {
    std::lock_guard<std::mutex> lock(m_mutex);
    change(m_identity);
}

std::string AnalyticsContext::LocaleText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_localeText;
}

void AnalyticsContext::SetLocaleText(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_localeText = text;
}

}  // namespace orvane::analytics
