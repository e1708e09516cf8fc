#pragma once

#include <string>
#include <vector>

#include "engine/base/Director.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace imagesdktest {

// Observes one key in one group and keeps what arrives; frames are driven by hand.
class NotificationRecorder {
public:
    struct Received {
        cocos2d::Ref* sender;
        bool hasData;
        std::string text;
    };

    explicit NotificationRecorder(int key, void* group = nullptr) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, group,
            [this](cocos2d::Ref* sender, unsigned, NSUI::NSNotificationData* data) {
                received.push_back({sender, data != nullptr, data ? data->stringValue : ""});
            },
            key);
    }
    ~NotificationRecorder() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    // Enough frames, past the centre's start-up delay, for every queued post to arrive.
    void drain(int frames = 12) {
        for (int i = 0; i < frames; ++i) {
            cocos2d::Director::getInstance()->mainLoop(0.6f);
        }
    }

    std::vector<Received> received;
};

}  // namespace imagesdktest
