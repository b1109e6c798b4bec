#include "tools/collect-server/collect_server.h"

#include <httplib.h>

#include <chrono>

#include "tools/collect-server/batch_decoding.h"
#include "tools/collect-server/control_channel.h"
#include "tools/collect-server/form_body.h"

namespace collect_server {
namespace {

// A batch is at most 30 records of a few kilobytes; anything this large is not a batch.
constexpr size_t kMaxBatchText = 64u << 20;

int64_t NowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

CollectServer::CollectServer(ServerOptions options)
    : m_options(std::move(options)),
      m_answerStatus(m_options.answerStatus),
      m_hangMilliseconds(m_options.hangMilliseconds) {}

CollectServer::~CollectServer() {
    Stop();
}

std::string CollectServer::Url() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/sa?project=pc";
}

std::string CollectServer::LastBody() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastBody;
}

bool CollectServer::Start(std::string* error) {
    if (m_server) {
        *error = "already started";
        return false;
    }
    if (!m_store.Open(m_options.databasePath, error)) return false;
    m_server = std::make_unique<httplib::Server>();
    m_server->Post("/sa", [this](const httplib::Request& request, httplib::Response& response) {
        const Answer answer = Handle(request.get_param_value("project"), request.body);
        response.status = answer.status;
        if (!answer.text.empty()) response.set_content(answer.text, "text/plain");
    });
    if (m_options.control) AddControlRoutes(*m_server, *this);
    if (m_options.port == 0) {
        m_port = m_server->bind_to_any_port("127.0.0.1");
    } else {
        m_port = m_server->bind_to_port("127.0.0.1", m_options.port) ? m_options.port : -1;
    }
    if (m_port <= 0) {
        *error = "cannot bind 127.0.0.1:" + std::to_string(m_options.port);
        m_server.reset();
        return false;
    }
    m_listenEnded = false;
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_listenEnded = true;
    });
    // The server ignores a stop request until its accept loop runs; wait for that so that an
    // early Stop cannot leave the loop running for ever.
    while (!m_server->is_running() && !m_listenEnded) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void CollectServer::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_server) m_server->stop();
    if (m_thread.joinable()) m_thread.join();
}

void CollectServer::Hang() {
    const int ms = m_hangMilliseconds;
    if (ms <= 0) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

CollectServer::Answer CollectServer::Handle(const std::string& project, const std::string& body) {
    ++m_uploads;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastBody = body;
    }
    Hang();
    const int status = m_answerStatus;
    if (status != 200) return {status, status == 204 ? "" : "refused by the status knob"};
    if (project != "pc") return {404, "unknown project"};

    const auto field = FormField(body, "data_list");
    if (!field) return {400, "no data_list field"};
    const auto base64 = UrlUnescape(*field);
    if (!base64) return {400, "data_list is not URL-escaped text"};
    const auto bytes = Base64Decode(*base64);
    if (!bytes) return {400, "data_list is not Base64"};
    std::string text;
    const auto gzip = FormField(body, "gzip");
    if (gzip && *gzip == "1") {
        auto inflated = Gunzip(*bytes, kMaxBatchText);
        if (!inflated) return {400, "data_list is not a gzip stream"};
        text = std::move(*inflated);
    } else {
        text = *bytes;
    }
    std::string error;
    const auto records = SplitRecords(text, &error);
    if (!records) return {400, error};
    if (!m_store.Add(*records, NowMilliseconds(), &error)) return {500, error};
    return {200, "ok"};
}

}  // namespace collect_server
