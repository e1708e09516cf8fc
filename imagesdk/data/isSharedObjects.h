#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "imagesdk/data/isObject.h"

namespace isImageSDK {

// Registry through which screens hand image-library objects to one another by name. A worker
// thread registers while the main thread may look up, so every operation takes the lock;
// releases happen outside it.
class isSharedObjects : public cocos2d::Ref {
public:
    static isSharedObjects* getInstance();

    ~isSharedObjects() override;
    virtual bool init();
    // Releases every listed object.
    virtual void clear();

    // True when the object is listed already (nothing changes); otherwise keeps a reference.
    bool addObject(cocos2d::Ref* object);
    // The first object registered under that name; no reference is added.
    isObject* getObject(const std::string& name);
    // Drops the first object registered under that name.
    void removeObject(const std::string& name);

protected:
    isSharedObjects() = default;

private:
    std::mutex lock;
    std::vector<cocos2d::Ref*> objects;
};

// Library shutdown: frees the registry and the ROI manager and empties the hanging-protocol
// list. Later getInstance calls start afresh.
void releaseSharedObjects();

}  // namespace isImageSDK
