// RecordStore: the collection server's SQLite table of received records, each with the time
// it arrived. Safe on any thread (one connection behind a mutex).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace collect_server {

struct StoredRecord {
    int64_t id = 0;
    int64_t receivedMs = 0;  // milliseconds since the Unix epoch
    std::string record;      // the record's JSON text exactly as it arrived
};

class RecordStore {
public:
    RecordStore() = default;
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Opens (creating when missing) the database at `path`; ":memory:" keeps it in memory.
    bool Open(const std::string& path, std::string* error);

    // Stores all records of one batch in one transaction.
    bool Add(const std::vector<std::string>& records, int64_t receivedMs, std::string* error);

    std::vector<StoredRecord> List() const;

private:
    mutable std::mutex m_mutex;
    sqlite3* m_db = nullptr;
};

}  // namespace collect_server
