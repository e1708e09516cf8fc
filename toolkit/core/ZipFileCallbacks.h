#pragma once

#include <cstdint>
#include <cstdio>

#include <ioapi.h>

namespace NSUI {

// The stream behind each archive that the zip routines open.
struct ZipFileStream {
    FILE* file = nullptr;
    int32_t error = 0;
};

// minizip's file functions over the C runtime, in the order of zlib_filefunc_def. An archive
// being created (read + write + create) is opened "wb+", any other "rb".
voidpf zipFileOpen(voidpf opaque, const char* path, int mode);
uLong zipFileRead(voidpf opaque, voidpf stream, void* buffer, uLong size);
uLong zipFileWrite(voidpf opaque, voidpf stream, const void* buffer, uLong size);
long zipFileTell(voidpf opaque, voidpf stream);
// -1 for an unknown origin, a missing stream or a failed seek.
long zipFileSeek(voidpf opaque, voidpf stream, uLong offset, int origin);
// -1 for a missing record or file, or when the final flush fails; the record is freed.
int zipFileClose(voidpf opaque, voidpf stream);
int zipFileTestError(voidpf opaque, voidpf stream);

// The set above, for zipOpen2 and unzOpen2.
void fillZipFileFunctions(zlib_filefunc_def* functions);

}  // namespace NSUI
