#include "tests/download/download_test_support.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/paths.h"
#include "sys/text.h"

namespace download_test {

void WritePackage(const std::string& path, size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 0x12345678u;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    WriteFile(path, bytes);
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string ReadFile(const std::string& path) {
    File in(platform::OpenStream(path, "r"), &std::fclose);
    if (!in) return {};
    std::string bytes;
    char block[1 << 16];
    size_t read = 0;
    while ((read = std::fread(block, 1, sizeof block, in.get())) > 0)
        bytes.append(block, read);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    File out(platform::OpenStream(path, "w"), &std::fclose);
    if (out) std::fwrite(bytes.data(), 1, bytes.size(), out.get());
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(platform::FsPath(path));
}

std::string FileUrl(const std::string& path) {
    std::string url = path;
    for (char& c : url)
        if (c == '\\') c = '/';
    return url.starts_with("/") ? "file://" + url : "file:///" + url;
}

std::vector<std::string> PackageGetRanges(const SiteServer& server) {
    std::vector<std::string> ranges;
    for (const auto& request : server.Requests())
        if (request.method == "GET" && request.path != "/software/353")
            ranges.push_back(request.range);
    return ranges;
}

int CountRequests(const SiteServer& server, const std::string& method) {
    int count = 0;
    for (const auto& request : server.Requests())
        count += request.method == method;
    return count;
}

PackageSite::PackageSite(size_t size, const package_server::Faults& faults)
    : m_served("collivo-site"),
      m_dir("collivo-安装"),
      m_written((WritePackage(PackagePath(), size), true)),
      m_server(PackagePath()),
      m_started(m_server.Start()) {
    m_server.SetFaults(faults);
}

std::wstring PackageSite::WideSavePath() const {
    return Utils::FromUtf8(SavePath());
}

std::wstring PackageSite::WideUrl() const {
    return Utils::FromUtf8(m_server.DownloadUrl());
}

::testing::AssertionResult HoldsPackage(const std::string& path, const PackageSite& site) {
    if (!Exists(path)) return ::testing::AssertionFailure() << path << " does not exist";
    const std::string actual = ReadFile(path);
    const std::string expected = site.Package();
    if (actual == expected) return ::testing::AssertionSuccess();
    size_t offset = 0;
    while (offset < actual.size() && offset < expected.size() && actual[offset] == expected[offset])
        ++offset;
    return ::testing::AssertionFailure()
           << path << " holds " << actual.size() << " bytes, the package " << expected.size()
           << "; first difference at " << offset;
}

void PrintTo(const Notification& n, std::ostream* os) {
    *os << "{" << n.code << ", " << n.value << ", \"" << Utils::ToUtf8(n.text) << "\"}";
}

StageCallback NotificationRecorder::Callback() {
    return [this](int code, double value, const wchar_t* text) {
        CDownloader* restart = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_notifications.push_back({code, value, text != nullptr ? text : L""});
            if (code == DL_CODE_RETRY) restart = m_downloader;
        }
        m_changed.notify_all();
        if (code == DL_CODE_RETRY && m_beforeRetry) m_beforeRetry();
        if (restart != nullptr) restart->Start();
    };
}

bool NotificationRecorder::WaitForEnds(int count, std::chrono::seconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] {
        int ends = 0;
        for (const auto& n : m_notifications)
            ends += n.code == DL_CODE_SUCCESS || n.code == DL_CODE_FAIL;
        return ends >= count;
    });
}

bool NotificationRecorder::WaitForProgress(std::chrono::seconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] {
        for (const auto& n : m_notifications)
            if (n.code == DL_CODE_PROGRESS) return true;
        return false;
    });
}

std::vector<Notification> NotificationRecorder::All() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_notifications;
}

std::vector<Notification> NotificationRecorder::WithoutProgress() const {
    std::vector<Notification> result;
    for (const auto& n : All())
        if (n.code != DL_CODE_PROGRESS) result.push_back(n);
    return result;
}

std::vector<double> NotificationRecorder::Progress() const {
    std::vector<double> result;
    for (const auto& n : All())
        if (n.code == DL_CODE_PROGRESS) result.push_back(n.value);
    return result;
}

}  // namespace download_test
