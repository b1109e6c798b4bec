// CollectServer: the reference collection server. Accepts the analytics form POST on
// "/sa?project=pc", decodes it (URL-unescape, Base64, gunzip, JSON array) and stores every
// record in SQLite, answering 200. Knobs make it answer another status or hold each answer
// back for a while. Binds to 127.0.0.1 only; serves on threads of its own until Stop.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/collect-server/record_store.h"

namespace httplib {
class Server;
}

namespace collect_server {

struct ServerOptions {
    std::string databasePath = ":memory:";
    int port = 0;              // 0: any free port
    int answerStatus = 200;    // another value: answer it and store nothing
    int hangMilliseconds = 0;  // hold each answer back this long (cut short by Stop)
    bool control = false;      // also answer the control channel (control_channel.h)
};

class CollectServer {
public:
    explicit CollectServer(ServerOptions options);
    ~CollectServer();  // stops
    CollectServer(const CollectServer&) = delete;
    CollectServer& operator=(const CollectServer&) = delete;

    // Opens the store, binds and starts serving; false with `error` set on failure.
    bool Start(std::string* error);
    // Stops accepting, ends held answers and waits for the serving thread.
    void Stop();

    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>/sa?project=pc"
    std::string Url() const;

    // Knobs, changeable while serving.
    void SetAnswerStatus(int status) { m_answerStatus = status; }
    void SetHangMilliseconds(int ms) { m_hangMilliseconds = ms; }

    std::vector<StoredRecord> Records() const { return m_store.List(); }
    int UploadCount() const { return m_uploads; }  // POSTs to /sa received, any outcome
    // The raw body of the most recent POST to /sa.
    std::string LastBody() const;

private:
    struct Answer {
        int status;
        std::string text;
    };
    Answer Handle(const std::string& project, const std::string& body);
    void Hang();

    ServerOptions m_options;
    RecordStore m_store;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<int> m_answerStatus;
    std::atomic<int> m_hangMilliseconds;
    std::atomic<int> m_uploads{0};
    std::atomic<bool> m_listenEnded{false};

    mutable std::mutex m_mutex;  // guards m_stopping and m_lastBody
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::string m_lastBody;
};

}  // namespace collect_server
