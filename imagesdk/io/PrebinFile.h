#pragma once

#include <string>
#include <vector>

#include "imagesdk/io/PrebinRecords.h"

namespace isImageSDK {

enum class PrebinReadResult {
    Loaded,
    // No such file, or one that cannot be opened.
    NoFile,
    // Not a cache of this format or of a known kind: left alone.
    NotCache,
    // Short, inconsistent or another folder's cache: the caller deletes it and scans again.
    Damaged,
};

// Everything a cache file holds. For kind "volume" volumeInfo and slices are filled, for kind
// "series" records; names has one entry per slice or record, in order.
struct PrebinContents {
    PrebinHeader header;
    bool volume = false;
    PrebinVolumeInfo volumeInfo;
    std::vector<PrebinSliceInfo> slices;
    std::vector<DcmFileRecord> records;
    std::vector<std::string> names;
};

// The series cache file (".prebin"): a header, the records of kind "series" or the volume
// information and slice records of kind "volume", a names trailer and the file names joined
// with ",". A name holding "," or "\" is stored with each of those preceded by "\", so any file
// name survives the round trip; names without them are stored as they stand.
class PrebinFile {
public:
    // The count field is 16 bits wide.
    static constexpr int kMaxRecords = 32767;

    // Write the ordered records as kind "series" or "volume" (volume information from the first
    // record and the mean gap between consecutive positions). The cache belongs to the folder of
    // the first record. The file is replaced only when every part was written; false (leaving
    // any earlier file as it was) for no record, more than kMaxRecords, or a failed write.
    static bool writeSeriesBuffer(const std::string& path,
                                  const std::vector<DcmFileInfo*>& records);
    static bool writeVolumeBuffer(const std::string& path,
                                  const std::vector<DcmFileInfo*>& records);

    // Reads a whole cache and checks it against the folder it is opened for: magic, version,
    // kind, the folder hash, the record count (header, volume information and names agree), and
    // that every part is present with the names text ending the file.
    static PrebinReadResult read(const std::string& path, const std::string& folder,
                                 PrebinContents& contents);

    // The names text as stored, and back; split fails on a dangling escape.
    static std::string joinNames(const std::vector<std::string>& names);
    static bool splitNames(const std::string& text, std::vector<std::string>& names);
};

}  // namespace isImageSDK
