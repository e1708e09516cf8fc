#include "engine/2d/Layer.h"

#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/base/Macros.h"
#include "engine/renderer/Renderer.h"

namespace cocos2d {

Layer::Layer() {
    _ignoreAnchorPointForPosition = true;
    setAnchorPoint(Vec2(0.5f, 0.5f));
}

Layer::~Layer() {
    if (_eventDispatcher != nullptr) {
        if (_touchListener != nullptr) {
            _eventDispatcher->removeEventListener(_touchListener);
        }
        if (_keyboardListener != nullptr) {
            _eventDispatcher->removeEventListener(_keyboardListener);
        }
    }
    CC_SAFE_RELEASE_NULL(_touchListener);
    CC_SAFE_RELEASE_NULL(_keyboardListener);
}

Layer* Layer::create() {
    auto* layer = new Layer();
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    delete layer;
    return nullptr;
}

bool Layer::init() {
    setContentSize(Director::getInstance()->getWinSize());
    return true;
}

bool Layer::onTouchBegan(Touch* /*touch*/, Event* /*event*/) {
    return false;
}

void Layer::onTouchMoved(Touch* /*touch*/, Event* /*event*/) {}
void Layer::onTouchEnded(Touch* /*touch*/, Event* /*event*/) {}
void Layer::onTouchCancelled(Touch* /*touch*/, Event* /*event*/) {}
void Layer::onTouchesBegan(const std::vector<Touch*>& /*touches*/, Event* /*event*/) {}
void Layer::onTouchesMoved(const std::vector<Touch*>& /*touches*/, Event* /*event*/) {}
void Layer::onTouchesEnded(const std::vector<Touch*>& /*touches*/, Event* /*event*/) {}
void Layer::onTouchesCancelled(const std::vector<Touch*>& /*touches*/, Event* /*event*/) {}
void Layer::onKeyPressed(EventKeyboard::KeyCode /*keyCode*/, Event* /*event*/) {}
void Layer::onKeyReleased(EventKeyboard::KeyCode /*keyCode*/, Event* /*event*/) {}

void Layer::setTouchEnabled(bool enabled) {
    if (_touchEnabled == enabled) {
        return;
    }
    _touchEnabled = enabled;
    if (_touchListener != nullptr) {
        _eventDispatcher->removeEventListener(_touchListener);
        CC_SAFE_RELEASE_NULL(_touchListener);
    }
    if (!enabled) {
        return;
    }
    if (_touchMode == Touch::DispatchMode::ALL_AT_ONCE) {
        auto* listener = EventListenerTouchAllAtOnce::create();
        listener->onTouchesBegan = CC_CALLBACK_2(Layer::onTouchesBegan, this);
        listener->onTouchesMoved = CC_CALLBACK_2(Layer::onTouchesMoved, this);
        listener->onTouchesEnded = CC_CALLBACK_2(Layer::onTouchesEnded, this);
        listener->onTouchesCancelled = CC_CALLBACK_2(Layer::onTouchesCancelled, this);
        _touchListener = listener;
    } else {
        auto* listener = EventListenerTouchOneByOne::create();
        listener->setSwallowTouches(_swallowsTouches);
        listener->onTouchBegan = CC_CALLBACK_2(Layer::onTouchBegan, this);
        listener->onTouchMoved = CC_CALLBACK_2(Layer::onTouchMoved, this);
        listener->onTouchEnded = CC_CALLBACK_2(Layer::onTouchEnded, this);
        listener->onTouchCancelled = CC_CALLBACK_2(Layer::onTouchCancelled, this);
        _touchListener = listener;
    }
    _touchListener->retain();
    _eventDispatcher->addEventListenerWithSceneGraphPriority(_touchListener, this);
}

void Layer::setTouchMode(Touch::DispatchMode mode) {
    if (_touchMode == mode) {
        return;
    }
    _touchMode = mode;
    if (_touchEnabled) {
        setTouchEnabled(false);
        setTouchEnabled(true);
    }
}

void Layer::setSwallowsTouches(bool swallowsTouches) {
    if (_swallowsTouches == swallowsTouches) {
        return;
    }
    _swallowsTouches = swallowsTouches;
    if (_touchEnabled) {
        setTouchEnabled(false);
        setTouchEnabled(true);
    }
}

void Layer::setKeyboardEnabled(bool enabled) {
    if (_keyboardEnabled == enabled) {
        return;
    }
    _keyboardEnabled = enabled;
    if (_keyboardListener != nullptr) {
        _eventDispatcher->removeEventListener(_keyboardListener);
        CC_SAFE_RELEASE_NULL(_keyboardListener);
    }
    if (!enabled) {
        return;
    }
    _keyboardListener = EventListenerKeyboard::create();
    _keyboardListener->onKeyPressed = CC_CALLBACK_2(Layer::onKeyPressed, this);
    _keyboardListener->onKeyReleased = CC_CALLBACK_2(Layer::onKeyReleased, this);
    _keyboardListener->retain();
    _eventDispatcher->addEventListenerWithSceneGraphPriority(_keyboardListener, this);
}

LayerColor* LayerColor::create() {
    auto* layer = new LayerColor();
    if (layer->init()) {
        layer->autorelease();
        return layer;
    }
    delete layer;
    return nullptr;
}

LayerColor* LayerColor::create(const Color4B& color) {
    auto* layer = new LayerColor();
    if (layer->initWithColor(color)) {
        layer->autorelease();
        return layer;
    }
    delete layer;
    return nullptr;
}

LayerColor* LayerColor::create(const Color4B& color, float width, float height) {
    auto* layer = new LayerColor();
    if (layer->initWithColor(color, width, height)) {
        layer->autorelease();
        return layer;
    }
    delete layer;
    return nullptr;
}

bool LayerColor::init() {
    const Size size = Director::getInstance()->getWinSize();
    return initWithColor(Color4B(0, 0, 0, 0), size.width, size.height);
}

bool LayerColor::initWithColor(const Color4B& color) {
    const Size size = Director::getInstance()->getWinSize();
    return initWithColor(color, size.width, size.height);
}

bool LayerColor::initWithColor(const Color4B& color, float width, float height) {
    if (!Layer::init()) {
        return false;
    }
    _displayedColor = _realColor = Color3B(color.r, color.g, color.b);
    _displayedOpacity = _realOpacity = color.a;
    setContentSize(Size(width, height));
    updateColor();
    return true;
}

void LayerColor::changeWidth(float width) {
    setContentSize(Size(width, _contentSize.height));
}

void LayerColor::changeHeight(float height) {
    setContentSize(Size(_contentSize.width, height));
}

void LayerColor::changeWidthAndHeight(float width, float height) {
    setContentSize(Size(width, height));
}

void LayerColor::setContentSize(const Size& size) {
    Layer::setContentSize(size);
    _quad[0].vertices = Vec3(0.0f, 0.0f, 0.0f);
    _quad[1].vertices = Vec3(size.width, 0.0f, 0.0f);
    _quad[2].vertices = Vec3(0.0f, size.height, 0.0f);
    _quad[3].vertices = Vec3(size.width, size.height, 0.0f);
}

void LayerColor::updateColor() {
    const Color4B color(_displayedColor.r, _displayedColor.g, _displayedColor.b, _displayedOpacity);
    for (V3F_C4B_T2F& vertex : _quad) {
        vertex.colors = color;
    }
}

void LayerColor::draw(Renderer* renderer, const Mat4& transform, uint32_t flags) {
    TrianglesCommand::Triangles triangles;
    triangles.verts = _quad;
    triangles.indices = _indices;
    triangles.vertCount = 4;
    triangles.indexCount = 6;
    _command.init(_globalZOrder, 0, nullptr, _blendFunc, triangles, transform, flags);
    renderer->addCommand(&_command);
}

}  // namespace cocos2d
