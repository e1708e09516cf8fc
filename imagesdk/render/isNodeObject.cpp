#include "imagesdk/render/isNodeObject.h"

namespace isImageSDK {

isNodeObject::~isNodeObject() = default;

void isNodeObject::forgetLinks() {}

}  // namespace isImageSDK
