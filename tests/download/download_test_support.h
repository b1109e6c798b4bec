// Helpers of the download tests: a scratch folder, package files, a package site, and a
// recorder of stage notifications that can wait for the end of a run (with a limit) and answer
// DL_CODE_RETRY the way the installer's controller does. The package server runs in-process on
// Linux, and as the Linux program driven over its control channel on Windows (under Wine).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "tests/support/scratch_folder.h"
#include "tools/package-server/package_server.h"
#ifdef _WIN32
#include "tests/download/remote_package_server.h"
#endif

namespace download_test {

// A package a little over 1 MiB, the smallest length the client accepts.
inline constexpr size_t kPackageSize = 1048576 + 102400;

using TempDir = testing_support::ScratchFolder;

// The server of a package site: the same calls on both systems.
#ifdef _WIN32
using SiteServer = RemotePackageServer;
#else
using SiteServer = package_server::PackageServer;
#endif

// Writes `size` bytes of a fixed pseudo-random pattern (different bytes at every offset).
void WritePackage(const std::string& path, size_t size);
// Paths are UTF-8 on both systems.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// The file URL of an absolute path: "file:///tmp/x", "file:///C:/Users/x".
std::string FileUrl(const std::string& path);

// The Range headers of the GET requests for the package, in order ("" when none was sent).
std::vector<std::string> PackageGetRanges(const SiteServer& server);
int CountRequests(const SiteServer& server, const std::string& method);

// A package of `size` bytes in a scratch folder of its own, served by its own package server
// on a free loopback port. The save path lies in another folder, whose name is not ASCII (as a
// folder a Chinese user chooses may not be); the server's folder is ASCII, since a Linux
// program started from Windows gets ASCII arguments only.
class PackageSite {
public:
    explicit PackageSite(size_t size, const package_server::Faults& faults = {});
    bool Started() const { return m_started; }
    SiteServer& Server() { return m_server; }
    // The download folder: the save path's, empty at first.
    const TempDir& Dir() const { return m_dir; }
    std::string PackagePath() const { return m_served / "Collivo.exe"; }
    std::string Package() const { return ReadFile(PackagePath()); }
    std::string SavePath() const { return m_dir / "__Package_Collivo.exe"; }
    std::string PartPath() const { return SavePath() + ".part"; }
    std::wstring WideSavePath() const;
    std::wstring WideUrl() const;

private:
    TempDir m_served;
    TempDir m_dir;
    bool m_written;
    SiteServer m_server;
    bool m_started;
};

// Whether the file at `path` holds exactly the site's package (reports sizes and the first
// differing offset instead of the bytes).
::testing::AssertionResult HoldsPackage(const std::string& path, const PackageSite& site);

struct Notification {
    int code;
    double value;
    std::wstring text;
    bool operator==(const Notification&) const = default;
};
void PrintTo(const Notification& n, std::ostream* os);

class NotificationRecorder {
public:
    // Records every call; on DL_CODE_RETRY calls Start of the downloader given to
    // AnswerRetryWith, from inside the notification. The recorder must outlive the downloader.
    StageCallback Callback();
    void AnswerRetryWith(CDownloader* downloader) { m_downloader = downloader; }
    // Runs `hook` on DL_CODE_RETRY before Start is called again (e.g. to mend the server).
    void BeforeRetry(std::function<void()> hook) { m_beforeRetry = std::move(hook); }

    // Waits until `count` runs have ended with DL_CODE_SUCCESS or DL_CODE_FAIL; false when
    // that takes longer than `limit`.
    bool WaitForEnds(int count, std::chrono::seconds limit = std::chrono::seconds(60));
    // Waits for the first DL_CODE_PROGRESS.
    bool WaitForProgress(std::chrono::seconds limit);

    std::vector<Notification> All() const;
    std::vector<Notification> WithoutProgress() const;
    std::vector<double> Progress() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Notification> m_notifications;
    CDownloader* m_downloader = nullptr;
    std::function<void()> m_beforeRetry;
};

}  // namespace download_test
