#include "analytics/native_track_logger.h"

#include <fstream>

#include "platform/paths.h"

namespace orvane::analytics {

NativeTrackLogger::~NativeTrackLogger() {
    close();
}

void NativeTrackLogger::open(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_path = path;
    // Appending nothing creates a missing file and leaves an existing one alone.
    std::ofstream create(platform::FsPath(m_path), std::ios::binary | std::ios::app);
}

void NativeTrackLogger::close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_path.clear();
}

void NativeTrackLogger::append(const std::string& entry) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_path.empty()) return;
    std::string line = entry;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::ofstream out(platform::FsPath(m_path), std::ios::binary | std::ios::app);
    out << line << '\n';
}

std::vector<std::string> NativeTrackLogger::readLogs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> entries;
    if (m_path.empty()) return entries;
    std::ifstream in(platform::FsPath(m_path), std::ios::binary);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) entries.push_back(line);
    return entries;
}

void NativeTrackLogger::clearLogs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_path.empty()) return;
    std::ofstream truncate(platform::FsPath(m_path), std::ios::binary | std::ios::trunc);
}

}  // namespace orvane::analytics
