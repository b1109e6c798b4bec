// PackageServer: the package download server for the demo, the tests and the benchmark.
// Serves one package file from disk over HTTP on loopback: "/software/353" redirects to
// "/<md5>/<file name>" (or "/<sha-256>/<file name>"), and any path whose last segment is the file
// name serves the file (HEAD gives its length, single byte ranges are honoured). Fault knobs make
// it misbehave on request, and it records every request it saw.
//
// Answers on its own threads once Start returns; every method is safe on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace package_server {

enum class DigestMode {
    kCorrect,      // the package's digest, lower-case hexadecimal
    kUpperCase,    // the right digest in upper case
    kWrong,        // 32 lower-case hexadecimal characters that are not the digest
    kNone,         // a directory that is no digest at all ("package")
    kSha256,       // the package's SHA-256, lower-case hexadecimal (what a release publishes)
    kSha256Wrong,  // 64 lower-case hexadecimal characters that are not the SHA-256
};

// What the server does wrong; the defaults do nothing wrong.
struct Faults {
    uint64_t throttleBytesPerSecond = 0;  // 0: as fast as the connection takes it
    int64_t cutAfterBytes = -1;           // close each body after this many bytes; -1: never
    int headStatus = 0;                   // answer HEAD for the package with this status; 0: normal
    int getStatus = 0;                    // answer GET for the package with this status; 0: normal
    bool noLength = false;     // send no Content-Length (body ends when the connection does)
    bool ignoreRange = false;  // answer 200 with the whole file whatever the Range says
    DigestMode digest = DigestMode::kCorrect;  // what the redirect puts before the file name
    // The body faults (throttle, cut, stall, reset, extra bytes, GET status) only hit requests
    // whose first byte lies at or past this package offset, e.g. only the second half of a
    // ranged download.
    uint64_t faultsFrom = 0;
    bool hang = false;  // accept every request and never answer it (until the server stops)
    // Stop sending each body after this many bytes but keep the connection open (until the
    // client gives up or the server stops); -1: never.
    int64_t stallAfterBytes = -1;
    // Send this many filler bytes after the file or range the answer announces (Content-Length
    // counts them, Content-Range does not).
    uint64_t extraBytes = 0;
    // "/software/353" redirects to "/loop/1", and "/loop/N" to "/loop/N+1", for ever.
    bool redirectLoop = false;
    // Reset each body's connection (RST, no orderly close) once this many bytes are sent; what
    // the kernel still held for the client is dropped, so at most that many arrive. -1: never.
    int64_t resetAfterBytes = -1;
};

struct RequestRecord {
    std::string method;
    std::string path;
    std::string range;  // the Range header as received; empty when there was none
    int status = 0;     // the status answered
};

class PackageServer {
public:
    explicit PackageServer(std::string packagePath);
    // Stops the server.
    ~PackageServer();
    PackageServer(const PackageServer&) = delete;
    PackageServer& operator=(const PackageServer&) = delete;

    // Makes the server also answer its control channel (control_text.h): faults set and the
    // request log read over HTTP, for a test in another process. Call before Start.
    void EnableControl();
    // Reads the package's length and digest and answers on 127.0.0.1:`port` (0: a free port
    // chosen by the system). False when the file cannot be read or the port cannot be bound.
    bool Start(int port = 0);
    // Ends running transfers and waits for the server's threads. Start may not follow.
    void Stop();

    int Port() const;
    std::string BaseUrl() const;      // "http://127.0.0.1:<port>"
    std::string DownloadUrl() const;  // BaseUrl() + "/software/353"
    std::string Digest() const;       // the package's MD5, lower-case hexadecimal
    std::string Sha256() const;       // the package's SHA-256, lower-case hexadecimal
    uint64_t Length() const;

    void SetFaults(const Faults& faults);
    std::vector<RequestRecord> Requests() const;
    // Called on a server thread for every request, after it has been recorded.
    void SetRequestObserver(std::function<void(const RequestRecord&)> observer);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace package_server
