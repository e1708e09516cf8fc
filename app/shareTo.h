#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "engine/2d/Node.h"
#include "engine/base/Macros.h"

namespace NSUI {
class NSNotificationData;
}

// Packs a patient's or a series' DICOM folder into one zip archive at a place the user picks,
// with the busy overlay and its cancel button shown meanwhile, then hands a prepared mail to
// the platform's mail hook. An invisible node: the caller adds it to its screen (a
// UIControlBase, for the toasts) and calls shareData; the node removes itself when done.
//
// The packing runs on a thread the node owns: cleanup cancels it and joins it, so nothing of
// the node is touched once it is gone. A cancelled or failed archive is deleted.
class shareTo : public cocos2d::Node {
public:
    CREATE_FUNC(shareTo);

    bool init() override;
    void cleanup() override;

    // Starts the whole flow; one call per node. An empty source leaves the node idle.
    void shareData(const std::string& source, const std::string& name);

    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    const std::string& getArchivePath() const { return archivePath; }

    // The language texts of the flow.
    static constexpr const char* kCompressingKey = "compressData";
    static constexpr const char* kCancelKey = "cancelButton";
    static constexpr const char* kFailedKey = "compressFail";
    static constexpr const char* kSubjectKey = "shareToSubject";
    static constexpr const char* kBodyKey = "shareToBody";
    static constexpr const char* kNoMailKey = "configMail";

protected:
    shareTo() = default;
    ~shareTo() override;

private:
    // What the packing thread reads and writes; it never sees the node.
    struct Job {
        std::string source;
        std::string archive;
        std::atomic<bool> cancelled{false};
    };

    static int zipJob(Job& job);
    // Whether the archive path lies in the source folder or is the source itself, links
    // resolved.
    static bool archiveInsideSource(const std::string& archive, const std::string& source);
    void stopJob();

    std::string sourcePath;
    std::string shareName;
    std::string archivePath;
    std::shared_ptr<Job> job;
    std::thread zipThread;
};
