#include "dcmsdk/internal/DcmFileLoader.h"

#include "dcmsdk/DcmLibrary.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcerror.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace dcmSDK {

namespace {

// Values longer than this are read from the file only when they are used.
const Uint32 kLazyValueLength = 4096;

makeOFConditionConst(kUnknownSyntax, OFM_dcmdata, 0x1001, OF_error,
                     "Unknown transfer syntax in the file meta information");
makeOFConditionConst(kBadMeta, OFM_dcmdata, 0x1002, OF_error, "Malformed file meta information");
makeOFConditionConst(kInflateTooLarge, OFM_dcmdata, 0x1003, OF_error,
                     "Deflated data set inflates past 256 MiB, the bound for deflated data sets");
makeOFConditionConst(kNoDataSet, OFM_dcmdata, 0x1004, OF_error, "File holds no data set");
makeOFConditionConst(kInflateBomb, OFM_dcmdata, 0x1005, OF_error,
                     "Deflated data set inflates far beyond any real object's ratio");

// A deflated data set that has grown past this many bytes at more than kMaxInflateRatio times
// the compressed bytes it came from is a bomb: only long runs of one value compress that far,
// and DCMTK would spend seconds inflating it into memory.
const std::uint64_t kBombFloorBytes = 64ULL * 1024 * 1024;
const std::uint64_t kMaxInflateRatio = 100;
// Deflate carries reports, structured documents and small images; a deflated data set past this
// size, even at a ratio real data reaches, costs seconds and as much memory at every open.
const std::uint64_t kMaxDeflatedBytes = 256ULL * 1024 * 1024;

struct MetaScan {
    bool hasPreamble = false;
    std::uint64_t dataSetOffset = 0;
    std::string transferSyntax;
    bool hasTransferSyntax = false;
};

bool hasLongLength(const char vr[2]) {
    static const char* const longVRs[] = {"OB", "OD", "OF", "OL", "OV", "OW", "SQ",
                                          "SV", "UC", "UN", "UR", "UT", "UV"};
    for (const char* candidate : longVRs) {
        if (vr[0] == candidate[0] && vr[1] == candidate[1]) {
            return true;
        }
    }
    return false;
}

// Walks the explicit little endian group 0002 that follows the preamble, without trusting any
// length beyond the end of the file.
OFCondition scanMeta(std::ifstream& in, std::uint64_t fileSize, MetaScan& scan) {
    char head[132];
    if (fileSize < sizeof(head) || !in.read(head, sizeof(head)) ||
        std::memcmp(head + 128, "DICM", 4) != 0) {
        return EC_Normal;
    }
    scan.hasPreamble = true;
    std::uint64_t offset = sizeof(head);
    for (;;) {
        unsigned char element[12];
        if (offset + 8 > fileSize) {
            break;
        }
        in.seekg(static_cast<std::streamoff>(offset));
        if (!in.read(reinterpret_cast<char*>(element), 8)) {
            return kBadMeta;
        }
        const unsigned group = element[0] | (element[1] << 8);
        if (group != 0x0002) {
            break;
        }
        const unsigned tagElement = element[2] | (element[3] << 8);
        const char vr[2] = {static_cast<char>(element[4]), static_cast<char>(element[5])};
        std::uint64_t length = 0;
        std::uint64_t headerLength = 8;
        if (hasLongLength(vr)) {
            if (offset + 12 > fileSize || !in.read(reinterpret_cast<char*>(element + 8), 4)) {
                return kBadMeta;
            }
            length = static_cast<std::uint64_t>(element[8]) | (element[9] << 8) |
                     (element[10] << 16) | (static_cast<std::uint64_t>(element[11]) << 24);
            headerLength = 12;
        } else {
            length = element[6] | (element[7] << 8);
        }
        if (length == 0xFFFFFFFFULL || offset + headerLength + length > fileSize) {
            return kBadMeta;
        }
        if (tagElement == 0x0010 && length < 256) {
            std::string uid(static_cast<std::size_t>(length), '\0');
            in.seekg(static_cast<std::streamoff>(offset + headerLength));
            if (!in.read(&uid[0], static_cast<std::streamsize>(length))) {
                return kBadMeta;
            }
            while (!uid.empty() && (uid.back() == '\0' || uid.back() == ' ')) {
                uid.pop_back();
            }
            scan.transferSyntax = uid;
            scan.hasTransferSyntax = true;
        }
        offset += headerLength + length;
    }
    scan.dataSetOffset = offset;
    return EC_Normal;
}

// Inflates the raw deflate stream into a scratch buffer only to count its size and its ratio.
OFCondition checkInflatedSize(std::ifstream& in, std::uint64_t offset) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return EC_MemoryExhausted;
    }
    std::vector<unsigned char> input(64 * 1024);
    std::vector<unsigned char> output(256 * 1024);
    std::uint64_t total = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        in.read(reinterpret_cast<char*>(input.data()), static_cast<std::streamsize>(input.size()));
        const std::streamsize got = in.gcount();
        if (got <= 0) {
            break;
        }
        stream.next_in = input.data();
        stream.avail_in = static_cast<uInt>(got);
        while (stream.avail_in > 0 && status == Z_OK) {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            status = inflate(&stream, Z_NO_FLUSH);
            total += output.size() - stream.avail_out;
            if (total > kMaxDeflatedBytes) {
                inflateEnd(&stream);
                return kInflateTooLarge;
            }
            if (total > kBombFloorBytes && total > kMaxInflateRatio * stream.total_in) {
                inflateEnd(&stream);
                return kInflateBomb;
            }
            if (status == Z_BUF_ERROR) {
                status = Z_OK;
                break;
            }
        }
    }
    inflateEnd(&stream);
    return EC_Normal;
}

bool holdsDataElement(DcmDataset& dataset) {
    const unsigned long count = dataset.card();
    for (unsigned long i = 0; i < count; ++i) {
        const DcmElement* element = dataset.getElement(i);
        if (element != nullptr && element->getGTag() > 0x0002 && element->getETag() != 0x0000) {
            return true;
        }
    }
    return false;
}

}  // namespace

OFCondition DcmFileLoader::load(const std::string& path, DcmFileFormat& file) {
    dcmsdk_init();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return EC_InvalidFilename;
    }
    const std::streamoff end = in.tellg();
    if (end <= 0) {
        return kNoDataSet;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(end);
    in.seekg(0);
    MetaScan scan;
    OFCondition status = scanMeta(in, fileSize, scan);
    if (status.bad()) {
        return status;
    }
    if (scan.hasTransferSyntax) {
        const DcmXfer xfer(scan.transferSyntax.c_str());
        if (xfer.getXfer() == EXS_Unknown) {
            return kUnknownSyntax;
        }
        if (xfer.getStreamCompression() != ESC_none) {
            status = checkInflatedSize(in, scan.dataSetOffset);
            if (status.bad()) {
                return status;
            }
        }
    }
    in.close();
    status = file.loadFile(OFFilename(path.c_str()), EXS_Unknown, EGL_noChange, kLazyValueLength,
                           ERM_autoDetect);
    if (status.bad()) {
        return status;
    }
    DcmDataset* dataset = file.getDataset();
    if (dataset == nullptr || !holdsDataElement(*dataset)) {
        return kNoDataSet;
    }
    return EC_Normal;
}

}  // namespace dcmSDK
