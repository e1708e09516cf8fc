#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Director.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isDcmScan.h"
#include "studydb/StudyNotifications.h"
#include "tests/viewerscreen/ViewerScreenFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "viewerscreen/imageViewerPC.h"

using viewerscreentest::ViewerScreenTest;

namespace {

// The scan's progress values, as delivered.
class ProgressRecorder {
public:
    ProgressRecorder() {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
                values.push_back(data->intValue);
            },
            NSUI::NOTIFY_ACTIVITY_PROGRESS);
    }
    ~ProgressRecorder() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    bool has(int value) const {
        return std::find(values.begin(), values.end(), value) != values.end();
    }
    // Reading values run from 12 to below 94; with fewer than 80 files each file posts its own.
    int filesStarted() const {
        return static_cast<int>(
            std::count_if(values.begin(), values.end(), [](int v) { return v >= 12 && v < 94; }));
    }

    std::vector<int> values;
};

// Reading stage progress of the n-th file started (from 0) in a folder of `files` files.
int readingValue(int n, int files) {
    return static_cast<int>(12.0 + 80.0 * n / files);
}

// Lets a scan waiting to open the pipe go on: the file in hand has arrived (empty).
void releasePipe(const std::string& path) {
    int fd = -1;
    while ((fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && errno == ENXIO) {
        std::this_thread::yield();
    }
    ASSERT_GE(fd, 0) << path;
    ::close(fd);
}

}  // namespace

// A slow disk, made exact: the sixth file of a 41-file series is a pipe, which the scan waits at
// until it is let go. Choosing another series while the scan waits there ends that scan after
// the file in hand, and going back then returns without reading the other 35 files.
TEST_F(ViewerScreenTest, ASeriesLeftMidScanIsReadNoFurtherAndGetsNoCache) {
    constexpr int kFiles = 41;
    constexpr int kPipeIndex = 5;
    writeVolume("slow", kFiles - 1);
    const std::string slow = root() + "slow/";
    const std::string pipe = slow + "IM0005a.dcm";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    writeVolume("other", 3);
    // Scanned beforehand (into the cache folder, made on first use), so that its load posts no
    // progress of its own.
    isImageSDK::getFolderBufferPath(root() + "other");
    isImageSDK::isDcmScan().createBuffer(root() + "other");
    pumpFrames(2);
    ProgressRecorder progress;

    imageViewerPC* screen = pushScreen("slow");
    screen->firstEntry = false;
    screen->startLoad();
    ASSERT_TRUE(pumpUntil([&] { return progress.has(readingValue(kPipeIndex, kFiles)); }));
    auto* chosen = NSUI::NSNotificationData::create();
    chosen->setNotificationKey(screen->key, nullptr);
    chosen->stringValue = "other";
    screen->onNotification(nullptr, studydb::NOTIFY_SERIES_CHOSEN, chosen);
    releasePipe(pipe);
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    EXPECT_EQ(screen->seriesList, std::vector<std::string>{"other"});

    cocos2d::Director::getInstance()->popScene();
    pumpFrames(4);
    EXPECT_EQ(progress.filesStarted(), kPipeIndex + 1) << ::testing::PrintToString(progress.values);
    EXPECT_FALSE(progress.has(94));
    EXPECT_FALSE(std::filesystem::exists(isImageSDK::getFolderPrebinPath(slow)));
    EXPECT_EQ(imageViewerPC::readerOf("slow"), nullptr);
}
