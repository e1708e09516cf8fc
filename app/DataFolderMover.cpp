#include "app/DataFolderMover.h"

#include "studydb/LibraryLock.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path resolved(const std::string& path) {
    std::error_code error;
    fs::path result = fs::weakly_canonical(fs::path(path), error);
    if (error) {
        result = fs::path(path).lexically_normal();
    }
    // "a/b/" and "a/b" name one folder.
    std::string text = result.string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return fs::path(text);
}

// Whether `inner` is `outer` or lies below it.
bool within(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (i == inner.end() || *i != *o) {
            return false;
        }
    }
    return true;
}

bool holdsFiles(const fs::path& folder) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_directory(error)) {
            return true;
        }
    }
    return false;
}

// The mover whose copy runs on this thread: a recorder or hook that cancels must not join it.
thread_local const DataFolderMover* copyingFor = nullptr;

}  // namespace

DataFolderMover::~DataFolderMover() {
    cancel();
}

void DataFolderMover::setRecorder(std::function<void(const std::string& folder)> record) {
    recorder = std::move(record);
}

void DataFolderMover::setBeforeEachFile(std::function<void(const std::string& file)> hook) {
    beforeEachFile = std::move(hook);
}

void DataFolderMover::cancel() {
    stopping = true;
    join();
}

DataFolderMover::Check DataFolderMover::checkTarget(const std::string& current,
                                                    const std::string& target) {
    if (target.size() <= 3 || target.front() != '/') {
        return Check::NotValid;
    }
    const fs::path from = resolved(current);
    const fs::path to = resolved(target);
    if (within(to, from) || within(from, to)) {
        return Check::SamePlace;
    }
    std::error_code error;
    if (fs::exists(to, error)) {
        if (!fs::is_directory(to, error)) {
            return Check::NotValid;
        }
        if (holdsFiles(to)) {
            return Check::NotEmpty;
        }
    }
    return Check::Accepted;
}

bool DataFolderMover::start(const std::string& from, const std::string& to, bool forceCopy) {
    join();
    source = from.empty() || from.back() == '/' ? from : from + "/";
    target = to.empty() || to.back() == '/' ? to : to + "/";
    stopping = false;
    setCurrentFile("");
    std::error_code error;
    const fs::path toPath = resolved(to);
    if (fs::is_directory(toPath, error) && !holdsFiles(toPath)) {
        fs::remove_all(toPath, error);
    }
    fs::create_directories(toPath.parent_path(), error);
    if (!forceCopy) {
        fs::rename(resolved(from), toPath, error);
        if (!error) {
            if (recorder) {
                recorder(target);
            }
            state = kMoved;
            return true;
        }
    }
    // Another file system (EXDEV) or any other refusal: copy, check, then remove.
    state = kCopying;
    worker = std::thread([this] { copyFiles(); });
    return false;
}

void DataFolderMover::join() {
    if (copyingFor != this && worker.joinable()) {
        worker.join();
    }
}

std::string DataFolderMover::getCurrentFile() const {
    std::lock_guard<std::mutex> guard(fileMutex);
    return currentFile;
}

void DataFolderMover::setCurrentFile(const std::string& path) {
    std::lock_guard<std::mutex> guard(fileMutex);
    currentFile = shortenForStatus(path);
}

std::string DataFolderMover::shortenForStatus(const std::string& path) {
    if (path.size() <= 150) {
        return path;
    }
    // Both cuts fall between characters: a name outside ASCII stays readable.
    const auto continues = [&path](std::size_t at) {
        return (static_cast<unsigned char>(path[at]) & 0xC0) == 0x80;
    };
    std::size_t head = 50;
    while (head > 0 && continues(head)) {
        --head;
    }
    std::size_t tail = path.size() - 100;
    while (tail < path.size() && continues(tail)) {
        ++tail;
    }
    return path.substr(0, head) + "..." + path.substr(tail);
}

void DataFolderMover::copyFiles() {
    copyingFor = this;
    // The target's lock, once taken, ends with the copy: the library opened there takes its own.
    studydb::LibraryLock targetLock;
    // Every file, hidden ones too: whatever is not copied would be lost with the old folder. The
    // source's lock file is not the library's: the target has its own.
    const std::string sourceLock = source + studydb::LibraryLock::kFileName;
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(source, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_directory(error) && it->path().string() != sourceLock) {
            files.push_back(it->path().string());
        }
    }
    if (error) {
        state = kCopyFailed;
        return;
    }
    fs::create_directories(target, error);
    // No other copy of the program may open the target while it is filled.
    long holder = 0;
    if (!targetLock.acquire(target, holder)) {
        setCurrentFile(target);
        state = kCopyFailed;
        return;
    }
    for (const std::string& file : files) {
        if (beforeEachFile) {
            beforeEachFile(file);
        }
        if (stopping) {
            state = kCopyFailed;
            return;
        }
        const std::string relative = file.substr(source.size());
        const std::string destination = target + relative;
        fs::create_directories(fs::path(destination).parent_path(), error);
        setCurrentFile(file);
        fs::copy_file(file, destination, fs::copy_options::overwrite_existing, error);
        if (error) {
            state = kCopyFailed;
            return;
        }
    }
    // The old folder goes only when every file arrived whole.
    for (const std::string& file : files) {
        const std::string destination = target + file.substr(source.size());
        std::error_code sizeError;
        const auto copied = fs::file_size(destination, sizeError);
        if (sizeError || copied != fs::file_size(file, error) || error) {
            setCurrentFile(file);
            state = kCopyFailed;
            return;
        }
    }
    // The last moment a cancel keeps the old place: once recorded, the old folder is leftover.
    if (stopping) {
        state = kCopyFailed;
        return;
    }
    if (recorder) {
        recorder(target);
    }
    fs::remove_all(resolved(source), error);
    state = kMoved;
}
