#include "tests/support/lib/LoopbackPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace bvtest {

namespace {

sockaddr_in loopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

}  // namespace

int freeLoopbackPort(bool udp) {
    const int fd = socket(AF_INET, udp ? SOCK_DGRAM : SOCK_STREAM, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in address = loopbackAddress(0);
    socklen_t length = sizeof(address);
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

bool waitForLoopbackPort(int port, int attempts, int intervalMilliseconds) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopbackAddress(port);
        const bool open = fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address),
                                             sizeof(address)) == 0;
        if (fd >= 0) {
            close(fd);
        }
        if (open) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(intervalMilliseconds));
    }
    return false;
}

TakenPort::TakenPort(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) {
        return;
    }
    sockaddr_in address = loopbackAddress(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd_, 1) != 0) {
        release();
    }
}

TakenPort::~TakenPort() {
    release();
}

void TakenPort::release() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

}  // namespace bvtest
