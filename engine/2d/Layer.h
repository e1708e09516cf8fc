#pragma once

#include <vector>

#include "engine/2d/Node.h"
#include "engine/base/Event.h"
#include "engine/base/EventKeyboard.h"
#include "engine/base/Touch.h"
#include "engine/renderer/TrianglesCommand.h"

namespace cocos2d {

class EventListener;
class EventListenerKeyboard;

// A full-window node (its content size is the window's) with the legacy input API: enabling
// touches or the keyboard registers a scene-graph listener that calls the virtual handlers.
class Layer : public Node {
public:
    static Layer* create();
    bool init() override;

    virtual bool onTouchBegan(Touch* touch, Event* event);
    virtual void onTouchMoved(Touch* touch, Event* event);
    virtual void onTouchEnded(Touch* touch, Event* event);
    virtual void onTouchCancelled(Touch* touch, Event* event);
    virtual void onTouchesBegan(const std::vector<Touch*>& touches, Event* event);
    virtual void onTouchesMoved(const std::vector<Touch*>& touches, Event* event);
    virtual void onTouchesEnded(const std::vector<Touch*>& touches, Event* event);
    virtual void onTouchesCancelled(const std::vector<Touch*>& touches, Event* event);

    virtual bool isTouchEnabled() const { return _touchEnabled; }
    virtual void setTouchEnabled(bool enabled);
    // Takes effect on the next enabling of touches.
    virtual void setTouchMode(Touch::DispatchMode mode);
    virtual Touch::DispatchMode getTouchMode() const { return _touchMode; }
    virtual void setSwallowsTouches(bool swallowsTouches);
    virtual bool isSwallowsTouches() const { return _swallowsTouches; }

    virtual bool isKeyboardEnabled() const { return _keyboardEnabled; }
    virtual void setKeyboardEnabled(bool enabled);
    virtual void onKeyPressed(EventKeyboard::KeyCode keyCode, Event* event);
    virtual void onKeyReleased(EventKeyboard::KeyCode keyCode, Event* event);

protected:
    Layer();
    ~Layer() override;

    bool _touchEnabled = false;
    bool _keyboardEnabled = false;
    EventListener* _touchListener = nullptr;
    EventListenerKeyboard* _keyboardListener = nullptr;
    Touch::DispatchMode _touchMode = Touch::DispatchMode::ALL_AT_ONCE;
    bool _swallowsTouches = true;
};

// A layer filled with one colour: one quad of two triangles, queued as a TrianglesCommand
// without texture or program state (the backend draws it with its position-colour program).
// The displayed opacity multiplies the colour's alpha.
class LayerColor : public Layer {
public:
    static LayerColor* create();
    static LayerColor* create(const Color4B& color);
    static LayerColor* create(const Color4B& color, float width, float height);

    bool init() override;
    virtual bool initWithColor(const Color4B& color);
    virtual bool initWithColor(const Color4B& color, float width, float height);

    void changeWidth(float width);
    void changeHeight(float height);
    void changeWidthAndHeight(float width, float height);

    void setContentSize(const Size& size) override;
    void draw(Renderer* renderer, const Mat4& transform, uint32_t flags) override;

    const BlendFunc& getBlendFunc() const { return _blendFunc; }
    void setBlendFunc(const BlendFunc& blendFunc) { _blendFunc = blendFunc; }

protected:
    LayerColor() = default;

    void updateColor() override;

    BlendFunc _blendFunc = BlendFunc::ALPHA_NON_PREMULTIPLIED;
    V3F_C4B_T2F _quad[4];
    unsigned short _indices[6] = {0, 1, 2, 3, 2, 1};
    TrianglesCommand _command;
};

}  // namespace cocos2d
