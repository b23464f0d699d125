#include "https_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace velmo::test {
namespace {

bool addExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (ext == nullptr) return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

// A certificate for key, signed by issuerKey (self-signed when issuer is null).
X509* makeCertificate(const char* commonName, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuerKey, long serial)
{
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1,
                               -1, 0);
    X509_set_issuer_name(cert, issuer != nullptr ? X509_get_subject_name(issuer) : name);
    X509* signer = issuer != nullptr ? issuer : cert;
    bool ok = addExtension(cert, signer, NID_subject_key_identifier, "hash") &&
              addExtension(cert, signer, NID_authority_key_identifier, "keyid:always");
    if (issuer == nullptr) {
        ok = ok && addExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE") &&
             addExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        ok = ok && addExtension(cert, signer, NID_basic_constraints, "CA:FALSE") &&
             addExtension(cert, signer, NID_key_usage, "critical,digitalSignature") &&
             addExtension(cert, signer, NID_ext_key_usage, "serverAuth") &&
             addExtension(cert, signer, NID_subject_alt_name, "IP:127.0.0.1");
    }
    if (!ok || X509_sign(cert, issuerKey, EVP_sha256()) == 0) {
        X509_free(cert);
        return nullptr;
    }
    return cert;
}

bool readRequest(SSL* ssl, std::string& path)
{
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (head.size() > 16384) return false;
        const int n = SSL_read(ssl, buffer, sizeof buffer);
        if (n <= 0) return false;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t start = head.find(' ');
    const std::size_t end = start == std::string::npos ? start : head.find(' ', start + 1);
    if (end == std::string::npos) return false;
    path = head.substr(start + 1, end - start - 1);
    return true;
}

bool writeAll(SSL* ssl, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const int n = SSL_write(ssl, data.data() + done, static_cast<int>(std::min<std::size_t>(data.size() - done, 1 << 16)));
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

HttpsTestServer::HttpsTestServer()
{
    std::signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the test
    char folder[] = "/tmp/velmo-https-XXXXXX";
    if (::mkdtemp(folder) == nullptr) return;
    folder_ = folder;

    EVP_PKEY* caKey = EVP_EC_gen("P-256");
    EVP_PKEY* serverKey = EVP_EC_gen("P-256");
    X509* ca = makeCertificate("Velmo Test CA", caKey, nullptr, caKey, 1);
    X509* server = ca != nullptr ? makeCertificate("127.0.0.1", serverKey, ca, caKey, 2) : nullptr;
    auto* ctx = SSL_CTX_new(TLS_server_method());
    bool ok = server != nullptr && ctx != nullptr && SSL_CTX_use_certificate(ctx, server) == 1 &&
              SSL_CTX_use_PrivateKey(ctx, serverKey) == 1;
    if (ok) {
        caFile_ = folder_ + "/ca.pem";
        FILE* f = std::fopen(caFile_.c_str(), "w");
        ok = f != nullptr && PEM_write_X509(f, ca) == 1;
        if (f != nullptr) std::fclose(f);
    }
    X509_free(server);
    X509_free(ca);
    EVP_PKEY_free(serverKey);
    EVP_PKEY_free(caKey);
    ssl_ = ctx;
    if (!ok) return;

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpsTestServer::~HttpsTestServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    if (acceptor_.joinable()) acceptor_.join();
    for (auto& connection : connections_) connection.join();
    if (listener_ >= 0) ::close(listener_);
    SSL_CTX_free(static_cast<SSL_CTX*>(ssl_));
    if (!caFile_.empty()) ::unlink(caFile_.c_str());
    if (!folder_.empty()) ::rmdir(folder_.c_str());
}

std::string HttpsTestServer::url(const std::string& path) const
{
    return "https://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpsTestServer::serve(const std::string& path, CannedResponse response)
{
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
}

void HttpsTestServer::acceptLoop()
{
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        timeval limit{10, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, fd] { handle(fd); });
    }
}

void HttpsTestServer::handle(int fd)
{
    SSL* ssl = SSL_new(static_cast<SSL_CTX*>(ssl_));
    SSL_set_fd(ssl, fd);
    std::string path;
    if (SSL_accept(ssl) == 1 && readRequest(ssl, path)) {
        ++requests_;
        CannedResponse response;
        {
            std::unique_lock lock(mutex_);
            const auto it = routes_.find(path);
            if (it != routes_.end()) response = it->second;
            else response = answer(404, "not here");
            if (response.stall) stopped_.wait(lock, [this] { return stopping_.load(); });
            else if (response.delayMs > 0)
                stopped_.wait_for(lock, std::chrono::milliseconds(response.delayMs),
                                  [this] { return stopping_.load(); });
        }
        if (response.endless) {
            // Until the client hangs up or the server stops; always the same small buffer.
            const std::string chunk(1 << 16, 'z');
            bool open = writeAll(ssl, "HTTP/1.1 200 Endless\r\nConnection: close\r\n\r\n");
            while (open && !stopping_) open = writeAll(ssl, chunk);
        } else if (!response.stall) {
            std::string head = "HTTP/1.1 " + std::to_string(response.status) + " Canned\r\n";
            head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
            if (!response.location.empty()) head += "Location: " + response.location + "\r\n";
            head += "Connection: close\r\n\r\n";
            if (writeAll(ssl, head) && writeAll(ssl, response.body)) SSL_shutdown(ssl);
        }
    }
    SSL_free(ssl);
    ::close(fd);
}

}  // namespace velmo::test
