#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace bvtest {

// A DICOM program started by a test on loopback (DCMTK's tools, Orthanc), stopped and reaped when
// the object goes, also when the test fails.
class PeerProcess {
public:
    PeerProcess() = default;
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // Starts the program with TCP_NODELAY=1 in its environment; output goes to logPath.
    bool start(const std::vector<std::string>& arguments, const std::string& logPath);
    // Waits for the end; the exit code, or -1 when killed.
    int wait();
    void stop();
    bool running() const { return pid_ > 0; }

    // Runs a program to its end; its exit code, output in output.
    static int run(const std::vector<std::string>& arguments, std::string& output);
    // A TCP port on loopback that was free a moment ago.
    static int freePort();
    // Waits until something accepts connections on the port (up to about 20 s).
    static bool waitForPort(int port);

private:
    pid_t pid_ = -1;
};

}  // namespace bvtest
