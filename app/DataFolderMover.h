#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// Moves the DICOM folder (received files and the database file) to a new place: one rename
// when the file system allows it, else a copy of every file on a thread the mover owns. The old
// folder is removed only after the copy has been checked (every file there, each of the same
// size) and the new place recorded, so that a program stopped at any moment finds its library
// where its record says. The caller closes the database and stops the storage node first,
// keeping the old folder's library lock; a copy holds the new folder's lock while it fills it.
class DataFolderMover {
public:
    // The chooser's states; the mover sets kCopying, kCopyFailed and kMoved.
    enum State : int {
        kIdle = -1,
        kStopServer = 1,
        kMove = 2,
        kCopying = 4,
        kCopyFailed = 5,
        kMoved = 6,
    };

    enum class Check {
        Accepted,
        NotValid,   // too short, relative, or an existing non-folder
        SamePlace,  // the same folder, or one inside the other, once links are resolved
        NotEmpty,   // an existing folder that holds files
    };

    DataFolderMover() = default;
    // Stops a running copy and waits for its thread.
    ~DataFolderMover();

    DataFolderMover(const DataFolderMover&) = delete;
    DataFolderMover& operator=(const DataFolderMover&) = delete;

    // Called with the new folder once it holds the whole library and before the old one is
    // removed: on the caller's thread after a rename, on the copy thread after a copy. Set it
    // before start.
    void setRecorder(std::function<void(const std::string& folder)> record);
    // Called on the copy thread before each file is copied, with its path: how a test stops a
    // copy at a known file (the program sets none). Set it before start.
    void setBeforeEachFile(std::function<void(const std::string& file)> hook);

    // Whether `target` may receive the folder now at `current`.
    static Check checkTarget(const std::string& current, const std::string& target);

    // Moves `from` to `to` (both folders, ending in "/"; `to` absent or an empty folder, which
    // is removed first). A rename done at once sets kMoved and returns true; otherwise (another
    // file system, or `forceCopy`) the copy thread starts with kCopying and false is returned.
    bool start(const std::string& from, const std::string& to, bool forceCopy = false);

    int getState() const { return state.load(); }
    // The file being copied, shortened for a status line.
    std::string getCurrentFile() const;
    // Waits for the copy thread, if any; on the copy thread itself (a recorder or hook that
    // calls it) it returns at once.
    void join();
    // Stops a running copy and waits for the thread. Before the new place is recorded the copy
    // ends in kCopyFailed with the old folder whole and the files copied so far left in the
    // target; after it the move completes.
    void cancel();

    // Longer than 150 characters: the first 50, "...", the last 100.
    static std::string shortenForStatus(const std::string& path);

private:
    void copyFiles();
    void setCurrentFile(const std::string& path);

    std::function<void(const std::string& folder)> recorder;
    std::function<void(const std::string& file)> beforeEachFile;
    std::string source;
    std::string target;
    std::atomic<int> state{kIdle};
    std::atomic<bool> stopping{false};
    mutable std::mutex fileMutex;
    std::string currentFile;
    std::thread worker;
};
