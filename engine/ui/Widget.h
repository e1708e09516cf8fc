#pragma once

#include <functional>
#include <string>

#include "engine/2d/ProtectedNode.h"
#include "engine/base/EventKeyboard.h"
#include "engine/math/Vec3.h"
#include "engine/ui/LayoutComponent.h"
#include "engine/ui/LayoutParameter.h"

namespace cocos2d {

class Camera;
class Event;
class EventListenerKeyboard;
class EventListenerTouchOneByOne;
class Touch;

namespace ui {

// Base of the UI widgets: a protected node (the widget's own renderers are protected children)
// that can take touches, keys and a layout parameter.
//
// Touches: once touch is enabled, a one-by-one listener of scene-graph priority swallows the
// touches that begin on the widget. A touch begins on it when the widget, all its ancestors
// and its enabled state allow it and the point lies strictly inside its hit rectangle (the
// content rectangle, enlarged about its centre by the touch scaling; the border is outside)
// and inside every clipping layout above it. While touched the widget is highlighted as long
// as the touch stays on it; a touch ending while highlighted is a click. Each phase is also
// offered to the parent widgets through `interceptTouchEvent` while propagation is on.
//
// Size: a widget either follows its renderer's size (content adapt, `ignoreContentAdaptWithSize`
// true) or keeps the size it is given; size and position may also be percentages of the parent
// widget's size, applied when the parent's size changes.
class Widget : public ProtectedNode, public LayoutParameterProtocol, public LayoutComponentHolder {
public:
    enum class PositionType { ABSOLUTE, PERCENT };
    enum class SizeType { ABSOLUTE, PERCENT };
    enum class TouchEventType { BEGAN, MOVED, ENDED, CANCELED };
    enum class TextureResType { LOCAL = 0 };
    enum class BrightStyle { NONE = -1, NORMAL, HIGHLIGHT };

    using ccWidgetTouchCallback = std::function<void(Ref*, TouchEventType)>;
    using ccWidgetClickCallback = std::function<void(Ref*)>;

    static Widget* create();
    bool init() override;
    ~Widget() override;

    virtual void setEnabled(bool enabled);
    bool isEnabled() const { return _enabled; }
    void setBright(bool bright);
    bool isBright() const { return _bright; }
    void setBrightStyle(BrightStyle style);
    bool isHighlighted() const { return _highlight; }
    void setHighlighted(bool highlight);

    virtual void setTouchEnabled(bool enabled);
    bool isTouchEnabled() const { return _touchEnabled; }
    void setSwallowTouches(bool swallow);
    bool isSwallowTouches() const;
    void setPropagateTouchEvents(bool propagate) { _propagateTouchEvents = propagate; }
    bool isPropagateTouchEvents() const { return _propagateTouchEvents; }
    // Enlarges (or shrinks) the hit rectangle about its centre: width × scaleX, height × scaleY.
    void setTouchScaled(float scaleX, float scaleY);
    const Vec2& getTouchScale() const { return _touchScale; }

    void addTouchEventListener(const ccWidgetTouchCallback& callback);
    void addClickEventListener(const ccWidgetClickCallback& callback);

    virtual bool onTouchBegan(Touch* touch, Event* event);
    virtual void onTouchMoved(Touch* touch, Event* event);
    virtual void onTouchEnded(Touch* touch, Event* event);
    virtual void onTouchCancelled(Touch* touch, Event* event);

    // Whether the world point (GL coordinates) lies strictly inside the hit rectangle as
    // `camera` shows the widget (null: the plain world transform). `nodePoint` receives the
    // point in the widget's space when given.
    virtual bool hitTest(const Vec2& worldPoint, const Camera* camera, Vec3* nodePoint) const;
    // Whether every clipping layout above the widget contains the point.
    bool isClippingParentContainsPoint(const Vec2& worldPoint) const;
    // A touch phase of `sender` (this widget or a descendant), offered to this widget; the base
    // passes it on to the parent widget. True when this widget or an ancestor took it over.
    virtual bool interceptTouchEvent(TouchEventType event, Widget* sender, Touch* touch);
    // Offers the phase to the parent widget; false without one.
    bool propagateTouchEvent(TouchEventType event, Widget* sender, Touch* touch);

    // World (GL) positions of the current or last touch.
    const Vec2& getTouchBeganPosition() const { return _touchBeganPosition; }
    const Vec2& getTouchMovePosition() const { return _touchMovePosition; }
    const Vec2& getTouchEndPosition() const { return _touchEndPosition; }
    // Whether the current touch began on the widget.
    bool isTouchHit() const { return _hitted; }

    // Keys reach `onKeyPressed` / `onKeyReleased` while enabled (a scene-graph listener).
    void setKeyboardEnabled(bool enabled);
    bool isKeyboardEnabled() const { return _keyboardListener != nullptr; }
    virtual void onKeyPressed(EventKeyboard::KeyCode keyCode, Event* event);
    virtual void onKeyReleased(EventKeyboard::KeyCode keyCode, Event* event);

    // Size and position.
    void setContentSize(const Size& size) override;
    virtual void setSizePercent(const Vec2& percent);
    const Vec2& getSizePercent() const { return _sizePercent; }
    void setSizeType(SizeType type);
    SizeType getSizeType() const { return _sizeType; }
    const Size& getCustomSize() const { return _customSize; }
    virtual const Size& getLayoutSize() { return _contentSize; }
    void setPosition(const Vec2& position) override;
    using Node::setPosition;
    void setPositionPercent(const Vec2& percent);
    const Vec2& getPositionPercent() const { return _positionPercent; }
    void setPositionType(PositionType type);
    PositionType getPositionType() const { return _positionType; }
    // True: the size follows the renderer; false: the size given is kept.
    virtual void ignoreContentAdaptWithSize(bool ignore);
    bool isIgnoreContentAdaptWithSize() const { return _ignoreSize; }
    // Re-applies percentages against the parent's size (the parent widget's layout size).
    void updateSizeAndPosition();
    void updateSizeAndPosition(const Size& parentSize);
    float getLeftBoundary() const;
    float getBottomBoundary() const;
    float getRightBoundary() const;
    float getTopBoundary() const;
    Vec2 getWorldPosition() const;

    virtual Node* getVirtualRenderer();
    virtual Size getVirtualRendererSize() const;

    // Retained.
    void setLayoutParameter(LayoutParameter* parameter);
    LayoutParameter* getLayoutParameter() const override { return _layoutParameter; }

    // A new autoreleased widget of the same kind with the same properties and cloned children.
    Widget* clone();
    virtual std::string getDescription() const;

    void onEnter() override;

protected:
    Widget();

    virtual void initRenderer() {}
    virtual void onSizeChanged();
    virtual void onPressStateChangedToNormal() {}
    virtual void onPressStateChangedToPressed() {}
    virtual void onPressStateChangedToDisabled() {}
    virtual void adaptRenderers() {}

    virtual void pushDownEvent();
    virtual void moveEvent();
    virtual void releaseUpEvent();
    virtual void cancelUpEvent();

    virtual Widget* createCloneInstance();
    virtual void copySpecialProperties(Widget* model);
    virtual void copyClonedWidgetChildren(Widget* model);
    void copyProperties(Widget* model);

    Widget* getWidgetParent() const;
    bool isAncestorsEnabled() const;
    bool isAncestorsVisible() const;
    Rect getHitRect() const;
    Size getParentLayoutSize() const;

    bool _enabled = true;
    bool _bright = true;
    bool _touchEnabled = false;
    bool _highlight = false;
    bool _propagateTouchEvents = true;
    bool _swallowTouches = true;
    bool _hitted = false;
    bool _ignoreSize = false;
    bool _affectByClipping = false;
    BrightStyle _brightStyle = BrightStyle::NONE;
    Vec2 _touchScale = Vec2(1.0f, 1.0f);
    const Camera* _hittedByCamera = nullptr;
    EventListenerTouchOneByOne* _touchListener = nullptr;
    EventListenerKeyboard* _keyboardListener = nullptr;

    Vec2 _touchBeganPosition;
    Vec2 _touchMovePosition;
    Vec2 _touchEndPosition;

    Size _customSize;
    SizeType _sizeType = SizeType::ABSOLUTE;
    Vec2 _sizePercent;
    PositionType _positionType = PositionType::ABSOLUTE;
    Vec2 _positionPercent;

    LayoutParameter* _layoutParameter = nullptr;
    ccWidgetTouchCallback _touchEventCallback;
    ccWidgetClickCallback _clickEventListener;

    friend class Layout;
};

}  // namespace ui
}  // namespace cocos2d
