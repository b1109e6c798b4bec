#include "download/streaming_digest.h"

#include <algorithm>
#include <cstdio>

namespace {

// Bytes fed but not yet hashed, at most: Feed waits beyond this.
constexpr size_t kQueueLimit = 16u << 20;
constexpr size_t kPrefixBlock = 1u << 20;

const EVP_MD* Method(DigestKind kind) {
    switch (kind) {
        case DigestKind::kMd5:
            return EVP_md5();
        case DigestKind::kSha256:
            return EVP_sha256();
        case DigestKind::kNone:
            break;
    }
    return nullptr;
}

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
    const EVP_MD* method = Method(kind);
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
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text.push_back(kHex[digest[i] >> 4]);
        text.push_back(kHex[digest[i] & 0xF]);
    }
    return text;
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
            const bool read = HashPrefix(m_context.get(), path, bytes);
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

bool StreamingDigest::HashPrefix(EVP_MD_CTX* context, const std::string& path, uint64_t bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    std::vector<unsigned char> block(kPrefixBlock);
    while (bytes > 0) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(bytes, block.size()));
        const size_t read = std::fread(block.data(), 1, wanted, file.get());
        if (read == 0) return false;  // shorter than the bytes written, or unreadable
        if (EVP_DigestUpdate(context, block.data(), read) != 1) return false;
        bytes -= read;
    }
    return true;
}
