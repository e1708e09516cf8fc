#include "tests/support/lib/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "tests/support/lib/TempDir.h"

extern char** environ;

namespace bvtest {

ChildProcess::~ChildProcess() {
    stop();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), exitCode_(other.exitCode_) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
        exitCode_ = other.exitCode_;
    }
    return *this;
}

bool ChildProcess::start(const std::vector<std::string>& arguments, const std::string& logPath,
                         LogMode mode) {
    if (arguments.empty() || pid_ > 0) {
        return false;
    }
    std::vector<std::string> environment = {"TCP_NODELAY=1"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "TCP_NODELAY=", 12) != 0) {
            environment.emplace_back(*entry);
        }
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const int flags = O_WRONLY | O_CREAT | (mode == LogMode::Append ? O_APPEND : O_TRUNC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), flags, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        return false;
    }
    pid_ = pid;
    exitCode_ = -1;
    return true;
}

void ChildProcess::reaped(int status) {
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ChildProcess::wait() {
    if (pid_ <= 0) {
        return exitCode_;
    }
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0) {
        if (errno != EINTR) {
            pid_ = -1;
            exitCode_ = -1;
            return exitCode_;
        }
    }
    reaped(status);
    return exitCode_;
}

bool ChildProcess::finished() {
    if (pid_ <= 0) {
        return true;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped(status);
        return true;
    }
    return false;
}

void ChildProcess::signalAndWait(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
        wait();
    }
}

void ChildProcess::stop() {
    signalAndWait(SIGTERM);
}

void ChildProcess::kill() {
    signalAndWait(SIGKILL);
}

int ChildProcess::run(const std::vector<std::string>& arguments, std::string& output) {
    TempDir folder;
    const std::string log = (folder / "output.log").string();
    const int code = run(arguments, log);
    std::ifstream in(log);
    output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return code;
}

int ChildProcess::run(const std::vector<std::string>& arguments, const std::string& logPath) {
    ChildProcess process;
    if (!process.start(arguments, logPath, LogMode::Append)) {
        return -1;
    }
    return process.wait();
}

}  // namespace bvtest
