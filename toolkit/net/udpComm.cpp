#include "toolkit/net/udpComm.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "engine/base/Base64.h"

namespace NSUI {

namespace {

// Short enough that a stop request is noticed promptly even if the wake-up is missed.
constexpr long kReceiveTimeoutMicroseconds = 20000;

// The object whose loop runs on this thread, so that a stop from onReceive does not wait for
// itself.
thread_local const udpComm* loopOnThisThread = nullptr;

}  // namespace

udpComm::udpComm(uint16_t port, int32_t maxLength) : port(port), maxLength(maxLength) {}

udpComm::~udpComm() {
    stopReceiving();
    if (sendSocket >= 0) {
        close(sendSocket);
    }
}

void udpComm::onReceive(const char*, unsigned int) {}

void udpComm::startReceiving() {
    std::lock_guard<std::mutex> guard(lifecycleMutex);
    // Claimed here rather than by the loop, so that a second start cannot slip in before it runs.
    bool expected = false;
    if (!receiving.compare_exchange_strong(expected, true)) {
        return;
    }
    if (receiveThread.joinable()) {
        // A loop that ended by itself.
        receiveThread.join();
    }
    stopRequested = false;
    try {
        receiveThread = std::thread(&udpComm::receiveLoop, this);
    } catch (const std::exception&) {
        receiving = false;
    }
}

void udpComm::stopReceiving() {
    if (loopOnThisThread == this) {
        stopRequested = true;
        return;
    }
    std::lock_guard<std::mutex> guard(lifecycleMutex);
    stopRequested = true;
    {
        std::lock_guard<std::mutex> socketGuard(receiveSocketMutex);
        if (receiveSocket >= 0) {
            // Wakes a recvfrom that is waiting.
            shutdown(receiveSocket, SHUT_RDWR);
        }
    }
    if (receiveThread.joinable()) {
        receiveThread.join();
    }
}

void udpComm::setReceiveSocket(int socket) {
    std::lock_guard<std::mutex> guard(receiveSocketMutex);
    receiveSocket = socket;
}

void udpComm::receiveLoop() {
    loopOnThisThread = this;
    if (maxLength < 1) {
        receiving = false;
        return;
    }
    const int socketId = socket(AF_INET, SOCK_DGRAM, 0);
    if (socketId < 0) {
        receiving = false;
        return;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    if (bind(socketId, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
        close(socketId);
        receiving = false;
        return;
    }
    timeval timeout{};
    timeout.tv_usec = kReceiveTimeoutMicroseconds;
    setsockopt(socketId, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setReceiveSocket(socketId);

    std::vector<char> buffer(static_cast<size_t>(maxLength));
    while (!stopRequested) {
        std::fill(buffer.begin(), buffer.end(), '\0');
        sockaddr_in sender{};
        socklen_t senderLength = sizeof(sender);
        const ssize_t received = recvfrom(socketId, buffer.data(), buffer.size(), 0,
                                          reinterpret_cast<sockaddr*>(&sender), &senderLength);
        // After a shutdown recvfrom returns at once; that is not a datagram.
        if (received < 0 || stopRequested) {
            continue;
        }
        const size_t length = strnlen(buffer.data(), static_cast<size_t>(received));
        try {
            const std::string text =
                cocos2d::safeBase64DecodeString(std::string(buffer.data(), length));
            onReceive(text.c_str(), sender.sin_addr.s_addr);
        } catch (const std::exception&) {
            // One datagram that could not be handled does not end the loop.
        }
    }

    setReceiveSocket(-1);
    close(socketId);
    receiving = false;
}

int udpComm::send(const char* address, const char* text) {
    if (address == nullptr || text == nullptr) {
        return -3;
    }
    try {
        sockaddr_in destination{};
        destination.sin_family = AF_INET;
        destination.sin_addr.s_addr = inet_addr(address);
        destination.sin_port = htons(port);

        int socketId;
        {
            std::lock_guard<std::mutex> guard(sendSocketMutex);
            if (sendSocket < 0) {
                sendSocket = socket(AF_INET, SOCK_DGRAM, 0);
                if (sendSocket < 0) {
                    sendSocket = -1;
                    return -1;
                }
            }
            socketId = sendSocket;
        }

        const std::string encoded = cocos2d::safeBase64EncodeString(text);
        if (static_cast<long long>(encoded.size()) > static_cast<long long>(maxLength) - 1) {
            return -4;
        }
        // Sent twice: a lost datagram is common on busy networks and receivers expect repeats.
        for (int copy = 0; copy < 2; ++copy) {
            sendto(socketId, encoded.data(), encoded.size(), 0,
                   reinterpret_cast<const sockaddr*>(&destination), sizeof(destination));
        }
        return 0;
    } catch (const std::exception&) {
        return -3;
    }
}

}  // namespace NSUI
