#pragma once

#include <vector>

#include "engine/base/Ref.h"

namespace isImageSDK {

// Keeps every shape a tool registered alive until the library shuts down. Main thread only.
class isROIManager : public cocos2d::Ref {
public:
    static isROIManager* getInstance();
    // Clears and frees the instance; the next getInstance makes a fresh one.
    static void destroyInstance();

    ~isROIManager() override;
    virtual bool init();
    // Releases every listed shape.
    virtual void clear();

    // True when the shape is listed already (nothing changes); otherwise keeps a reference.
    bool addROI(cocos2d::Ref* roi);
    // Unlists the shape and drops the list's reference; false when it was not listed.
    bool removeROI(cocos2d::Ref* roi);

    // In registration order, one reference each.
    std::vector<cocos2d::Ref*> rois;

protected:
    isROIManager() = default;
};

}  // namespace isImageSDK
