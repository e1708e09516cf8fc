#include "engine/base/Array.h"

#include <new>

namespace cocos2d {

__Array* __Array::create() {
    return createWithCapacity(0);
}

__Array* __Array::createWithCapacity(ssize_t capacity) {
    auto* created = new (std::nothrow) __Array();
    if (created != nullptr) {
        created->_data.reserve(capacity);
        created->autorelease();
    }
    return created;
}

}  // namespace cocos2d
