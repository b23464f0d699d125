#pragma once
// An HTTPS server on 127.0.0.1 for the download tests: its own CA and certificate made at start,
// canned responses by path, a request count, and responses that never come or never end.
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmo::test {

struct CannedResponse {
    int status = 200;
    std::string body;
    std::string location;  // sent as Location when not empty
    int delayMs = 0;       // before answering
    bool stall = false;    // read the request, then say nothing until the server stops
    bool endless = false;  // a 200 without a length whose body never ends
};

inline CannedResponse answer(int status, std::string body, int delayMs = 0)
{
    CannedResponse r;
    r.status = status;
    r.body = std::move(body);
    r.delayMs = delayMs;
    return r;
}
inline CannedResponse redirectTo(std::string location)
{
    CannedResponse r = answer(302, "");
    r.location = std::move(location);
    return r;
}
inline CannedResponse endlessBody()
{
    CannedResponse r;
    r.endless = true;
    return r;
}
inline CannedResponse stalled()
{
    CannedResponse r;
    r.stall = true;
    return r;
}

class HttpsTestServer {
public:
    HttpsTestServer();
    ~HttpsTestServer();
    HttpsTestServer(const HttpsTestServer&) = delete;
    HttpsTestServer& operator=(const HttpsTestServer&) = delete;

    bool started() const { return port_ != 0; }
    std::string url(const std::string& path) const;  // "https://127.0.0.1:<port>" + path
    int port() const { return port_; }
    const std::string& caFile() const { return caFile_; }

    void serve(const std::string& path, CannedResponse response);  // others get 404
    int requests() const { return requests_.load(); }

private:
    void acceptLoop();
    void handle(int fd);

    void* ssl_ = nullptr;  // SSL_CTX
    int listener_ = -1;
    int port_ = 0;
    std::string folder_;
    std::string caFile_;
    std::atomic<int> requests_{0};
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable stopped_;
    std::map<std::string, CannedResponse> routes_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace velmo::test
