#include "tools/package-server/file_body.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace package_server {

namespace {

constexpr size_t kBlockSize = 1 << 16;
constexpr auto kLongestNap = std::chrono::milliseconds(20);
constexpr char kFiller = 'x';

}  // namespace

std::shared_ptr<FileBody> FileBody::Open(const std::string& path, uint64_t first, uint64_t length,
                                         const BodyFaults& faults,
                                         const std::atomic<bool>* stopping) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::shared_ptr<FileBody>(new FileBody(fd, first, length, faults, stopping));
}

FileBody::FileBody(int fd, uint64_t first, uint64_t length, const BodyFaults& faults,
                   const std::atomic<bool>* stopping)
    : m_fd(fd),
      m_first(first),
      m_length(length),
      m_faults(faults),
      m_stopping(stopping),
      m_begin(std::chrono::steady_clock::now()) {
    // A throttled body goes out in small blocks, so its rate is even within a second.
    size_t block = kBlockSize;
    if (m_faults.bytesPerSecond > 0)
        block = static_cast<size_t>(
            std::clamp<uint64_t>(m_faults.bytesPerSecond / 20, 1024, kBlockSize));
    m_buffer.resize(block);
}

FileBody::~FileBody() {
    close(m_fd);
}

bool FileBody::Send(uint64_t offset, uint64_t size, const Writer& write) {
    if (m_stopping->load()) return false;
    uint64_t allowed = size;
    if (m_faults.cutAfter >= 0) {
        const uint64_t cut = static_cast<uint64_t>(m_faults.cutAfter);
        if (m_sent >= cut) return false;
        allowed = std::min(allowed, cut - m_sent);
    }
    if (m_faults.stallAfter >= 0) {
        const uint64_t stall = static_cast<uint64_t>(m_faults.stallAfter);
        if (m_sent >= stall) return Stall();
        allowed = std::min(allowed, stall - m_sent);
    }
    if (m_faults.resetAfter >= 0) {
        const uint64_t reset = static_cast<uint64_t>(m_faults.resetAfter);
        if (m_sent >= reset) {
            if (m_faults.resetConnection) m_faults.resetConnection();
            return false;
        }
        allowed = std::min(allowed, reset - m_sent);
    }
    size_t chunk = static_cast<size_t>(std::min<uint64_t>(allowed, m_buffer.size()));
    if (offset >= m_length) {
        std::fill_n(m_buffer.begin(), chunk, kFiller);
    } else {
        chunk = static_cast<size_t>(std::min<uint64_t>(chunk, m_length - offset));
        const ssize_t read =
            pread(m_fd, m_buffer.data(), chunk, static_cast<off_t>(m_first + offset));
        if (read <= 0) return false;
        chunk = static_cast<size_t>(read);
    }
    if (!write(m_buffer.data(), chunk)) return false;
    m_sent += chunk;
    Throttle();
    return true;
}

bool FileBody::Stall() {
    while (!m_stopping->load())
        std::this_thread::sleep_for(kLongestNap);
    return false;
}

void FileBody::Throttle() {
    if (m_faults.bytesPerSecond == 0) return;
    const auto due = m_begin + std::chrono::nanoseconds(static_cast<int64_t>(
                                   static_cast<double>(m_sent) * 1e9 / m_faults.bytesPerSecond));
    for (auto now = std::chrono::steady_clock::now(); now < due && !m_stopping->load();
         now = std::chrono::steady_clock::now()) {
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(due - now, kLongestNap));
    }
}

}  // namespace package_server
