#include "platform/FileDialogs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

extern char** environ;

namespace platform {

namespace {

std::mutex& providerMutex() {
    static std::mutex mutex;
    return mutex;
}

FileDialogProvider& installedProvider() {
    static FileDialogProvider provider;
    return provider;
}

bool hasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// Runs the program with the arguments (no shell, so paths need no quoting) and gives its output
// when it exits with status 0.
std::optional<std::string> runDialogProgram(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return std::nullopt;
    }
    std::string output;
    char buffer[1024];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof(buffer));
        if (n > 0) {
            output.append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    if (output.empty()) {
        return std::nullopt;
    }
    return output;
}

std::optional<std::string> defaultDialog(const FileDialogRequest& request) {
    if (!hasDisplay()) {
        return std::nullopt;
    }
    std::vector<std::string> args = {"zenity", "--file-selection"};
    if (!request.title.empty()) {
        args.push_back("--title=" + request.title);
    }
    if (request.kind == FileDialogKind::ChooseFolder) {
        args.push_back("--directory");
    } else if (request.kind == FileDialogKind::SaveFile) {
        args.push_back("--save");
        if (request.confirmOverwrite) {
            args.push_back("--confirm-overwrite");
        }
        if (!request.filterPattern.empty()) {
            const std::string pattern =
                request.filterPattern == "*.*" ? "*" : request.filterPattern;
            args.push_back("--file-filter=" + request.filterName + " | " + pattern);
        }
    }
    if (!request.startFolder.empty()) {
        std::string start = request.startFolder;
        if (start.back() != '/') {
            start += '/';
        }
        args.push_back("--filename=" + start);
    }
    return runDialogProgram(args);
}

}  // namespace

void setFileDialogProvider(FileDialogProvider provider) {
    std::lock_guard<std::mutex> lock(providerMutex());
    installedProvider() = std::move(provider);
}

std::optional<std::string> showFileDialog(const FileDialogRequest& request) {
    FileDialogProvider provider;
    {
        std::lock_guard<std::mutex> lock(providerMutex());
        provider = installedProvider();
    }
    if (provider) {
        return provider(request);
    }
    return defaultDialog(request);
}

}  // namespace platform
