#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace bvtest {

// A program that a test or a benchmark starts beside itself on loopback (DCMTK's tools,
// Orthanc), with TCP_NODELAY=1 in its environment and its output in a log file. Stopped and
// reaped when the object goes, also when the test fails.
class ChildProcess {
public:
    enum class LogMode { Truncate, Append };

    ChildProcess() = default;
    // Stops a program that still runs.
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Standard output and error both go to logPath. False when the program cannot be started.
    bool start(const std::vector<std::string>& arguments, const std::string& logPath,
               LogMode mode = LogMode::Truncate);
    // Waits for the end; the exit code, or -1 when it did not exit normally.
    int wait();
    // Whether it has ended, without waiting; exitCode() then holds its exit code.
    bool finished();
    int exitCode() const { return exitCode_; }
    // SIGTERM, then waits for the end.
    void stop();
    // SIGKILL, then waits for the end.
    void kill();
    bool running() const { return pid_ > 0; }

    // Runs a program to its end; its exit code, its output in output.
    static int run(const std::vector<std::string>& arguments, std::string& output);
    // Runs a program to its end, appending its output to the log; its exit code.
    static int run(const std::vector<std::string>& arguments, const std::string& logPath);

private:
    void signalAndWait(int signal);
    void reaped(int status);

    pid_t pid_ = -1;
    int exitCode_ = -1;
};

}  // namespace bvtest
