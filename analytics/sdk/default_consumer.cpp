#include "analytics/sdk/default_consumer.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <optional>
#include <utility>

#include "analytics/sdk/diagnostics.h"

namespace event_collect {

// The staging file always ends with the queue, in queue order: every record is appended as it
// is queued, and records only ever leave the queue from the front (a full queue's oldest, a
// batch, the part of a failed batch there is no room for). A run that ends without closing
// therefore leaves the queue as the newest lines of the file, which is what the next run
// loads. The lines in front of the queue are dropped by rewriting the file.

DefaultConsumer::DefaultConsumer(const std::string& serverUrl, std::string stagingFilePath)
    : DefaultConsumer(std::make_unique<HttpSender>(serverUrl), std::move(stagingFilePath)) {}

DefaultConsumer::DefaultConsumer(std::unique_ptr<HttpSender> sender, std::string stagingFilePath)
    : m_stagingFile(std::move(stagingFilePath)), m_sender(std::move(sender)) {
    // Read before this run appends anything, so the run's own records are never taken for
    // earlier ones.
    m_earlier = m_stagingFile.Open(kCapacity);
}

DefaultConsumer::~DefaultConsumer() {
    Close();
}

void DefaultConsumer::Send(const utils::ObjectNode& record) {
    std::string text = record.ToJson();
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    // On disk before the caller goes on: from here a kill cannot lose the record.
    m_stagingFile.Append(text);
    ++m_appended;
    m_records.push_back(std::move(text));
    if (m_records.size() > kCapacity) m_records.pop_front();
    // Records a full queue drops stay in the file until it is rewritten; with the server away
    // they would pile up. Rewriting once per kCapacity records keeps the cost per record small.
    // A Flush rewriting the file meanwhile drops them anyway.
    if (!m_rewriting && m_stagingFile.Lines() > 2 * kCapacity)
        m_stagingFile.Replace(StagingContent());
}

std::vector<std::string> DefaultConsumer::StagingContent() const {
    const size_t room = kCapacity - std::min(m_records.size(), kCapacity);
    const size_t earlier = std::min(room, m_earlier.size());
    std::vector<std::string> content;
    content.reserve(earlier + m_records.size());
    content.insert(content.end(), m_earlier.end() - static_cast<std::ptrdiff_t>(earlier),
                   m_earlier.end());
    content.insert(content.end(), m_records.begin(), m_records.end());
    return content;
}

void DefaultConsumer::LoadStagingFile() {
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    if (!m_loadPending) return;
    m_loadPending = false;
    // Earlier runs' records are older than anything queued in this run: they go in front, and
    // only the newest of them that still fit. They stay in the file until accepted.
    const size_t room = kCapacity - std::min(m_records.size(), kCapacity);
    const size_t n = std::min(room, m_earlier.size());
    m_records.insert(m_records.begin(),
                     std::make_move_iterator(m_earlier.end() - static_cast<std::ptrdiff_t>(n)),
                     std::make_move_iterator(m_earlier.end()));
    m_earlier = {};
}

bool DefaultConsumer::Flush() {
    LoadStagingFile();
    std::lock_guard<std::mutex> flushLock(m_flushMutex);
    std::unique_lock<std::recursive_mutex> queueLock(m_queueMutex);
    // After Close nothing more is uploaded: the records wait in the staging file for the next
    // run, which would otherwise send them a second time.
    if (!m_sender) return false;
    const size_t n = std::min(m_records.size(), kBatchSize);
    if (n == 0) return true;
    try {
        std::vector<std::string> batch(m_records.begin(), m_records.begin() + n);
        m_records.erase(m_records.begin(), m_records.begin() + n);
        queueLock.unlock();

        std::string text = "[";
        for (size_t i = 0; i < batch.size(); ++i) {
            if (i > 0) text.push_back(',');
            text.append(batch[i]);
        }
        text.push_back(']');

        // The sender is only destroyed by Close, which cannot run its destruction while this
        // flush holds the flush lock.
        const bool ok = m_sender->Send(text);
        if (ok) {
            RewriteStagingFile();
        } else {
            queueLock.lock();
            const size_t room = kCapacity - std::min(m_records.size(), kCapacity);
            const size_t back = std::min(n, room);
            // The newest records of the batch go back, ahead of everything queued meanwhile.
            // They never left the staging file.
            m_records.insert(m_records.begin(), std::make_move_iterator(batch.end() - back),
                             std::make_move_iterator(batch.end()));
        }
        return ok;
    } catch (const std::exception& e) {
        WriteDiagnostic(std::string("Exception when flush failed: (") + e.what() + ") ");
        return false;
    }
}

void DefaultConsumer::RewriteStagingFile() {
    std::vector<std::string> content;
    uint64_t appendedBefore = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
        if (!m_stagingFile.IsOpen()) return;
        content = StagingContent();
        appendedBefore = m_appended;
        m_rewriting = true;
    }
    // Written and synced without the queue lock, so that tracking does not wait for the disk.
    std::optional<StagingFile::Prepared> prepared;
    try {
        prepared = m_stagingFile.Prepare(content);
    } catch (const std::exception&) {
        // Out of memory: the file stays as it is, only longer.
    }
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    m_rewriting = false;
    if (!prepared) return;
    // Records sent meanwhile went to the old file and are the newest in the queue; nothing
    // else changed the queue, since this flush holds the flush lock.
    const size_t meanwhile =
        static_cast<size_t>(std::min<uint64_t>(m_appended - appendedBefore, m_records.size()));
    const std::vector<std::string> tail(m_records.end() - static_cast<std::ptrdiff_t>(meanwhile),
                                        m_records.end());
    m_stagingFile.Commit(std::move(*prepared), tail);
}

bool DefaultConsumer::FlushAll() {
    LoadStagingFile();
    while (Size() > 0) {
        if (!Flush()) return false;
    }
    return true;
}

void DefaultConsumer::Close() {
    // The flush lock first: a batch in flight comes back (or not) before the file is
    // rewritten, so a failed upload at shut-down is kept for the next run.
    std::lock_guard<std::mutex> flushLock(m_flushMutex);
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    if (!m_sender) return;
    LoadStagingFile();
    // Everything queued is on disk already; the rewrite drops what the queue has dropped.
    m_stagingFile.Replace(StagingContent());
    m_sender.reset();
}

std::vector<std::string> DefaultConsumer::Records() const {
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    return {m_records.begin(), m_records.end()};
}

size_t DefaultConsumer::Size() const {
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    return m_records.size();
}

}  // namespace event_collect
