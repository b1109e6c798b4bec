// DefaultConsumer: the bounded queue of serialised records between event assembly and the
// collection server, with the staging file that carries records across runs.
// Threading: every method is safe on any thread. Send takes only the queue lock; Flush holds
// the flush lock (one upload at a time) and releases the queue lock while a batch is in
// flight, so appends go on during an upload.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/sdk/http_sender.h"
#include "analytics/sdk/object_node.h"

namespace event_collect {

class DefaultConsumer {
public:
    static constexpr size_t kCapacity = 1024;
    static constexpr size_t kBatchSize = 30;

    DefaultConsumer(const std::string& serverUrl, std::string stagingFilePath);
    // Uploads through `sender` instead of an HttpSender of its own (for tests).
    DefaultConsumer(std::unique_ptr<HttpSender> sender, std::string stagingFilePath);
    ~DefaultConsumer();  // closes the queue
    DefaultConsumer(const DefaultConsumer&) = delete;
    DefaultConsumer& operator=(const DefaultConsumer&) = delete;

    // Serialises `record` and appends it; a full queue drops its oldest record.
    void Send(const utils::ObjectNode& record);

    // Uploads at most one batch of the oldest records; true when that batch was accepted or
    // nothing was queued. A failed batch goes back to the front as far as room allows.
    bool Flush();

    // Flushes until the queue is empty; false at the first failed batch.
    bool FlushAll();

    // Writes every queued record to the staging file and stops uploading. Later calls and
    // later flushes do nothing.
    void Close();

    // A snapshot of the queued records, oldest first.
    std::vector<std::string> Records() const;
    size_t Size() const;

private:
    void LoadStagingFileIfPending();  // queue lock held or taken here

    mutable std::recursive_mutex m_queueMutex;  // guards m_records, m_loadPending, m_sender
    std::mutex m_flushMutex;
    std::deque<std::string> m_records;
    std::string m_stagingFilePath;
    bool m_loadPending = true;
    std::unique_ptr<HttpSender> m_sender;
};

}  // namespace event_collect
