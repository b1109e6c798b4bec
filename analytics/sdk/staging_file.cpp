#include "analytics/sdk/staging_file.h"

#include <fstream>

namespace event_collect {

bool IsStagedRecordLine(const std::string& line) {
    return !line.empty() && line.front() == '{' && line.back() == '}';
}

std::vector<std::string> ReadStagedRecords(const std::string& path, size_t room) {
    std::deque<std::string> kept;
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string line;
    while (std::getline(in, line)) {
        // A file written with CR LF line ends still counts line by line.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!IsStagedRecordLine(line)) continue;
        kept.push_back(std::move(line));
        if (kept.size() > room) kept.pop_front();
    }
    return {kept.begin(), kept.end()};
}

void TruncateStagingFile(const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
}

void WriteStagingFile(const std::string& path, const std::deque<std::string>& records) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return;
    for (const auto& record : records)
        out << record << '\n';
}

}  // namespace event_collect
