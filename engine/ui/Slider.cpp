#include "engine/ui/Slider.h"

#include <algorithm>
#include <cmath>

#include "engine/base/Touch.h"
#include "engine/ui/Scale9Sprite.h"

namespace cocos2d {
namespace ui {

Slider* Slider::create() {
    auto* slider = new Slider();
    if (slider->init()) {
        slider->autorelease();
        return slider;
    }
    delete slider;
    return nullptr;
}

Slider* Slider::create(const std::string& barTexture, const std::string& ballTexture,
                       TextureResType type) {
    Slider* slider = create();
    if (slider != nullptr) {
        slider->loadBarTexture(barTexture, type);
        slider->loadSlidBallTextures(ballTexture, "", "", type);
    }
    return slider;
}

bool Slider::init() {
    if (!Widget::init()) {
        return false;
    }
    setTouchEnabled(true);
    return true;
}

void Slider::initRenderer() {
    _barRenderer = Scale9Sprite::create();
    _progressBarRenderer = Scale9Sprite::create();
    _barRenderer->setScale9Enabled(false);
    _progressBarRenderer->setScale9Enabled(false);
    _progressBarRenderer->setAnchorPoint(Vec2::ANCHOR_MIDDLE_LEFT);
    addProtectedChild(_barRenderer, -3, -1);
    addProtectedChild(_progressBarRenderer, -2, -1);
    _slidBallNormalRenderer = Scale9Sprite::create();
    _slidBallPressedRenderer = Scale9Sprite::create();
    _slidBallDisabledRenderer = Scale9Sprite::create();
    _slidBallRenderer = Node::create();
    for (Scale9Sprite* ball :
         {_slidBallNormalRenderer, _slidBallPressedRenderer, _slidBallDisabledRenderer}) {
        ball->setScale9Enabled(false);
        ball->setVisible(false);
        _slidBallRenderer->addChild(ball);
    }
    _slidBallRenderer->setCascadeColorEnabled(true);
    _slidBallRenderer->setCascadeOpacityEnabled(true);
    addProtectedChild(_slidBallRenderer, -1, -1);
}

Node* Slider::getSlidBallRenderer() const {
    return _slidBallRenderer;
}

void Slider::loadBarTexture(const std::string& file, TextureResType) {
    if (file.empty() || !_barRenderer->setTexture(file)) {
        return;
    }
    _barFileName = file;
    _barTextureSize = _barRenderer->getOriginalSize();
    _barRenderer->setCapInsets(_capInsets);
    Widget::setContentSize(_customSize);
    placeRenderers();
}

void Slider::loadProgressBarTexture(const std::string& file, TextureResType) {
    if (file.empty() || !_progressBarRenderer->setTexture(file)) {
        return;
    }
    _progressBarFileName = file;
    _progressBarTextureSize = _progressBarRenderer->getOriginalSize();
    _progressBarRenderer->setCapInsets(_capInsets);
    placeRenderers();
}

void Slider::loadSlidBallTextures(const std::string& normal, const std::string& pressed,
                                  const std::string& disabled, TextureResType) {
    struct Entry {
        Scale9Sprite* renderer;
        const std::string& file;
        std::string* name;
    };
    for (const Entry& entry :
         {Entry{_slidBallNormalRenderer, normal, &_ballNormalFileName},
          Entry{_slidBallPressedRenderer, pressed, &_ballPressedFileName},
          Entry{_slidBallDisabledRenderer, disabled, &_ballDisabledFileName}}) {
        if (!entry.file.empty() && entry.renderer->setTexture(entry.file)) {
            *entry.name = entry.file;
            entry.renderer->setContentSize(entry.renderer->getOriginalSize());
        }
    }
    if (!_bright) {
        onPressStateChangedToDisabled();
    } else if (_highlight) {
        onPressStateChangedToPressed();
    } else {
        onPressStateChangedToNormal();
    }
}

void Slider::setScale9Enabled(bool enabled) {
    if (_scale9Enabled == enabled) {
        return;
    }
    _scale9Enabled = enabled;
    _barRenderer->setScale9Enabled(enabled);
    _progressBarRenderer->setScale9Enabled(enabled);
    Widget::ignoreContentAdaptWithSize(!enabled);
    placeRenderers();
}

void Slider::setCapInsets(const Rect& capInsets) {
    _capInsets = capInsets;
    _barRenderer->setCapInsets(capInsets);
    _progressBarRenderer->setCapInsets(capInsets);
}

void Slider::ignoreContentAdaptWithSize(bool ignore) {
    if (!_scale9Enabled || !ignore) {
        Widget::ignoreContentAdaptWithSize(ignore);
    }
}

void Slider::setMaxPercent(int percent) {
    _maxPercent = std::max(percent, 1);
    setPercent(_percent);
}

void Slider::setPercent(int percent) {
    _percent = std::clamp(percent, 0, _maxPercent);
    placeRenderers();
}

int Slider::percentAt(const Vec2& worldPoint) const {
    const Vec2 local = convertToNodeSpace(worldPoint);
    if (_contentSize.width <= 0.0f) {
        return 0;
    }
    return static_cast<int>(std::lround(local.x / _contentSize.width * _maxPercent));
}

bool Slider::hitTest(const Vec2& worldPoint, const Camera* camera, Vec3* nodePoint) const {
    if (Widget::hitTest(worldPoint, camera, nodePoint)) {
        return true;
    }
    for (Node* child : _slidBallRenderer->getChildren()) {
        if (!child->isVisible()) {
            continue;
        }
        const Vec2 local = child->convertToNodeSpace(worldPoint);
        const Size& size = child->getContentSize();
        if (local.x > 0.0f && local.x < size.width && local.y > 0.0f && local.y < size.height) {
            return true;
        }
    }
    return false;
}

bool Slider::onTouchBegan(Touch* touch, Event* event) {
    const bool claimed = Widget::onTouchBegan(touch, event);
    if (_hitted) {
        setPercent(percentAt(_touchBeganPosition));
        percentChangedEvent(EventType::ON_SLIDEBALL_DOWN);
    }
    return claimed;
}

void Slider::onTouchMoved(Touch* touch, Event* event) {
    Widget::onTouchMoved(touch, event);
    setPercent(percentAt(_touchMovePosition));
    percentChangedEvent(EventType::ON_PERCENTAGE_CHANGED);
}

void Slider::onTouchEnded(Touch* touch, Event* event) {
    Widget::onTouchEnded(touch, event);
    percentChangedEvent(EventType::ON_PERCENTAGE_CHANGED);
    percentChangedEvent(EventType::ON_SLIDEBALL_UP);
}

void Slider::percentChangedEvent(EventType event) {
    retain();
    if (_eventCallback) {
        _eventCallback(this, event);
    }
    release();
}

void Slider::onSizeChanged() {
    Widget::onSizeChanged();
    placeRenderers();
}

void Slider::placeRenderers() {
    const float width = _contentSize.width;
    const float height = _contentSize.height;
    const float fraction = static_cast<float>(_percent) / static_cast<float>(_maxPercent);
    _barRenderer->setPosition(Vec2(width * 0.5f, height * 0.5f));
    _barRenderer->setContentSize(_contentSize);
    _progressBarRenderer->setPosition(Vec2(0.0f, height * 0.5f));
    const float progressHeight = _ignoreSize && _progressBarTextureSize.height > 0.0f
                                     ? _progressBarTextureSize.height
                                     : height;
    _progressBarRenderer->setContentSize(Size(width * fraction, progressHeight));
    _slidBallRenderer->setPosition(Vec2(width * fraction, height * 0.5f));
}

void Slider::showBall(Scale9Sprite* shown) {
    for (Scale9Sprite* ball :
         {_slidBallNormalRenderer, _slidBallPressedRenderer, _slidBallDisabledRenderer}) {
        ball->setVisible(ball == shown);
    }
}

void Slider::onPressStateChangedToNormal() {
    showBall(_ballNormalFileName.empty() ? nullptr : _slidBallNormalRenderer);
}

void Slider::onPressStateChangedToPressed() {
    if (_ballPressedFileName.empty()) {
        onPressStateChangedToNormal();
    } else {
        showBall(_slidBallPressedRenderer);
    }
}

void Slider::onPressStateChangedToDisabled() {
    if (_ballDisabledFileName.empty()) {
        onPressStateChangedToNormal();
    } else {
        showBall(_slidBallDisabledRenderer);
    }
}

Node* Slider::getVirtualRenderer() {
    return _barRenderer;
}

std::string Slider::getDescription() const {
    return "Slider";
}

Widget* Slider::createCloneInstance() {
    return Slider::create();
}

void Slider::copySpecialProperties(Widget* model) {
    auto* slider = dynamic_cast<Slider*>(model);
    if (slider == nullptr) {
        return;
    }
    setScale9Enabled(slider->_scale9Enabled);
    setCapInsets(slider->_capInsets);
    loadBarTexture(slider->_barFileName);
    loadProgressBarTexture(slider->_progressBarFileName);
    loadSlidBallTextures(slider->_ballNormalFileName, slider->_ballPressedFileName,
                         slider->_ballDisabledFileName);
    setMaxPercent(slider->_maxPercent);
    setPercent(slider->_percent);
    _eventCallback = slider->_eventCallback;
}

}  // namespace ui
}  // namespace cocos2d
