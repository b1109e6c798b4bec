#include "download/streaming_digest.h"

namespace {

// Bytes fed but not yet hashed, at most: Feed waits beyond this.
constexpr size_t kQueueLimit = 16u << 20;

}  // namespace

StreamingDigest::~StreamingDigest() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void StreamingDigest::Restart(DigestKind kind, const std::string& path, uint64_t prefixBytes) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy && m_queue.empty() && m_prefixBytes == 0; });
    m_kind = kind;
    m_length = prefixBytes;
    m_failed = false;
    m_context.reset();
    const EVP_MD* method = DigestMethod(kind);
    if (method == nullptr) return;
    m_context.reset(EVP_MD_CTX_new());
    if (!m_context || EVP_DigestInit_ex(m_context.get(), method, nullptr) != 1) {
        m_failed = true;
        return;
    }
    m_prefixPath = path;
    m_prefixBytes = prefixBytes;
    if (!m_thread.joinable()) m_thread = std::thread([this] { HashLoop(); });
    m_changed.notify_all();
}

void StreamingDigest::Feed(const char* data, size_t size) {
    if (size == 0 || m_kind == DigestKind::kNone) return;
    m_length += size;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queued < kQueueLimit || m_stopping; });
    m_queue.emplace_back(data, data + size);
    m_queued += size;
    m_changed.notify_all();
}

std::string StreamingDigest::Result() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy && m_queue.empty() && m_prefixBytes == 0; });
    if (!m_context || m_failed) return {};
    Context copy(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!copy || EVP_MD_CTX_copy_ex(copy.get(), m_context.get()) != 1 ||
        EVP_DigestFinal_ex(copy.get(), digest, &size) != 1)
        return {};
    return DigestHex(digest, size);
}

void StreamingDigest::HashLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock,
                       [this] { return m_stopping || m_prefixBytes > 0 || !m_queue.empty(); });
        if (m_stopping) return;
        m_busy = true;
        if (m_prefixBytes > 0) {
            const std::string path = m_prefixPath;
            const uint64_t bytes = m_prefixBytes;
            m_prefixBytes = 0;
            lock.unlock();
            const bool read = HashFile(m_context.get(), path, bytes);
            lock.lock();
            if (!read) m_failed = true;
        } else {
            std::vector<char> chunk = std::move(m_queue.front());
            m_queue.pop_front();
            m_queued -= chunk.size();
            m_changed.notify_all();  // room for a waiting Feed
            lock.unlock();
            // An update fails only without memory.
            const bool hashed = EVP_DigestUpdate(m_context.get(), chunk.data(), chunk.size()) == 1;
            lock.lock();
            if (!hashed) m_failed = true;
        }
        m_busy = false;
        m_changed.notify_all();
    }
}
