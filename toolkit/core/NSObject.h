#pragma once

#include "engine/base/Ref.h"

namespace NSUI {

// Root of the toolkit's reference-counted value objects.
class NSObject : public cocos2d::Ref {
public:
    NSObject() = default;
    ~NSObject() override;
};

}  // namespace NSUI
