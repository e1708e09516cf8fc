#include "dcmsdk/DcmNetwork.h"

#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/dimse.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

bool readExactly(int socketId, std::vector<unsigned char>& bytes, std::size_t count) {
    bytes.resize(count);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = recv(socketId, bytes.data() + got, count - got, 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// One whole PDU: its six-byte header, then as many bytes as the header announces.
bool readPdu(int socketId, std::vector<unsigned char>& pdu) {
    std::vector<unsigned char> body;
    if (!readExactly(socketId, pdu, 6)) {
        return false;
    }
    const std::uint32_t length = (std::uint32_t{pdu[2]} << 24) | (std::uint32_t{pdu[3]} << 16) |
                                 (std::uint32_t{pdu[4]} << 8) | std::uint32_t{pdu[5]};
    if (!readExactly(socketId, body, length)) {
        return false;
    }
    pdu.insert(pdu.end(), body.begin(), body.end());
    return true;
}

void appendItem(std::vector<unsigned char>& out, unsigned char type,
                const std::vector<unsigned char>& value) {
    out.push_back(type);
    out.push_back(0);
    out.push_back(static_cast<unsigned char>(value.size() >> 8));
    out.push_back(static_cast<unsigned char>(value.size() & 0xFF));
    out.insert(out.end(), value.begin(), value.end());
}

std::vector<unsigned char> bytesOf(const char* text) {
    return std::vector<unsigned char>(text, text + std::char_traits<char>::length(text));
}

// An A-ASSOCIATE-AC that accepts presentation context 1 with implicit little endian, titles
// copied from the request.
std::vector<unsigned char> acceptance(const std::vector<unsigned char>& request) {
    std::vector<unsigned char> body = {0x00, 0x01, 0x00, 0x00};
    body.insert(body.end(), request.begin() + 10, request.begin() + 74);
    appendItem(body, 0x10, bytesOf(UID_StandardApplicationContext));
    std::vector<unsigned char> context = {0x01, 0x00, 0x00, 0x00};
    appendItem(context, 0x40, bytesOf(UID_LittleEndianImplicitTransferSyntax));
    appendItem(body, 0x21, context);
    std::vector<unsigned char> maxLength;
    appendItem(maxLength, 0x51, {0x00, 0x00, 0x40, 0x00});
    appendItem(body, 0x50, maxLength);
    std::vector<unsigned char> pdu = {0x02, 0x00};
    for (int shift = 24; shift >= 0; shift -= 8) {
        pdu.push_back(static_cast<unsigned char>((body.size() >> shift) & 0xFF));
    }
    pdu.insert(pdu.end(), body.begin(), body.end());
    return pdu;
}

// A peer on loopback that stops in the middle of a PDU: of its A-ASSOCIATE-AC, or, having
// accepted, of its P-DATA-TF answer to the first request. It holds the connection until the
// caller lets it go.
class StallingPeer {
public:
    enum class Stall { InAcceptance, InAnswer };

    explicit StallingPeer(Stall stall) : stall_(stall) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(listener_, 1);
        socklen_t length = sizeof(address);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~StallingPeer() {
        // The accept fails once the listener is shut down, should no caller have come.
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    int port() const { return port_; }
    bool stalled() { return stalled_.get_future().get(); }

private:
    void serve() {
        const int connection = accept(listener_, nullptr, nullptr);
        if (connection < 0) {
            stalled_.set_value(false);
            return;
        }
        const int on = 1;
        setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
        std::vector<unsigned char> pdu;
        bool ok = readPdu(connection, pdu) && pdu[0] == 0x01 && pdu.size() >= 74;
        if (ok) {
            const std::vector<unsigned char> answer = acceptance(pdu);
            const std::size_t sent = stall_ == Stall::InAcceptance ? 20 : answer.size();
            ok = send(connection, answer.data(), sent, 0) == static_cast<ssize_t>(sent);
        }
        if (ok && stall_ == Stall::InAnswer) {
            ok = readPdu(connection, pdu) && pdu[0] == 0x04;
            const unsigned char partial[] = {0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
            ok = ok && send(connection, partial, sizeof(partial), 0) ==
                           static_cast<ssize_t>(sizeof(partial));
        }
        stalled_.set_value(ok);
        // Hold the connection until the caller gives it up.
        char drain[256];
        while (recv(connection, drain, sizeof(drain), 0) > 0) {
        }
        close(connection);
    }

    const Stall stall_;
    int listener_ = -1;
    int port_ = 0;
    std::promise<bool> stalled_;
    std::thread thread_;
};

struct MessageTimeout {
    explicit MessageTimeout(int seconds) { dcmSDK::DcmNetwork::setTimeouts(5, seconds); }
    ~MessageTimeout() { dcmSDK::DcmNetwork::setTimeouts(5, 30); }
};

}  // namespace

// Every client service (echo, find, retrieve, send) talks through DcmAssociation: a peer that
// stops in the middle of a PDU, while associating or answering, fails the request within the
// message time-out instead of holding it for DCMTK's own minute.
TEST(DcmAssociation, APeerStallingInsideAPduFailsTheRequest) {
    MessageTimeout timeout(1);
    for (const StallingPeer::Stall stall :
         {StallingPeer::Stall::InAcceptance, StallingPeer::Stall::InAnswer}) {
        SCOPED_TRACE(stall == StallingPeer::Stall::InAcceptance ? "in acceptance" : "in answer");
        StallingPeer peer(stall);
        std::future<bool> echoed = std::async(std::launch::async, [&peer] {
            dcmSDK::DcmAssociation association;
            std::string error;
            if (!association.open(
                    "127.0.0.1", peer.port(), "CALLER", "STALLER",
                    {{UID_VerificationSOPClass, {UID_LittleEndianImplicitTransferSyntax}, false}},
                    error)) {
                return false;
            }
            DIC_US status = 0;
            DcmDataset* detail = nullptr;
            const OFCondition result =
                DIMSE_echoUser(association.get(), association.get()->nextMsgID++, DIMSE_NONBLOCKING,
                               dcmSDK::DcmNetwork::messageTimeout(), &status, &detail);
            delete detail;
            if (result.bad()) {
                association.markBroken();
            }
            return result.good();
        });
        EXPECT_TRUE(peer.stalled());
        // Only a safety net: DCMTK's own socket time-out is a minute.
        ASSERT_EQ(echoed.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        EXPECT_FALSE(echoed.get());
    }
}
