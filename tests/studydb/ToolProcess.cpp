#include "ToolProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace studydbtest {

ToolProcess::~ToolProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        wait();
    }
}

bool ToolProcess::start(const std::vector<std::string>& arguments, const std::string& logPath) {
    std::vector<std::string> environment = {"TCP_NODELAY=1"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "TCP_NODELAY=", 12) != 0) {
            environment.push_back(*entry);
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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int failed = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        pid_ = -1;
        return false;
    }
    return true;
}

int ToolProcess::wait() {
    if (pid_ <= 0) {
        return status_;
    }
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0) {
        if (errno != EINTR) {
            status = -1;
            break;
        }
    }
    pid_ = -1;
    status_ = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
}

bool ToolProcess::finished() {
    if (pid_ <= 0) {
        return true;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
    return false;
}

void ToolProcess::kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        wait();
    }
}

int ToolProcess::run(const std::vector<std::string>& arguments, const std::string& logPath) {
    ToolProcess process;
    if (!process.start(arguments, logPath)) {
        return -1;
    }
    return process.wait();
}

}  // namespace studydbtest
