#include "LoopbackHttpServer.h"

#include <curl/curl.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bvtest {

namespace {

std::string scriptPath() {
    // A build-time path, not __FILE__: compiler caches may rewrite source paths to relative ones.
    return (std::filesystem::path(BV_TOOLKIT_TEST_DATA) / "http_test_server.py").string();
}

std::size_t appendText(char* data, std::size_t size, std::size_t count, void* text) {
    static_cast<std::string*>(text)->append(data, size * count);
    return size * count;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() {
    start(std::string(), std::string());
}

LoopbackHttpServer::LoopbackHttpServer(const std::string& certificateFile,
                                       const std::string& keyFile) {
    start(certificateFile, keyFile);
}

void LoopbackHttpServer::start(const std::string& certificateFile, const std::string& keyFile) {
    int pipeEnds[2];
    int inputEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(inputEnds, O_CLOEXEC) != 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return;
    }
    std::vector<std::string> arguments = {"python3", scriptPath()};
    if (!certificateFile.empty()) {
        secure = true;
        arguments.insert(arguments.end(), {"--cert", certificateFile, "--key", keyFile});
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, inputEnds[0], STDIN_FILENO);
    const int spawned = posix_spawnp(&pid, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    close(inputEnds[0]);
    if (spawned != 0) {
        pid = -1;
        close(pipeEnds[0]);
        close(inputEnds[1]);
        return;
    }
    // The server ends when this end closes, also when this process dies without cleaning up.
    inputLine = inputEnds[1];
    // The script prints its port once it listens.
    FILE* output = fdopen(pipeEnds[0], "r");
    if (output == nullptr || std::fscanf(output, "%d", &port) != 1) {
        port = 0;
    }
    if (output != nullptr) {
        std::fclose(output);
    } else {
        close(pipeEnds[0]);
    }
}

LoopbackHttpServer::~LoopbackHttpServer() {
    if (pid > 0) {
        close(inputLine);
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

std::string LoopbackHttpServer::baseUrl() const {
    return std::string(secure ? "https" : "http") + "://127.0.0.1:" + std::to_string(port);
}

std::string LoopbackHttpServer::fetch(const std::string& path, bool verifyPeer) const {
    std::string body;
    CURL* handle = curl_easy_init();
    if (handle == nullptr) {
        return body;
    }
    const std::string url = baseUrl() + path;
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    if (!verifyPeer) {
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &appendText);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(handle) != CURLE_OK) {
        body.clear();
    }
    curl_easy_cleanup(handle);
    return body;
}

EchoedRequest EchoedRequest::parse(const std::string& answer) {
    EchoedRequest echoed;
    const std::size_t headEnd = answer.find("\n\n");
    const std::string head = answer.substr(0, headEnd);
    if (headEnd != std::string::npos) {
        echoed.body = answer.substr(headEnd + 2);
    }
    std::size_t start = 0;
    while (start <= head.size()) {
        std::size_t end = head.find('\n', start);
        if (end == std::string::npos) {
            end = head.size();
        }
        const std::string line = head.substr(start, end - start);
        if (start == 0) {
            echoed.requestLine = line;
        } else if (!line.empty()) {
            echoed.headerLines.push_back(line);
        }
        start = end + 1;
    }
    return echoed;
}

std::vector<std::string> EchoedRequest::linesNamed(const std::string& name) const {
    std::vector<std::string> found;
    for (const std::string& line : headerLines) {
        if (line.size() > name.size() && line[name.size()] == ':' &&
            strncasecmp(line.c_str(), name.c_str(), name.size()) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

}  // namespace bvtest
