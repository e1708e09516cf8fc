#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "imagesdk/io/PrebinRecords.h"

namespace dcmSDK {
class dcmReader;
}

namespace isImageSDK {

// Turns a folder of DICOM files into its series cache file. The tags of every file are read
// (on four threads for folders of more than 50 files) and the files are written either as one
// regular volume in stacking order or as a series of full records. Progress goes out as
// NOTIFY_ACTIVITY_PROGRESS. A scan given a stop check asks it before each file and, once it
// answers true, reads no further file and writes no cache: an interrupted scan leaves the cache
// as it found it, so no later open can take a part of the folder for the whole series.
class isDcmScan {
public:
    // Asked from the scan threads, outside any of the scan's locks; true ends the scan.
    using StopCheck = std::function<bool()>;

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
        // May be null. Set when this thread stopped before its last file.
        const StopCheck* stop = nullptr;
        bool stopped = false;
    };

    isDcmScan() = default;
    explicit isDcmScan(StopCheck stop) : stop(std::move(stop)) {}
    virtual ~isDcmScan() = default;

    // Scans the folder into its ".prebin" file, deleting that file when nothing could be
    // written. Always true: the caller judges the result with isPrebinValid, and tells a stopped
    // scan from a failed one with wasStopped.
    bool createBuffer(std::string folder);
    // Reads the files (paths relative to the folder, which ends in "/") and writes the cache;
    // false when nothing was written, stopped or not.
    bool scan(const std::string& folder, const std::vector<std::string>& files);
    // The last createBuffer or scan ended on the stop check, before reading every file.
    bool wasStopped() const { return stopped; }
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
    bool stopRequested() const { return stop && stop(); }

    const StopCheck stop;
    bool stopped = false;
};

}  // namespace isImageSDK
