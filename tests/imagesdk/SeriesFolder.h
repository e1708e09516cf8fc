#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/io/FolderBuffer.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace imagesdktest {

// A series folder below the writable path, as the application keeps them, removed with its
// cache files when the test ends.
class SeriesFolder {
public:
    SeriesFolder() {
        static std::atomic<int> next{0};
        path = cocos2d::FileUtils::getInstance()->getWritablePath() + "series" +
               std::to_string(next++) + "/";
        std::filesystem::create_directories(path);
        // Makes the cache folder, as the application's scan thread does before scanning.
        isImageSDK::getFolderBufferPath(path);
    }
    ~SeriesFolder() {
        isImageSDK::removeFolderBuffer(path);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    SeriesFolder(const SeriesFolder&) = delete;
    SeriesFolder& operator=(const SeriesFolder&) = delete;

    std::string prebinPath() const { return isImageSDK::getFolderPrebinPath(path); }
    std::string rawPath() const { return isImageSDK::getRawBufferPath(prebinPath()); }

    // Ends in "/".
    std::string path;
};

// Observes one key in one group and keeps the values each post carried.
class ValueRecorder {
public:
    struct Received {
        cocos2d::Ref* sender;
        int intValue;
        float floatValue;
        int indexValue;
        unsigned dataKey;
    };

    explicit ValueRecorder(int key, void* group = nullptr) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, group,
            [this](cocos2d::Ref* sender, unsigned, NSUI::NSNotificationData* data) {
                received.push_back({sender, data ? data->intValue : 0,
                                    data ? data->floatValue : 0.0f, data ? data->indexValue : 0,
                                    data ? data->key : 0u});
            },
            key);
    }
    ~ValueRecorder() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    ValueRecorder(const ValueRecorder&) = delete;
    ValueRecorder& operator=(const ValueRecorder&) = delete;

    std::vector<int> intValues() const {
        std::vector<int> values;
        for (const Received& r : received) {
            values.push_back(r.intValue);
        }
        return values;
    }

    std::vector<Received> received;
};

// Runs frames of the main loop until done() holds; false when it still does not after a bound
// generous enough for any machine (a hang fails the test instead of stalling the suite).
inline bool stepUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 60000; ++i) {
        cocos2d::Director::getInstance()->mainLoop(0.1f);
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

// Frames enough for every queued post to be delivered.
inline void drainNotifications() {
    for (int i = 0; i < 12; ++i) {
        cocos2d::Director::getInstance()->mainLoop(0.6f);
    }
}

}  // namespace imagesdktest
