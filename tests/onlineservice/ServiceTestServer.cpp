#include "tests/onlineservice/ServiceTestServer.h"

#include <httplib.h>

#include <cstdlib>
#include <fstream>

namespace onlinetest {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

CannedReply json200(const std::string& json) {
    CannedReply reply;
    reply.body = ServiceTestServer::base64(json);
    return reply;
}

}  // namespace

std::string ServiceTestServer::base64(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(text[i]) << 16) |
                           (static_cast<unsigned char>(text[i + 1]) << 8) |
                           static_cast<unsigned char>(text[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == text.size()) {
        const unsigned v = static_cast<unsigned char>(text[i]) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == text.size()) {
        const unsigned v = (static_cast<unsigned char>(text[i]) << 16) |
                           (static_cast<unsigned char>(text[i + 1]) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string ServiceTestServer::unbase64(const std::string& text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        const char* at = std::char_traits<char>::find(kAlphabet, 64, c);
        if (at == nullptr) {
            continue;
        }
        value = (value << 6) | static_cast<unsigned>(at - kAlphabet);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

TestAuthority TestAuthority::create(const std::string& folder, const std::string& name) {
    const std::string base = folder + "/" + name;
    const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    const std::string ext = base + ".ext";
    std::ofstream(ext) << "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                       << "basicConstraints=CA:FALSE\n";
    const bool ok =
        run("openssl req -x509 " + key + " -keyout " + base + "-ca.key -out " + base +
            "-ca.pem -days 2 -subj '/CN=" + name + " test authority'") == 0 &&
        run("openssl req " + key + " -keyout " + base + "-server.key -out " + base +
            "-server.csr -subj /CN=127.0.0.1") == 0 &&
        run("openssl x509 -req -in " + base + "-server.csr -CA " + base + "-ca.pem -CAkey " + base +
            "-ca.key -CAcreateserial -out " + base + "-server.pem -days 2 -extfile " + ext) == 0;
    if (!ok) {
        return {};
    }
    return {base + "-ca.pem", base + "-server.pem", base + "-server.key"};
}

ServiceTestServer::ServiceTestServer() : server(std::make_unique<httplib::Server>()) {
    start();
}

ServiceTestServer::ServiceTestServer(const TestAuthority& authority) : secure(true) {
    if (!authority.certificateFile.empty()) {
        server = std::make_unique<httplib::SSLServer>(authority.certificateFile.c_str(),
                                                      authority.keyFile.c_str());
        start();
    }
}

ServiceTestServer::~ServiceTestServer() {
    if (server) {
        server->stop();
    }
    if (thread.joinable()) {
        thread.join();
    }
}

std::string ServiceTestServer::baseUrl() const {
    return std::string(secure ? "https" : "http") + "://127.0.0.1:" + std::to_string(port);
}

void ServiceTestServer::start() {
    if (!server->is_valid()) {
        return;
    }
    const std::string okStatus = "{\"Status\":\"0\"}";
    for (const char* path :
         {"/lg/cg.php", "/lg/rg.php", "/lg/sm.php", "/lg/sd.php", "/lg/rlc.php", "/st/up.php"}) {
        standing[path] = json200(okStatus);
    }
    standing["/lg/lg.php"] =
        json200("{\"Status\":\"0\",\"userid\":\"1001\",\"nickname\":\"tester\"}");
    standing["/lg/sdvr.php"] = json200("{\"Status\":\"0\",\"code\":\"4711\"}");
    standing["/ud/cv2.php"] = json200("{\"app_latest_version\":\"2.9\"}");
    CannedReply html;
    html.contentType = "text/html";
    html.body = "<html><body><h2>Notice</h2><h2>2.10 is out<div><a>x</a><a "
                "href=\"/pkg/app.apk\">download</a></div></body></html>";
    standing["/ads/newversionPC.html"] = html;
    html.body = "<html><body>Privacy policy</body></html>";
    standing["/en/privacypolicy.html"] = html;
    CannedReply package;
    package.contentType = "application/octet-stream";
    package.body = "PACKAGE";
    standing["/pkg/app.apk"] = package;
    CannedReply manifest;
    manifest.contentType = "application/json";
    manifest.body = "{\"version\":\"1.0.0\",\"assets\":{}}";
    standing["/ud/u.php"] = manifest;

    auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        RecordedRequest record{request.method, request.path, {}, request.body};
        const std::size_t lines = request.get_header_value_count("Content-Type");
        for (std::size_t i = 0; i < lines; ++i) {
            record.contentTypes.push_back(request.get_header_value("Content-Type", i));
        }
        {
            std::lock_guard<std::mutex> guard(mutex);
            recorded.push_back(record);
        }
        arrived.notify_all();
        const CannedReply reply = replyFor(request.path);
        if (reply.delay.count() > 0) {
            std::this_thread::sleep_for(reply.delay);
        }
        response.status = reply.status;
        if (reply.closeConnection) {
            response.set_content_provider(
                64, "text/plain",
                [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
            return;
        }
        response.set_content(reply.body, reply.contentType.c_str());
    };
    server->Get(".*", handler);
    server->Post(".*", handler);
    port = server->bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        port = 0;
        return;
    }
    CannedReply uploadAddress;
    uploadAddress.body = base64(baseUrl() + "/st/up.php");
    standing["/st/gi.php"] = uploadAddress;
    thread = std::thread([this] { server->listen_after_bind(); });
    // A stop before the loop runs would be lost and leave the loop serving forever.
    while (!server->is_running()) {
        std::this_thread::yield();
    }
}

CannedReply ServiceTestServer::replyFor(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex);
    auto waiting = queued.find(path);
    if (waiting != queued.end() && !waiting->second.empty()) {
        CannedReply reply = waiting->second.front();
        waiting->second.pop_front();
        return reply;
    }
    auto found = standing.find(path);
    if (found != standing.end()) {
        return found->second;
    }
    CannedReply missing;
    missing.status = 404;
    return missing;
}

void ServiceTestServer::queue(const std::string& path, const CannedReply& reply) {
    std::lock_guard<std::mutex> guard(mutex);
    queued[path].push_back(reply);
}

void ServiceTestServer::queueJson(const std::string& path, const std::string& json) {
    queue(path, json200(json));
}

void ServiceTestServer::setStanding(const std::string& path, const CannedReply& reply) {
    std::lock_guard<std::mutex> guard(mutex);
    standing[path] = reply;
}

std::vector<RecordedRequest> ServiceTestServer::requests(const std::string& path) const {
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<RecordedRequest> out;
    for (const RecordedRequest& record : recorded) {
        if (path.empty() || record.path == path) {
            out.push_back(record);
        }
    }
    return out;
}

bool ServiceTestServer::waitForRequests(const std::string& path, std::size_t count,
                                        std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(mutex);
    return arrived.wait_for(guard, timeout, [&] {
        std::size_t seen = 0;
        for (const RecordedRequest& record : recorded) {
            seen += path.empty() || record.path == path ? 1 : 0;
        }
        return seen >= count;
    });
}

void ServiceTestServer::clearRequests() {
    std::lock_guard<std::mutex> guard(mutex);
    recorded.clear();
}

}  // namespace onlinetest
