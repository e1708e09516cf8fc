#pragma once

namespace bvtest {

// A TCP port (a UDP one with `udp`) on 127.0.0.1 that was free a moment ago; 0 when none
// could be had.
int freeLoopbackPort(bool udp = false);

// Waits until something accepts connections on the loopback port, polling every interval up to
// the given number of attempts (20 s by default).
bool waitForLoopbackPort(int port, int attempts = 200, int intervalMilliseconds = 100);

// Holds a TCP port on every address, bound and listening, as another program would, until it
// goes or is released.
class TakenPort {
public:
    explicit TakenPort(int port);
    ~TakenPort();
    TakenPort(const TakenPort&) = delete;
    TakenPort& operator=(const TakenPort&) = delete;

    bool taken() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
};

}  // namespace bvtest
