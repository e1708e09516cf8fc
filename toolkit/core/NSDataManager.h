#pragma once

#include "engine/base/Ref.h"
#include "engine/base/Vector.h"
#include "toolkit/core/NSDatas.h"

namespace NSUI {

// Ticks every registered data source on the main thread: once a second, the first time half a
// second after the tick is enabled.
class NSDataManager : public cocos2d::Ref {
public:
    // Created on first use; the toolkit keeps one reference until destroyInstance.
    static NSDataManager* getInstance();
    // Removes every source, then drops the toolkit's reference and forgets the manager.
    static void destroyInstance();

    ~NSDataManager() override;

    virtual bool init();
    // Cancels the pending service calls of every source, releases them all and stops the tick.
    virtual void removeAll();

    // Schedules or unschedules the tick; a call that does not change the state does nothing.
    void setUpdateEnabled(bool enable);

    // The registered sources, in registration order; a source appends itself.
    cocos2d::Vector<NSDatas*> items;

protected:
    NSDataManager() = default;

private:
    void tick(float dt);
    void unscheduleTick();

    bool updateEnabled = false;
};

}  // namespace NSUI
