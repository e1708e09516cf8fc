#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace studydbtest {

// A DCMTK tool run by a test on loopback, with TCP_NODELAY=1 in its environment.
class ToolProcess {
public:
    ToolProcess() = default;
    // Stops a tool that still runs.
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Output goes to logPath.
    bool start(const std::vector<std::string>& arguments, const std::string& logPath);
    // The exit code, or -1 when it did not exit normally.
    int wait();
    bool finished();
    // Ends the process at once with SIGKILL and reaps it.
    void kill();

    // Runs a tool to its end; its exit code.
    static int run(const std::vector<std::string>& arguments, const std::string& logPath);

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

}  // namespace studydbtest
