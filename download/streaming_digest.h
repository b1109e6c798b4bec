// StreamingDigest: the digest of one or more files, hashed in order while they are written. A
// writer reports how many bytes each file holds (Advance); a hashing thread of the object's own
// reads the new bytes back (from the page cache, just written) and hashes them, so a download
// never waits for its digest and the two together cost about as much as the download alone.
// Only the bytes reported written are read, so a writer must report bytes that reached the file
// (an unbuffered stream). Any thread may call any method; the hashing thread is joined on
// destruction.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/digest.h"

class StreamingDigest {
public:
    // A file whose length is not known: it is hashed as far as it is reported written.
    static constexpr uint64_t kOpenEnded = UINT64_MAX;

    StreamingDigest() = default;
    ~StreamingDigest();
    StreamingDigest(const StreamingDigest&) = delete;
    StreamingDigest& operator=(const StreamingDigest&) = delete;

    // Starts over with a digest of `kind` (kNone: nothing is hashed) and no file.
    void Restart(DigestKind kind);
    // Appends the file at `path` (an ANSI path) to the hashed sequence and returns its index:
    // `length` bytes of it belong to the digest (the next file is hashed after them; kOpenEnded
    // for the last one), of which `written` are already there and are hashed first. The file is
    // opened here, so it may be renamed or removed afterwards; when it cannot be opened the
    // digest fails.
    size_t AddFile(const std::string& path, uint64_t length, uint64_t written);
    // File `index` holds `written` bytes from its start now.
    void Advance(size_t index, uint64_t written);

    // Waits until every byte reported written that the digest can reach is hashed (a file is
    // hashed only once those before it are complete). Lower-case hexadecimal of those bytes, or
    // empty for kNone or when a file could not be opened or read.
    std::string Result();

private:
    using File = std::unique_ptr<FILE, int (*)(FILE*)>;

    struct Source {
        File file{nullptr, &std::fclose};
        uint64_t length = 0;
        uint64_t written = 0;
    };

    // Whether the hashing thread can go on (called with m_mutex held).
    bool HasWork() const;
    // Waits until the hashing thread holds no work it could do.
    void WaitIdle(std::unique_lock<std::mutex>& lock);
    void HashLoop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::unique_ptr<platform::Hash> m_hash;  // used by the hashing thread while busy
    std::vector<Source> m_sources;
    size_t m_current = 0;   // the source being hashed
    uint64_t m_hashed = 0;  // bytes of the current source hashed
    bool m_failed = false;
    bool m_busy = false;  // the hashing thread reads or hashes outside the lock
    bool m_stopping = false;
    std::thread m_thread;
};
