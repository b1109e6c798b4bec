#include "tools/collect-server/record_store.h"

#include <sqlite3.h>

namespace collect_server {
namespace {

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

std::string LastError(sqlite3* db) {
    return db != nullptr ? sqlite3_errmsg(db) : "no database";
}

}  // namespace

RecordStore::~RecordStore() {
    sqlite3_close(m_db);
}

bool RecordStore::Open(const std::string& path, std::string* error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) {
        *error = LastError(m_db);
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    const char* schema =
        "CREATE TABLE IF NOT EXISTS records ("
        "id INTEGER PRIMARY KEY AUTOINCREMENT, received_ms INTEGER NOT NULL, record TEXT NOT NULL)";
    if (sqlite3_exec(m_db, schema, nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = LastError(m_db);
        return false;
    }
    return true;
}

bool RecordStore::Add(const std::vector<std::string>& records, int64_t receivedMs,
                      std::string* error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_db == nullptr) {
        *error = "database not open";
        return false;
    }
    if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = LastError(m_db);
        return false;
    }
    Statement insert;
    bool ok = sqlite3_prepare_v2(m_db, "INSERT INTO records (received_ms, record) VALUES (?, ?)",
                                 -1, &insert.stmt, nullptr) == SQLITE_OK;
    for (size_t i = 0; ok && i < records.size(); ++i) {
        sqlite3_reset(insert.stmt);
        sqlite3_bind_int64(insert.stmt, 1, receivedMs);
        // Bound with its length, so every byte is kept as it came.
        sqlite3_bind_text(insert.stmt, 2, records[i].data(), static_cast<int>(records[i].size()),
                          SQLITE_TRANSIENT);
        ok = sqlite3_step(insert.stmt) == SQLITE_DONE;
    }
    if (!ok) {
        *error = LastError(m_db);
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = LastError(m_db);
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

std::vector<StoredRecord> RecordStore::List() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<StoredRecord> out;
    if (m_db == nullptr) return out;
    Statement select;
    if (sqlite3_prepare_v2(m_db, "SELECT id, received_ms, record FROM records ORDER BY id", -1,
                           &select.stmt, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(select.stmt) == SQLITE_ROW) {
        StoredRecord row;
        row.id = sqlite3_column_int64(select.stmt, 0);
        row.receivedMs = sqlite3_column_int64(select.stmt, 1);
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(select.stmt, 2));
        row.record.assign(text != nullptr ? text : "",
                          static_cast<size_t>(sqlite3_column_bytes(select.stmt, 2)));
        out.push_back(std::move(row));
    }
    return out;
}

}  // namespace collect_server
