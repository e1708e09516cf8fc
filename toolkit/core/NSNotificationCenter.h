#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/base/Vector.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotifyKeys.h"

namespace cocos2d {
class Director;
}

namespace NSUI {

using NSNotificationCallback =
    std::function<void(cocos2d::Ref* sender, unsigned key, NSNotificationData* data)>;

// One registration with the centre.
class NSNotificationObserver : public cocos2d::Ref {
public:
    NSNotificationObserver() = default;
    ~NSNotificationObserver() override;

    NSNotificationCallback callback;
    int key = 0;
    // Null is a group of its own.
    void* group = nullptr;
    // Posts whose sender is the owner are not delivered to it.
    void* owner = nullptr;
};

struct NSNotificationDelivery;

// The process-wide notification centre. Any thread may post; observers run on the engine's
// main thread, called by a delivery pass that the scheduler runs every frame, never under the
// centre's lock. Each pass delivers every post marked for the next pass and the oldest ordinary
// post, all in posting order.
class NSNotificationCenter : public cocos2d::Ref {
public:
    // Made on first use (on the main thread); the toolkit keeps one reference.
    static NSNotificationCenter* getInstance();
    // The centre when one exists, else null: for destructors, which must not make a centre
    // while the director is being purged.
    static NSNotificationCenter* getExistingInstance();
    // Drops the toolkit's reference and forgets the centre; a later getInstance makes a new one.
    static void destroyInstance();

    ~NSNotificationCenter() override;

    // Ignored when the owner already observes that key in that group.
    void addObserver(void* owner, void* group, const NSNotificationCallback& callback, int key);
    // Removes every observer whose owner or group is the object and cancels its deliveries.
    void removeObserver(void* object);
    // The same, limited to observers of the key.
    void removeObserverForKey(int key, void* object);
    void removeObserverForKey(void* object, int key) { removeObserverForKey(key, object); }

    // Queues one delivery per observer of the key in exactly that group (pointer equality) whose
    // owner is not the sender. The data is retained until delivered and may be null.
    void postNotification(cocos2d::Ref* sender, int key, NSNotificationData* data, void* group,
                          bool nextPass);
    void postInt(cocos2d::Ref* sender, int key, int value, void* group, bool nextPass);
    void postString(cocos2d::Ref* sender, int key, const std::string& text, void* group,
                    bool nextPass);
    void postFloat(cocos2d::Ref* sender, int key, float value, void* group, bool nextPass);
    // intValue2, no sender, no group, next pass.
    void broadcastInt(int key, int value);
    // A slice has been loaded: NOTIFY_SLICE_READY, indexValue, next pass.
    void postLoadedIndex(cocos2d::Ref* sender, int index, void* group);

    // Cancels the undelivered deliveries of that sender and key to observers of that group.
    void cancelPending(cocos2d::Ref* sender, int key, void* group);
    // The same, limited to deliveries posted in the current director frame.
    void cancelPostedInFrame(cocos2d::Ref* sender, int key, void* group);
    void cancelPendingForOwner(void* owner);
    // Main thread: delivers at once, in posting order, whatever is still to be delivered of that
    // key to the owner's observers, so that an owner about to go handles what was posted to it.
    void deliverPendingTo(void* owner, int key);

protected:
    NSNotificationCenter();

private:
    NSNotificationCenter(const NSNotificationCenter&) = delete;
    NSNotificationCenter& operator=(const NSNotificationCenter&) = delete;

    // On the director's scheduler, unless it is there already.
    void scheduleDeliveryPass(cocos2d::Director* director);
    void deliverPending(float dt);
    int currentFrame();
    void removeMatching(const std::function<bool(const NSNotificationObserver*)>& matches);
    void cancelMatching(const std::function<bool(const NSNotificationDelivery*)>& matches);

    cocos2d::Vector<NSNotificationObserver*> observers;
    std::recursive_mutex lock;
    std::list<NSNotificationDelivery*> pendingOneByOne;
    std::list<NSNotificationDelivery*> pendingNextPass;
    std::vector<NSNotificationDelivery*> dispatchList;
    int nextSequence = 0;
    // The centre is made on the main thread; see currentFrame.
    const std::thread::id mainThread;
    std::atomic<int> lastFrame{0};
};

}  // namespace NSUI
