#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace bvtest {

// Runs data/http_test_server.py with python3 on a free loopback port for as long as the object
// lives; see the script for its routes. With a certificate and key it speaks HTTPS.
class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    LoopbackHttpServer(const std::string& certificateFile, const std::string& keyFile);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // False when the server did not come up.
    bool isRunning() const { return port > 0; }
    // "http://127.0.0.1:<port>" (or https), without a trailing "/".
    std::string baseUrl() const;
    // Blocking GET of `path` with libcurl, for steering the server (e.g. "/release/a"). The
    // answer body, or empty on failure. `verifyPeer` false accepts any certificate.
    std::string fetch(const std::string& path, bool verifyPeer = true) const;

private:
    void start(const std::string& certificateFile, const std::string& keyFile);

    pid_t pid = -1;
    int inputLine = -1;
    int port = 0;
    bool secure = false;
};

// What the server's /echo route saw of a request.
struct EchoedRequest {
    // Splits an /echo answer; a text without the empty line gives a request line only.
    static EchoedRequest parse(const std::string& answer);
    // The header lines whose name is `name` (any case), in the order received.
    std::vector<std::string> linesNamed(const std::string& name) const;

    std::string requestLine;  // e.g. "POST /echo HTTP/1.1"
    std::vector<std::string> headerLines;
    std::string body;
};

}  // namespace bvtest
