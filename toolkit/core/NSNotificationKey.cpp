#include "toolkit/core/NSNotificationKey.h"

namespace NSUI {

NSNotificationKey::~NSNotificationKey() = default;

void NSNotificationKey::setNotificationKey(unsigned key, void* group) {
    this->key = key;
    this->group = group;
}

}  // namespace NSUI
