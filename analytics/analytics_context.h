// AnalyticsContext: who the user or device is across runs (the identity record) and where the
// tracker's files live. Files are resolved once at tracker initialisation; the identity and
// the locale text are guarded by one lock, so any thread may read or update them.
// Every file operation is best effort: unreadable files read as empty, failed writes are
// ignored.
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace orvane::analytics {

struct AnalyticsIdentity {
    bool loginState = false;
    std::string userId;  // empty when nobody is logged in
    std::string distinctId;
    std::string primaryDistinctId;  // the device's anonymous id
    int vipLevel = 0;
    std::string storedUrl;  // the collection URL this identity belongs to
};

struct AnalyticsFiles {
    std::string folder;        // ends with "/"; empty when no folder could be found
    std::string settingsFile;  // "<appName>_OVSConfigure.ini" unless Set.ini names another
    std::string logFile;       // "<appName>_OVSLog.txt" unless configured
    std::string stagingFile;   // "<appName>_OVSStaging.txt": queued records between runs
};

class AnalyticsContext {
public:
    // "Set.ini" beside the running executable.
    static std::string DefaultPointerFilePath();

    // Finds the settings file (named by key "OVAnalyticsIni" of section "Install" in the
    // pointer file, else the default in the local application-data folder), creates its
    // folder, and names the log and staging files. An empty `logFilePath` selects the default.
    void ResolveFiles(const std::string& appName, const std::string& logFilePath);
    void ResolveFiles(const std::string& appName, const std::string& logFilePath,
                      const std::string& pointerFilePath);
    const AnalyticsFiles& Files() const { return m_files; }

    // Reads the identity from the settings file; an empty distinct id gets a new one (saved).
    void LoadIdentity();
    // A stored URL other than `serverUrl` (or no distinct id) logs the user out and returns
    // the device to its primary distinct id; the identity then belongs to `serverUrl`.
    void ReconcileIdentity(const std::string& serverUrl);
    // Writes the identity into section "Base".
    void SaveIdentity();
    // Writes AppStore, AppName and AppVersion into section "UninstallInfo".
    void WriteAppRecord(const std::string& appName, const std::string& appVersion,
                        const std::string& appStore);

    AnalyticsIdentity Identity() const;
    // Runs `change` on the identity under the lock.
    void UpdateIdentity(const std::function<void(AnalyticsIdentity&)>& change);

    std::string LocaleText() const;
    void SetLocaleText(const std::string& text);

private:
    void SaveIdentity(const AnalyticsIdentity& identity);

    AnalyticsFiles m_files;
    mutable std::mutex m_mutex;  // guards m_identity and m_localeText
    AnalyticsIdentity m_identity;
    std::string m_localeText;
};

}  // namespace orvane::analytics
