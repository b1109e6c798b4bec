// An HTTPS server on 127.0.0.1 whose self-signed certificate nobody vouches for, counting the
// requests that reach it; for tests that clients keep their certificate checks on.
#pragma once

#include <httplib.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace testing_support {

class UntrustedTlsServer {
public:
    UntrustedTlsServer() : m_identity(), m_server(m_identity.cert, m_identity.key) {
        m_server.set_pre_routing_handler(
            [this](const httplib::Request&, httplib::Response& response) {
                ++m_requests;
                response.status = 200;
                return httplib::Server::HandlerResponse::Handled;
            });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~UntrustedTlsServer() {
        m_server.stop();
        m_thread.join();
    }
    UntrustedTlsServer(const UntrustedTlsServer&) = delete;
    UntrustedTlsServer& operator=(const UntrustedTlsServer&) = delete;

    bool Valid() const { return m_server.is_valid() && m_port > 0; }
    std::string Url(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(m_port) + path;
    }
    int Requests() const { return m_requests.load(); }

private:
    // A certificate for 127.0.0.1, made in memory and signed by its own key.
    struct SelfSigned {
        SelfSigned() {
            key = EVP_EC_gen("P-256");
            cert = X509_new();
            X509_set_version(cert, 2);
            ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
            X509_gmtime_adj(X509_getm_notBefore(cert), -60);
            X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
            X509_set_pubkey(cert, key);
            X509_NAME* name = X509_get_subject_name(cert);
            X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                                       0);
            X509_set_issuer_name(cert, name);
            X509_sign(cert, key, EVP_sha256());
        }
        ~SelfSigned() {
            X509_free(cert);
            EVP_PKEY_free(key);
        }
        EVP_PKEY* key = nullptr;
        X509* cert = nullptr;
    };

    SelfSigned m_identity;
    httplib::SSLServer m_server;
    int m_port = -1;
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

}  // namespace testing_support
