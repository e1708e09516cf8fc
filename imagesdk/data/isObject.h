#pragma once

#include <string>

#include "engine/base/Ref.h"

namespace isImageSDK {

// Base of the image library's model objects: an id and the name under which the shared-object
// registry finds the object.
class isObject : public cocos2d::Ref {
public:
    ~isObject() override;

    // Drops owned resources and links.
    virtual void cleanup();
    // Sets id -1 and an empty name.
    virtual bool init();
    // Spare hook without behaviour in any class of the library.
    virtual void reserved();

    std::string getName() const { return name; }
    void setName(const std::string& text) { name = text; }
    int getId() const { return id; }
    void setId(int value) { id = value; }

protected:
    isObject() = default;

    int id = -1;
    std::string name;
};

}  // namespace isImageSDK
