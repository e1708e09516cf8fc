#include "toolkit/core/ZipFileCallbacks.h"

#include <new>

namespace NSUI {

namespace {

FILE* fileOf(voidpf stream) {
    return stream ? static_cast<ZipFileStream*>(stream)->file : nullptr;
}

}  // namespace

voidpf zipFileOpen(voidpf, const char* path, int mode) {
    if (path == nullptr) {
        return nullptr;
    }
    constexpr int kCreateMode =
        ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_WRITE | ZLIB_FILEFUNC_MODE_CREATE;
    FILE* file = std::fopen(path, mode == kCreateMode ? "wb+" : "rb");
    if (file == nullptr) {
        return nullptr;
    }
    auto* stream = new (std::nothrow) ZipFileStream;
    if (stream == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    stream->file = file;
    return stream;
}

uLong zipFileRead(voidpf, voidpf stream, void* buffer, uLong size) {
    FILE* file = fileOf(stream);
    return file ? std::fread(buffer, 1, size, file) : 0;
}

uLong zipFileWrite(voidpf, voidpf stream, const void* buffer, uLong size) {
    FILE* file = fileOf(stream);
    return file ? std::fwrite(buffer, 1, size, file) : 0;
}

long zipFileTell(voidpf, voidpf stream) {
    FILE* file = fileOf(stream);
    return file ? std::ftell(file) : -1;
}

long zipFileSeek(voidpf, voidpf stream, uLong offset, int origin) {
    int whence;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        whence = SEEK_SET;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        whence = SEEK_CUR;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        whence = SEEK_END;
        break;
    default:
        return -1;
    }
    FILE* file = fileOf(stream);
    if (file == nullptr) {
        return -1;
    }
    return std::fseek(file, static_cast<long>(offset), whence) == 0 ? 0 : -1;
}

int zipFileClose(voidpf, voidpf stream) {
    if (stream == nullptr) {
        return -1;
    }
    auto* record = static_cast<ZipFileStream*>(stream);
    int result = -1;
    if (record->file) {
        // A failed final flush means the archive on disk is incomplete.
        result = std::fclose(record->file) == 0 ? 0 : -1;
    }
    delete record;
    return result;
}

int zipFileTestError(voidpf, voidpf stream) {
    return stream ? static_cast<ZipFileStream*>(stream)->error : -1;
}

void fillZipFileFunctions(zlib_filefunc_def* functions) {
    functions->zopen_file = zipFileOpen;
    functions->zread_file = zipFileRead;
    functions->zwrite_file = zipFileWrite;
    functions->ztell_file = zipFileTell;
    functions->zseek_file = zipFileSeek;
    functions->zclose_file = zipFileClose;
    functions->zerror_file = zipFileTestError;
    functions->opaque = nullptr;
}

}  // namespace NSUI
