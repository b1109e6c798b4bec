// DefaultConsumer: the bounded queue of serialised records between event assembly and the
// collection server, kept on disk in the staging file so that a record leaves it only once
// the server has accepted it: a kill or a power failure loses nothing, and the next run sends
// what is left (after the records it finds, and before its own).
// Threading: every method is safe on any thread. Send takes only the queue lock; Flush holds
// the flush lock (one upload at a time) and releases the queue lock while a batch is in
// flight and while the staging file is rewritten after it, so appends go on meanwhile.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/sdk/http_sender.h"
#include "analytics/sdk/object_node.h"
#include "analytics/sdk/staging_file.h"

namespace event_collect {

class DefaultConsumer {
public:
    static constexpr size_t kCapacity = 1024;
    static constexpr size_t kBatchSize = 30;

    // Reads the staging file's records at once; they join the queue at LoadStagingFile.
    DefaultConsumer(const std::string& serverUrl, std::string stagingFilePath);
    // Uploads through `sender` instead of an HttpSender of its own (for tests).
    DefaultConsumer(std::unique_ptr<HttpSender> sender, std::string stagingFilePath);
    ~DefaultConsumer();  // closes the queue
    DefaultConsumer(const DefaultConsumer&) = delete;
    DefaultConsumer& operator=(const DefaultConsumer&) = delete;

    // Serialises `record`, appends it to the staging file and to the queue; a full queue drops
    // its oldest record.
    void Send(const utils::ObjectNode& record);

    // Puts the staging file's records of earlier runs in front of the queue, only the newest
    // that fit. Only the first call does anything; Flush, FlushAll and Close make it first.
    void LoadStagingFile();

    // Uploads at most one batch of the oldest records; true when that batch was accepted or
    // nothing was queued. An accepted batch leaves the staging file; a failed one goes back
    // to the front of the queue as far as room allows.
    bool Flush();

    // Flushes until the queue is empty; false at the first failed batch.
    bool FlushAll();

    // Stops uploading and rewrites the staging file to hold exactly the queue. Later calls and
    // later flushes do nothing; records sent later are still appended to the file.
    void Close();

    // A snapshot of the queued records, oldest first.
    std::vector<std::string> Records() const;
    size_t Size() const;

private:
    // What the staging file must hold: the queue behind the earlier runs' records not loaded
    // yet that would still fit. Queue lock held.
    std::vector<std::string> StagingContent() const;
    // Rewrites the staging file after an accepted batch. Flush lock held, queue lock not.
    void RewriteStagingFile();

    // Guards m_records, m_earlier, m_appended, m_loadPending, m_rewriting, m_stagingFile
    // (but see RewriteStagingFile) and m_sender.
    mutable std::recursive_mutex m_queueMutex;
    std::mutex m_flushMutex;
    std::deque<std::string> m_records;
    std::vector<std::string> m_earlier;  // the staging file's records until they are loaded
    uint64_t m_appended = 0;             // records appended to the staging file so far
    bool m_loadPending = true;
    bool m_rewriting = false;  // a Flush is rewriting the staging file without the queue lock
    StagingFile m_stagingFile;
    std::unique_ptr<HttpSender> m_sender;
};

}  // namespace event_collect
