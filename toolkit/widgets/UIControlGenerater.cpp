#include "toolkit/widgets/UIControlGenerater.h"

#include <algorithm>
#include <utility>

#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/ImageView.h"
#include "toolkit/widgets/NSTextField.h"

namespace NSUI {

namespace {

cocos2d::TextureCache* textureCache() {
    return cocos2d::Director::getInstance()->getTextureCache();
}

// The smaller of the two box-to-picture ratios. False for a picture without area (one that
// could not be loaded), which is left unscaled rather than scaled by a division by zero.
bool fitScale(const cocos2d::Size& box, const cocos2d::Size& picture, float& scale) {
    if (picture.width <= 0.0f || picture.height <= 0.0f) {
        return false;
    }
    scale = std::min(box.width / picture.width, box.height / picture.height);
    return true;
}

void applyToImageView(cocos2d::ui::ImageView* view, const std::string& path, int mode,
                      const cocos2d::Size& box) {
    view->loadTexture(path, cocos2d::ui::Widget::TextureResType::LOCAL);
    if (mode != 1) {
        return;
    }
    float scale = 1.0f;
    if (fitScale(box, view->getVirtualRendererSize(), scale)) {
        view->setScale(scale);
    }
}

void applyToSprite(cocos2d::Sprite* sprite, const std::string& path, int mode,
                   const cocos2d::Size& box, float factor) {
    sprite->setTexture(path);
    if (mode != 1) {
        return;
    }
    float scale = 1.0f;
    if (fitScale(box, sprite->getTextureRect().size, scale)) {
        sprite->setScale(scale * factor, scale);
    }
}

}  // namespace

UIControlGenerater::UIControlGenerater() : _self(std::make_shared<UIControlGenerater*>(this)) {}

UIControlGenerater::~UIControlGenerater() {
    _self.reset();
    for (auto& record : queue) {
        record.target->release();
    }
    queue.clear();
    if (current.target != nullptr) {
        current.target->release();
        current.target = nullptr;
    }
}

void UIControlGenerater::loadImageViewFitted(cocos2d::ui::ImageView* view, const std::string& path,
                                             const cocos2d::Size& box) {
    if (view == nullptr) {
        return;
    }
    if (textureCache()->getTextureForKey(path) != nullptr) {
        applyToImageView(view, path, 1, box);
        return;
    }
    enqueue({path, view, true, 1, box, 1.0f});
}

void UIControlGenerater::loadSpriteImage(cocos2d::Sprite* sprite, const std::string& path,
                                         const cocos2d::Size& box, float factor) {
    if (sprite == nullptr) {
        return;
    }
    if (textureCache()->getTextureForKey(path) != nullptr) {
        applyToSprite(sprite, path, 1, box, factor);
        return;
    }
    enqueue({path, sprite, false, 1, box, factor});
}

void UIControlGenerater::loadImageView(cocos2d::ui::ImageView* view, const std::string& path) {
    if (view == nullptr) {
        return;
    }
    enqueue({path, view, true, 0, cocos2d::Size::ZERO, 1.0f});
}

void UIControlGenerater::enqueue(ImageLoadRecord record) {
    record.target->retain();
    queue.push_back(std::move(record));
}

void UIControlGenerater::loadNextImage() {
    if (queue.empty() || current.target != nullptr) {
        return;
    }
    current = std::move(queue.front());
    queue.pop_front();
    std::weak_ptr<UIControlGenerater*> self = _self;
    // A cached picture completes inside this call.
    textureCache()->addImageAsync(current.path, [self](cocos2d::Texture2D* texture) {
        if (auto loader = self.lock()) {
            (*loader)->onImageLoaded(texture);
        }
    });
}

void UIControlGenerater::onImageLoaded(cocos2d::Texture2D*) {
    if (current.target == nullptr) {
        return;
    }
    ImageLoadRecord record = std::move(current);
    current = ImageLoadRecord();
    apply(record);
    record.target->release();
}

void UIControlGenerater::apply(const ImageLoadRecord& record) {
    if (record.isImageView) {
        applyToImageView(static_cast<cocos2d::ui::ImageView*>(record.target), record.path,
                         record.mode, record.boxSize);
    } else {
        applyToSprite(static_cast<cocos2d::Sprite*>(record.target), record.path, record.mode,
                      record.boxSize, record.scaleXFactor);
    }
}

NSTextField* UIControlGenerater::createTextField(const std::string& placeholder,
                                                 const cocos2d::Vec2& position, int fontSize,
                                                 const cocos2d::Vec2& anchorPoint) {
    NSTextField* field = NSTextField::create(cocos2d::Size(150.0f, static_cast<float>(fontSize)));
    if (field == nullptr) {
        return nullptr;
    }
    field->setPlaceHolder(placeholder);
    field->setPosition(position);
    field->setAnchorPoint(anchorPoint);
    // Re-renders the placeholder or the text, so the size takes effect.
    field->setFontSize(fontSize);
    return field;
}

}  // namespace NSUI
