#pragma once

#include "engine/base/Ref.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/net/UIHttpPhisical.h"

#include <functional>
#include <string>

namespace NSUI {

// Base of the data sources that poll a web service in the background. A source appends itself
// (retained) to NSDataManager's items in its own init, after calling this init; the manager
// then calls update once per tick. A source counts ticks in tickCount and does one work cycle
// whenever it reaches updatePeriod, then starts counting from 0 again.
class NSDatas : public cocos2d::Ref, public UIJson, public UIHttpPhisical {
public:
    // Receives the source's status text.
    using Callback = std::function<void(const std::string& status)>;

    NSDatas() = default;
    // Drops the source's pending service calls, so that none is answered after it is gone.
    ~NSDatas() override;

    // Makes the source the owner of its own service calls.
    virtual bool init();
    // Drops every queued service call and undelivered answer of this source.
    virtual void cancelRequests();
    // One manager tick; dt is the time since the previous one. The base does nothing.
    virtual void update(float dt);
    virtual void setSuccessCallback(const Callback& callback);
    virtual void setFailureCallback(const Callback& callback);

protected:
    int updatePeriod = 0;
    int tickCount = 0;
    std::string statusText;
    Callback successCallback;
    Callback failureCallback;

private:
    void cancelOwnRequests();
};

}  // namespace NSUI
