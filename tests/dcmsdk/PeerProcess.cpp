#include "PeerProcess.h"

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace bvtest {

PeerProcess::~PeerProcess() {
    stop();
}

bool PeerProcess::start(const std::vector<std::string>& arguments, const std::string& logPath) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // Built before fork: the child may only make async-signal-safe calls before exec.
    std::vector<std::string> environment = {"TCP_NODELAY=1"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "TCP_NODELAY=", 12) != 0) {
            environment.emplace_back(*entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            close(log);
        }
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    pid_ = pid;
    return true;
}

int PeerProcess::wait() {
    if (pid_ <= 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void PeerProcess::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        wait();
    }
}

int PeerProcess::run(const std::vector<std::string>& arguments, std::string& output) {
    char pattern[] = "/tmp/bvpeer-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) {
        return -1;
    }
    close(fd);
    PeerProcess process;
    int code = -1;
    if (process.start(arguments, pattern)) {
        code = process.wait();
    }
    std::ifstream in(pattern);
    output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::filesystem::remove(pattern);
    return code;
}

int PeerProcess::freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

bool PeerProcess::waitForPort(int port) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        const bool open = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        close(fd);
        if (open) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace bvtest
