#include "toolkit/net/NSHttpClient.h"

#include "LoopbackHttpServer.h"
#include "engine/base/Director.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using NSUI::NSHttpClient;
using NSUI::NSHttpRequest;
using NSUI::NSHttpResponse;
using Type = NSHttpRequest::Type;

// Any object that requests can be filed under.
class Owner : public cocos2d::Ref {};

// What a callback saw of one response.
struct Delivery {
    std::string tag;
    bool succeeded = false;
    int responseCode = 0;
    std::string body;
    std::string errorText;
    std::string headerData;
    bool fileOpen = false;
};

// A client whose transfers give up after one second.
class QuickClient : public NSHttpClient {
public:
    QuickClient() { timeout = 1; }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string patternBytes(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<char>(i % 251));
    }
    return bytes;
}

class NSHttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = std::make_unique<bvtest::LoopbackHttpServer>();
        ASSERT_TRUE(server->isRunning());
    }

    void TearDown() override {
        NSHttpClient::destroyInstance();
        cocos2d::Director::getInstance()->mainLoop(0.0f);
    }

    // A request whose callback appends to `deliveries`; the caller owns one reference.
    NSHttpRequest* makeRequest(Type type, const std::string& path, cocos2d::Ref* target,
                               const std::string& tag = std::string()) {
        auto* request = new NSHttpRequest();
        request->type = type;
        request->url = server->baseUrl() + path;
        request->target = target;
        request->tag = tag;
        request->callback = [this](NSHttpClient* client, NSHttpResponse* response) {
            EXPECT_EQ(client, lastClient);
            Delivery delivery;
            delivery.tag = response->request->tag;
            delivery.succeeded = response->succeeded;
            delivery.responseCode = response->responseCode;
            delivery.body.assign(response->body.begin(), response->body.end());
            delivery.errorText = response->errorText;
            delivery.headerData.assign(response->headerData.begin(), response->headerData.end());
            delivery.fileOpen = response->file != nullptr;
            deliveries.push_back(delivery);
        };
        return request;
    }

    // Sends through `client` (the shared one by default), drops the test's reference and
    // waits for the delivery.
    Delivery perform(NSHttpRequest* request, NSHttpClient* client = nullptr) {
        lastClient = client != nullptr ? client : NSHttpClient::getInstance();
        const std::size_t before = deliveries.size();
        lastClient->send(request);
        request->release();
        EXPECT_TRUE(bvtest::runFramesUntil([&] { return deliveries.size() > before; }));
        return deliveries.size() > before ? deliveries.back() : Delivery();
    }

    void sendShared(NSHttpRequest* request) {
        lastClient = NSHttpClient::getInstance();
        lastClient->send(request);
    }

    std::unique_ptr<bvtest::LoopbackHttpServer> server;
    std::vector<Delivery> deliveries;
    NSHttpClient* lastClient = nullptr;
    Owner owner;
    Owner otherOwner;
};

TEST_F(NSHttpClientTest, EachVerbUsesItsMethodAndSendsTheBodyOnlyWhenItPosts) {
    const std::string binary("a\0b\xff\r\n", 6);
    const struct {
        Type type;
        std::string body;
        std::string requestLine;
        std::string sentBody;
    } cases[] = {
        {Type::GET, "not sent", "GET /echo/get HTTP/1.1", ""},
        {Type::POST, binary, "POST /echo/post HTTP/1.1", binary},
        {Type::POST, "", "POST /echo/post HTTP/1.1", ""},
        {Type::PUT, "put body", "PUT /echo/put HTTP/1.1", "put body"},
        {Type::DELETE, "not sent", "DELETE /echo/delete HTTP/1.1", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requestLine + " with " + std::to_string(c.body.size()) + " bytes");
        const std::string path = c.requestLine.substr(
            c.requestLine.find(' ') + 1, c.requestLine.rfind(' ') - c.requestLine.find(' ') - 1);
        NSHttpRequest* request = makeRequest(c.type, path, &owner);
        request->body.assign(c.body.begin(), c.body.end());
        const Delivery delivery = perform(request);
        EXPECT_TRUE(delivery.succeeded);
        EXPECT_EQ(delivery.responseCode, 200);
        EXPECT_EQ(delivery.errorText, "");
        EXPECT_EQ(delivery.headerData.rfind("HTTP/1.1 200", 0), 0u);
        const auto echoed = bvtest::EchoedRequest::parse(delivery.body);
        EXPECT_EQ(echoed.requestLine, c.requestLine);
        EXPECT_EQ(echoed.body, c.sentBody);
        if (c.type == Type::POST || c.type == Type::PUT) {
            EXPECT_EQ(
                echoed.linesNamed("Content-Length"),
                std::vector<std::string>{"Content-Length: " + std::to_string(c.sentBody.size())});
        }
    }
}

TEST_F(NSHttpClientTest, HeaderLinesGoOutInTheirOrder) {
    NSHttpRequest* request = makeRequest(Type::POST, "/echo", &owner);
    request->headers = {"X-Second: 2", "X-First: 1", "Content-Type: text/plain"};
    const auto echoed = bvtest::EchoedRequest::parse(perform(request).body);
    std::vector<std::string> ours;
    for (const std::string& line : echoed.headerLines) {
        if (line.rfind("X-", 0) == 0 || line.rfind("Content-Type", 0) == 0) {
            ours.push_back(line);
        }
    }
    EXPECT_EQ(ours,
              (std::vector<std::string>{"X-Second: 2", "X-First: 1", "Content-Type: text/plain"}));
}

TEST_F(NSHttpClientTest, StatusDecidesSuccessAndRedirectsAreFollowedOnlyWhereTheVerbAllows) {
    const struct {
        Type type;
        std::string path;
        bool succeeded;
        int code;
        std::string bodyStart;
    } cases[] = {
        {Type::GET, "/status/204", true, 204, ""},
        {Type::GET, "/status/201", true, 201, "status 201"},
        {Type::GET, "/status/404", false, 404, "status 404"},
        {Type::POST, "/status/500", false, 500, "status 500"},
        {Type::GET, "/status/301", true, 200, "GET /echo/redirected"},
        {Type::POST, "/status/302", true, 200, "GET /echo/redirected"},
        {Type::DELETE, "/status/302", true, 200, "DELETE /echo/redirected"},
        {Type::PUT, "/status/301", false, 301, "status 301"},
        {Type::POST_FORM, "/status/302", false, 302, "status 302"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.type)) + " " + c.path);
        const Delivery delivery = perform(makeRequest(c.type, c.path, &owner));
        EXPECT_EQ(delivery.succeeded, c.succeeded);
        EXPECT_EQ(delivery.responseCode, c.code);
        EXPECT_EQ(delivery.body.substr(0, c.bodyStart.size()), c.bodyStart);
        // A status failure is not a transfer error: there is no stale text from before.
        EXPECT_EQ(delivery.errorText, "");
    }
}

TEST_F(NSHttpClientTest, RefusedConnectionFailsWithoutStatusAndWithTheErrorText) {
    // A bound socket that does not listen refuses connections on its port.
    const int blocker = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(blocker, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    socklen_t length = sizeof(address);
    ASSERT_EQ(getsockname(blocker, reinterpret_cast<sockaddr*>(&address), &length), 0);

    NSHttpRequest* request = makeRequest(Type::GET, "/", &owner);
    request->url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/echo";
    const Delivery delivery = perform(request);
    close(blocker);
    EXPECT_FALSE(delivery.succeeded);
    EXPECT_EQ(delivery.responseCode, -1);
    EXPECT_NE(delivery.errorText, "");
    EXPECT_EQ(delivery.body, "");
}

TEST_F(NSHttpClientTest, TransferTimeOutFailsWithoutStatus) {
    QuickClient client;
    const Delivery delivery = perform(makeRequest(Type::GET, "/hold/slow", &owner), &client);
    server->fetch("/release/slow");
    EXPECT_FALSE(delivery.succeeded);
    EXPECT_EQ(delivery.responseCode, -1);
    EXPECT_NE(delivery.errorText.find("timed out"), std::string::npos) << delivery.errorText;
}

TEST_F(NSHttpClientTest, DownloadWritesTheBodyToTheFileWhateverTheStatus) {
    bvtest::TempDir folder;
    const struct {
        std::string path;
        bool succeeded;
        int code;
        std::string content;
    } cases[] = {
        {"/bytes/200000", true, 200, patternBytes(200000)},
        {"/bytes/0", true, 200, ""},
        {"/status/404", false, 404, "status 404"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string file = (folder / "download.bin").string();
        std::ofstream(file) << "older and longer content than some downloads";
        NSHttpRequest* request = makeRequest(Type::POST_TO_FILE, c.path, &owner);
        request->filePath = file;
        const Delivery delivery = perform(request);
        EXPECT_EQ(delivery.succeeded, c.succeeded);
        EXPECT_EQ(delivery.responseCode, c.code);
        EXPECT_EQ(delivery.body, "");
        // Closed before the callback runs, so the file is complete when it looks.
        EXPECT_FALSE(delivery.fileOpen);
        EXPECT_EQ(readFile(file), c.content);
    }
}

TEST_F(NSHttpClientTest, DownloadToAFileThatCannotBeOpenedStillReportsTheStatus) {
    bvtest::TempDir folder;
    NSHttpRequest* request = makeRequest(Type::POST_TO_FILE, "/bytes/1000", &owner);
    request->filePath = (folder / "missing" / "download.bin").string();
    const Delivery delivery = perform(request);
    EXPECT_TRUE(delivery.succeeded);
    EXPECT_EQ(delivery.responseCode, 200);
    EXPECT_EQ(delivery.body, "");
}

TEST_F(NSHttpClientTest, DeliveriesComeInTheOrderTheRequestsWereSent) {
    const std::vector<std::string> tags = {"first", "second", "third", "fourth", "fifth"};
    for (const std::string& tag : tags) {
        NSHttpRequest* request = makeRequest(Type::POST, "/echo/" + tag, &owner, tag);
        sendShared(request);
        request->release();
    }
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return deliveries.size() == tags.size(); }));
    std::vector<std::string> delivered;
    for (const Delivery& delivery : deliveries) {
        delivered.push_back(delivery.tag);
        EXPECT_EQ(bvtest::EchoedRequest::parse(delivery.body).requestLine,
                  "POST /echo/" + delivery.tag + " HTTP/1.1");
    }
    EXPECT_EQ(delivered, tags);
}

TEST_F(NSHttpClientTest, RequestsWithoutTargetArePerformedButNeverCalledBack) {
    NSHttpRequest* callbackOnly = makeRequest(Type::GET, "/echo/a", nullptr, "callback only");
    NSHttpRequest* bare = makeRequest(Type::GET, "/echo/b", nullptr, "bare");
    bare->callback = nullptr;
    sendShared(callbackOnly);
    sendShared(bare);
    perform(makeRequest(Type::GET, "/echo/c", &owner, "owned"));
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].tag, "owned");
    // The client has let go of both: only the test's references remain.
    EXPECT_EQ(callbackOnly->getReferenceCount(), 1u);
    EXPECT_EQ(bare->getReferenceCount(), 1u);
    callbackOnly->release();
    bare->release();
}

TEST_F(NSHttpClientTest, CancelByOwnerDropsQueuedTransferringAndFinishedWork) {
    bvtest::TempDir folder;
    // Finished and waiting for delivery: no frames run until the end.
    NSHttpRequest* finished = makeRequest(Type::POST_TO_FILE, "/bytes/5000", &owner, "finished");
    finished->filePath = (folder / "finished.bin").string();
    NSHttpRequest* transferring = makeRequest(Type::GET, "/hold/busy", &owner, "transferring");
    NSHttpRequest* queued = makeRequest(Type::GET, "/echo/queued", &owner, "queued");
    NSHttpRequest* other = makeRequest(Type::GET, "/echo/other", &otherOwner, "other");
    for (NSHttpRequest* request : {finished, transferring, queued, other}) {
        sendShared(request);
    }
    ASSERT_EQ(server->fetch("/arrived/busy"), "arrived");

    NSHttpClient::getInstance()->cancelRequestsOf(&owner);
    EXPECT_EQ(readFile(finished->filePath), patternBytes(5000));
    EXPECT_EQ(server->fetch("/release/busy"), "released");

    ASSERT_TRUE(bvtest::runFramesUntil([&] { return !deliveries.empty(); }));
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].tag, "other");
    for (NSHttpRequest* request : {finished, transferring, queued, other}) {
        EXPECT_EQ(request->getReferenceCount(), 1u) << request->tag;
        request->release();
    }
}

TEST_F(NSHttpClientTest, CancelWithNothingSentAndForAnUnknownOwnerChangesNothing) {
    NSHttpClient::getInstance()->cancelRequestsOf(&owner);
    const Delivery delivery = perform(makeRequest(Type::GET, "/echo", &owner, "kept"));
    NSHttpClient::getInstance()->cancelRequestsOf(&otherOwner);
    EXPECT_EQ(delivery.tag, "kept");
    EXPECT_TRUE(delivery.succeeded);
}

TEST_F(NSHttpClientTest, DestroyingTheClientEndsATransferAndDropsEverythingPending) {
    NSHttpRequest* transferring = makeRequest(Type::GET, "/hold/long", &owner, "transferring");
    NSHttpRequest* queued = makeRequest(Type::GET, "/echo/queued", &owner, "queued");
    sendShared(transferring);
    sendShared(queued);
    ASSERT_EQ(server->fetch("/arrived/long"), "arrived");

    NSHttpClient::destroyInstance();
    // Nothing is left to run against the deleted client.
    for (int frame = 0; frame < 3; ++frame) {
        cocos2d::Director::getInstance()->mainLoop(1.0f / 60.0f);
    }
    server->fetch("/release/long");
    EXPECT_TRUE(deliveries.empty());
    EXPECT_EQ(transferring->getReferenceCount(), 1u);
    EXPECT_EQ(queued->getReferenceCount(), 1u);
    transferring->release();
    queued->release();
}

TEST_F(NSHttpClientTest, ACallbackMayDestroyTheClient) {
    NSHttpRequest* request = makeRequest(Type::GET, "/echo", &owner, "last");
    const auto record = request->callback;
    request->callback = [record](NSHttpClient* client, NSHttpResponse* response) {
        record(client, response);
        NSHttpClient::destroyInstance();
    };
    const Delivery delivery = perform(request);
    EXPECT_EQ(delivery.tag, "last");
    cocos2d::Director::getInstance()->mainLoop(1.0f / 60.0f);
}

class NSHttpsClientTest : public NSHttpClientTest {
protected:
    void SetUp() override {
        if (std::system("command -v openssl > /dev/null 2>&1") != 0) {
            GTEST_SKIP() << "the openssl command is needed to make a certificate";
        }
        const std::string certificate = (folder / "cert.pem").string();
        const std::string key = (folder / "key.pem").string();
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
            "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
            key + "' -out '" + certificate + "' > /dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        server = std::make_unique<bvtest::LoopbackHttpServer>(certificate, key);
        ASSERT_TRUE(server->isRunning());
    }

    bvtest::TempDir folder;
};

TEST_F(NSHttpsClientTest, SelfSignedCertificateFailsVerification) {
    // The server itself works for a client that accepts any certificate.
    ASSERT_NE(server->fetch("/echo", false), "");

    const Delivery delivery = perform(makeRequest(Type::GET, "/echo", &owner));
    EXPECT_FALSE(delivery.succeeded);
    EXPECT_EQ(delivery.responseCode, -1);
    EXPECT_EQ(delivery.body, "");
    EXPECT_NE(delivery.errorText.find("certificate"), std::string::npos) << delivery.errorText;
}

}  // namespace
