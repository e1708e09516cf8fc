#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imagesdk/io/PrebinRecords.h"

namespace dcmSDK {
class dcmReader;
}

namespace isImageSDK {

// Turns a folder of DICOM files into its series cache file. The tags of every file are read
// (on four threads for folders of more than 50 files) and the files are written either as one
// regular volume in stacking order or as a series of full records. Progress goes out as
// NOTIFY_ACTIVITY_PROGRESS. The scan keeps no state between calls.
class isDcmScan {
public:
    // The work of one scan thread. The mutex guards the started count, its progress post and
    // the last value posted.
    struct isDcmScan_scan {
        std::string folder;
        std::vector<std::string> files;
        std::recursive_mutex* mutex = nullptr;
        std::vector<std::unique_ptr<DcmFileInfo>> results;
        int* started = nullptr;
        int total = 0;
        // Set when a file rules out a volume: several frames, or a missing position,
        // orientation or instance number.
        bool forceSeries = false;
        int* lastProgress = nullptr;
    };

    isDcmScan() = default;
    virtual ~isDcmScan() = default;

    // Scans the folder into its ".prebin" file, deleting that file when nothing could be
    // written. Always true: the caller judges the result with isPrebinValid.
    bool createBuffer(std::string folder);
    // Reads the files (paths relative to the folder, which ends in "/") and writes the cache;
    // false when nothing was written.
    bool scan(const std::string& folder, const std::vector<std::string>& files);
    // The body of one scan thread.
    static void scanFile(isDcmScan_scan* argument);

    static bool writeSeriesBuffer(const std::string& path,
                                  const std::vector<DcmFileInfo*>& records);
    static bool writeVolumeBuffer(const std::string& path,
                                  const std::vector<DcmFileInfo*>& records);

    // Whether records (in scan order) form one regular volume; when they do, they are left in
    // stacking order, else sorted by instance number. Posts 94, 97 and 99 on the way.
    static bool arrangeVolume(std::vector<DcmFileInfo*>& records);

private:
    isDcmScan(const isDcmScan&) = delete;
    isDcmScan& operator=(const isDcmScan&) = delete;

    // Fills a record from the open file; false when the file is to be skipped.
    static bool readRecord(dcmSDK::dcmReader& reader, DcmFileRecord& record, bool& forceSeries);
};

}  // namespace isImageSDK
