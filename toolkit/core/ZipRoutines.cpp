#include "toolkit/core/ZipRoutines.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include <zip.h>
#include <zlib.h>

#include "engine/base/Unzip.h"
#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/ZipCipher.h"
#include "toolkit/core/ZipFileCallbacks.h"

namespace NSUI {

std::atomic<int> zipCancelFlag{0};

namespace {

constexpr unsigned long kZipBufferSize = 16384;
constexpr unsigned long kUnzipBufferSize = 8192;
// Entry names read from an archive must fit this buffer with their terminating zero.
constexpr unsigned long kEntryNameSize = 512;
// General purpose flags of an entry.
constexpr unsigned long kFlagEncrypted = 1;
constexpr unsigned long kFlagDataDescriptor = 8;
constexpr unsigned long kFlagUtf8Name = 0x800;

// Owns the texts of an argument vector; element 0 is never read.
class ArgumentVector {
public:
    ArgumentVector() { add("."); }
    void add(const std::string& text) { texts.push_back(text); }
    int count() const { return static_cast<int>(texts.size()); }
    char** pointers() {
        list.clear();
        for (std::string& text : texts) {
            list.push_back(text.data());
        }
        return list.data();
    }

private:
    std::vector<std::string> texts;
    std::vector<char*> list;
};

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// True when joining the name to a folder keeps it inside that folder.
bool isSafeEntryName(const char* name) {
    if (isSeparator(name[0])) {
        return false;
    }
    if (((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) &&
        name[1] == ':') {
        return false;
    }
    const char* start = name;
    for (const char* p = name;; ++p) {
        if (*p == '\0' || isSeparator(*p)) {
            if (p - start == 2 && start[0] == '.' && start[1] == '.') {
                return false;
            }
            if (*p == '\0') {
                return true;
            }
            start = p + 1;
        }
    }
}

// Names are UTF-8; saying so lets other tools show names outside ASCII as they are.
unsigned long nameFlags(const std::string& name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return kFlagUtf8Name;
        }
    }
    return 0;
}

const char* lastComponent(const char* name) {
    const char* last = name;
    for (const char* p = name; *p != '\0'; ++p) {
        if (isSeparator(*p)) {
            last = p + 1;
        }
    }
    return last;
}

bool makeFolders(const std::string& folder) {
    if (folder.empty()) {
        return true;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return !error;
}

// The file's last modification, local time, as a DOS date (high half) and time (low half); 0
// when the file cannot be examined. Times before 1980 take the earliest DOS date.
uLong fileDosDate(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return 0;
    }
    std::tm local{};
    if (localtime_r(&status.st_mtime, &local) == nullptr) {
        return 0;
    }
    if (local.tm_year < 80) {
        return (1u << 5 | 1u) << 16;
    }
    const uLong date =
        static_cast<uLong>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
    const uLong time =
        static_cast<uLong>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
    return date << 16 | time;
}

void setModificationTime(const std::string& path, const tm_unz& date) {
    std::tm local{};
    local.tm_year = static_cast<int>(date.tm_year) - 1900;
    local.tm_mon = static_cast<int>(date.tm_mon);
    local.tm_mday = static_cast<int>(date.tm_mday);
    local.tm_hour = static_cast<int>(date.tm_hour);
    local.tm_min = static_cast<int>(date.tm_min);
    local.tm_sec = static_cast<int>(date.tm_sec);
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1)) {
        return;
    }
    // The access time stays as it was.
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = seconds;
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// Copies the file into the open entry; minizip compresses.
int copyFileIntoEntry(zipFile archive, const std::string& path, unsigned char* buffer) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return ZIP_ERRNO;
    }
    int result = ZIP_OK;
    size_t read;
    do {
        read = std::fread(buffer, 1, kZipBufferSize, file);
        if (read < kZipBufferSize && std::ferror(file)) {
            result = ZIP_ERRNO;
        } else if (read > 0) {
            result = zipWriteInFileInZip(archive, buffer, static_cast<unsigned>(read));
        }
    } while (result == ZIP_OK && read > 0);
    std::fclose(file);
    return result;
}

// Encrypts and writes one block of entry data.
int writeEncrypted(zipFile archive, ZipCipher& cipher, unsigned char* bytes, size_t length) {
    cipher.encrypt(bytes, length);
    return zipWriteInFileInZip(archive, bytes, static_cast<unsigned>(length));
}

// Writes an encrypted entry: minizip receives the finished bytes (raw mode) and only frames
// them, while compression and encryption happen here. The check byte is the top byte of the
// CRC computed beforehand; a file that changes in between fails.
int writeEncryptedEntry(zipFile archive, const std::string& path, const std::string& name,
                        const zip_fileinfo& info, int method, int level, const char* password,
                        unsigned long expectedCrc, unsigned char* buffer) {
    int result = zipOpenNewFileInZip4(
        archive, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level, 1, -MAX_WBITS,
        DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0, kFlagEncrypted | nameFlags(name));
    if (result != ZIP_OK) {
        return result;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return ZIP_ERRNO;
    }
    ZipCipher cipher(password);
    unsigned char header[ZipCipher::kHeaderSize];
    cipher.makeHeader(header, static_cast<unsigned char>(expectedCrc >> 24));
    result = zipWriteInFileInZip(archive, header, ZipCipher::kHeaderSize);

    const bool deflating = method == Z_DEFLATED;
    z_stream stream{};
    if (result == ZIP_OK && deflating &&
        deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY) !=
            Z_OK) {
        std::fclose(file);
        return ZIP_INTERNALERROR;
    }
    std::vector<unsigned char> output(deflating ? kZipBufferSize : 0);
    uLong crc = crc32(0, nullptr, 0);
    uLong size = 0;
    bool finished = false;
    while (result == ZIP_OK && !finished) {
        const size_t read = std::fread(buffer, 1, kZipBufferSize, file);
        if (read < kZipBufferSize && std::ferror(file)) {
            result = ZIP_ERRNO;
            break;
        }
        finished = read < kZipBufferSize;
        crc = crc32(crc, buffer, static_cast<uInt>(read));
        size += read;
        if (!deflating) {
            if (read > 0) {
                result = writeEncrypted(archive, cipher, buffer, read);
            }
            continue;
        }
        stream.next_in = buffer;
        stream.avail_in = static_cast<uInt>(read);
        const int flush = finished ? Z_FINISH : Z_NO_FLUSH;
        int deflated;
        do {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            deflated = deflate(&stream, flush);
            const size_t produced = output.size() - stream.avail_out;
            if (deflated == Z_STREAM_ERROR) {
                result = ZIP_INTERNALERROR;
            } else if (produced > 0) {
                result = writeEncrypted(archive, cipher, output.data(), produced);
            }
        } while (result == ZIP_OK && stream.avail_out == 0 && deflated != Z_STREAM_END);
    }
    if (deflating) {
        deflateEnd(&stream);
    }
    std::fclose(file);
    if (result != ZIP_OK) {
        return result;
    }
    if (crc != expectedCrc) {
        return ZIP_ERRNO;
    }
    return zipCloseFileInZipRaw(archive, size, crc);
}

// Adds one file (or, for a name ending in a separator, a folder entry) to the archive.
int addEntry(zipFile archive, const std::string& path, const std::string& name, int level,
             const char* password, unsigned char* buffer) {
    zip_fileinfo info{};
    info.dosDate = fileDosDate(path);
    const int method = level != 0 ? Z_DEFLATED : 0;
    const bool isFolder = isSeparator(name.back());
    int result;
    if (password != nullptr && !isFolder) {
        unsigned long crc = 0;
        getFileCrc(path.c_str(), buffer, kZipBufferSize, &crc);
        result =
            writeEncryptedEntry(archive, path, name, info, method, level, password, crc, buffer);
        // A failed entry is left open for zipClose.
        return result < 0 ? -1 : result;
    }
    result = zipOpenNewFileInZip4(archive, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                  nullptr, 0, 0, nameFlags(name));
    if (result == ZIP_OK && !isFolder) {
        result = copyFileIntoEntry(archive, path, buffer);
    }
    if (result < 0) {
        return -1;
    }
    return zipCloseFileInZip(archive);
}

// Bytes free to this process on the disk that holds path, or would hold it once made.
std::uintmax_t freeBytesFor(const std::string& path) {
    std::error_code error;
    std::filesystem::path existing(path);
    while (!existing.empty() && !std::filesystem::exists(existing, error)) {
        existing = existing.parent_path();
    }
    const std::filesystem::space_info space = std::filesystem::space(existing, error);
    return error ? 0 : space.available;
}

int writeOut(FILE* file, const unsigned char* bytes, size_t length) {
    return std::fwrite(bytes, 1, length, file) == length ? UNZ_OK : kUnzipWriteFailed;
}

// Copies the open entry into the file; minizip decompresses no further than the declared size
// and checks the CRC when the entry is closed.
int copyPlainEntry(unzFile archive, unsigned char* buffer, FILE* file) {
    for (;;) {
        const int read = unzReadCurrentFile(archive, buffer, kUnzipBufferSize);
        if (read <= 0) {
            return read;
        }
        const int written = writeOut(file, buffer, static_cast<size_t>(read));
        if (written != UNZ_OK) {
            return written;
        }
    }
}

// Decrypts and decompresses an entry opened raw, stopping before it writes past the declared size
// and checking its CRC and size at the end.
int copyEncryptedEntry(unzFile archive, const unz_file_info& info, int method, const char* password,
                       unsigned char* buffer, FILE* file) {
    if (method != 0 && method != Z_DEFLATED) {
        return UNZ_BADZIPFILE;
    }
    ZipCipher cipher(password ? password : "");
    unsigned char header[ZipCipher::kHeaderSize];
    if (unzReadCurrentFile(archive, header, ZipCipher::kHeaderSize) !=
        static_cast<int>(ZipCipher::kHeaderSize)) {
        return UNZ_BADZIPFILE;
    }
    // Writers that append the sizes after the data check against the time instead of the CRC.
    const unsigned long check =
        (info.flag & kFlagDataDescriptor) ? info.dosDate >> 8 : info.crc >> 24;
    if (!cipher.readHeader(header, static_cast<unsigned char>(check & 0xFF))) {
        return kUnzipBadPassword;
    }

    const bool inflating = method == Z_DEFLATED;
    z_stream stream{};
    if (inflating && inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return UNZ_INTERNALERROR;
    }
    std::vector<unsigned char> output(inflating ? kUnzipBufferSize : 0);
    uLong crc = crc32(0, nullptr, 0);
    uLong size = 0;
    int result = UNZ_OK;
    bool ended = !inflating;
    while (result == UNZ_OK) {
        const int read = unzReadCurrentFile(archive, buffer, kUnzipBufferSize);
        if (read <= 0) {
            result = read;
            break;
        }
        cipher.decrypt(buffer, static_cast<size_t>(read));
        if (!inflating) {
            crc = crc32(crc, buffer, static_cast<uInt>(read));
            size += static_cast<uLong>(read);
            if (size > info.uncompressed_size) {
                result = kUnzipEntryTooLarge;
                break;
            }
            result = writeOut(file, buffer, static_cast<size_t>(read));
            continue;
        }
        if (ended) {
            // Data after the end of the compressed stream.
            result = Z_DATA_ERROR;
            break;
        }
        stream.next_in = buffer;
        stream.avail_in = static_cast<uInt>(read);
        do {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            const int inflated = inflate(&stream, Z_NO_FLUSH);
            if (inflated != Z_OK && inflated != Z_STREAM_END && inflated != Z_BUF_ERROR) {
                result = Z_DATA_ERROR;
                break;
            }
            const size_t produced = output.size() - stream.avail_out;
            crc = crc32(crc, output.data(), static_cast<uInt>(produced));
            size += produced;
            if (size > info.uncompressed_size) {
                result = kUnzipEntryTooLarge;
                break;
            }
            result = writeOut(file, output.data(), produced);
            if (inflated == Z_STREAM_END) {
                ended = true;
                break;
            }
        } while (result == UNZ_OK && stream.avail_out == 0);
    }
    if (inflating) {
        inflateEnd(&stream);
    }
    if (result != UNZ_OK) {
        return result;
    }
    if (!ended || crc != info.crc || size != info.uncompressed_size) {
        return UNZ_CRCERROR;
    }
    return UNZ_OK;
}

}  // namespace

int getFileCrc(const char* path, unsigned char* buffer, unsigned long bufferSize,
               unsigned long* crc) {
    uLong value = crc32(0, nullptr, 0);
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        *crc = 0;
        return -1;
    }
    int result = 0;
    size_t read;
    do {
        read = std::fread(buffer, 1, bufferSize, file);
        if (read < bufferSize && std::ferror(file)) {
            result = -1;
        }
        value = crc32(value, buffer, static_cast<uInt>(read));
    } while (result == 0 && read > 0);
    std::fclose(file);
    *crc = value;
    return result;
}

int zipCommand(int argc, char* argv[]) {
    zipCancelFlag = 0;
    if (argc <= 1) {
        return 0;
    }
    bool append = false;
    int level = Z_DEFAULT_COMPRESSION;
    const char* password = nullptr;
    int archiveIndex = 0;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-') {
            if (archiveIndex == 0) {
                archiveIndex = i;
            }
            continue;
        }
        for (const char* letter = argument + 1; *letter != '\0'; ++letter) {
            if (*letter == 'o' || *letter == 'O') {
                append = false;
            } else if (*letter == 'a' || *letter == 'A') {
                append = true;
            } else if (*letter >= '0' && *letter <= '9') {
                level = *letter - '0';
            } else if ((*letter == 'p' || *letter == 'P') && i + 1 < argc) {
                password = argv[++i];
            }
        }
    }

    auto* buffer = new (std::nothrow) unsigned char[kZipBufferSize];
    if (buffer == nullptr) {
        return kZipNoBuffer;
    }
    if (archiveIndex == 0) {
        delete[] buffer;
        return 0;
    }
    // Without a root nothing can be named; appending to an archive is not supported.
    if (archiveIndex + 1 >= argc || append) {
        delete[] buffer;
        return ZIP_PARAMERROR;
    }
    std::string archiveName = argv[archiveIndex];
    if (archiveName.find('.') == std::string::npos) {
        archiveName += ".zip";
    }
    const std::string root = argv[archiveIndex + 1];

    zlib_filefunc_def functions;
    fillZipFileFunctions(&functions);
    zipFile archive = zipOpen2(archiveName.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);

    const int fileCount = argc - archiveIndex - 2;
    const float step = fileCount > 0 ? 100.0f / static_cast<float>(fileCount) : 1.0f;
    int begun = 0;
    int result = ZIP_OK;
    for (int i = archiveIndex + 2; i < argc && result == ZIP_OK; ++i) {
        if (zipCancelFlag > 0) {
            result = kZipCancelled;
            break;
        }
        NSNotificationCenter::getInstance()->postInt(nullptr, NOTIFY_ACTIVITY_PROGRESS,
                                                     static_cast<int>(begun * step), nullptr, true);
        ++begun;
        const std::string path = argv[i];
        // A stray option among the files.
        if (path.size() == 2 && (path[0] == '-' || isSeparator(path[0]))) {
            continue;
        }
        if (path.size() <= root.size() + 1) {
            result = kZipPathNotBelowRoot;
            break;
        }
        result = addEntry(archive, path, path.substr(root.size() + 1), level, password, buffer);
    }
    const int closed = zipClose(archive, nullptr);
    delete[] buffer;
    return closed != ZIP_OK ? closed : result;
}

int extractCurrentEntry(unzFile archive, const char* folder, int* withoutPath, int* overwrite,
                        const char* password) {
    char name[kEntryNameSize];
    unz_file_info info;
    if (unzGetCurrentFileInfo(archive, &info, name, sizeof(name), nullptr, 0, nullptr, 0) !=
            UNZ_OK ||
        info.size_filename >= sizeof(name)) {
        return kUnzipBadEntryInfo;
    }
    if (!isSafeEntryName(name)) {
        return kUnzipUnsafeName;
    }
    auto* buffer = new (std::nothrow) unsigned char[kUnzipBufferSize];
    if (buffer == nullptr) {
        return kUnzipNoBuffer;
    }
    const char* fileName = lastComponent(name);
    if (*fileName == '\0') {
        delete[] buffer;
        return UNZ_OK;
    }
    const std::string outputPath = std::string(folder) + (*withoutPath ? fileName : name);

    const bool encrypted = (info.flag & kFlagEncrypted) != 0;
    int method = 0;
    int level = 0;
    // Encrypted entries are read raw and deciphered here.
    int result =
        encrypted ? unzOpenCurrentFile2(archive, &method, &level, 1) : unzOpenCurrentFile(archive);
    if (result != UNZ_OK) {
        unzCloseCurrentFile(archive);
        delete[] buffer;
        return result;
    }
    if (!*overwrite) {
        *overwrite = 1;
    }
    FILE* file = std::fopen(outputPath.c_str(), "wb");
    if (file == nullptr) {
        unzCloseCurrentFile(archive);
        delete[] buffer;
        return kUnzipCannotCreate;
    }
    result = encrypted ? copyEncryptedEntry(archive, info, method, password, buffer, file)
                       : copyPlainEntry(archive, buffer, file);
    if (std::fclose(file) != 0 && result == UNZ_OK) {
        result = kUnzipWriteFailed;
    }
    if (result == UNZ_OK) {
        setModificationTime(outputPath, info.tmu_date);
        result = unzCloseCurrentFile(archive);
    } else {
        unzCloseCurrentFile(archive);
    }
    if (result != UNZ_OK) {
        std::remove(outputPath.c_str());
    }
    delete[] buffer;
    return result;
}

int extractAllEntries(unzFile archive, const char* folder, int withoutPath, int overwrite,
                      const char* password) {
    if (archive == nullptr) {
        return UNZ_PARAMERROR;
    }
    unz_global_info global;
    const int result = unzGetGlobalInfo(archive, &global);
    if (result != UNZ_OK) {
        return result;
    }
    for (uLong i = 0; i < global.number_entry; ++i) {
        const int extracted =
            extractCurrentEntry(archive, folder, &withoutPath, &overwrite, password);
        if (extracted != UNZ_OK) {
            return extracted;
        }
        if (i + 1 < global.number_entry && unzGoToNextFile(archive) != UNZ_OK) {
            return kUnzipNextEntryFailed;
        }
    }
    return UNZ_OK;
}

int unzipCommand(int argc, char* argv[]) {
    if (argc <= 1) {
        return 0;
    }
    const char* archiveName = nullptr;
    const char* entryName = nullptr;
    const char* folder = nullptr;
    const char* password = nullptr;
    int withoutPath = 0;
    int overwrite = 0;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-') {
            if (archiveName == nullptr) {
                archiveName = argument;
            } else if (entryName == nullptr && folder == nullptr) {
                entryName = argument;
            }
            continue;
        }
        for (const char* letter = argument + 1; *letter != '\0'; ++letter) {
            if ((*letter == 'd' || *letter == 'D') && i + 1 < argc) {
                folder = argv[++i];
            } else if ((*letter == 'p' || *letter == 'P') && i + 1 < argc) {
                password = argv[++i];
            } else if (*letter == 'e' || *letter == 'E') {
                withoutPath = 1;
            } else if (*letter == 'o' || *letter == 'O') {
                overwrite = 1;
            }
        }
    }
    if (archiveName == nullptr || folder == nullptr) {
        return kUnzipNoArchive;
    }

    zlib_filefunc_def functions;
    fillZipFileFunctions(&functions);
    unzFile archive = unzOpen2(archiveName, &functions);
    if (archive == nullptr) {
        const std::string withSuffix = std::string(archiveName) + ".zip";
        archive = unzOpen2(withSuffix.c_str(), &functions);
        if (archive == nullptr) {
            return kUnzipNoArchive;
        }
    }
    int result;
    if (entryName != nullptr) {
        // Letters compared without regard to case.
        result = unzLocateFile(archive, entryName, 2) == UNZ_OK
                     ? extractCurrentEntry(archive, folder, &withoutPath, &overwrite, password)
                     : kUnzipEntryMissing;
    } else {
        result = extractAllEntries(archive, folder, withoutPath, overwrite, password);
    }
    unzCloseCurrentFile(archive);
    unzClose(archive);
    return result;
}

bool zipFolder(const std::string& archive, const std::string& source, const std::string& password,
               const std::function<bool(const std::string& file)>& include) {
    // An archive named without a folder goes to the working folder; there is nothing to make.
    const bool hasFolder = archive.find_first_of("/\\") != std::string::npos;
    if (hasFolder && !makeFolders(getParentDirectory(archive))) {
        return false;
    }
    std::string base = source;
    if (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    std::vector<std::string> files;
    std::error_code error;
    if (std::filesystem::is_directory(base, error)) {
        listFiles(base, files, true, true);
        if (include) {
            files.erase(std::remove_if(files.begin(), files.end(),
                                       [&](const std::string& file) {
                                           return !std::filesystem::is_directory(file, error) &&
                                                  !include(file);
                                       }),
                        files.end());
        }
    } else {
        files.push_back(base);
    }
    if (files.empty()) {
        return false;
    }
    ArgumentVector arguments;
    arguments.add("-o");
    arguments.add("-9");
    if (!password.empty()) {
        arguments.add("-p");
        arguments.add(password);
    }
    arguments.add(archive);
    arguments.add(getParentDirectory(base));
    for (const std::string& file : files) {
        arguments.add(std::filesystem::is_directory(file, error) ? file + "/" : file);
    }
    return zipCommand(arguments.count(), arguments.pointers()) == 0;
}

bool unzipFile(const std::string& archive, const std::string& folder, const std::string& password,
               int* result) {
    const auto finish = [result](int reason) {
        if (result != nullptr) {
            *result = reason;
        }
        return reason == 0;
    };
    const std::string destination = cocos2d::withTrailingSlash(folder);
    if (archive.find_first_of("/\\") == std::string::npos) {
        return finish(kUnzipNoArchive);
    }

    // First pass: every name is checked before any folder is made, so a hostile archive leaves
    // no trace.
    cocos2d::unzFile handle = cocos2d::unzOpen(archive.c_str());
    if (handle == nullptr) {
        return finish(kUnzipNoArchive);
    }
    cocos2d::unz_global_info global;
    if (cocos2d::unzGetGlobalInfo(handle, &global) != UNZ_OK) {
        cocos2d::unzClose(handle);
        return finish(kUnzipBadEntryInfo);
    }
    std::vector<std::string> folders;
    std::uintmax_t declared = 0;
    for (uLong i = 0; i < global.number_entry; ++i) {
        char name[kEntryNameSize];
        cocos2d::unz_file_info info;
        if (cocos2d::unzGetCurrentFileInfo(handle, &info, name, sizeof(name), nullptr, 0, nullptr,
                                           0) != UNZ_OK ||
            info.size_filename >= sizeof(name) ||
            (i + 1 < global.number_entry && cocos2d::unzGoToNextFile(handle) != UNZ_OK)) {
            cocos2d::unzClose(handle);
            return finish(kUnzipBadEntryInfo);
        }
        if (!isSafeEntryName(name)) {
            cocos2d::unzClose(handle);
            return finish(kUnzipUnsafeName);
        }
        folders.push_back(getParentDirectory(destination + name));
        declared += info.uncompressed_size;
    }
    cocos2d::unzClose(handle);
    // The entries' declared sizes must fit the disk; an entry that outgrows its own is stopped
    // while it is written.
    const std::uintmax_t available = freeBytesFor(destination);
    if (declared > available) {
        cocos2d::log("unzip refused: the entries need %ju bytes, %ju are free", declared,
                     available);
        return finish(kUnzipNoRoom);
    }
    for (const std::string& needed : folders) {
        if (!makeFolders(needed)) {
            return finish(kUnzipCannotCreate);
        }
    }

    ArgumentVector arguments;
    arguments.add("-x");
    arguments.add("-o");
    if (!password.empty()) {
        arguments.add("-p");
        arguments.add(password);
    }
    arguments.add(archive);
    arguments.add("-d");
    arguments.add(destination);
    const int unpacked = unzipCommand(arguments.count(), arguments.pointers());
    cocos2d::log("unzip result:%i", unpacked);
    return finish(unpacked);
}

}  // namespace NSUI
