#include "analytics/sdk/staging_file.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <deque>
#include <utility>

#include "platform/file_ops.h"
#include "platform/paths.h"

namespace event_collect {
namespace {

bool IsRecordLine(std::string_view line) {
    return !line.empty() && line.front() == '{' && line.back() == '}';
}

bool ReadAll(int fd, std::string* out) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        out->append(buffer, static_cast<size_t>(n));
    }
}

std::string JoinLines(const std::vector<std::string>& records) {
    size_t size = 0;
    for (const auto& record : records)
        size += record.size() + 1;
    std::string text;
    text.reserve(size);
    for (const auto& record : records) {
        text.append(record);
        text.push_back('\n');
    }
    return text;
}

}  // namespace

StagingFile::StagingFile(std::string path) : m_path(std::move(path)) {}

StagingFile::~StagingFile() {
    if (m_fd >= 0) close(m_fd);
}

std::vector<std::string> StagingFile::Open(size_t keepNewest) {
    if (m_path.empty() || m_fd >= 0) return {};
    m_fd = platform::OpenFile(m_path, O_RDWR | O_CREAT | O_APPEND, 0666);
    if (m_fd < 0) return {};
    std::string content;
    if (!ReadAll(m_fd, &content)) {
        // Appending behind content we could not read might glue a record to a torn line.
        close(m_fd);
        m_fd = -1;
        return {};
    }
    const size_t lastBreak = content.rfind('\n');
    const size_t end = lastBreak == std::string::npos ? 0 : lastBreak + 1;
    if (end < content.size() && ftruncate(m_fd, static_cast<off_t>(end)) != 0) {
        close(m_fd);
        m_fd = -1;
        return {};
    }
    m_size = end;
    std::deque<std::string> kept;
    for (size_t start = 0; start < end;) {
        const size_t lineEnd = content.find('\n', start);
        std::string_view line(content.data() + start, lineEnd - start);
        start = lineEnd + 1;
        ++m_lines;
        // A file written with CR LF line ends still counts line by line.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!IsRecordLine(line)) continue;
        kept.emplace_back(line);
        if (kept.size() > keepNewest) kept.pop_front();
    }
    return {std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end())};
}

void StagingFile::Append(std::string_view record) {
    if (m_fd < 0) return;
    std::string line;
    line.reserve(record.size() + 1);
    line.append(record);
    line.push_back('\n');
    if (platform::WriteAll(m_fd, line)) {
        m_size += line.size();
        ++m_lines;
        return;
    }
    if (ftruncate(m_fd, static_cast<off_t>(m_size)) != 0) {
        // Nothing more to try: the next replacement drops the torn line.
    }
}

StagingFile::Prepared::Prepared(int fd, std::string path, size_t size, size_t lines)
    : m_fd(fd), m_path(std::move(path)), m_size(size), m_lines(lines) {}

StagingFile::Prepared::Prepared(Prepared&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_path(std::move(other.m_path)),
      m_size(other.m_size),
      m_lines(other.m_lines) {}

StagingFile::Prepared& StagingFile::Prepared::operator=(Prepared&& other) noexcept {
    if (this != &other) {
        Discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        m_size = other.m_size;
        m_lines = other.m_lines;
    }
    return *this;
}

StagingFile::Prepared::~Prepared() {
    Discard();
}

void StagingFile::Prepared::Discard() {
    if (m_fd < 0) return;
    close(m_fd);
    m_fd = -1;
    platform::RemoveFile(m_path);
}

std::optional<StagingFile::Prepared> StagingFile::Prepare(
    const std::vector<std::string>& records) const {
    if (m_fd < 0) return std::nullopt;
    // One fixed name: a temporary file left by a killed run is simply overwritten.
    std::string tempPath = m_path + ".tmp";
    const int fd = platform::OpenFile(
        tempPath, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | platform::kOpenNoFollow, 0666);
    if (fd < 0) return std::nullopt;
    Prepared prepared(fd, std::move(tempPath), 0, records.size());
    const std::string text = JoinLines(records);
    // Synced before the rename: otherwise a power failure could leave the new name on a file
    // whose contents never reached the disk.
    if (!platform::WriteAll(fd, text) || !platform::SyncFile(fd)) return std::nullopt;
    prepared.m_size = text.size();
    return prepared;
}

void StagingFile::Commit(Prepared prepared, const std::vector<std::string>& tail) {
    if (m_fd < 0 || prepared.m_fd < 0) return;
    // The tail gets no fsync of its own: it is no worse off than any other append.
    const std::string text = JoinLines(tail);
    if (!platform::WriteAll(prepared.m_fd, text)) return;
        // The folder is not synced either: until the kernel records the rename, a power failure
        // brings back the old file, which holds every record written to the new one here.
#ifdef _WIN32
    // Windows renames no file that is open, nor over one: both are closed first and the new
    // file opened again for appending. Should that fail, later records are not staged.
    close(prepared.m_fd);
    prepared.m_fd = -1;
    close(m_fd);
    m_fd = -1;
    if (!platform::RenameOver(prepared.m_path, m_path)) {
        platform::RemoveFile(prepared.m_path);
        m_fd = platform::OpenFile(m_path, O_RDWR | O_CREAT | O_APPEND, 0666);
        return;
    }
    m_fd = platform::OpenFile(m_path, O_RDWR | O_CREAT | O_APPEND, 0666);
#else
    if (!platform::RenameOver(prepared.m_path, m_path)) return;
    close(m_fd);
    m_fd = std::exchange(prepared.m_fd, -1);
#endif
    m_size = prepared.m_size + text.size();
    m_lines = prepared.m_lines + tail.size();
}

void StagingFile::Replace(const std::vector<std::string>& records) {
    if (auto prepared = Prepare(records)) Commit(std::move(*prepared), {});
}

}  // namespace event_collect
