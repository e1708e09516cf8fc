#include "toolkit/widgets/NSInteractorImage.h"

#include <new>

#include "engine/ui/ImageView.h"
#include "toolkit/widgets/NSSpriteView.h"

namespace NSUI {

NSInteractorImage* NSInteractorImage::create() {
    auto* interactor = new (std::nothrow) NSInteractorImage();
    if (interactor == nullptr || !interactor->init()) {
        delete interactor;
        return nullptr;
    }
    interactor->autorelease();
    return interactor;
}

NSInteractorImage::~NSInteractorImage() {
    // Not retained, so the base must not release it.
    target = nullptr;
}

void NSInteractorImage::setTarget(cocos2d::Node* node) {
    target = node;
}

void NSInteractorImage::clearTarget() {
    target = nullptr;
}

void NSInteractorImage::onPinch(float factor) {
    auto* view = dynamic_cast<NSSpriteView*>(target);
    if (view == nullptr) {
        return;
    }
    cocos2d::ui::ImageView* picture = view->getImageView();
    const float scale = picture->getScale();
    if ((scale < kMinScale && factor < 1.0f) || (scale > kMaxScale && factor > 1.0f)) {
        return;
    }
    picture->setScale(scale * factor);
}

void NSInteractorImage::onTwoFingerPan(const cocos2d::Vec2& step) {
    if (auto* view = dynamic_cast<NSSpriteView*>(target)) {
        view->panBy(step.x, step.y);
    }
}

void NSInteractorImage::onDrag(const cocos2d::Vec2& step, float) {
    if (auto* view = dynamic_cast<NSSpriteView*>(target)) {
        view->panBy(step.x, step.y);
    }
}

}  // namespace NSUI
