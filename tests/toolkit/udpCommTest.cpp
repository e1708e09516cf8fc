#include "toolkit/net/udpComm.h"

#include "engine/base/Base64.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Bound for waits on the network and on threads; reaching it means the test failed.
constexpr auto kPatience = 10s;

// A UDP socket on loopback at a port of its own: the other end of the tests.
class Peer {
public:
    Peer() {
        socketId = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local = loopback(0);
        bind(socketId, reinterpret_cast<sockaddr*>(&local), sizeof(local));
        socklen_t length = sizeof(local);
        getsockname(socketId, reinterpret_cast<sockaddr*>(&local), &length);
        port = ntohs(local.sin_port);
        timeval timeout{};
        timeout.tv_sec = std::chrono::duration_cast<std::chrono::seconds>(kPatience).count();
        setsockopt(socketId, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    }
    ~Peer() { close(socketId); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    static sockaddr_in loopback(uint16_t port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        return address;
    }

    // The next datagram, whole; false when none came.
    bool receive(std::string& datagram) {
        char buffer[4096];
        const ssize_t received = recv(socketId, buffer, sizeof(buffer), 0);
        if (received < 0) {
            return false;
        }
        datagram.assign(buffer, static_cast<size_t>(received));
        return true;
    }

    void sendTo(uint16_t destination, const std::string& bytes) {
        const sockaddr_in address = loopback(destination);
        sendto(socketId, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&address),
               sizeof(address));
    }

    int socketId = -1;
    uint16_t port = 0;
};

// A port that nothing listens on right now.
uint16_t freePort() {
    Peer probe;
    return probe.port;
}

struct Message {
    std::string text;
    unsigned int sender;
};

// Writes down what arrives.
class Recorder : public NSUI::udpComm {
public:
    Recorder(uint16_t port, int32_t maxLength) : udpComm(port, maxLength) {}
    ~Recorder() override { stopReceiving(); }

    void onReceive(const char* text, unsigned int senderAddress) override {
        {
            std::lock_guard<std::mutex> guard(mutex);
            messages.push_back({text, senderAddress});
        }
        arrived.notify_all();
        if (!stopOnText.empty() && stopOnText == text) {
            stopReceiving();
        }
    }

    // Waits until the text has arrived `count` times in all.
    bool waitFor(const std::string& text, size_t count = 1) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, kPatience, [&] { return countLocked(text) >= count; });
    }

    size_t count(const std::string& text) {
        std::lock_guard<std::mutex> guard(mutex);
        return countLocked(text);
    }

    std::vector<Message> received() {
        std::lock_guard<std::mutex> guard(mutex);
        return messages;
    }

    // Sends a probe until one arrives: from then on the loop is listening.
    bool waitUntilListening(Peer& peer) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        const std::string probe = cocos2d::safeBase64EncodeString("probe");
        while (std::chrono::steady_clock::now() < deadline) {
            peer.sendTo(port, probe);
            std::unique_lock<std::mutex> lock(mutex);
            if (arrived.wait_for(lock, 10ms, [&] { return countLocked("probe") > 0; })) {
                return true;
            }
        }
        return false;
    }

    // A text that makes onReceive itself stop the loop.
    std::string stopOnText;

private:
    size_t countLocked(const std::string& text) const {
        size_t found = 0;
        for (const Message& message : messages) {
            found += message.text == text ? 1 : 0;
        }
        return found;
    }

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Message> messages;
};

bool waitUntilNotReceiving(const NSUI::udpComm& comm) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (comm.receiving && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    return !comm.receiving;
}

TEST(udpCommTest, FreshObjectHasNoSocketAndNoLoop) {
    NSUI::udpComm comm(12389, 1024);
    EXPECT_EQ(comm.sendSocket, -1);
    EXPECT_FALSE(comm.stopRequested);
    EXPECT_FALSE(comm.receiving);
}

TEST(udpCommTest, EachSendPutsTwoIdenticalDatagramsOfExactlyTheEncodedText) {
    const std::vector<std::string> texts = {"hello", "", "{\"name\":\"Zhāng 张\",\"port\":1}",
                                            std::string(700, 'x')};
    Peer peer;
    NSUI::udpComm sender(peer.port, 1024);
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        ASSERT_EQ(sender.send("127.0.0.1", text.c_str()), 0);
        EXPECT_GE(sender.sendSocket, 0);
        const std::string expected = cocos2d::safeBase64EncodeString(text);
        for (int copy = 0; copy < 2; ++copy) {
            std::string datagram;
            ASSERT_TRUE(peer.receive(datagram));
            EXPECT_EQ(datagram, expected);
        }
    }
}

TEST(udpCommTest, EncodedTextMustBeShorterThanTheMaximumLength) {
    // "abcdef" encodes to 8 bytes.
    struct Case {
        int32_t maxLength;
        int expected;
    };
    const std::vector<Case> cases = {{9, 0}, {8, -4}, {1, -4}};
    Peer peer;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.maxLength);
        NSUI::udpComm sender(peer.port, test.maxLength);
        EXPECT_EQ(sender.send("127.0.0.1", "abcdef"), test.expected);
        // Whatever comes first shows whether the refused text went out.
        sender.maxLength = 1024;
        ASSERT_EQ(sender.send("127.0.0.1", "marker"), 0);
        const std::vector<std::string> expected =
            test.expected == 0
                ? std::vector<std::string>{"YWJjZGVm", "YWJjZGVm", "bWFya2Vy", "bWFya2Vy"}
                : std::vector<std::string>{"bWFya2Vy", "bWFya2Vy"};
        for (const std::string& datagram : expected) {
            std::string received;
            ASSERT_TRUE(peer.receive(received));
            EXPECT_EQ(received, datagram);
        }
    }
}

TEST(udpCommTest, NullArgumentsAreRefused) {
    NSUI::udpComm sender(freePort(), 1024);
    EXPECT_EQ(sender.send(nullptr, "text"), -3);
    EXPECT_EQ(sender.send("127.0.0.1", nullptr), -3);
}

TEST(udpCommTest, ReceiverDecodesEveryDatagramAndNamesTheSender) {
    Peer peer;
    Recorder receiver(freePort(), 1024);
    receiver.startReceiving();
    ASSERT_TRUE(receiver.waitUntilListening(peer));

    NSUI::udpComm sender(receiver.port, 1024);
    ASSERT_EQ(sender.send("127.0.0.1", "{\"hello\":1}"), 0);
    EXPECT_TRUE(receiver.waitFor("{\"hello\":1}", 2));

    ASSERT_EQ(sender.send("127.0.0.1", ""), 0);
    EXPECT_TRUE(receiver.waitFor("", 2));

    for (const Message& message : receiver.received()) {
        EXPECT_EQ(message.sender, htonl(INADDR_LOOPBACK));
    }
}

TEST(udpCommTest, DatagramBytesAreTakenUpToTheFirstZeroOrTheBufferEnd) {
    struct Case {
        const char* name;
        std::string datagram;
        std::string expected;
    };
    // The receive buffer holds 16 bytes.
    const std::vector<Case> cases = {
        {"fills the buffer, no zero", "YWJjZGVmZ2hpamts", "abcdefghijkl"},
        {"longer than the buffer", "YWJjZGVmZ2hpamtsbW5v", "abcdefghijkl"},
        {"zero inside", std::string("YWJj\0Zm9v", 8), "abc"},
        {"not Base64", "%%not base64%%", ""},
        {"bad padding", "YW=j", ""},
    };
    Peer peer;
    Recorder receiver(freePort(), 16);
    receiver.startReceiving();
    ASSERT_TRUE(receiver.waitUntilListening(peer));
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const size_t before = receiver.count(test.expected);
        peer.sendTo(receiver.port, test.datagram);
        EXPECT_TRUE(receiver.waitFor(test.expected, before + 1));
    }
    // Garbage does not end the loop.
    peer.sendTo(receiver.port, cocos2d::safeBase64EncodeString("still here"));
    EXPECT_TRUE(receiver.waitFor("still here"));
}

TEST(udpCommTest, StopEndsTheLoopAndALaterStartListensAgain) {
    Peer peer;
    Recorder receiver(freePort(), 1024);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        receiver.startReceiving();
        EXPECT_TRUE(receiver.receiving);
        ASSERT_TRUE(receiver.waitUntilListening(peer));
        receiver.stopReceiving();
        EXPECT_FALSE(receiver.receiving);
        EXPECT_TRUE(receiver.stopRequested);
    }
}

TEST(udpCommTest, StopWithoutTrafficOrWithoutStartReturns) {
    Recorder idle(freePort(), 1024);
    idle.stopReceiving();
    EXPECT_FALSE(idle.receiving);

    Recorder quiet(freePort(), 1024);
    quiet.startReceiving();
    quiet.stopReceiving();
    EXPECT_FALSE(quiet.receiving);
}

TEST(udpCommTest, ConcurrentStartsRunOneLoop) {
    Peer peer;
    Recorder receiver(freePort(), 1024);
    std::vector<std::thread> starters;
    for (int i = 0; i < 8; ++i) {
        starters.emplace_back([&receiver] { receiver.startReceiving(); });
    }
    for (std::thread& starter : starters) {
        starter.join();
    }
    ASSERT_TRUE(receiver.waitUntilListening(peer));
    receiver.stopReceiving();
    EXPECT_FALSE(receiver.receiving);
}

TEST(udpCommTest, StopFromInsideOnReceiveEndsTheLoop) {
    Peer peer;
    Recorder receiver(freePort(), 1024);
    receiver.stopOnText = "last";
    receiver.startReceiving();
    ASSERT_TRUE(receiver.waitUntilListening(peer));
    peer.sendTo(receiver.port, cocos2d::safeBase64EncodeString("last"));
    EXPECT_TRUE(receiver.waitFor("last"));
    EXPECT_TRUE(waitUntilNotReceiving(receiver));
}

TEST(udpCommTest, LoopThatCannotBindEndsByItselfAndCanBeStartedAgain) {
    Peer peer;
    {
        // The peer holds the port.
        Peer occupier;
        Recorder receiver(occupier.port, 1024);
        receiver.startReceiving();
        EXPECT_TRUE(waitUntilNotReceiving(receiver));
        receiver.port = freePort();
        receiver.startReceiving();
        EXPECT_TRUE(receiver.waitUntilListening(peer));
    }
    NSUI::udpComm unusable(freePort(), 0);
    unusable.startReceiving();
    EXPECT_TRUE(waitUntilNotReceiving(unusable));
}

}  // namespace
