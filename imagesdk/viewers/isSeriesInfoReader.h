#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace isImageSDK {

class isImageData;

// Reads the study texts of a viewer's corner overlay (study id, series number, institution,
// series date and time, patient, sex/age/weight, image description) from the first image file of
// a series on a thread of its own. The result is stored as the label of the series' first phase
// and posted as NOTIFY_PATIENT_INFO_TEXT to the group that asked, with the series as the data's
// object (retained), both on the main thread. The
// series is retained on the main thread before the thread starts and released on the main
// thread when the result is handed back. A file that cannot be opened is remembered, so overlay
// rebuilds do not start a reader for it again. shutdown() joins every reader; results that
// arrive later are dropped and their series released.
class isSeriesInfoReader {
public:
    static isSeriesInfoReader& instance();

    // Main thread. Starts a reader unless one runs for the same data or its file failed before.
    // False when nothing was started.
    bool start(isImageData* data, void* group);
    // Main thread. Joins every reader and releases what they held.
    void shutdown();
    // Readers started and not yet handed back.
    std::size_t getRunningCount() const;

    // The flat JSON of the file's study texts; false when the file cannot be opened.
    static bool readSeriesInfo(const std::string& path, std::string& json);

private:
    struct Job;

    isSeriesInfoReader() = default;
    ~isSeriesInfoReader();

    static void run(const std::shared_ptr<Job>& job);
    // Main thread: label, post and release.
    void handBack(const std::shared_ptr<Job>& job);
    static void finish(const std::shared_ptr<Job>& job);

    mutable std::mutex lock;
    std::vector<std::shared_ptr<Job>> jobs;
    std::set<std::string> failedPaths;
};

}  // namespace isImageSDK
