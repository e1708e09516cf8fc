#include "app/DataFolderMover.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "studydb/LibraryLock.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/studydb/LockingChild.h"

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A library folder with a database file, a series file, an empty file and a hidden file.
void fillLibrary(const fs::path& folder) {
    writeFile(folder / "dicomDB", "database");
    writeFile(folder / "p1" / "s1" / "se1" / "1.dcm", std::string(5000, 'x'));
    writeFile(folder / "p1" / "s1" / "se1" / "empty", "");
    writeFile(folder / ".state" / "running", "1");
}

int waitForEnd(DataFolderMover& mover) {
    mover.join();
    return mover.getState();
}

TEST(DataFolderMoverTest, RefusesTheSameFolderAndNestedFoldersAfterResolvingLinks) {
    bvtest::TempDir dir("mover");
    const fs::path library = dir / "library";
    fs::create_directories(library / "inner");
    fs::create_directory_symlink(library, dir / "alias");
    fs::create_directory_symlink(library / "inner", dir / "innerAlias");
    writeFile(dir / "full" / "a.txt", "a");
    fs::create_directories(dir / "emptyTree" / "sub");
    writeFile(dir / "plainFile", "f");
    const std::string current = library.string() + "/";
    using Check = DataFolderMover::Check;
    const struct {
        std::string target;
        Check expected;
    } cases[] = {
        {current, Check::SamePlace},
        {library.string(), Check::SamePlace},
        {(dir / "alias").string() + "/", Check::SamePlace},
        {(library / "inner").string() + "/", Check::SamePlace},
        {(library / "new" / "deeper").string() + "/", Check::SamePlace},
        {(dir / "innerAlias").string() + "/", Check::SamePlace},
        {dir.str(), Check::SamePlace},  // the current folder inside the target
        {(dir / "full").string() + "/", Check::NotEmpty},
        {(dir / "emptyTree").string() + "/", Check::Accepted},
        {(dir / "absent" / "lib").string() + "/", Check::Accepted},
        {(dir / "plainFile").string(), Check::NotValid},
        {"/a/", Check::NotValid},
        {"relative/folder/", Check::NotValid},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DataFolderMover::checkTarget(current, c.target), c.expected) << c.target;
    }
}

TEST(DataFolderMoverTest, RenameAndCopyLeaveTheSameContentAndRemoveTheOldFolder) {
    for (const bool forceCopy : {false, true}) {
        bvtest::TempDir dir("mover");
        const fs::path from = dir / "old";
        const fs::path to = dir / "target";
        fillLibrary(from);
        fs::create_directories(to);  // an empty existing target is taken
        DataFolderMover mover;
        const bool renamed = mover.start(from.string() + "/", to.string() + "/", forceCopy);
        EXPECT_EQ(renamed, !forceCopy);
        EXPECT_EQ(waitForEnd(mover), DataFolderMover::kMoved) << forceCopy;
        EXPECT_FALSE(fs::exists(from)) << forceCopy;
        EXPECT_EQ(readFile(to / "dicomDB"), "database");
        EXPECT_EQ(fs::file_size(to / "p1" / "s1" / "se1" / "1.dcm"), 5000u);
        EXPECT_TRUE(fs::exists(to / "p1" / "s1" / "se1" / "empty"));
        EXPECT_EQ(readFile(to / ".state" / "running"), "1");
    }
}

// Every file below the folder by its relative path, with its content; the lock file a copy takes
// on its target is no file of the library.
std::map<std::string, std::string> contentOf(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string relative = entry.path().lexically_relative(folder).string();
        if (!entry.is_directory() && relative != studydb::LibraryLock::kFileName) {
            files[relative] = readFile(entry.path());
        }
    }
    return files;
}

// The new place is recorded while the old folder still stands and the new one is whole, so a
// program stopped at any moment has a record that names a whole library. A cancel before the
// record keeps the old place: nothing recorded, the old folder whole and the files copied so far
// left in the target; a cancel after it lets the move complete.
TEST(DataFolderMoverTest, TheNewPlaceIsRecordedBeforeTheOldFolderGoes) {
    enum class Cancel { Never, AtAFile, FromTheRecorder, OnceStarted };
    // The copy's cancel comes as it reaches this file, from the copy thread itself.
    const std::size_t cancelAt = 100;
    const struct {
        const char* name;
        bool forceCopy;
        Cancel cancel;
        int expected;
    } cases[] = {
        {"rename", false, Cancel::Never, DataFolderMover::kMoved},
        {"rename, cancelled from the recorder", false, Cancel::FromTheRecorder,
         DataFolderMover::kMoved},
        // A rename is done before start returns.
        {"rename, cancelled once started", false, Cancel::OnceStarted, DataFolderMover::kMoved},
        {"copy", true, Cancel::Never, DataFolderMover::kMoved},
        {"copy, cancelled at a file", true, Cancel::AtAFile, DataFolderMover::kCopyFailed},
        // The recorder runs on the copy thread, whose cancel does not wait for itself.
        {"copy, cancelled from the recorder", true, Cancel::FromTheRecorder,
         DataFolderMover::kMoved},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bvtest::TempDir dir("mover");
        const fs::path from = dir / "old";
        const fs::path to = dir / "target";
        fillLibrary(from);
        for (int i = 0; i < 200; ++i) {
            writeFile(from / "p2" / "s1" / "se1" / (std::to_string(i) + ".dcm"), "slice");
        }
        const std::map<std::string, std::string> library = contentOf(from);
        std::vector<std::string> recorded;
        bool wholeWhenRecorded = false;
        std::vector<std::string> reached;
        DataFolderMover mover;
        mover.setRecorder([&](const std::string& folder) {
            recorded.push_back(folder);
            // A rename has no old folder left; a copy still has it whole.
            wholeWhenRecorded =
                (!c.forceCopy || contentOf(from) == library) && contentOf(to) == library;
            if (c.cancel == Cancel::FromTheRecorder) {
                mover.cancel();
            }
        });
        mover.setBeforeEachFile([&](const std::string& file) {
            reached.push_back(file);
            if (c.cancel == Cancel::AtAFile && reached.size() == cancelAt) {
                mover.cancel();
            }
        });
        EXPECT_EQ(mover.start(from.string() + "/", to.string() + "/", c.forceCopy), !c.forceCopy);
        if (c.cancel == Cancel::OnceStarted) {
            mover.cancel();
        }
        mover.join();
        ASSERT_EQ(mover.getState(), c.expected);
        if (c.expected == DataFolderMover::kMoved) {
            EXPECT_EQ(recorded, std::vector<std::string>{to.string() + "/"});
            EXPECT_TRUE(wholeWhenRecorded);
            EXPECT_FALSE(fs::exists(from));
            EXPECT_EQ(contentOf(to), library);
        } else {
            EXPECT_TRUE(recorded.empty()) << "a cancelled move records nothing";
            EXPECT_EQ(contentOf(from), library);
            // The files before the one the cancel came at, and none after.
            ASSERT_EQ(reached.size(), cancelAt);
            std::map<std::string, std::string> copied;
            for (std::size_t i = 0; i + 1 < cancelAt; ++i) {
                const std::string relative = fs::path(reached[i]).lexically_relative(from).string();
                copied[relative] = library.at(relative);
            }
            EXPECT_EQ(contentOf(to), copied);
        }
    }
}

// While the copy fills the target, no other copy of the program may open it there; a target
// another process holds is not copied into, and the old folder stays whole.
TEST(DataFolderMoverTest, TheCopyHoldsTheTargetsLockAndRefusesATargetAnotherProcessHolds) {
    {
        bvtest::TempDir dir("mover");
        const fs::path from = dir / "old";
        const std::string to = (dir / "target").string() + "/";
        fillLibrary(from);
        bool takenDuringCopy = true;
        DataFolderMover mover;
        mover.setRecorder(
            [&](const std::string&) { takenDuringCopy = bvtest::LockingChild::canTake(to); });
        EXPECT_FALSE(mover.start(from.string() + "/", to, true));
        EXPECT_EQ(waitForEnd(mover), DataFolderMover::kMoved);
        EXPECT_FALSE(takenDuringCopy);
        // The moved library's own lock is for the program that opens it next.
        EXPECT_TRUE(bvtest::LockingChild::canTake(to));
    }
    {
        bvtest::TempDir dir("mover");
        const fs::path from = dir / "old";
        const std::string to = (dir / "target").string() + "/";
        fillLibrary(from);
        fs::create_directories(to);
        studydb::LibraryLock other;
        long holder = 0;
        ASSERT_TRUE(other.acquire(to, holder));
        DataFolderMover mover;
        EXPECT_FALSE(mover.start(from.string() + "/", to, true));
        EXPECT_EQ(waitForEnd(mover), DataFolderMover::kCopyFailed);
        EXPECT_FALSE(fs::exists(to + "dicomDB"));
        EXPECT_EQ(readFile(from / "dicomDB"), "database");
    }
}

// A copy that cannot be done ends in kCopyFailed with nothing recorded and the old folder whole.
// A named pipe in the library is no file to copy: it fails the copy, named as the file that did
// not copy, instead of holding the copy until something writes to it.
TEST(DataFolderMoverTest, FailedCopyKeepsTheOldFolderWhole) {
    for (const bool pipeInLibrary : {false, true}) {
        SCOPED_TRACE(pipeInLibrary ? "a named pipe in the library" : "no room for the target");
        bvtest::TempDir dir("mover");
        const fs::path from = dir / "old";
        fillLibrary(from);
        const fs::path pipe = from / "p1" / "s1" / "pipe";
        fs::path to = dir / "target";
        if (pipeInLibrary) {
            ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
        } else {
            // The target's place is taken by a file, so no folder can be made there.
            writeFile(dir / "blocked", "x");
            to = dir / "blocked" / "lib";
        }
        bool recorded = false;
        DataFolderMover mover;
        mover.setRecorder([&](const std::string&) { recorded = true; });
        EXPECT_FALSE(mover.start(from.string() + "/", to.string() + "/", true));
        EXPECT_EQ(waitForEnd(mover), DataFolderMover::kCopyFailed);
        EXPECT_FALSE(recorded);
        EXPECT_EQ(readFile(from / "dicomDB"), "database");
        EXPECT_EQ(fs::file_size(from / "p1" / "s1" / "se1" / "1.dcm"), 5000u);
        if (pipeInLibrary) {
            EXPECT_TRUE(fs::is_fifo(pipe));
            EXPECT_EQ(mover.getCurrentFile(), pipe.string());
        }
    }
}

TEST(DataFolderMoverTest, LongPathsAreShortenedForTheStatusLine) {
    const std::string shortPath(150, 'a');
    EXPECT_EQ(DataFolderMover::shortenForStatus(shortPath), shortPath);
    std::string longPath = std::string(50, 'h') + std::string(51, 'm') + std::string(100, 't');
    EXPECT_EQ(DataFolderMover::shortenForStatus(longPath),
              std::string(50, 'h') + "..." + std::string(100, 't'));
}

TEST(DataFolderMoverTest, ShortenedPathsKeepWholeCharacters) {
    // U+4E2D takes three bytes; each path has one straddling a cut.
    const std::string wide = "\xe4\xb8\xad";
    const struct {
        std::string path;
        std::string expected;
    } cases[] = {
        {std::string(49, 'h') + wide + std::string(100, 'm'),
         std::string(49, 'h') + "..." + std::string(100, 'm')},
        {std::string(50, 'h') + std::string(60, 'm') + wide + std::string(99, 't'),
         std::string(50, 'h') + "..." + std::string(99, 't')},
    };
    for (const auto& item : cases) {
        EXPECT_EQ(DataFolderMover::shortenForStatus(item.path), item.expected);
    }
}

}  // namespace
