#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace onlinetest {

// One request as the server received it.
struct RecordedRequest {
    std::string method;
    std::string path;
    // Every Content-Type line, in the order received.
    std::vector<std::string> contentTypes;
    std::string body;
};

// What the server answers to one request.
struct CannedReply {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain";
    // Waited before answering.
    std::chrono::milliseconds delay{0};
    // Sends the headers, then drops the connection before the body.
    bool closeConnection = false;
};

// A private certificate authority and a server certificate for 127.0.0.1 it signed, made with
// the openssl tool in `folder`.
struct TestAuthority {
    // Empty file names when the tool failed.
    static TestAuthority create(const std::string& folder, const std::string& name);

    std::string caFile;
    std::string certificateFile;
    std::string keyFile;
};

// The web service on 127.0.0.1 at a free port, in this process: it answers every address the
// program calls with replies of the service's own shapes, records each request, and answers a
// path from its queue of canned replies first. With an authority's files it speaks HTTPS only.
class ServiceTestServer {
public:
    ServiceTestServer();
    explicit ServiceTestServer(const TestAuthority& authority);
    ~ServiceTestServer();
    ServiceTestServer(const ServiceTestServer&) = delete;
    ServiceTestServer& operator=(const ServiceTestServer&) = delete;

    bool isRunning() const { return port > 0; }
    int getPort() const { return port; }
    // "http://127.0.0.1:<port>" or https, no trailing "/".
    std::string baseUrl() const;

    // Replies taken one by one, oldest first, before the path's standing answer.
    void queue(const std::string& path, const CannedReply& reply);
    // A 200 whose body is the Base64 of `json`.
    void queueJson(const std::string& path, const std::string& json);
    // Replaces the path's standing answer.
    void setStanding(const std::string& path, const CannedReply& reply);

    // Requests of `path` (every path when empty), in arrival order.
    std::vector<RecordedRequest> requests(const std::string& path = "") const;
    // Waits until `path` got at least `count` requests; false after `timeout`.
    bool waitForRequests(const std::string& path, std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    void clearRequests();

    // The standing answers of the service's addresses.
    static std::string base64(const std::string& text);
    static std::string unbase64(const std::string& text);

private:
    void start();
    CannedReply replyFor(const std::string& path);

    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = 0;
    bool secure = false;
    mutable std::mutex mutex;
    mutable std::condition_variable arrived;
    std::vector<RecordedRequest> recorded;
    std::map<std::string, std::deque<CannedReply>> queued;
    std::map<std::string, CannedReply> standing;
};

}  // namespace onlinetest
