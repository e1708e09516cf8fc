#include "app/shareTo.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "imagesdk/io/SeriesFolderFiles.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotifyKeys.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/ToolkitGlobals.h"
#include "toolkit/core/ZipRoutines.h"
#include "toolkit/widgets/NSActivity.h"
#include "toolkit/widgets/UIControlBase.h"

namespace {

constexpr float kToastSeconds = 1.5f;
const cocos2d::Color3B kCancelColor(21, 170, 254);

void showToast(cocos2d::Node* parent, const char* key) {
    if (auto* screen = dynamic_cast<NSUI::UIControlBase*>(parent)) {
        screen->showMessage(NSUI::getLocalizedString(key), kToastSeconds);
    }
}

}  // namespace

shareTo::~shareTo() {
    stopJob();
}

bool shareTo::init() {
    if (!cocos2d::Node::init()) {
        return false;
    }
    sourcePath.clear();
    archivePath.clear();
    auto* center = NSUI::NSNotificationCenter::getInstance();
    auto handler = [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    center->addObserver(this, this, handler, studydb::NOTIFY_SHARE_STEP);
    center->addObserver(this, nullptr, handler, NSUI::NOTIFY_ACTIVITY_CANCEL);
    return true;
}

void shareTo::cleanup() {
    cocos2d::Node::cleanup();
    // The thread's last post is addressed to this node: stop it before the observers go, so
    // that the post finds nobody rather than a node being freed.
    stopJob();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
    NSUI::NSActivity* activity = NSUI::getSharedActivity();
    if (activity != nullptr && activity->getParent() == this) {
        NSUI::NSActivity::removeSharedActivity();
    }
}

void shareTo::stopJob() {
    if (!zipThread.joinable()) {
        return;
    }
    job->cancelled = true;
    NSUI::zipCancelFlag = 1;
    zipThread.join();
}

void shareTo::shareData(const std::string& source, const std::string& name) {
    if (job) {
        return;
    }
    sourcePath = source;
    if (sourcePath.empty()) {
        return;
    }
    shareName = name;
    archivePath = NSUI::chooseSavePath(true);
    if (archivePath.empty()) {
        // The caller may still hold this node until its call returns.
        retain();
        autorelease();
        removeFromParent();
        return;
    }
    if (archivePath.size() < 4 || archivePath.compare(archivePath.size() - 4, 4, ".zip") != 0) {
        archivePath += ".zip";
    }

    NSUI::NSActivity* activity = NSUI::NSActivity::show(this);
    if (activity != nullptr) {
        activity->enableBKColor(true, cocos2d::Color3B::BLACK, 0.85f);
        activity->textColor = cocos2d::Color4B::WHITE;
        activity->setMessage(NSUI::getLocalizedString(kCompressingKey));
        activity->addActionButton(NSUI::getLocalizedString(kCancelKey), kCancelColor);
    }

    job = std::make_shared<Job>();
    job->source = sourcePath;
    job->archive = archivePath;
    // The thread holds the job and the node's address as a group only, never dereferenced.
    zipThread = std::thread([state = job, group = static_cast<void*>(this)] {
        const int result = zipJob(*state);
        NSUI::NSNotificationCenter::getInstance()->postInt(nullptr, studydb::NOTIFY_SHARE_STEP,
                                                           result, group, false);
    });
}

bool shareTo::archiveInsideSource(const std::string& archive, const std::string& source) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::weakly_canonical(archive, error);
    if (error) {
        return false;
    }
    const std::filesystem::path root = std::filesystem::weakly_canonical(source, error);
    if (error) {
        return false;
    }
    auto part = target.begin();
    for (auto step = root.begin(); step != root.end(); ++step, ++part) {
        if (step->empty()) {
            continue;
        }
        if (part == target.end() || *part != *step) {
            return false;
        }
    }
    return true;
}

int shareTo::zipJob(Job& job) {
    // An archive written into the folder being packed would pack itself and leave a stray file
    // in the library: refused before anything is written, so nothing there is removed either.
    if (archiveInsideSource(job.archive, job.source)) {
        return -1;
    }
    // The DICOM files only: a series folder also keeps the program's thumbnails.
    const auto dicomOnly = [](const std::string& file) {
        return !isImageSDK::isSeriesCompanionFile(file.substr(file.find_last_of('/') + 1));
    };
    bool packed =
        !job.cancelled && NSUI::zipFolder(job.archive, job.source, std::string(), dicomOnly);
    // A cancel raised before the zip routine cleared the shared flag is not lost: it counts
    // here even when the packing ran to its end.
    if (job.cancelled) {
        packed = false;
    }
    struct stat info {};
    if (packed && stat(job.archive.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size > 0) {
        return 0;
    }
    // No half-written or cancelled archive is left where the user would take it for a whole.
    std::remove(job.archive.c_str());
    return -1;
}

void shareTo::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    if (key == NSUI::NOTIFY_ACTIVITY_CANCEL) {
        if (job && zipThread.joinable()) {
            job->cancelled = true;
            NSUI::zipCancelFlag = 1;
        }
        return;
    }
    if (key != static_cast<unsigned>(studydb::NOTIFY_SHARE_STEP) || data == nullptr) {
        return;
    }
    if (zipThread.joinable()) {
        zipThread.join();
    }
    if (NSUI::getSharedActivity() != nullptr) {
        NSUI::NSActivity::removeSharedActivity();
    }
    cocos2d::Node* parent = getParent();
    if (data->intValue < 0) {
        showToast(parent, kFailedKey);
    } else {
        // The desktop's mail hook takes no subject or body (shareToSubject, shareToBody): it
        // only answers whether mail is set up.
        if (NSUI::sharePlatformText() == "NoValidMailConfig") {
            showToast(parent, kNoMailKey);
        }
    }
    // Last: removing the node may free it.
    removeFromParent();
}
