#include "OnlineFixture.h"
#include "online/statApplication.h"
#include "toolkit/net/UIHttpResponse.h"

namespace onlinetest {
namespace {

// A caller of the service that writes down the status of its one answer.
class Caller : public cocos2d::Ref, public NSUI::UIHttpPhisical {
public:
    Caller() { owner = this; }
    void onResponse(NSUI::UIHttpResponse* response) override {
        code = response->responseCode;
        answered = true;
    }
    int code = 0;
    bool answered = false;
};

class TlsTest : public OnlineTest {
protected:
    void TearDown() override {
        unsetenv("SSL_CERT_FILE");
        unsetenv("CURL_CA_BUNDLE");
        OnlineTest::TearDown();
    }

    // The status of one service call to `url` with `caFile` as the trust store ("" the system's).
    int call(const std::string& url, const std::string& caFile) {
        NSUI::NSHttpClient::destroyInstance();
        unsetenv("CURL_CA_BUNDLE");
        if (caFile.empty()) {
            unsetenv("SSL_CERT_FILE");
        } else {
            setenv("SSL_CERT_FILE", caFile.c_str(), 1);
        }
        Caller caller;
        caller.httpPost(url, ServiceTestServer::base64("{}"), "call", "", "");
        EXPECT_TRUE(pumpUntil([&] { return caller.answered; }));
        NSUI::NSHttpClient::destroyInstance();
        return caller.code;
    }
};

TEST_F(TlsTest, OnlyTheConfiguredAuthorityIsTrustedAndVerificationStaysOn) {
    const TestAuthority trusted = TestAuthority::create(writable.path().string(), "trusted");
    const TestAuthority stranger = TestAuthority::create(writable.path().string(), "stranger");
    ASSERT_FALSE(trusted.caFile.empty());
    ASSERT_FALSE(stranger.caFile.empty());
    ServiceTestServer secure(trusted);
    ASSERT_TRUE(secure.isRunning());
    ServiceTestServer impostor(stranger);
    ASSERT_TRUE(impostor.isRunning());
    const std::string path = "/lg/rlc.php";

    EXPECT_EQ(call(secure.baseUrl() + path, trusted.caFile), 200);
    // The system's store does not know the test authority.
    EXPECT_EQ(call(secure.baseUrl() + path, ""), -1);
    // A server whose certificate another authority signed.
    EXPECT_EQ(call(impostor.baseUrl() + path, trusted.caFile), -1);
    // The certificate names both forms of this machine.
    const std::string byName = "https://localhost:" + std::to_string(secure.getPort()) + path;
    EXPECT_EQ(call(byName, trusted.caFile), 200);
    EXPECT_EQ(secure.requests(path).size(), 2u);
    EXPECT_TRUE(impostor.requests(path).empty());
}

TEST_F(TlsTest, StatisticsTalkToAnHttpsSiteBase) {
    const TestAuthority trusted = TestAuthority::create(writable.path().string(), "site");
    ServiceTestServer secure(trusted);
    ASSERT_TRUE(secure.isRunning());
    NSUI::NSHttpClient::destroyInstance();
    unsetenv("CURL_CA_BUNDLE");
    setenv("SSL_CERT_FILE", trusted.caFile.c_str(), 1);
    NSUI::setServerUrl(secure.baseUrl());
    statApplication* stats = statApplication::getInstance();
    stats->requestStatUrl();
    EXPECT_TRUE(pumpUntil([&] { return !stats->getUploadUrl().empty(); }));
    statApplication::destroyInstance();
}

}  // namespace
}  // namespace onlinetest
