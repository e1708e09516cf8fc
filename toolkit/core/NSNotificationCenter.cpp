#include "toolkit/core/NSNotificationCenter.h"

#include <algorithm>

#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Scheduler.h"

namespace NSUI {

// One queued call of one observer for one post.
struct NSNotificationDelivery {
    // Not retained: removal clears `valid` under the lock before it releases the observer.
    NSNotificationObserver* observer;
    cocos2d::Ref* sender;
    NSNotificationData* data;
    int key;
    int frame;
    bool valid;
    int sequence;
};

namespace {

const char* const kDeliveryPassKey = "_NSNotificationCenter";

NSNotificationCenter* sharedCenter = nullptr;

// Frees deliveries once the lock is no longer held: releasing data may run arbitrary destructors.
void freeDeliveries(const std::vector<NSNotificationDelivery*>& deliveries) {
    for (NSNotificationDelivery* delivery : deliveries) {
        CC_SAFE_RELEASE(delivery->data);
        delete delivery;
    }
}

}  // namespace

NSNotificationObserver::~NSNotificationObserver() = default;

NSNotificationCenter* NSNotificationCenter::getInstance() {
    if (!sharedCenter) {
        sharedCenter = new NSNotificationCenter();
        sharedCenter->autorelease();
        sharedCenter->retain();
    }
    // A purged director drops every schedule and a new one starts with none: the centre would
    // queue posts that no pass ever delivers.
    cocos2d::Director* director = cocos2d::Director::getExistingInstance();
    if (director != nullptr && std::this_thread::get_id() == sharedCenter->mainThread) {
        sharedCenter->scheduleDeliveryPass(director);
    }
    return sharedCenter;
}

NSNotificationCenter* NSNotificationCenter::getExistingInstance() {
    return sharedCenter;
}

void NSNotificationCenter::destroyInstance() {
    CC_SAFE_RELEASE_NULL(sharedCenter);
}

NSNotificationCenter::NSNotificationCenter() : mainThread(std::this_thread::get_id()) {
    currentFrame();
    scheduleDeliveryPass(cocos2d::Director::getInstance());
}

void NSNotificationCenter::scheduleDeliveryPass(cocos2d::Director* director) {
    cocos2d::Scheduler* scheduler = director->getScheduler();
    if (!scheduler->isScheduled(kDeliveryPassKey, this)) {
        scheduler->schedule([this](float dt) { deliverPending(dt); }, this, 0.0f, CC_REPEAT_FOREVER,
                            0.5f, false, kDeliveryPassKey);
    }
}

NSNotificationCenter::~NSNotificationCenter() {
    cocos2d::Director::getInstance()->getScheduler()->unschedule(kDeliveryPassKey, this);
    std::vector<NSNotificationDelivery*> deliveries;
    cocos2d::Vector<NSNotificationObserver*> released;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        std::swap(released, observers);
        deliveries.insert(deliveries.end(), pendingOneByOne.begin(), pendingOneByOne.end());
        deliveries.insert(deliveries.end(), pendingNextPass.begin(), pendingNextPass.end());
        deliveries.insert(deliveries.end(), dispatchList.begin(), dispatchList.end());
        pendingOneByOne.clear();
        pendingNextPass.clear();
        dispatchList.clear();
    }
    freeDeliveries(deliveries);
}

void NSNotificationCenter::addObserver(void* owner, void* group,
                                       const NSNotificationCallback& callback, int key) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    for (NSNotificationObserver* observer : observers) {
        if (observer->key == key && observer->group == group && observer->owner == owner) {
            return;
        }
    }
    auto* observer = new NSNotificationObserver();
    observer->callback = callback;
    observer->key = key;
    observer->group = group;
    observer->owner = owner;
    observers.pushBack(observer);
    observer->release();
}

void NSNotificationCenter::removeObserver(void* object) {
    removeMatching([object](const NSNotificationObserver* observer) {
        return observer->owner == object || observer->group == object;
    });
}

void NSNotificationCenter::removeObserverForKey(int key, void* object) {
    removeMatching([key, object](const NSNotificationObserver* observer) {
        return observer->key == key && (observer->owner == object || observer->group == object);
    });
}

void NSNotificationCenter::removeMatching(
    const std::function<bool(const NSNotificationObserver*)>& matches) {
    cocos2d::Vector<NSNotificationObserver*> removed;
    std::vector<NSNotificationData*> unused;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        // Only a valid delivery is sure to point at a live observer.
        for (auto* queue : {&pendingOneByOne, &pendingNextPass}) {
            for (NSNotificationDelivery* delivery : *queue) {
                if (delivery->valid && matches(delivery->observer)) {
                    delivery->valid = false;
                    if (delivery->data) {
                        unused.push_back(delivery->data);
                        delivery->data = nullptr;
                    }
                }
            }
        }
        for (NSNotificationDelivery* delivery : dispatchList) {
            if (delivery->valid && matches(delivery->observer)) {
                delivery->valid = false;
            }
        }
        for (auto it = observers.begin(); it != observers.end();) {
            if (matches(*it)) {
                removed.pushBack(*it);
                it = observers.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (NSNotificationData* data : unused) {
        data->release();
    }
}

void NSNotificationCenter::postNotification(cocos2d::Ref* sender, int key, NSNotificationData* data,
                                            void* group, bool nextPass) {
    const int frame = currentFrame();
    CC_SAFE_RETAIN(data);
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        for (NSNotificationObserver* observer : observers) {
            if (observer->owner == sender || observer->key != key || observer->group != group) {
                continue;
            }
            CC_SAFE_RETAIN(data);
            auto* delivery =
                new NSNotificationDelivery{observer, sender, data, key, frame, true, nextSequence};
            ++nextSequence;
            (nextPass ? pendingNextPass : pendingOneByOne).push_back(delivery);
        }
    }
    CC_SAFE_RELEASE(data);
}

void NSNotificationCenter::postInt(cocos2d::Ref* sender, int key, int value, void* group,
                                   bool nextPass) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    auto* data = new NSNotificationData();
    data->intValue = value;
    postNotification(sender, key, data, group, nextPass);
    data->release();
}

void NSNotificationCenter::postString(cocos2d::Ref* sender, int key, const std::string& text,
                                      void* group, bool nextPass) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    auto* data = new NSNotificationData();
    data->stringValue = text;
    postNotification(sender, key, data, group, nextPass);
    data->release();
}

void NSNotificationCenter::postFloat(cocos2d::Ref* sender, int key, float value, void* group,
                                     bool nextPass) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    auto* data = new NSNotificationData();
    data->floatValue = value;
    postNotification(sender, key, data, group, nextPass);
    data->release();
}

void NSNotificationCenter::broadcastInt(int key, int value) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    auto* data = new NSNotificationData();
    data->intValue2 = value;
    postNotification(nullptr, key, data, nullptr, true);
    data->release();
}

void NSNotificationCenter::postLoadedIndex(cocos2d::Ref* sender, int index, void* group) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    auto* data = new NSNotificationData();
    data->indexValue = index;
    postNotification(sender, NOTIFY_SLICE_READY, data, group, true);
    data->release();
}

void NSNotificationCenter::cancelMatching(
    const std::function<bool(const NSNotificationDelivery*)>& matches) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    for (auto* queue : {&pendingOneByOne, &pendingNextPass}) {
        for (NSNotificationDelivery* delivery : *queue) {
            if (delivery->valid && matches(delivery)) {
                delivery->valid = false;
            }
        }
    }
    for (NSNotificationDelivery* delivery : dispatchList) {
        if (delivery->valid && matches(delivery)) {
            delivery->valid = false;
        }
    }
}

void NSNotificationCenter::cancelPending(cocos2d::Ref* sender, int key, void* group) {
    cancelMatching([sender, key, group](const NSNotificationDelivery* delivery) {
        return delivery->sender == sender && delivery->key == key &&
               delivery->observer->group == group;
    });
}

void NSNotificationCenter::cancelPostedInFrame(cocos2d::Ref* sender, int key, void* group) {
    const int frame = currentFrame();
    cancelMatching([sender, key, group, frame](const NSNotificationDelivery* delivery) {
        return delivery->sender == sender && delivery->key == key &&
               delivery->observer->group == group && delivery->frame == frame;
    });
}

void NSNotificationCenter::cancelPendingForOwner(void* owner) {
    cancelMatching([owner](const NSNotificationDelivery* delivery) {
        return delivery->observer->owner == owner;
    });
}

void NSNotificationCenter::deliverPendingTo(void* owner, int key) {
    retain();
    // Delivered where they stand: the next pass frees them, and a removal meanwhile still
    // reaches them.
    std::vector<NSNotificationDelivery*> due;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        for (const auto* queue : {&pendingOneByOne, &pendingNextPass}) {
            for (NSNotificationDelivery* delivery : *queue) {
                due.push_back(delivery);
            }
        }
        due.insert(due.end(), dispatchList.begin(), dispatchList.end());
        due.erase(std::remove_if(due.begin(), due.end(),
                                 [owner, key](const NSNotificationDelivery* delivery) {
                                     return !delivery->valid || delivery->key != key ||
                                            delivery->observer->owner != owner;
                                 }),
                  due.end());
    }
    std::sort(due.begin(), due.end(),
              [](const NSNotificationDelivery* a, const NSNotificationDelivery* b) {
                  return a->sequence < b->sequence;
              });
    for (NSNotificationDelivery* delivery : due) {
        NSNotificationObserver* observer = nullptr;
        {
            std::lock_guard<std::recursive_mutex> guard(lock);
            if (!delivery->valid) {
                continue;
            }
            delivery->valid = false;
            observer = delivery->observer;
            observer->retain();
        }
        if (observer->callback) {
            observer->callback(delivery->sender, static_cast<unsigned>(observer->key),
                               delivery->data);
        }
        observer->release();
    }
    release();
}

int NSNotificationCenter::currentFrame() {
    // The director's frame count belongs to the main thread: other threads stamp their posts
    // with the count the main thread saw last.
    if (std::this_thread::get_id() != mainThread) {
        return lastFrame.load();
    }
    const int frame = static_cast<int>(cocos2d::Director::getInstance()->getTotalFrames());
    lastFrame.store(frame);
    return frame;
}

void NSNotificationCenter::deliverPending(float) {
    // A callback may purge the toolkit's singletons; the centre outlives its own pass.
    const auto keepAlive = cocos2d::RefPtr<NSNotificationCenter>::retained(this);
    currentFrame();
    std::vector<NSNotificationDelivery*> purged;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        for (auto it = pendingOneByOne.begin(); it != pendingOneByOne.end();) {
            if ((*it)->valid) {
                ++it;
            } else {
                purged.push_back(*it);
                it = pendingOneByOne.erase(it);
            }
        }
        if (!pendingOneByOne.empty()) {
            dispatchList.push_back(pendingOneByOne.front());
            pendingOneByOne.pop_front();
        }
        dispatchList.insert(dispatchList.end(), pendingNextPass.begin(), pendingNextPass.end());
        pendingNextPass.clear();
        std::sort(dispatchList.begin(), dispatchList.end(),
                  [](const NSNotificationDelivery* a, const NSNotificationDelivery* b) {
                      return a->sequence < b->sequence;
                  });
    }
    freeDeliveries(purged);

    // Only this pass changes dispatchList; callbacks may only clear `valid` of its entries.
    for (NSNotificationDelivery* delivery : dispatchList) {
        cocos2d::RefPtr<NSNotificationObserver> observer;
        {
            std::lock_guard<std::recursive_mutex> guard(lock);
            if (!delivery->observer || !delivery->valid) {
                continue;
            }
            delivery->valid = false;
            // A callback that removes its own observer must not destroy the running function.
            observer = cocos2d::RefPtr<NSNotificationObserver>::retained(delivery->observer);
        }
        if (observer->callback) {
            observer->callback(delivery->sender, static_cast<unsigned>(observer->key),
                               delivery->data);
        }
    }

    std::vector<NSNotificationDelivery*> finished;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        finished.swap(dispatchList);
    }
    freeDeliveries(finished);
}

}  // namespace NSUI
