#include "download/streaming_digest.h"

#include <algorithm>

#include "platform/paths.h"

namespace {

// Bytes read back and hashed at a time: large enough that a read costs little, small enough
// that a restart or a stop waits little.
constexpr size_t kReadBlock = 1u << 20;

}  // namespace

StreamingDigest::~StreamingDigest() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void StreamingDigest::Restart(DigestKind kind) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
    m_sources.clear();
    m_current = 0;
    m_hashed = 0;
    m_failed = false;
    m_hash = NewDigestHash(kind);
    if (!m_hash) return;
    if (!m_hash->Ready()) {
        m_failed = true;
        return;
    }
    if (!m_thread.joinable()) m_thread = std::thread([this] { HashLoop(); });
}

size_t StreamingDigest::AddFile(const std::string& path, uint64_t length, uint64_t written) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_hash) return m_sources.size();
    Source source;
    source.file.reset(platform::OpenStream(path, "rb"));
    // Unbuffered: a read never runs ahead of the bytes reported written.
    if (source.file == nullptr || std::setvbuf(source.file.get(), nullptr, _IONBF, 0) != 0)
        m_failed = true;
    source.length = length;
    source.written = written;
    m_sources.push_back(std::move(source));
    m_changed.notify_all();
    return m_sources.size() - 1;
}

void StreamingDigest::Advance(size_t index, uint64_t written) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (index >= m_sources.size() || written <= m_sources[index].written) return;
        m_sources[index].written = written;
    }
    m_changed.notify_all();
}

std::string StreamingDigest::Result() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy && !HasWork(); });
    if (!m_hash || m_failed) return {};
    return m_hash->HexDigest();
}

bool StreamingDigest::HasWork() const {
    if (m_failed || !m_hash || m_current >= m_sources.size()) return false;
    const Source& source = m_sources[m_current];
    // More bytes of the current file, or a complete file with another one after it.
    return m_hashed < std::min(source.written, source.length) ||
           (m_hashed == source.length && m_current + 1 < m_sources.size());
}

void StreamingDigest::HashLoop() {
    std::vector<unsigned char> block(kReadBlock);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || HasWork(); });
        if (m_stopping) return;
        const Source& source = m_sources[m_current];
        if (m_hashed == source.length) {
            ++m_current;
            m_hashed = 0;
            continue;
        }
        FILE* file = source.file.get();
        const size_t wanted = static_cast<size_t>(
            std::min<uint64_t>(std::min(source.written, source.length) - m_hashed, block.size()));
        m_busy = true;
        lock.unlock();
        // The file is read in order from its start, so the stream's position is m_hashed.
        const size_t read = std::fread(block.data(), 1, wanted, file);
        // An update fails only without memory.
        const bool hashed = read == wanted && m_hash->Update(block.data(), read);
        lock.lock();
        m_busy = false;
        if (hashed)
            m_hashed += read;
        else
            m_failed = true;  // fewer bytes than reported: the file changed under us
        m_changed.notify_all();
    }
}
