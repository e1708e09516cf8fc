#include "app/DataFolderMover.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
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
    for (int i = 0; i < 2000 && mover.getState() == DataFolderMover::kCopying; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
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

// The new place is recorded while the old folder still stands and the new one is whole, so a
// program stopped at any moment has a record that names a whole library; a cancel, whenever it
// comes, leaves either the old place recorded with the old folder whole or the move complete.
TEST(DataFolderMoverTest, TheNewPlaceIsRecordedBeforeTheOldFolderGoes) {
    for (const bool forceCopy : {false, true}) {
        for (const bool cancelAtOnce : {false, true}) {
            if (!forceCopy && cancelAtOnce) {
                continue;  // a rename is done before start returns
            }
            SCOPED_TRACE(std::string(forceCopy ? "copy" : "rename") +
                         (cancelAtOnce ? ", cancelled" : ""));
            bvtest::TempDir dir("mover");
            const fs::path from = dir / "old";
            const fs::path to = dir / "target";
            fillLibrary(from);
            for (int i = 0; i < 200; ++i) {
                writeFile(from / "p2" / "s1" / "se1" / (std::to_string(i) + ".dcm"), "slice");
            }
            std::vector<std::string> recorded;
            bool wholeWhenRecorded = false;
            DataFolderMover mover;
            mover.setRecorder([&](const std::string& folder) {
                recorded.push_back(folder);
                // A rename has no old folder left; a copy still has it whole.
                wholeWhenRecorded = (!forceCopy || readFile(from / "dicomDB") == "database") &&
                                    readFile(to / "dicomDB") == "database" &&
                                    fs::exists(to / "p2" / "s1" / "se1" / "199.dcm");
            });
            mover.start(from.string() + "/", to.string() + "/", forceCopy);
            if (cancelAtOnce) {
                mover.cancel();
            }
            const int state = waitForEnd(mover);
            if (state == DataFolderMover::kMoved) {
                EXPECT_EQ(recorded, std::vector<std::string>{to.string() + "/"});
                EXPECT_TRUE(wholeWhenRecorded);
                EXPECT_FALSE(fs::exists(from));
            } else {
                EXPECT_EQ(state, DataFolderMover::kCopyFailed);
                EXPECT_TRUE(cancelAtOnce);
                EXPECT_TRUE(recorded.empty()) << "a cancelled move records nothing";
                EXPECT_EQ(readFile(from / "dicomDB"), "database");
                EXPECT_EQ(readFile(from / "p2" / "s1" / "se1" / "199.dcm"), "slice");
            }
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

TEST(DataFolderMoverTest, FailedCopyKeepsTheOldFolderWhole) {
    bvtest::TempDir dir("mover");
    const fs::path from = dir / "old";
    fillLibrary(from);
    // The target's place is taken by a file, so no folder can be made there.
    writeFile(dir / "blocked", "x");
    DataFolderMover mover;
    EXPECT_FALSE(mover.start(from.string() + "/", (dir / "blocked" / "lib").string() + "/", true));
    EXPECT_EQ(waitForEnd(mover), DataFolderMover::kCopyFailed);
    EXPECT_EQ(readFile(from / "dicomDB"), "database");
    EXPECT_EQ(fs::file_size(from / "p1" / "s1" / "se1" / "1.dcm"), 5000u);
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
