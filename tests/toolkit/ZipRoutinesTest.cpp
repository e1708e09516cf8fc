#include "toolkit/core/ZipRoutines.h"

#include "engine/base/Director.h"
#include "tests/support/lib/SmallDisk.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/ZipFileCallbacks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Tree = std::map<std::string, std::string>;

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A short stand-in for a content, so that failures print readably.
std::string digest(const std::string& content) {
    if (content.size() <= 32) {
        return content;
    }
    return std::to_string(content.size()) + " bytes, crc " +
           std::to_string(crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                static_cast<uInt>(content.size())));
}

// Every file below the folder by its path relative to the folder, with its content's digest.
Tree snapshot(const fs::path& folder) {
    Tree tree;
    if (!fs::exists(folder)) {
        return tree;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            tree[fs::relative(entry.path(), folder).string()] = digest(readFile(entry.path()));
        }
    }
    return tree;
}

// Every path below the folder, files and folders.
std::set<std::string> pathsBelow(const fs::path& folder) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        paths.insert(fs::relative(entry.path(), folder).string());
    }
    return paths;
}

std::string randomBytes(size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

void setModified(const fs::path& path, std::time_t seconds) {
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::time_t modified(const fs::path& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mtime;
}

struct EntryInfo {
    std::string name;
    bool encrypted;
    bool utf8Name;
    unsigned long dosDate;
};

std::vector<EntryInfo> entriesOf(const fs::path& archive) {
    std::vector<EntryInfo> entries;
    unzFile handle = unzOpen(archive.c_str());
    if (handle == nullptr) {
        return entries;
    }
    for (int found = unzGoToFirstFile(handle); found == UNZ_OK; found = unzGoToNextFile(handle)) {
        char name[1024];
        unz_file_info info;
        unzGetCurrentFileInfo(handle, &info, name, sizeof(name), nullptr, 0, nullptr, 0);
        entries.push_back({name, (info.flag & 1) != 0, (info.flag & 0x800) != 0, info.dosDate});
    }
    unzClose(handle);
    return entries;
}

std::set<std::string> entryNames(const fs::path& archive) {
    std::set<std::string> names;
    for (const EntryInfo& entry : entriesOf(archive)) {
        names.insert(entry.name);
    }
    return names;
}

// Writes an archive with exactly these entries (a name ending in "/" is a folder entry).
void writeArchive(const fs::path& archive,
                  const std::vector<std::pair<std::string, std::string>>& entries) {
    zipFile handle = zipOpen(archive.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(handle, nullptr);
    for (const auto& [name, content] : entries) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip(handle, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      Z_DEFLATED, Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        zipWriteInFileInZip(handle, content.data(), static_cast<unsigned>(content.size()));
        zipCloseFileInZip(handle);
    }
    ASSERT_EQ(zipClose(handle, nullptr), ZIP_OK);
}

// Rewrites the uncompressed size that the archive's local and central headers declare for the
// entry, as a zip bomb that lies about its size does.
void declareSize(const fs::path& archive, const std::string& name, std::uint32_t size) {
    std::string bytes = readFile(archive);
    const auto put32 = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    const auto get16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                        (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    int patched = 0;
    for (std::size_t at = 0; at + 46 < bytes.size(); ++at) {
        if (bytes.compare(at, 4, "PK\x03\x04") == 0 &&
            bytes.compare(at + 30, get16(at + 26), name) == 0) {
            put32(at + 22, size);
            ++patched;
        } else if (bytes.compare(at, 4, "PK\x01\x02") == 0 &&
                   bytes.compare(at + 46, get16(at + 28), name) == 0) {
            put32(at + 24, size);
            ++patched;
        }
    }
    ASSERT_EQ(patched, 2);
    std::ofstream(archive, std::ios::binary | std::ios::trunc) << bytes;
}

int runCommand(const std::string& command) {
    const int status = std::system(("{ " + command + "; } >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// Runs a command routine on a vector given as texts (element 0 added here).
int runZip(const std::vector<std::string>& arguments, bool unzip) {
    std::vector<std::string> texts = {"."};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    const int count = static_cast<int>(pointers.size());
    return unzip ? NSUI::unzipCommand(count, pointers.data())
                 : NSUI::zipCommand(count, pointers.data());
}

class ZipRoutinesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Progress posts need the centre; it is made on the main thread.
        NSUI::NSNotificationCenter::getInstance();
        frame(0.0f);
        frame(0.5f);
    }

    void TearDown() override {
        NSUI::NSNotificationCenter::destroyInstance();
        frame(0.0f);
    }

    static void frame(float dt = 1.0f / 60.0f) { cocos2d::Director::getInstance()->mainLoop(dt); }

    // A folder "share" with nested files, an empty file, a file larger than the copy buffers
    // and a name outside ASCII.
    static fs::path makeShare(const fs::path& base) {
        const fs::path share = base / "src" / "share";
        writeFile(share / "a.dcm", "first file");
        writeFile(share / "sub" / "b.dcm", randomBytes(100000, 1));
        writeFile(share / "sub" / "deeper" / "empty.txt", "");
        writeFile(share / "Zhāng 张.txt", "name outside ASCII");
        return share;
    }

    bvtest::TempDir temp;
};

TEST_F(ZipRoutinesTest, FolderRoundTripKeepsNamesContentAndModificationTime) {
    for (const std::string password : {"", "secret"}) {
        SCOPED_TRACE(password);
        bvtest::TempDir work;
        const fs::path share = makeShare(work.path());
        const std::time_t stamp = localTime(2021, 3, 4, 5, 6, 8);
        setModified(share / "a.dcm", stamp);

        const fs::path archive = work / "out" / "nested" / "pack.zip";
        ASSERT_TRUE(NSUI::zipFolder(archive.string(), share.string() + "/", password));

        const std::vector<EntryInfo> entries = entriesOf(archive);
        std::set<std::string> names;
        for (const EntryInfo& entry : entries) {
            names.insert(entry.name);
            EXPECT_EQ(entry.encrypted, !password.empty()) << entry.name;
            // Names outside ASCII are marked as UTF-8 for other tools.
            EXPECT_EQ(entry.utf8Name, entry.name == "share/Zhāng 张.txt") << entry.name;
            if (entry.name == "share/a.dcm") {
                // 2021-03-04 05:06:08 as DOS date and time.
                EXPECT_EQ(entry.dosDate, (41ul << 9 | 3 << 5 | 4) << 16 | (5 << 11 | 6 << 5 | 4));
            }
        }
        EXPECT_EQ(names,
                  (std::set<std::string>{"share/a.dcm", "share/sub/b.dcm",
                                         "share/sub/deeper/empty.txt", "share/Zhāng 张.txt"}));

        const fs::path destination = work / "dest";
        ASSERT_TRUE(NSUI::unzipFile(archive.string(), destination.string(), password));
        EXPECT_EQ(snapshot(destination / "share"), snapshot(share));
        EXPECT_EQ(modified(destination / "share" / "a.dcm"), stamp);
    }
}

TEST_F(ZipRoutinesTest, SingleFileIsOneEntryNamedAsTheFile) {
    for (const std::string password : {"", "pw"}) {
        SCOPED_TRACE(password);
        bvtest::TempDir work;
        const std::string content = randomBytes(40000, 3);
        writeFile(work / "folder" / "image.dcm", content);
        const fs::path archive = work / "one.zip";
        ASSERT_TRUE(
            NSUI::zipFolder(archive.string(), (work / "folder" / "image.dcm").string(), password));
        EXPECT_EQ(entryNames(archive), std::set<std::string>{"image.dcm"});
        ASSERT_TRUE(NSUI::unzipFile(archive.string(), work.str() + "dest", password));
        EXPECT_TRUE(readFile(work / "dest" / "image.dcm") == content);
    }
}

TEST_F(ZipRoutinesTest, WrongOrMissingPasswordFailsAndLeavesNoFile) {
    const fs::path share = makeShare(temp.path());
    const fs::path archive = temp / "locked.zip";
    ASSERT_TRUE(NSUI::zipFolder(archive.string(), share.string(), "right"));
    for (const std::string password : {"wrong", "", "righT"}) {
        SCOPED_TRACE(password);
        const fs::path destination = temp / ("dest-" + password);
        EXPECT_FALSE(NSUI::unzipFile(archive.string(), destination.string(), password));
        EXPECT_TRUE(snapshot(destination).empty());
    }
}

// 16 MiB of zeros in an entry that claims 64 KiB: the unpacking stops at the claimed size
// instead of filling the disk and leaves nothing behind. minizip itself inflates a plain entry no
// further, then finds the CRC wrong; an encrypted one is inflated here.
TEST_F(ZipRoutinesTest, EntryThatOutgrowsItsDeclaredSizeIsStopped) {
    const fs::path bomb = temp / "bomb.bin";
    writeFile(bomb, std::string(16u << 20, '\0'));
    const struct {
        std::string password;
        int result;
    } cases[] = {{"", UNZ_CRCERROR}, {"secret", NSUI::kUnzipEntryTooLarge}};
    for (const auto& [password, result] : cases) {
        SCOPED_TRACE(password.empty() ? "plain" : "encrypted");
        const fs::path archive = temp / ("bomb-" + password + ".zip");
        ASSERT_TRUE(NSUI::zipFolder(archive.string(), bomb.string(), password));
        declareSize(archive, "bomb.bin", 64u << 10);
        const fs::path destination = temp / ("dest-" + password);
        fs::create_directories(destination);
        std::vector<std::string> arguments = {"-x", "-o", "-d", destination.string() + "/"};
        if (!password.empty()) {
            arguments.insert(arguments.end(), {"-p", password});
        }
        arguments.push_back(archive.string());
        EXPECT_EQ(runZip(arguments, true), result);
        EXPECT_TRUE(pathsBelow(destination).empty());
        int reason = 0;
        EXPECT_FALSE(NSUI::unzipFile(archive.string(), destination.string(), password, &reason));
        EXPECT_EQ(reason, result);
        EXPECT_TRUE(pathsBelow(destination).empty());
    }
}

// On a disk of 1 MiB, an archive whose entries declare more than is free is refused before its
// first entry is written; one that fits is unpacked.
TEST_F(ZipRoutinesTest, ArchiveLargerThanTheFreeSpaceIsRefusedBeforeUnpacking) {
    const fs::path disk = temp / "disk";
    fs::create_directories(disk);
    const bvtest::SmallDisk small(disk.string(), "1m");
    if (!small.mounted()) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    const fs::path tooLarge = temp / "large.zip";
    writeArchive(tooLarge, {{"a.txt", "first"}, {"sub/b.bin", std::string(4u << 20, '\0')}});
    int reason = 0;
    EXPECT_FALSE(NSUI::unzipFile(tooLarge.string(), (disk / "dest").string(), "", &reason));
    EXPECT_EQ(reason, NSUI::kUnzipNoRoom);
    EXPECT_TRUE(pathsBelow(disk).empty());

    const fs::path fits = temp / "fits.zip";
    writeArchive(fits, {{"a.txt", "first"}, {"sub/b.bin", std::string(256u << 10, '\0')}});
    EXPECT_TRUE(NSUI::unzipFile(fits.string(), (disk / "dest").string(), "", &reason));
    EXPECT_EQ(reason, 0);
    EXPECT_EQ(fs::file_size(disk / "dest" / "sub" / "b.bin"), 256u << 10);
}

TEST_F(ZipRoutinesTest, ExtractionReplacesExistingFiles) {
    const fs::path share = makeShare(temp.path());
    const fs::path archive = temp / "pack.zip";
    ASSERT_TRUE(NSUI::zipFolder(archive.string(), share.string(), ""));
    writeFile(temp / "dest" / "share" / "a.dcm", "an older and longer content");
    ASSERT_TRUE(NSUI::unzipFile(archive.string(), (temp / "dest").string(), ""));
    EXPECT_EQ(readFile(temp / "dest" / "share" / "a.dcm"), "first file");
}

TEST_F(ZipRoutinesTest, ProgressCountsTheFilesBegun) {
    struct Case {
        int files;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {{4, {0, 25, 50, 75}}, {3, {0, 33, 66}}, {1, {0}}};
    std::vector<int> progress;
    int owner = 0;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        &owner, nullptr,
        [&progress](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            progress.push_back(data->intValue);
        },
        NSUI::NOTIFY_ACTIVITY_PROGRESS);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.files);
        bvtest::TempDir work;
        for (int i = 0; i < test.files; ++i) {
            writeFile(work / "share" / ("f" + std::to_string(i)), "x");
        }
        progress.clear();
        ASSERT_TRUE(NSUI::zipFolder(work.str() + "p.zip", work.str() + "share", ""));
        frame();
        EXPECT_EQ(progress, test.expected);
    }
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&owner);
}

TEST_F(ZipRoutinesTest, CancelFromAnotherThreadKeepsTheEntriesFinished) {
    // The packing thread blocks on the pipe until this thread has raised the flag.
    const fs::path root = temp / "src";
    writeFile(root / "a.txt", "before");
    const fs::path pipe = root / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    writeFile(root / "c.txt", "after");
    writeFile(root / "d.txt", "after");
    const fs::path archive = temp / "cancelled.zip";

    std::atomic<bool> done{false};
    int result = 0;
    std::thread packer([&] {
        result = runZip({"-o", "-9", archive.string(), root.string(), (root / "a.txt").string(),
                         pipe.string(), (root / "c.txt").string(), (root / "d.txt").string()},
                        false);
        done = true;
        // A packer that ended without reading the pipe releases the writer waiting to open it.
        const int release = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
        if (release >= 0) {
            close(release);
        }
    });
    // Opening the pipe for writing waits until the packing thread opens it for reading.
    const int writer = open(pipe.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    if (done) {
        close(writer);
        packer.join();
        FAIL() << "the packing thread never opened the pipe";
    }
    NSUI::zipCancelFlag = 1;
    ASSERT_EQ(write(writer, "piped", 5), 5);
    close(writer);
    packer.join();

    EXPECT_EQ(result, NSUI::kZipCancelled);
    EXPECT_EQ(entryNames(archive), (std::set<std::string>{"a.txt", "pipe"}));
    ASSERT_TRUE(NSUI::unzipFile(archive.string(), (temp / "dest").string(), ""));
    EXPECT_EQ(snapshot(temp / "dest"), (Tree{{"a.txt", "before"}, {"pipe", "piped"}}));
    // The next run starts with the flag cleared.
    EXPECT_TRUE(NSUI::zipFolder((temp / "again.zip").string(), (root / "c.txt").string(), ""));
    EXPECT_EQ(NSUI::zipCancelFlag, 0);
}

TEST_F(ZipRoutinesTest, EmptyFolderWritesNoArchive) {
    fs::create_directories(temp / "empty" / "only-folders");
    EXPECT_FALSE(NSUI::zipFolder((temp / "out" / "e.zip").string(), (temp / "empty").string(), ""));
    EXPECT_FALSE(fs::exists(temp / "out" / "e.zip"));
}

TEST_F(ZipRoutinesTest, ArchiveNameWithoutDotGetsZipSuffix) {
    const fs::path share = makeShare(temp.path());
    struct Case {
        std::string given;
        std::string written;
    };
    // The rule looks at the whole path, folders included.
    const std::string plain = (temp / "plain").string();
    const std::vector<Case> cases = {
        {plain, plain.find('.') == std::string::npos ? plain + ".zip" : plain},
        {(temp / "packed.bin").string(), (temp / "packed.bin").string()},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.given);
        ASSERT_TRUE(NSUI::zipFolder(test.given, share.string(), ""));
        EXPECT_TRUE(fs::is_regular_file(test.written));
        EXPECT_EQ(entryNames(test.written).size(), 4u);
    }
    if (plain.find('.') == std::string::npos) {
        // The command routine tries the name with ".zip" when the name itself does not open.
        fs::create_directories(temp / "dest");
        EXPECT_EQ(runZip({"-x", "-e", plain, "-d", temp.str() + "dest/"}, true), 0);
        EXPECT_EQ(snapshot(temp / "dest").size(), 4u);
    }
}

TEST_F(ZipRoutinesTest, EmptyFolderEntryMakesNoFolderButFilesGetTheirs) {
    const fs::path archive = temp / "folders.zip";
    writeArchive(archive, {{"top/empty/", ""}, {"top/full/file.txt", "inside"}, {"root.txt", "r"}});
    ASSERT_TRUE(NSUI::unzipFile(archive.string(), (temp / "dest").string(), ""));
    EXPECT_EQ(pathsBelow(temp / "dest"),
              (std::set<std::string>{"top", "top/full", "top/full/file.txt", "root.txt"}));
}

TEST_F(ZipRoutinesTest, EntriesLeadingOutsideTheDestinationAreRefused) {
    const std::string outside = (temp / "outside.txt").string();
    const std::vector<std::string> hostile = {
        "../outside.txt",
        "sub/../../outside.txt",
        "..\\outside.txt",
        "..",
        outside,
        "\\outside.txt",
        "C:/outside.txt",
        "c:outside.txt",
        std::string(600, 'n'),
        "sub/" + std::string(510, 'n'),
    };
    for (const std::string& name : hostile) {
        SCOPED_TRACE(name.substr(0, 40));
        bvtest::TempDir work;
        const fs::path archive = work / "hostile.zip";
        writeArchive(archive, {{"good.txt", "fine"}, {name, "escaped"}});
        const fs::path destination = work / "dest";

        EXPECT_FALSE(NSUI::unzipFile(archive.string(), destination.string(), ""));
        // Refused before anything was made.
        EXPECT_EQ(pathsBelow(work.path()), std::set<std::string>{"hostile.zip"});

        // The command routine extracts the entries before the refused one and stops there.
        fs::create_directories(destination);
        const int result =
            runZip({"-x", "-o", archive.string(), "-d", destination.string() + "/"}, true);
        EXPECT_TRUE(result == NSUI::kUnzipUnsafeName || result == NSUI::kUnzipBadEntryInfo)
            << result;
        EXPECT_EQ(pathsBelow(work.path()),
                  (std::set<std::string>{"hostile.zip", "dest", "dest/good.txt"}));
        EXPECT_FALSE(fs::exists(outside));
    }
}

TEST_F(ZipRoutinesTest, NamesInsideTheDestinationAreAccepted) {
    const fs::path archive = temp / "odd.zip";
    writeArchive(archive, {{"a..b/c..txt", "dots"}, {"./here.txt", "here"}, {"x/./y.txt", "y"}});
    ASSERT_TRUE(NSUI::unzipFile(archive.string(), (temp / "dest").string(), ""));
    EXPECT_EQ(snapshot(temp / "dest"),
              (Tree{{"a..b/c..txt", "dots"}, {"here.txt", "here"}, {"x/y.txt", "y"}}));
}

TEST_F(ZipRoutinesTest, UnzipCommandExtractsOneEntryOrAllWithoutPaths) {
    const fs::path archive = temp / "pack.zip";
    writeArchive(archive, {{"dir/One.txt", "one"}, {"dir/sub/two.txt", "two"}});
    const std::string destination = temp.str() + "dest/";
    fs::create_directories(destination);

    EXPECT_EQ(runZip({archive.string(), "DIR/one.TXT", "-e", "-d", destination}, true), 0);
    EXPECT_EQ(snapshot(destination), (Tree{{"One.txt", "one"}}));
    EXPECT_EQ(runZip({archive.string(), "dir/missing.txt", "-d", destination}, true),
              NSUI::kUnzipEntryMissing);
    EXPECT_EQ(runZip({"-e", archive.string(), "-d", destination}, true), 0);
    EXPECT_EQ(snapshot(destination), (Tree{{"One.txt", "one"}, {"two.txt", "two"}}));
}

TEST_F(ZipRoutinesTest, CommandRoutinesRefuseIncompleteVectors) {
    const fs::path share = makeShare(temp.path());
    const fs::path archive = temp / "pack.zip";
    ASSERT_TRUE(NSUI::zipFolder(archive.string(), share.string(), ""));
    const std::string before = readFile(archive);

    EXPECT_EQ(runZip({}, false), 0);
    EXPECT_EQ(runZip({"-o", "-9"}, false), 0);
    EXPECT_EQ(runZip({"-o", (temp / "noroot.zip").string()}, false), ZIP_PARAMERROR);
    EXPECT_FALSE(fs::exists(temp / "noroot.zip"));
    // Appending is refused and leaves the archive alone.
    EXPECT_EQ(
        runZip({"-a", archive.string(), share.parent_path().string(), (share / "a.dcm").string()},
               false),
        ZIP_PARAMERROR);
    EXPECT_TRUE(readFile(archive) == before);
    EXPECT_EQ(runZip({"-o", (temp / "bad.zip").string(), share.string(), share.string()}, false),
              NSUI::kZipPathNotBelowRoot);
    EXPECT_EQ(
        runZip({"-o", (temp / "gone.zip").string(), temp.str(), temp.str() + "missing"}, false),
        -1);
    EXPECT_EQ(runZip({"-o", (temp / "no" / "folder.zip").string(), share.string(),
                      (share / "a.dcm").string()},
                     false),
              ZIP_PARAMERROR);

    EXPECT_EQ(runZip({}, true), 0);
    EXPECT_EQ(runZip({"-x", "-o", "-d", temp.str()}, true), NSUI::kUnzipNoArchive);
    EXPECT_EQ(runZip({"-x", archive.string(), "-d"}, true), NSUI::kUnzipNoArchive);
    EXPECT_EQ(runZip({"-x", (temp / "nothing.zip").string(), "-d", temp.str()}, true),
              NSUI::kUnzipNoArchive);
    EXPECT_FALSE(NSUI::unzipFile("relative.zip", temp.str(), ""));
}

TEST_F(ZipRoutinesTest, FileCrcMatchesTheStandardCheckValue) {
    writeFile(temp / "digits", "123456789");
    unsigned char buffer[4];
    unsigned long crc = 1;
    EXPECT_EQ(NSUI::getFileCrc((temp / "digits").c_str(), buffer, sizeof(buffer), &crc), 0);
    EXPECT_EQ(crc, 0xCBF43926ul);
    EXPECT_EQ(NSUI::getFileCrc((temp / "absent").c_str(), buffer, sizeof(buffer), &crc), -1);
    EXPECT_EQ(crc, 0ul);
}

TEST_F(ZipRoutinesTest, FileCallbacksReportFailures) {
    zlib_filefunc_def functions;
    NSUI::fillZipFileFunctions(&functions);
    const std::string path = (temp / "stream.bin").string();
    constexpr int kCreate =
        ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_WRITE | ZLIB_FILEFUNC_MODE_CREATE;
    EXPECT_EQ(functions.zopen_file(nullptr, path.c_str(), ZLIB_FILEFUNC_MODE_READ), nullptr);

    voidpf stream = functions.zopen_file(nullptr, path.c_str(), kCreate);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(functions.zwrite_file(nullptr, stream, "abcdef", 6), 6ul);
    struct Seek {
        uLong offset;
        int origin;
        long result;
        long position;
    };
    const std::vector<Seek> seeks = {
        {2, ZLIB_FILEFUNC_SEEK_SET, 0, 2},
        {1, ZLIB_FILEFUNC_SEEK_CUR, 0, 3},
        {0, ZLIB_FILEFUNC_SEEK_END, 0, 6},
        {0, 7, -1, 6},
        // An offset before the start of the file.
        {static_cast<uLong>(-10), ZLIB_FILEFUNC_SEEK_SET, -1, 6},
    };
    for (const Seek& seek : seeks) {
        SCOPED_TRACE(seek.origin);
        EXPECT_EQ(functions.zseek_file(nullptr, stream, seek.offset, seek.origin), seek.result);
        EXPECT_EQ(functions.ztell_file(nullptr, stream), seek.position);
    }
    EXPECT_EQ(functions.zerror_file(nullptr, stream), 0);
    EXPECT_EQ(functions.zclose_file(nullptr, stream), 0);

    EXPECT_EQ(functions.zseek_file(nullptr, nullptr, 0, ZLIB_FILEFUNC_SEEK_SET), -1);
    EXPECT_EQ(functions.ztell_file(nullptr, nullptr), -1);
    EXPECT_EQ(functions.zread_file(nullptr, nullptr, nullptr, 1), 0ul);
    EXPECT_EQ(functions.zclose_file(nullptr, nullptr), -1);
    EXPECT_EQ(functions.zerror_file(nullptr, nullptr), -1);

    // Any mode but creation opens for reading only.
    stream = functions.zopen_file(nullptr, path.c_str(),
                                  ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_WRITE |
                                      ZLIB_FILEFUNC_MODE_EXISTING);
    ASSERT_NE(stream, nullptr);
    char read[6];
    EXPECT_EQ(functions.zread_file(nullptr, stream, read, 6), 6ul);
    EXPECT_EQ(std::string(read, 6), "abcdef");
    EXPECT_EQ(functions.zwrite_file(nullptr, stream, "x", 1), 0ul);
    EXPECT_EQ(functions.zclose_file(nullptr, stream), 0);
}

// The Info-ZIP command-line tools are the reference other systems read and write with.
class ZipCrossCheckTest : public ZipRoutinesTest {
protected:
    void SetUp() override {
        ZipRoutinesTest::SetUp();
        ASSERT_EQ(runCommand("command -v zip && command -v unzip"), 0)
            << "the zip and unzip packages are needed";
    }
};

TEST_F(ZipCrossCheckTest, ArchivesWrittenHereOpenInUnzip) {
    struct Case {
        std::vector<std::string> options;
        std::string password;
    };
    const std::vector<Case> cases = {
        {{"-o", "-9"}, ""}, {{"-o", "-9"}, "secret"}, {{"-o", "-0"}, ""}, {{"-o", "-0"}, "secret"}};
    const fs::path share = temp / "src" / "share";
    writeFile(share / "a.dcm", "first file");
    writeFile(share / "sub" / "b.dcm", randomBytes(70000, 4));
    writeFile(share / "sub" / "empty.txt", "");
    const std::time_t stamp = localTime(2019, 12, 31, 23, 59, 58);
    setModified(share / "a.dcm", stamp);
    int round = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.options[1] + " " + test.password);
        const fs::path archive = temp / ("ours" + std::to_string(round) + ".zip");
        const fs::path destination = temp / ("theirs" + std::to_string(round));
        ++round;
        std::vector<std::string> arguments = test.options;
        if (!test.password.empty()) {
            arguments.insert(arguments.end(), {"-p", test.password});
        }
        arguments.insert(arguments.end(),
                         {archive.string(), share.parent_path().string(),
                          (share / "a.dcm").string(), (share / "sub" / "b.dcm").string(),
                          (share / "sub" / "empty.txt").string()});
        ASSERT_EQ(runZip(arguments, false), 0);

        const std::string passwordOption =
            test.password.empty() ? "" : " -P '" + test.password + "'";
        EXPECT_EQ(runCommand("unzip -tq" + passwordOption + " " + quoted(archive)), 0);
        EXPECT_EQ(runCommand("unzip -q" + passwordOption + " " + quoted(archive) + " -d " +
                             quoted(destination)),
                  0);
        EXPECT_EQ(snapshot(destination / "share"), snapshot(share));
        EXPECT_EQ(modified(destination / "share" / "a.dcm"), stamp);
        if (!test.password.empty()) {
            EXPECT_NE(runCommand("unzip -tq -P wrong " + quoted(archive)), 0);
        }
    }
}

TEST_F(ZipCrossCheckTest, ArchivesOfZipOpenHere) {
    struct Case {
        std::string options;
        std::string password;
    };
    const std::vector<Case> cases = {
        {"-r", ""}, {"-r", "secret"}, {"-r -0", "secret"}, {"-r -9", "pw"}};
    const fs::path share = makeShare(temp.path());
    const std::time_t stamp = localTime(2022, 7, 8, 9, 10, 12);
    setModified(share / "a.dcm", stamp);
    int round = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.options + " " + test.password);
        const fs::path archive = temp / ("zip" + std::to_string(round) + ".zip");
        const fs::path destination = temp / ("here" + std::to_string(round));
        ++round;
        const std::string passwordOption =
            test.password.empty() ? "" : " -P '" + test.password + "'";
        ASSERT_EQ(runCommand("cd " + quoted(share.parent_path()) + " && zip -q " + test.options +
                             passwordOption + " " + quoted(archive) + " share"),
                  0);
        ASSERT_TRUE(NSUI::unzipFile(archive.string(), destination.string(), test.password));
        EXPECT_EQ(snapshot(destination / "share"), snapshot(share));
        EXPECT_EQ(modified(destination / "share" / "a.dcm"), stamp);
        if (!test.password.empty()) {
            EXPECT_FALSE(
                NSUI::unzipFile(archive.string(), (destination / "wrong").string(), "wrong"));
        }
    }
    // Written to a pipe, zip puts the sizes after the data; the password check then uses the
    // entry's time.
    const fs::path piped = temp / "piped.zip";
    ASSERT_EQ(runCommand("cd " + quoted(share.parent_path()) + " && zip -q -r -P pw - share > " +
                         quoted(piped)),
              0);
    ASSERT_TRUE(NSUI::unzipFile(piped.string(), (temp / "from-pipe").string(), "pw"));
    EXPECT_EQ(snapshot(temp / "from-pipe" / "share"), snapshot(share));
}

}  // namespace
