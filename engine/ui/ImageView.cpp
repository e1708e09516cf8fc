#include "engine/ui/ImageView.h"

#include "engine/ui/Scale9Sprite.h"

namespace cocos2d {
namespace ui {

ImageView* ImageView::create() {
    auto* view = new ImageView();
    if (view->init()) {
        view->autorelease();
        return view;
    }
    delete view;
    return nullptr;
}

ImageView* ImageView::create(const std::string& file, TextureResType type) {
    auto* view = new ImageView();
    if (view->init(file, type)) {
        view->autorelease();
        return view;
    }
    delete view;
    return nullptr;
}

bool ImageView::init() {
    return Widget::init();
}

bool ImageView::init(const std::string& file, TextureResType type) {
    if (!Widget::init()) {
        return false;
    }
    loadTexture(file, type);
    return !_textureFile.empty();
}

void ImageView::initRenderer() {
    _imageRenderer = Scale9Sprite::create();
    _imageRenderer->setScale9Enabled(false);
    addProtectedChild(_imageRenderer, -1, -1);
}

void ImageView::loadTexture(const std::string& file, TextureResType) {
    if (file.empty() || !_imageRenderer->setTexture(file)) {
        return;
    }
    _textureFile = file;
    _imageTextureSize = _imageRenderer->getOriginalSize();
    _imageRenderer->setCapInsets(_capInsets);
    Widget::setContentSize(_customSize);
    placeRenderer();
}

void ImageView::setScale9Enabled(bool enabled) {
    if (_scale9Enabled == enabled) {
        return;
    }
    _scale9Enabled = enabled;
    _imageRenderer->setScale9Enabled(enabled);
    ignoreContentAdaptWithSize(!enabled);
}

void ImageView::setCapInsets(const Rect& capInsets) {
    _capInsets = capInsets;
    _imageRenderer->setCapInsets(capInsets);
}

void ImageView::ignoreContentAdaptWithSize(bool ignore) {
    if (!_scale9Enabled || !ignore) {
        Widget::ignoreContentAdaptWithSize(ignore);
    }
}

void ImageView::onSizeChanged() {
    Widget::onSizeChanged();
    placeRenderer();
}

void ImageView::placeRenderer() {
    _imageRenderer->setContentSize(_ignoreSize ? _imageTextureSize : _contentSize);
    _imageRenderer->setPosition(Vec2(_contentSize.width * 0.5f, _contentSize.height * 0.5f));
}

Node* ImageView::getVirtualRenderer() {
    return _imageRenderer;
}

std::string ImageView::getDescription() const {
    return "ImageView";
}

Widget* ImageView::createCloneInstance() {
    return ImageView::create();
}

void ImageView::copySpecialProperties(Widget* model) {
    auto* view = dynamic_cast<ImageView*>(model);
    if (view == nullptr) {
        return;
    }
    setScale9Enabled(view->_scale9Enabled);
    setCapInsets(view->_capInsets);
    loadTexture(view->_textureFile);
}

}  // namespace ui
}  // namespace cocos2d
