// The package server of a Windows test: the Linux package-server run under Wine with its
// control channel (tools/package-server/control_text.h), behind the part of
// package_server::PackageServer that the download tests use, so that the same test text runs
// on both systems. The faults are set and the request log is read over loopback HTTP; a
// control request that fails is a test failure. Windows only; one object, one thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/linux_server.h"
#include "tools/package-server/package_server.h"

namespace download_test {

class RemotePackageServer {
public:
    // `packagePath`: the package file, a UTF-8 Windows path whose Linux path is ASCII.
    explicit RemotePackageServer(std::string packagePath);
    ~RemotePackageServer();
    RemotePackageServer(const RemotePackageServer&) = delete;
    RemotePackageServer& operator=(const RemotePackageServer&) = delete;

    // Starts the server and reads the package's length and digests from it; false (with the
    // reason written to the test's output) when it does not answer.
    bool Start();
    // Stops the server; Requests() goes on giving what it had recorded.
    void Stop();

    int Port() const { return m_port; }
    std::string BaseUrl() const;      // "http://127.0.0.1:<port>"
    std::string DownloadUrl() const;  // BaseUrl() + "/software/353"
    std::string Digest() const { return m_md5; }
    std::string Sha256() const { return m_sha256; }
    uint64_t Length() const { return m_length; }

    void SetFaults(const package_server::Faults& faults);
    std::vector<package_server::RequestRecord> Requests() const;

private:
    std::string m_packagePath;
    std::unique_ptr<testing_support::LinuxServer> m_server;
    int m_port = 0;
    uint64_t m_length = 0;
    std::string m_md5;
    std::string m_sha256;
    std::vector<package_server::RequestRecord> m_lastRequests;  // as read when it stopped
    bool m_logKept = true;
};

}  // namespace download_test
