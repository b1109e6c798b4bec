#include "analytics/sdk/default_consumer.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "analytics/sdk/diagnostics.h"
#include "analytics/sdk/staging_file.h"

namespace event_collect {

DefaultConsumer::DefaultConsumer(const std::string& serverUrl, std::string stagingFilePath)
    : DefaultConsumer(std::make_unique<HttpSender>(serverUrl), std::move(stagingFilePath)) {}

DefaultConsumer::DefaultConsumer(std::unique_ptr<HttpSender> sender, std::string stagingFilePath)
    : m_stagingFilePath(std::move(stagingFilePath)), m_sender(std::move(sender)) {}

DefaultConsumer::~DefaultConsumer() {
    Close();
}

void DefaultConsumer::Send(const utils::ObjectNode& record) {
    std::string text = record.ToJson();
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    m_records.push_back(std::move(text));
    if (m_records.size() > kCapacity) m_records.pop_front();
}

void DefaultConsumer::LoadStagingFileIfPending() {
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    if (!m_loadPending) return;
    if (m_records.size() < kCapacity) {
        // Staged records are older than anything queued in this run: they go in front, and
        // only the newest of them that still fit.
        const std::vector<std::string> staged =
            ReadStagedRecords(m_stagingFilePath, kCapacity - m_records.size());
        m_records.insert(m_records.begin(), staged.begin(), staged.end());
    }
    // Emptied in every case: what was loaded now lives in the queue and is written back at
    // Close, so nothing is sent twice.
    TruncateStagingFile(m_stagingFilePath);
    m_loadPending = false;
}

bool DefaultConsumer::Flush() {
    LoadStagingFileIfPending();
    std::lock_guard<std::mutex> flushLock(m_flushMutex);
    std::unique_lock<std::recursive_mutex> queueLock(m_queueMutex);
    // After Close the records are already in the staging file; uploading them as well would
    // send them twice.
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
        if (!ok) {
            queueLock.lock();
            const size_t room = kCapacity - std::min(m_records.size(), kCapacity);
            const size_t back = std::min(n, room);
            // The newest records of the batch go back, ahead of everything queued meanwhile.
            m_records.insert(m_records.begin(), std::make_move_iterator(batch.end() - back),
                             std::make_move_iterator(batch.end()));
        }
        return ok;
    } catch (const std::exception& e) {
        WriteDiagnostic(std::string("Exception when flush failed: (") + e.what() + ") ");
        return false;
    }
}

bool DefaultConsumer::FlushAll() {
    LoadStagingFileIfPending();
    while (Size() > 0) {
        if (!Flush()) return false;
    }
    return true;
}

void DefaultConsumer::Close() {
    // The flush lock first: a batch in flight comes back (or not) before the records are
    // written, so a failed upload at shut-down is kept for the next run.
    std::lock_guard<std::mutex> flushLock(m_flushMutex);
    std::lock_guard<std::recursive_mutex> lock(m_queueMutex);
    if (!m_sender) return;
    LoadStagingFileIfPending();
    WriteStagingFile(m_stagingFilePath, m_records);
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
