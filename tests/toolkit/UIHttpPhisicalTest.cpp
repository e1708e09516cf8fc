#include "toolkit/net/UIHttpPhisical.h"

#include "LoopbackHttpServer.h"
#include "engine/2d/Node.h"
#include "engine/base/Director.h"
#include "engine/ui/ImageView.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSDatas.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/UIControlGenerater.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using NSUI::NSHttpClient;
using NSUI::UIHttpPhisical;
using NSUI::UIHttpResponse;

const char kJsonLine[] = "Content-Type: application/json; charset=utf-8";

// What onResponse saw of one answer.
struct Answer {
    std::string tag;
    bool succeeded = false;
    int responseCode = 0;
    std::string body;
};

// A service that files its calls under itself and writes down its answers.
class Service : public cocos2d::Ref, public UIHttpPhisical {
public:
    explicit Service(std::vector<Answer>* answers, bool ownsCalls = true) : answers(answers) {
        if (ownsCalls) {
            owner = this;
        }
    }

    void onResponse(UIHttpResponse* response) override {
        answers->push_back(
            {response->tag, response->succeeded, response->responseCode, response->body});
    }

private:
    std::vector<Answer>* answers;
};

// A data source that writes down its answers.
class Source : public NSUI::NSDatas {
public:
    explicit Source(std::vector<Answer>* answers) : answers(answers) {}

    void onResponse(UIHttpResponse* response) override {
        answers->push_back(
            {response->tag, response->succeeded, response->responseCode, response->body});
    }

private:
    std::vector<Answer>* answers;
};

// A screen that loads pictures and files downloads of them for its own image loader.
class PictureScreen : public cocos2d::Node, public NSUI::UIControlGenerater, public UIHttpPhisical {
public:
    explicit PictureScreen(std::vector<Answer>* answers) : answers(answers) { owner = this; }

    void fileDownload(const std::string& name, cocos2d::Node* target, cocos2d::Node* loader) {
        target->retain();
        pendingImages.push_back({"", name, target, loader});
    }
    std::vector<std::string> pendingNames() const {
        std::vector<std::string> names;
        for (const auto& record : pendingImages) {
            names.push_back(record.name);
        }
        return names;
    }

    void onResponse(UIHttpResponse* response) override {
        answers->push_back(
            {response->tag, response->succeeded, response->responseCode, response->body});
    }

private:
    std::vector<Answer>* answers;
};

using Call = void (UIHttpPhisical::*)(std::string, std::string, std::string, std::string,
                                      std::string);

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class UIHttpPhisicalTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = std::make_unique<bvtest::LoopbackHttpServer>();
        ASSERT_TRUE(server->isRunning());
        service = new Service(&answers);
    }

    void TearDown() override {
        if (service != nullptr) {
            service->release();
        }
        NSHttpClient::destroyInstance();
        cocos2d::Director::getInstance()->mainLoop(0.0f);
    }

    std::string url(const std::string& path) const { return server->baseUrl() + path; }

    // Waits for the next answer.
    Answer next() {
        const std::size_t before = answers.size();
        EXPECT_TRUE(bvtest::runFramesUntil([&] { return answers.size() > before; }));
        return answers.size() > before ? answers.back() : Answer();
    }

    // What the server saw of one call made through `call`.
    bvtest::EchoedRequest echo(Call call, const std::string& body, const std::string& credentials,
                               const std::string& header) {
        (service->*call)(url("/echo/call"), body, "echo", credentials, header);
        return bvtest::EchoedRequest::parse(next().body);
    }

    std::unique_ptr<bvtest::LoopbackHttpServer> server;
    std::vector<Answer> answers;
    Service* service = nullptr;
};

TEST_F(UIHttpPhisicalTest, EachCallUsesItsVerbAndPostsOnlyThroughPostAndPut) {
    const struct {
        Call call;
        std::string requestLine;
        bool sendsBody;
    } cases[] = {
        {&UIHttpPhisical::httpGet, "GET /echo/call HTTP/1.1", false},
        {&UIHttpPhisical::httpGetOverload, "GET /echo/call HTTP/1.1", false},
        {&UIHttpPhisical::httpPost, "POST /echo/call HTTP/1.1", true},
        {&UIHttpPhisical::httpPostOverload, "POST /echo/call HTTP/1.1", true},
        {&UIHttpPhisical::httpPut, "PUT /echo/call HTTP/1.1", true},
        {&UIHttpPhisical::httpPutOverload, "PUT /echo/call HTTP/1.1", true},
        {&UIHttpPhisical::httpDelete, "DELETE /echo/call HTTP/1.1", false},
        {&UIHttpPhisical::httpDeleteOverload, "DELETE /echo/call HTTP/1.1", false},
    };
    const std::string body = "eyJhIjoiMSJ9";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requestLine);
        const auto echoed = echo(c.call, body, "", "");
        EXPECT_EQ(echoed.requestLine, c.requestLine);
        EXPECT_EQ(echoed.body, c.sendsBody ? body : "");
        EXPECT_EQ(echoed.linesNamed("Content-Type"), std::vector<std::string>{kJsonLine});
        EXPECT_TRUE(echoed.linesNamed("Authorization").empty());
        EXPECT_EQ(answers.back().tag, "echo");
        EXPECT_TRUE(answers.back().succeeded);
        EXPECT_EQ(answers.back().responseCode, 200);
    }
}

TEST_F(UIHttpPhisicalTest, CredentialsAndHeaderMakeTheLinesAfterWhichNoDefaultIsAdded) {
    const struct {
        std::string credentials;
        std::string header;
        std::vector<std::string> authorization;
        std::vector<std::string> contentType;
        std::vector<std::string> token;
    } cases[] = {
        {"", "", {}, {kJsonLine}, {}},
        {"a", "", {"Authorization: Basic YQ=="}, {kJsonLine}, {}},
        {"ab", "", {"Authorization: Basic YWI="}, {kJsonLine}, {}},
        {"abc", "", {"Authorization: Basic YWJj"}, {kJsonLine}, {}},
        {"user:p\xc3\xa4ss", "", {"Authorization: Basic dXNlcjpww6Rzcw=="}, {kJsonLine}, {}},
        {"", "Content-Type: text/plain", {}, {"Content-Type: text/plain"}, {}},
        {"user:pass",
         "X-Token: t1",
         {"Authorization: Basic dXNlcjpwYXNz"},
         {"Content-Type: application/x-www-form-urlencoded"},
         {"X-Token: t1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("credentials '" + c.credentials + "', header '" + c.header + "'");
        const auto echoed = echo(&UIHttpPhisical::httpPost, "{}", c.credentials, c.header);
        EXPECT_EQ(echoed.linesNamed("Authorization"), c.authorization);
        EXPECT_EQ(echoed.linesNamed("Content-Type"), c.contentType);
        EXPECT_EQ(echoed.linesNamed("X-Token"), c.token);
    }
}

TEST_F(UIHttpPhisicalTest, FailuresReachTheHandlerWithTheServersAnswerOrTheErrorText) {
    service->httpGet(url("/status/404"), "", "missing", "", "");
    const Answer missing = next();
    EXPECT_EQ(missing.tag, "missing");
    EXPECT_FALSE(missing.succeeded);
    EXPECT_EQ(missing.responseCode, 404);
    EXPECT_EQ(missing.body, "status 404");

    service->httpPost("http://127.0.0.1:1/nothing", "", "refused", "", "");
    const Answer refused = next();
    EXPECT_EQ(refused.tag, "refused");
    EXPECT_FALSE(refused.succeeded);
    EXPECT_EQ(refused.responseCode, -1);
    EXPECT_NE(refused.body, "");
}

TEST_F(UIHttpPhisicalTest, UploadSendsTheFileAndItsInfoAsTwoFormParts) {
    bvtest::TempDir folder;
    const std::string file = (folder / "scan.png").string();
    const std::string content("\x89PNG\r\n\x1a\n\0\xff payload", 17);
    std::ofstream(file, std::ios::binary) << content;

    const struct {
        std::string credentials;
        std::string header;
        std::vector<std::string> authorization;
        std::vector<std::string> token;
    } cases[] = {
        {"", "", {}, {}},
        {"u:p", "X-Token: up", {"Authorization: Basic dTpw"}, {"X-Token: up"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("credentials '" + c.credentials + "'");
        service->uploadFile("picture", "{\"id\":\"7\"}", file, "image/png", "upload",
                            url("/echo/upload"), c.credentials, c.header);
        const Answer answer = next();
        EXPECT_EQ(answer.tag, "upload");
        EXPECT_TRUE(answer.succeeded);
        const auto echoed = bvtest::EchoedRequest::parse(answer.body);
        EXPECT_EQ(echoed.requestLine, "POST /echo/upload HTTP/1.1");
        EXPECT_EQ(echoed.linesNamed("Authorization"), c.authorization);
        EXPECT_EQ(echoed.linesNamed("X-Token"), c.token);
        const auto contentType = echoed.linesNamed("Content-Type");
        ASSERT_EQ(contentType.size(), 1u);
        EXPECT_EQ(contentType[0].rfind("Content-Type: multipart/form-data; boundary=", 0), 0u);

        const std::string& body = echoed.body;
        const std::size_t filePart =
            body.find("Content-Disposition: form-data; name=\"picture\"; filename=\"scan.png\"\r\n"
                      "Content-Type: image/png\r\n\r\n" +
                      content + "\r\n");
        const std::size_t infoPart = body.find(
            "Content-Disposition: form-data; name=\"uploadInfo\"\r\n\r\n{\"id\":\"7\"}\r\n");
        EXPECT_NE(filePart, std::string::npos);
        EXPECT_NE(infoPart, std::string::npos);
        EXPECT_LT(filePart, infoPart);
    }
}

TEST_F(UIHttpPhisicalTest, UploadOfAMissingFileFails) {
    bvtest::TempDir folder;
    service->uploadFile("picture", "", (folder / "gone.png").string(), "image/png", "upload",
                        url("/echo/upload"), "", "");
    const Answer answer = next();
    EXPECT_FALSE(answer.succeeded);
    EXPECT_EQ(answer.responseCode, -1);
}

TEST_F(UIHttpPhisicalTest, DownloadMakesItsFolderAndDescribesTheFileOnlyFor200) {
    bvtest::TempDir folder;
    const struct {
        std::string path;
        bool succeeded;
        int code;
        std::string fileSize;
        std::string content;
    } cases[] = {
        {"/bytes/1000", true, 200, "1000", ""},
        {"/status/201", true, 201, "", "status 201"},
        {"/status/404", false, 404, "", "status 404"},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string file =
            (folder / ("made" + std::to_string(++round)) / "deeper" / "file.bin").string();
        service->downloadToFile(url(c.path), "{}", file, "download", true, "", "");
        const Answer answer = next();
        EXPECT_EQ(answer.tag, "download");
        EXPECT_EQ(answer.succeeded, c.succeeded);
        EXPECT_EQ(answer.responseCode, c.code);
        if (c.fileSize.empty()) {
            EXPECT_EQ(answer.body, "");
            EXPECT_EQ(readFile(file), c.content);
        } else {
            EXPECT_EQ(answer.body,
                      "{\"localFile\":\"" + file + "\",\"fileSize\":\"" + c.fileSize + "\"}");
            EXPECT_EQ(std::filesystem::file_size(file), 1000u);
        }
    }
}

TEST_F(UIHttpPhisicalTest, DownloadPostsItsBodyWithTheJsonLine) {
    bvtest::TempDir folder;
    const std::string file = (folder / "echo.txt").string();
    service->downloadToFile(url("/echo/download"), "cGF5bG9hZA==", file, "download", true, "a", "");
    EXPECT_TRUE(next().succeeded);
    const auto echoed = bvtest::EchoedRequest::parse(readFile(file));
    EXPECT_EQ(echoed.requestLine, "POST /echo/download HTTP/1.1");
    EXPECT_EQ(echoed.body, "cGF5bG9hZA==");
    EXPECT_EQ(echoed.linesNamed("Content-Type"), std::vector<std::string>{kJsonLine});
    EXPECT_EQ(echoed.linesNamed("Authorization"),
              std::vector<std::string>{"Authorization: Basic YQ=="});
}

TEST_F(UIHttpPhisicalTest, DownloadOfAPictureNobodyWaitsForIsOnlyAnswered) {
    bvtest::TempDir folder;
    const std::string file = (folder / "picture.png").string();
    service->downloadToFile(url("/bytes/10"), "", file, "internalLoadHttpImage.unknown", true, "",
                            "");
    const Answer answer = next();
    EXPECT_EQ(answer.tag, "internalLoadHttpImage.unknown");
    EXPECT_EQ(NSUI::UIJson::getString(answer.body, "fileSize"), "10");
    EXPECT_EQ(answers.size(), 1u);
}

TEST_F(UIHttpPhisicalTest, DownloadedPictureGoesToTheFirstWaitingTargetOfItsNameOn200Only) {
    bvtest::TempDir folder;
    const std::string picture = (folder / "picture.png").string();
    ASSERT_TRUE(bvtest::writeSolidPng(picture, 6, 6, cocos2d::Color4B(1, 2, 3, 255)));
    const std::string tag = "internalLoadHttpImage." + picture;
    std::vector<Answer> screenAnswers;
    auto* screen = new PictureScreen(&screenAnswers);
    auto* first = cocos2d::ui::ImageView::create();
    auto* second = cocos2d::ui::ImageView::create();
    auto* other = cocos2d::ui::ImageView::create();
    auto* notALoader = cocos2d::Node::create();
    for (cocos2d::Node* node :
         {static_cast<cocos2d::Node*>(first), static_cast<cocos2d::Node*>(second),
          static_cast<cocos2d::Node*>(other), notALoader}) {
        node->retain();
    }
    screen->fileDownload("elsewhere.png", other, screen);
    screen->fileDownload(picture, first, screen);
    screen->fileDownload(picture, second, screen);

    screen->downloadToFile(url("/status/201"), "", (folder / "a.bin").string(), tag, true, "", "");
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return screenAnswers.size() == 1; }));
    EXPECT_EQ(screen->pendingNames().size(), 3u);

    screen->downloadToFile(url("/bytes/10"), "", (folder / "b.bin").string(), tag, true, "", "");
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return screenAnswers.size() == 2; }));
    EXPECT_EQ(screenAnswers[1].tag, tag);
    EXPECT_EQ(NSUI::UIJson::getString(screenAnswers[1].body, "fileSize"), "10");
    EXPECT_EQ(screen->pendingNames(), (std::vector<std::string>{"elsewhere.png", picture}));
    ASSERT_TRUE(bvtest::runFramesUntil([&] {
        screen->loadNextImage();
        return !first->getTextureFile().empty();
    }));
    EXPECT_EQ(first->getTextureFile(), picture);
    EXPECT_EQ(second->getTextureFile(), "");
    EXPECT_EQ(first->getReferenceCount(), 1u);

    // A record whose loader is no image loader is left waiting.
    screen->fileDownload("stranded.png", other, notALoader);
    screen->downloadToFile(url("/bytes/1"), "", (folder / "c.bin").string(),
                           "internalLoadHttpImage.stranded.png", true, "", "");
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return screenAnswers.size() == 3; }));
    EXPECT_EQ(screen->pendingNames().size(), 3u);
    EXPECT_EQ(other->getReferenceCount(), 3u);

    screen->release();
    EXPECT_EQ(second->getReferenceCount(), 1u);
    EXPECT_EQ(other->getReferenceCount(), 1u);
    for (cocos2d::Node* node :
         {static_cast<cocos2d::Node*>(first), static_cast<cocos2d::Node*>(second),
          static_cast<cocos2d::Node*>(other), notALoader}) {
        node->release();
    }
}

TEST_F(UIHttpPhisicalTest, CallsAreAnsweredInTheOrderTheyWereMade) {
    const std::vector<std::string> tags = {"a", "b", "c", "d"};
    for (const std::string& tag : tags) {
        service->httpPost(url("/echo/" + tag), tag, tag, "", "");
    }
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return answers.size() == tags.size(); }));
    for (std::size_t i = 0; i < tags.size(); ++i) {
        EXPECT_EQ(answers[i].tag, tags[i]);
        EXPECT_EQ(bvtest::EchoedRequest::parse(answers[i].body).body, tags[i]);
    }
}

TEST_F(UIHttpPhisicalTest, CallsWithoutOwnerAreNeverAnswered) {
    std::vector<Answer> unowned;
    auto* orphan = new Service(&unowned, false);
    orphan->httpGet(url("/echo/orphan"), "", "orphan", "", "");
    service->httpGet(url("/echo/owned"), "", "owned", "", "");
    EXPECT_EQ(next().tag, "owned");
    EXPECT_TRUE(unowned.empty());
    orphan->release();
}

TEST_F(UIHttpPhisicalTest, DestroyingTheServiceCancelsItsPendingCalls) {
    std::vector<Answer> goneAnswers;
    auto* gone = new Service(&goneAnswers);
    gone->httpGet(url("/echo/done"), "", "done", "", "");
    gone->httpGet(url("/hold/gone"), "", "transferring", "", "");
    gone->httpPost(url("/echo/queued"), "", "queued", "", "");
    ASSERT_EQ(server->fetch("/arrived/gone"), "arrived");
    gone->release();
    server->fetch("/release/gone");

    service->httpGet(url("/echo/after"), "", "after", "", "");
    EXPECT_EQ(next().tag, "after");
    EXPECT_TRUE(goneAnswers.empty());
    EXPECT_EQ(answers.size(), 1u);
}

TEST_F(UIHttpPhisicalTest, DataSourceOwnsItsCallsOnceInitialisedAndCancelsThem) {
    std::vector<Answer> sourceAnswers;
    auto* source = new Source(&sourceAnswers);
    ASSERT_TRUE(source->init());
    source->httpGet(url("/echo/source"), "", "source", "", "");
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return !sourceAnswers.empty(); }));
    EXPECT_EQ(sourceAnswers[0].tag, "source");

    source->httpGet(url("/hold/source"), "", "cancelled", "", "");
    ASSERT_EQ(server->fetch("/arrived/source"), "arrived");
    source->cancelRequests();
    server->fetch("/release/source");
    service->httpGet(url("/echo/after"), "", "after", "", "");
    EXPECT_EQ(next().tag, "after");
    EXPECT_EQ(sourceAnswers.size(), 1u);
    source->release();
}

TEST(UIHttpResponseTest, StartsResetAndTheRecordNeedsClientAndResponse) {
    UIHttpResponse* response = UIHttpResponse::create();
    ASSERT_NE(response, nullptr);
    EXPECT_EQ(response->tag, "-1");
    EXPECT_FALSE(response->succeeded);
    EXPECT_EQ(response->responseCode, -1);
    EXPECT_EQ(response->body, "");
    response->tag = "x";
    response->succeeded = true;
    response->responseCode = 200;
    response->body = "y";
    EXPECT_TRUE(response->reset());
    EXPECT_EQ(response->tag, "-1");
    EXPECT_FALSE(response->succeeded);
    EXPECT_EQ(response->responseCode, -1);
    EXPECT_EQ(response->body, "");

    auto* request = new NSUI::NSHttpRequest();
    auto* answered = new NSUI::NSHttpResponse(request);
    EXPECT_EQ(UIHttpPhisical::makeResponse(nullptr, answered), nullptr);
    EXPECT_EQ(UIHttpPhisical::makeResponse(NSHttpClient::getInstance(), nullptr), nullptr);
    answered->release();
    request->release();
    NSHttpClient::destroyInstance();
    cocos2d::Director::getInstance()->mainLoop(0.0f);
}

TEST(UIHttpPhisicalBase64Test, CredentialsUseStandardPaddedBase64) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {std::string("\xfb\xff\x00", 3), "+/8A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UIHttpPhisical::base64EncodeString(c.in.data(), c.in.size()), c.out) << c.in;
    }
}

}  // namespace
