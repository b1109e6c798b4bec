// StreamingDigest: the digest of a file computed while it is written. Feed copies the written
// bytes into a bounded queue and returns at once (it waits only while the queue is full); a
// hashing thread of the object's own works through them, so a download and its digest cost
// about as much as the download alone. Used by one writing thread at a time; the hashing
// thread is joined on destruction.
#pragma once

#include <openssl/evp.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/digest.h"

class StreamingDigest {
public:
    StreamingDigest() = default;
    ~StreamingDigest();
    StreamingDigest(const StreamingDigest&) = delete;
    StreamingDigest& operator=(const StreamingDigest&) = delete;

    // Starts over with a digest of `kind` (kNone: nothing is hashed) of the file at `path`
    // (an ANSI path): its first `prefixBytes` are already written and are hashed first, by the
    // hashing thread, while later bytes are fed.
    void Restart(DigestKind kind, const std::string& path, uint64_t prefixBytes);
    // The next bytes written to the file.
    void Feed(const char* data, size_t size);

    DigestKind Kind() const { return m_kind; }
    // Bytes of the file the digest covers: the prefix and everything fed since Restart.
    uint64_t Length() const { return m_length; }
    // Waits until everything fed is hashed. Lower-case hexadecimal, or empty for kNone or when
    // the prefix could not be read.
    std::string Result();

private:
    using Context = std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)>;

    void HashLoop();

    // Written by the feeding thread only.
    DigestKind m_kind = DigestKind::kNone;
    uint64_t m_length = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Context m_context{nullptr, &EVP_MD_CTX_free};  // used by the hashing thread while busy
    std::string m_prefixPath;                      // guarded by m_mutex
    uint64_t m_prefixBytes = 0;                    // still to hash; guarded by m_mutex
    bool m_failed = false;                         // guarded by m_mutex
    std::deque<std::vector<char>> m_queue;         // guarded by m_mutex
    size_t m_queued = 0;                           // bytes in m_queue
    bool m_busy = false;                           // the hashing thread holds work
    bool m_stopping = false;
    std::thread m_thread;
};
