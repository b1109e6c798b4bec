// FileBody: streams one slice of a file into a response, a block at a time, at most at a
// given rate, and gives up after a given number of bytes. Used by one server thread at a time;
// shared by the response's content callbacks, which keep it alive.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace package_server {

class FileBody {
public:
    using Writer = std::function<bool(const char* data, size_t size)>;

    // Null when the file cannot be opened. `cutAfter` < 0: never cut. `stopping` outlives it.
    static std::shared_ptr<FileBody> Open(const std::string& path, uint64_t first, uint64_t length,
                                          uint64_t bytesPerSecond, int64_t cutAfter,
                                          const std::atomic<bool>* stopping);
    ~FileBody();
    FileBody(const FileBody&) = delete;
    FileBody& operator=(const FileBody&) = delete;

    uint64_t Length() const { return m_length; }
    // Writes the next block at `offset` (within the slice, at most `size` bytes). False ends
    // the response and closes the connection: cut, server stopping, read or write failure.
    bool Send(uint64_t offset, uint64_t size, const Writer& write);

private:
    FileBody(int fd, uint64_t first, uint64_t length, uint64_t bytesPerSecond, int64_t cutAfter,
             const std::atomic<bool>* stopping);
    void Throttle();

    int m_fd;
    uint64_t m_first;
    uint64_t m_length;
    uint64_t m_bytesPerSecond;
    int64_t m_cutAfter;
    const std::atomic<bool>* m_stopping;
    uint64_t m_sent = 0;
    std::chrono::steady_clock::time_point m_begin;
    std::vector<char> m_buffer;
};

}  // namespace package_server
