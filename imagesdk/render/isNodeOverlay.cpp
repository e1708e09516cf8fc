#include "imagesdk/render/isNodeOverlay.h"

namespace isImageSDK {

isNodeOverlay::~isNodeOverlay() = default;

void isNodeOverlay::overlayReserved() {}

}  // namespace isImageSDK
