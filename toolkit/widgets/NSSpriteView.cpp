#include "toolkit/widgets/NSSpriteView.h"

#include <cmath>
#include <new>

#include "engine/base/EventDispatcher.h"
#include "engine/base/Macros.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/ImageView.h"
#include "toolkit/widgets/NSInteractorImage.h"

namespace NSUI {

using cocos2d::Event;
using cocos2d::Touch;
using cocos2d::Vec2;

namespace {

const char* const kNoPicture = "UIRes/noPicture.png";

}  // namespace

NSSpriteView* NSSpriteView::create() {
    auto* view = new (std::nothrow) NSSpriteView();
    if (view == nullptr || !view->init()) {
        delete view;
        return nullptr;
    }
    view->autorelease();
    return view;
}

NSSpriteView::~NSSpriteView() {
    releaseTouchHandling();
}

bool NSSpriteView::init() {
    if (!NSLayout::init()) {
        return false;
    }
    imageView = cocos2d::ui::ImageView::create();
    addChild(imageView);
    imagePath.clear();
    setClippingEnabled(true);

    touchListener = cocos2d::EventListenerTouchAllAtOnce::create();
    touchListener->onTouchesBegan = [this](const std::vector<Touch*>& touches, Event* event) {
        onTouchesBegan(touches, event);
    };
    touchListener->onTouchesMoved = [this](const std::vector<Touch*>& touches, Event* event) {
        onTouchesMoved(touches, event);
    };
    touchListener->onTouchesEnded = [this](const std::vector<Touch*>& touches, Event* event) {
        onTouchesEnded(touches, event);
    };
    touchListener->onTouchesCancelled = [this](const std::vector<Touch*>& touches, Event* event) {
        onTouchesCancelled(touches, event);
    };
    _eventDispatcher->addEventListenerWithFixedPriority(touchListener, 100);
    // Touches come through the listener above, not through the widget's own one.
    _touchEnabled = true;

    interactor = NSInteractorImage::create();
    interactor->retain();
    interactor->setTarget(this);
    return true;
}

void NSSpriteView::cleanup() {
    NSLayout::cleanup();
    releaseTouchHandling();
}

void NSSpriteView::releaseTouchHandling() {
    if (touchListener != nullptr) {
        _eventDispatcher->removeEventListener(touchListener);
        touchListener = nullptr;
    }
    if (interactor != nullptr) {
        interactor->clearTarget();
        CC_SAFE_RELEASE_NULL(interactor);
    }
}

void NSSpriteView::setImage(const std::string& path) {
    imagePath = path;
    const cocos2d::Size& size = getContentSize();
    imageView->setPosition(Vec2(size.width * 0.5f, size.height * 0.5f));
    if (cocos2d::FileUtils::getInstance()->isFileExist(path)) {
        loadImageViewFitted(imageView, path, size);
    } else {
        imagePath = kNoPicture;
        imageView->setScale(1.0f);
        loadImageView(imageView, imagePath);
    }
}

void NSSpriteView::panBy(float dx, float dy) {
    imageView->setPosition(imageView->getPosition() + Vec2(dx, dy));
}

bool NSSpriteView::onMouseScroll(float, float, float scrollY) {
    if (!isTouchEnabled()) {
        return false;
    }
    const double scale = imageView->getScale();
    if (scrollY < 0.0f) {
        imageView->setScale(static_cast<float>(scale * 1.1));
    } else if (scrollY > 0.0f) {
        imageView->setScale(static_cast<float>(scale * 0.9));
    }
    return true;
}

bool NSSpriteView::onMouseDown(float, float) {
    return isTouchEnabled();
}

bool NSSpriteView::onMouseMove(float x, float y) {
    if (!isTouchEnabled()) {
        return false;
    }
    const Vec2 step = Vec2(x, y) - previousMousePoint;
    if (rightButtonDown) {
        if (std::fabs(step.x) < std::fabs(step.y)) {
            const float factor = step.y > 0.0f ? 1.05f : 0.95f;
            const float scale = imageView->getScale();
            const bool blocked = (scale < NSInteractorImage::kMinScale && factor < 1.0f) ||
                                 (scale > NSInteractorImage::kMaxScale && factor > 1.0f);
            if (!blocked) {
                imageView->setScale(scale * factor);
            }
        }
        return true;
    }
    if (leftButtonDown) {
        // The left button is also touch 0: while the interactor follows that touch it pans the
        // picture already.
        const bool touchPans = interactor != nullptr && interactor->isOwningCapture() &&
                               NSInteractorBase::isCapturing();
        if (!touchPans) {
            panBy(step.x, step.y);
        }
        return true;
    }
    return false;
}

void NSSpriteView::onTouchesBegan(const std::vector<Touch*>& touches, Event*) {
    // Like the mouse; a gesture already under way still ends normally.
    if (!isTouchEnabled()) {
        return;
    }
    interactor->touchesBegan(touches);
}

void NSSpriteView::onTouchesMoved(const std::vector<Touch*>& touches, Event*) {
    interactor->touchesMoved(touches);
}

void NSSpriteView::onTouchesEnded(const std::vector<Touch*>& touches, Event*) {
    interactor->touchesEnded(touches);
}

void NSSpriteView::onTouchesCancelled(const std::vector<Touch*>& touches, Event*) {
    interactor->touchesCancelled(touches);
}

}  // namespace NSUI
