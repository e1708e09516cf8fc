#include "studydb/sniffer.h"

#include "StudyDbFixture.h"
#include "engine/base/Base64.h"
#include "studydb/StudyNotifications.h"
#include "tests/support/lib/LoopbackPort.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <set>

using studydbtest::KeyRecorder;

namespace {

// An endpoint on its own loopback port whose own address and neighbour list are its own; it
// only ever sends to loopback.
std::unique_ptr<NSUI::sniffer> endpoint(uint16_t port, uint16_t peerPort, const std::string& own,
                                        std::vector<std::string> neighbours) {
    auto peer = std::make_unique<NSUI::sniffer>(port, peerPort);
    studydb::LocalNetwork::Source source;
    source.info = [own](std::string& host, std::string& addresses) {
        host = "host-" + own;
        addresses = own;
    };
    source.subnetAddresses = [neighbours](std::vector<std::string>& addresses) {
        addresses = neighbours;
    };
    source.hasColon = [] { return false; };
    peer->setNetworkSource(source);
    return peer;
}

std::string field(const std::string& json, const char* key) {
    return NSUI::UIJson::getString(json, key);
}

unsigned int loopback() {
    return htonl(INADDR_LOOPBACK);
}

}  // namespace

// Two copies on loopback ports: a ping pass reaches the other, which answers the datagram's source
// and both announce what they heard.
TEST(sniffer, PingAndResponseBetweenTwoEndpoints) {
    NSUI::NSNotificationCenter::getInstance();
    studydbtest::LoopbackNetwork network;
    NSUI::sniffer::setAppIdentifierSource([] { return std::string("app-x"); });
    const auto portA = static_cast<uint16_t>(bvtest::freeLoopbackPort(true));
    const auto portB = static_cast<uint16_t>(bvtest::freeLoopbackPort(true));
    KeyRecorder peers(studydb::NOTIFY_PEER_SEEN);
    auto a = endpoint(portA, portB, "127.0.0.2", {"127.0.0.1"});
    auto b = endpoint(portB, portA, "127.0.0.3", {});
    a->begin();
    b->begin();
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return a->receiving && b->receiving; }));
    // The receive loops bind asynchronously: ping until each side has heard the other.
    std::set<std::string> heard;
    const auto hearsBoth = [&] {
        heard.clear();
        for (const std::string& text : peers.texts) {
            heard.insert(field(text, "ip") + "|" + field(text, "name") + "|" +
                         field(text, "device") + "|" + field(text, "appid"));
        }
        return heard.count("127.0.0.2|host-127.0.0.2|2|app-x") &&
               heard.count("127.0.0.3|host-127.0.0.3|2|app-x");
    };
    ASSERT_TRUE(studydbtest::pumpUntil(
        [&] {
            a->startPing();
            return hearsBoth();
        },
        30.0));
    a->shutdown();
    b->shutdown();
    EXPECT_EQ(heard.size(), 2u);
    EXPECT_TRUE(heard.count("127.0.0.2|host-127.0.0.2|2|app-x"));
    EXPECT_TRUE(heard.count("127.0.0.3|host-127.0.0.3|2|app-x"));
    NSUI::sniffer::setAppIdentifierSource(nullptr);
}

TEST(sniffer, MessagesAreCheckedBeforeTheyAreAnnounced) {
    NSUI::NSNotificationCenter::getInstance();
    studydbtest::LoopbackNetwork network;
    // Answers go to a port nobody listens on.
    auto own = endpoint(0, static_cast<uint16_t>(bvtest::freeLoopbackPort(true)), "127.0.0.2", {});
    const struct {
        const char* text;
        bool announced;
        const char* appid;
    } cases[] = {
        {"{\"ip\":\"127.0.0.2\",\"name\":\"me\",\"command\":\"ping\",\"msg\":"
         "\"dicom_node_recognize\"}",
         false, ""},
        {"{\"ip\":\"10.0.0.7\",\"name\":\"ward\",\"command\":\"response\",\"device\":\"1\","
         "\"msg\":\"dicom_node_recognize\"}",
         true, "ward10.0.0.7"},
        {"{\"ip\":\"10.0.0.8\",\"name\":\"lab\",\"command\":\"ping\",\"msg\":\"other\"}", false,
         ""},
        {"not json at all", false, ""},
        {"", false, ""},
    };
    for (const auto& item : cases) {
        KeyRecorder peers(studydb::NOTIFY_PEER_SEEN);
        own->onReceive(item.text, loopback());
        studydbtest::pumpFrames(4);
        ASSERT_EQ(peers.texts.size(), item.announced ? 1u : 0u) << item.text;
        if (item.announced) {
            EXPECT_EQ(field(peers.texts[0], "appid"), item.appid);
        }
    }
    {
        // Without an address of its own nothing is accepted.
        auto offline = endpoint(0, 1, "", {});
        KeyRecorder peers(studydb::NOTIFY_PEER_SEEN);
        offline->onReceive(cases[1].text, loopback());
        studydbtest::pumpFrames(4);
        EXPECT_TRUE(peers.texts.empty());
        offline->startPing();
        offline->shutdown();
    }
}

// A ping is answered at the address it came from, whatever its text claims.
TEST(sniffer, PingsAreAnsweredAtTheirSourceAddress) {
    NSUI::NSNotificationCenter::getInstance();
    studydbtest::LoopbackNetwork network;
    const int listener = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    socklen_t length = sizeof(address);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    timeval wait{20, 0};
    setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));

    auto own = endpoint(0, ntohs(address.sin_port), "127.0.0.2", {});
    KeyRecorder peers(studydb::NOTIFY_PEER_SEEN);
    own->onReceive("{\"ip\":\"127.0.0.99\",\"name\":\"ward\",\"command\":\"ping\",\"msg\":"
                   "\"dicom_node_recognize\"}",
                   loopback());
    char buffer[2048] = {0};
    const ssize_t received = recv(listener, buffer, sizeof(buffer) - 1, 0);
    close(listener);
    ASSERT_GT(received, 0);
    const std::string answer = cocos2d::safeBase64DecodeString(std::string(buffer, received));
    EXPECT_EQ(field(answer, "command"), "response");
    EXPECT_EQ(field(answer, "ip"), "127.0.0.2");
    EXPECT_EQ(field(answer, "msg"), "dicom_node_recognize");
    studydbtest::pumpFrames(4);
    ASSERT_EQ(peers.texts.size(), 1u);
    EXPECT_EQ(field(peers.texts[0], "ip"), "127.0.0.99");
}

TEST(sniffer, ASameUserDeviceIsRememberedOnTheMainThread) {
    NSUI::NSNotificationCenter::getInstance();
    studydbtest::LoopbackNetwork network;
    NSUI::sniffer::setLoginSource([](std::string& id) {
        id = "u1";
        return true;
    });
    auto own = endpoint(0, static_cast<uint16_t>(bvtest::freeLoopbackPort(true)), "127.0.0.2", {});
    own->onReceive("{\"ip\":\"10.0.0.9\",\"name\":\"tab\",\"command\":\"response\",\"msg\":"
                   "\"dicom_node_recognize\",\"userid\":\"u1\"}",
                   loopback());
    studydbtest::pumpFrames(4);
    NSUI::UILocalConfig settings;
    EXPECT_EQ(settings.getStringForKey("remoteSameUserDevice", ""), "10.0.0.9");
    NSUI::sniffer::setLoginSource(nullptr);
    settings.setStringForKey("remoteSameUserDevice", "");
}

TEST(sniffer, StopJoinsAPassThatIsUnderWay) {
    NSUI::NSNotificationCenter::getInstance();
    studydbtest::LoopbackNetwork network("127.0.0.2", {"127.0.0.1"});
    const auto port = static_cast<uint16_t>(bvtest::freeLoopbackPort(true));
    NSUI::sniffer::setDefaultPorts(port, port);
    NSUI::sniffer* shared = NSUI::sniffer::getInstance();
    EXPECT_EQ(NSUI::sniffer::getInstance(), shared);
    shared->startPing();
    NSUI::sniffer::stop();
    NSUI::sniffer* fresh = NSUI::sniffer::getInstance();
    fresh->startPing();
    NSUI::sniffer::stop();
    NSUI::sniffer::setDefaultPorts(NSUI::sniffer::kPort, NSUI::sniffer::kPort);
}
