// FileBody: streams one slice of a file into a response, a block at a time, with the body
// faults a test asked for: at most a given rate, cut (connection closed), stalled (connection
// held, nothing sent) or reset (connection aborted) after a given number of bytes, or filler
// bytes past the slice. Used by one server thread at a time; shared by the response's content
// callbacks, which keep it alive.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace package_server {

// The defaults do nothing wrong.
struct BodyFaults {
    uint64_t bytesPerSecond = 0;  // 0: as fast as the connection takes it
    int64_t cutAfter = -1;        // < 0: never cut
    int64_t stallAfter = -1;      // < 0: never stall
    uint64_t extraBytes = 0;      // filler sent after the slice
    int64_t resetAfter = -1;      // < 0: never reset
    // Aborts the connection the body goes out on (called once, on the sending thread, when the
    // reset is due); the server knows the connection, the body does not.
    std::function<void()> resetConnection;
};

class FileBody {
public:
    using Writer = std::function<bool(const char* data, size_t size)>;

    // Null when the file cannot be opened. `stopping` outlives the body.
    static std::shared_ptr<FileBody> Open(const std::string& path, uint64_t first, uint64_t length,
                                          const BodyFaults& faults,
                                          const std::atomic<bool>* stopping);
    ~FileBody();
    FileBody(const FileBody&) = delete;
    FileBody& operator=(const FileBody&) = delete;

    // Bytes the body sends when nothing cuts, stalls or resets it: the slice and the filler.
    uint64_t Length() const { return m_length + m_faults.extraBytes; }
    // Writes the next block at `offset` (within the body, at most `size` bytes). False ends
    // the response and closes the connection: cut, reset, server stopping, read or write
    // failure. A stalled body returns only when the server stops.
    bool Send(uint64_t offset, uint64_t size, const Writer& write);

private:
    FileBody(int fd, uint64_t first, uint64_t length, const BodyFaults& faults,
             const std::atomic<bool>* stopping);
    void Throttle();
    // Holds the connection without sending until the server stops. (A client that gave up
    // cannot be told from a slow one here: its socket still reads as writable.)
    bool Stall();

    int m_fd;
    uint64_t m_first;
    uint64_t m_length;
    BodyFaults m_faults;
    const std::atomic<bool>* m_stopping;
    uint64_t m_sent = 0;
    std::chrono::steady_clock::time_point m_begin;
    std::vector<char> m_buffer;
};

}  // namespace package_server
