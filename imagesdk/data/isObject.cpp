#include "imagesdk/data/isObject.h"

namespace isImageSDK {

isObject::~isObject() = default;

void isObject::cleanup() {}

bool isObject::init() {
    id = -1;
    name.clear();
    return true;
}

void isObject::reserved() {}

}  // namespace isImageSDK
