#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace NSUI {

// Base64 text messages over UDP on one port: a receiving thread hands every datagram, decoded,
// to onReceive; send puts a text on the wire to one IPv4 address at the same port, twice.
//
// The owner sets port and maxLength before the first start or send. The receiving thread
// belongs to the object: stopReceiving ends it and waits for it. A class that overrides
// onReceive calls stopReceiving in its own destructor, so that no datagram reaches a part of
// the object that is already gone.
class udpComm {
public:
    udpComm() = default;
    udpComm(uint16_t port, int32_t maxLength);
    // Stops the receiving thread and closes the sending socket.
    virtual ~udpComm();
    udpComm(const udpComm&) = delete;
    udpComm& operator=(const udpComm&) = delete;

    // Runs on the receiving thread with the decoded text (empty when the datagram was not
    // Base64) and the sender's IPv4 address in network byte order.
    virtual void onReceive(const char* text, unsigned int senderAddress);

    // Starts the receiving thread unless it is already running. A loop that cannot bind its
    // socket ends by itself with `receiving` clear.
    void startReceiving();
    // Asks the loop to end, wakes it and waits until it has ended. Called from onReceive it only
    // asks.
    void stopReceiving();

    // 0 sent, -1 no socket could be made, -4 the encoded text is not shorter than maxLength
    // (nothing sent), -3 an exception occurred or an argument was null. Any thread may send.
    int send(const char* address, const char* text);

    uint16_t port = 0;
    // Receive buffer size; an encoded text must be shorter than this to be sent.
    int32_t maxLength = 0;
    int32_t sendSocket = -1;
    // Raised to end the receive loop; startReceiving clears it.
    std::atomic<bool> stopRequested{false};
    // Set from the moment a start is accepted until the loop has ended.
    std::atomic<bool> receiving{false};

private:
    void receiveLoop();
    // Publishes the loop's socket so that stopReceiving can shut it down; -1 withdraws it.
    void setReceiveSocket(int socket);

    std::mutex lifecycleMutex;
    std::thread receiveThread;
    std::mutex receiveSocketMutex;
    int receiveSocket = -1;
    std::mutex sendSocketMutex;
};

}  // namespace NSUI
