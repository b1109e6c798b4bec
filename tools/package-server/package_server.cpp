#include "tools/package-server/package_server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>
#include <openssl/evp.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "tools/package-server/control_text.h"
#include "tools/package-server/file_body.h"
#include "tools/package-server/range_header.h"

namespace package_server {

namespace {

constexpr const char* kHost = "127.0.0.1";
constexpr const char* kRedirectPath = "/software/353";
constexpr const char* kLoopPath = "/loop/";
constexpr const char* kContentType = "application/octet-stream";
constexpr auto kHangPoll = std::chrono::milliseconds(20);

std::string Hex(const unsigned char* bytes, unsigned int size) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 0xF]);
    }
    return text;
}

// Length, lower-case MD5 and SHA-256 of the file, read once in blocks; false when it cannot be
// read.
bool ReadPackage(const std::string& path, uint64_t* length, std::string* md5, std::string* sha256) {
    using Context = std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)>;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    Context md5Context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    Context shaContext(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!file || !md5Context || !shaContext ||
        EVP_DigestInit_ex(md5Context.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestInit_ex(shaContext.get(), EVP_sha256(), nullptr) != 1)
        return false;
    std::vector<unsigned char> block(1 << 16);
    *length = 0;
    size_t read = 0;
    while ((read = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
        EVP_DigestUpdate(md5Context.get(), block.data(), read);
        EVP_DigestUpdate(shaContext.get(), block.data(), read);
        *length += read;
    }
    if (std::ferror(file.get())) return false;
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(md5Context.get(), md, &size);
    *md5 = Hex(md, size);
    EVP_DigestFinal_ex(shaContext.get(), md, &size);
    *sha256 = Hex(md, size);
    return true;
}

// The local and peer port of the IPv4 socket `fd`; false when it is none or not connected.
bool SocketPorts(int fd, int* local, int* peer) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        address.sin_family != AF_INET)
        return false;
    *local = ntohs(address.sin_port);
    size = sizeof address;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) return false;
    *peer = ntohs(address.sin_port);
    return true;
}

// Aborts the server's connection from `localPort` to the client's `remotePort`: the client gets
// a reset (RST) and reads ECONNRESET. The library hides the socket from the handlers, so it is
// looked up among the process's descriptors; the calling thread is the one serving it, so the
// descriptor cannot be closed under us. The socket is disconnected (the library closes it
// afterwards): SO_LINGER 0 alone is not enough, because the library's close starts with an
// orderly shutdown whose FIN the client reads as a plain end of the body, before the RST.
void ResetConnection(int localPort, int remotePort) {
    DIR* descriptors = opendir("/proc/self/fd");
    if (descriptors == nullptr) return;
    while (const dirent* entry = readdir(descriptors)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        int local = 0;
        int peer = 0;
        if (end == entry->d_name || *end != '\0' || fd == dirfd(descriptors) ||
            !SocketPorts(static_cast<int>(fd), &local, &peer) || local != localPort ||
            peer != remotePort)
            continue;
        const linger none{1, 0};
        setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_LINGER, &none, sizeof none);
        sockaddr unspecified{};
        unspecified.sa_family = AF_UNSPEC;
        connect(static_cast<int>(fd), &unspecified, sizeof unspecified);
        break;
    }
    closedir(descriptors);
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

struct PackageServer::Impl {
    std::string packagePath;
    std::string fileName;
    uint64_t length = 0;
    std::string digest;
    std::string sha256;

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<bool> stopping{false};
    bool control = false;

    mutable std::mutex mutex;  // guards faults, requests and observer
    Faults faults;
    std::vector<RequestRecord> requests;
    std::function<void(const RequestRecord&)> observer;

    void Handle(const httplib::Request& request, httplib::Response& response);
    void Record(const RequestRecord& record);
    void AddControlHandlers();
    void ServePackage(const httplib::Request& request, httplib::Response& response,
                      const Faults& faults);
    std::string RedirectPath(DigestMode mode) const;
    bool IsPackagePath(const std::string& path) const;
};

std::string PackageServer::Impl::RedirectPath(DigestMode mode) const {
    std::string directory = digest;
    switch (mode) {
        case DigestMode::kCorrect:
            break;
        case DigestMode::kUpperCase:
            std::transform(directory.begin(), directory.end(), directory.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            break;
        case DigestMode::kWrong:
            directory[0] = directory[0] == '0' ? '1' : '0';
            break;
        case DigestMode::kNone:
            directory = "package";
            break;
        case DigestMode::kSha256:
            directory = sha256;
            break;
        case DigestMode::kSha256Wrong:
            directory = sha256;
            directory[0] = directory[0] == '0' ? '1' : '0';
            break;
    }
    return "/" + directory + "/" + fileName;
}

bool PackageServer::Impl::IsPackagePath(const std::string& path) const {
    const size_t slash = path.rfind('/');
    return slash != std::string::npos && path.compare(slash + 1, std::string::npos, fileName) == 0;
}

void PackageServer::Impl::Handle(const httplib::Request& request, httplib::Response& response) {
    Faults current;
    {
        std::lock_guard<std::mutex> lock(mutex);
        current = faults;
    }
    // The library would cut the body to the requested range by itself; ranges are answered
    // here instead, so that the fault knobs can shape (or ignore) them.
    const_cast<httplib::Request&>(request).ranges.clear();

    if (current.hang) {
        // Recorded before the wait, so that a test sees the request arrive. No status line
        // ever goes out: the connection only ends when the client or the server gives up.
        Record({request.method, request.path, request.get_header_value("Range"), 0});
        while (!stopping.load())
            std::this_thread::sleep_for(kHangPoll);
        response.status = 503;
        return;
    }
    if (current.redirectLoop &&
        (request.path == kRedirectPath || request.path.starts_with(kLoopPath))) {
        uint64_t step = 0;
        if (request.path != kRedirectPath)
            step = std::strtoull(request.path.c_str() + std::strlen(kLoopPath), nullptr, 10);
        response.set_redirect(kLoopPath + std::to_string(step + 1), 302);
    } else if (request.path == kRedirectPath) {
        response.set_redirect(RedirectPath(current.digest), 302);
    } else if (IsPackagePath(request.path)) {
        ServePackage(request, response, current);
    } else {
        response.status = 404;
    }
    Record({request.method, request.path, request.get_header_value("Range"), response.status});
}

// Each control request is answered at once, whatever the faults, and is not recorded.
void PackageServer::Impl::AddControlHandlers() {
    constexpr const char* kText = "text/plain";
    server.Post(kControlFaultsPath, [this](const httplib::Request& request,
                                           httplib::Response& response) {
        Faults chosen;
        std::string error;
        for (const auto& [name, value] : request.params) {
            if (!SetFaultField(&chosen, name, value, &error)) {
                response.status = 400;
                response.set_content(error + "\n", kText);
                return;
            }
        }
        std::lock_guard<std::mutex> lock(mutex);
        faults = chosen;
        response.set_content("ok\n", kText);
    });
    server.Get(kControlRequestsPath, [this](const httplib::Request&, httplib::Response& response) {
        std::lock_guard<std::mutex> lock(mutex);
        response.set_content(RequestLines(requests), kText);
    });
    server.Get(kControlPackagePath, [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(PackageLine(length, digest, sha256), kText);
    });
}

void PackageServer::Impl::Record(const RequestRecord& record) {
    std::function<void(const RequestRecord&)> notify;
    {
        std::lock_guard<std::mutex> lock(mutex);
        requests.push_back(record);
        notify = observer;
    }
    if (notify) notify(record);
}

void PackageServer::Impl::ServePackage(const httplib::Request& request, httplib::Response& response,
                                       const Faults& current) {
    const bool head = request.method == "HEAD";
    if (head && current.headStatus != 0) {
        response.status = current.headStatus;
        return;
    }

    RangeRequest range;
    if (!current.ignoreRange && request.has_header("Range"))
        range = ParseRange(request.get_header_value("Range"), length);
    const uint64_t requestedFirst = range.kind == RangeKind::kNone ? 0 : range.range.first;
    const bool faulty = !head && requestedFirst >= current.faultsFrom;
    if (faulty && current.getStatus != 0) {
        response.status = current.getStatus;
        return;
    }
    if (range.kind == RangeKind::kUnsatisfiable) {
        response.status = 416;
        response.set_header("Content-Range", "bytes */" + std::to_string(length));
        return;
    }
    uint64_t first = 0;
    uint64_t count = length;
    response.status = 200;
    if (range.kind == RangeKind::kSatisfiable) {
        first = range.range.first;
        count = range.range.last - range.range.first + 1;
        response.status = 206;
        response.set_header("Content-Range", "bytes " + std::to_string(range.range.first) + "-" +
                                                 std::to_string(range.range.last) + "/" +
                                                 std::to_string(length));
    }
    response.set_header("Accept-Ranges", current.ignoreRange ? "none" : "bytes");

    BodyFaults bodyFaults;
    if (faulty) {
        bodyFaults.bytesPerSecond = current.throttleBytesPerSecond;
        bodyFaults.cutAfter = current.cutAfterBytes;
        bodyFaults.stallAfter = current.stallAfterBytes;
        bodyFaults.extraBytes = current.extraBytes;
        bodyFaults.resetAfter = current.resetAfterBytes;
        if (current.resetAfterBytes >= 0) {
            bodyFaults.resetConnection = [localPort = port, remotePort = request.remote_port] {
                ResetConnection(localPort, remotePort);
            };
        }
    }
    auto body = FileBody::Open(packagePath, first, count, bodyFaults, &stopping);
    if (!body) {
        response.status = 500;
        return;
    }
    if (count == 0) {
        response.set_content(std::string(), kContentType);
    } else if (current.noLength) {
        response.set_header("Connection", "close");
        response.set_content_provider(kContentType, [body](size_t offset, httplib::DataSink& sink) {
            if (offset >= body->Length()) {
                sink.done();
                return true;
            }
            return body->Send(offset, body->Length() - offset, sink.write);
        });
    } else {
        response.set_content_provider(body->Length(), kContentType,
                                      [body](size_t offset, size_t size, httplib::DataSink& sink) {
                                          return body->Send(offset, size, sink.write);
                                      });
    }
}

PackageServer::PackageServer(std::string packagePath) : m_impl(std::make_unique<Impl>()) {
    m_impl->fileName = BaseName(packagePath);
    m_impl->packagePath = std::move(packagePath);
}

PackageServer::~PackageServer() {
    Stop();
}

void PackageServer::EnableControl() {
    m_impl->control = true;
}

bool PackageServer::Start(int port) {
    Impl& impl = *m_impl;
    if (impl.thread.joinable() || impl.fileName.empty()) return false;
    if (!ReadPackage(impl.packagePath, &impl.length, &impl.digest, &impl.sha256)) return false;

    // Short keep-alive waits let Stop end idle connections quickly.
    impl.server.set_keep_alive_timeout(1);
    // Registered first: the library answers a request with the first handler that matches.
    if (impl.control) impl.AddControlHandlers();
    impl.server.Get(".*", [&impl](const httplib::Request& request, httplib::Response& response) {
        impl.Handle(request, response);
    });
    if (port > 0) {
        impl.port = impl.server.bind_to_port(kHost, port) ? port : -1;
    } else {
        impl.port = impl.server.bind_to_any_port(kHost);
    }
    if (impl.port <= 0) return false;
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
    // Stop only takes effect on a running server, so wait until it runs.
    while (!impl.server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void PackageServer::Stop() {
    if (!m_impl->thread.joinable()) return;
    m_impl->stopping = true;
    m_impl->server.stop();
    m_impl->thread.join();
}

int PackageServer::Port() const {
    return m_impl->port;
}

std::string PackageServer::BaseUrl() const {
    return std::string("http://") + kHost + ":" + std::to_string(m_impl->port);
}

std::string PackageServer::DownloadUrl() const {
    return BaseUrl() + kRedirectPath;
}

std::string PackageServer::Digest() const {
    return m_impl->digest;
}

std::string PackageServer::Sha256() const {
    return m_impl->sha256;
}

uint64_t PackageServer::Length() const {
    return m_impl->length;
}

void PackageServer::SetFaults(const Faults& faults) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->faults = faults;
}

std::vector<RequestRecord> PackageServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    return m_impl->requests;
}

void PackageServer::SetRequestObserver(std::function<void(const RequestRecord&)> observer) {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->observer = std::move(observer);
}

}  // namespace package_server
