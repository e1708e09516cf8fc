#pragma once

#include <functional>
#include <string>

#include "engine/base/Vector.h"
#include "engine/math/Vec2.h"
#include "engine/ui/Layout.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/net/UIHttpPhisical.h"
#include "toolkit/widgets/UIControlBase.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace cocos2d {
class Event;
class EventListenerMouse;
class EventMouse;
class Sprite;
class Touch;
}  // namespace cocos2d

namespace NSUI {

// Axes a scroll view moves along (the int its direction holds).
enum ScrollDirection : int {
    scrollVertical = 1,
    scrollHorizontal = 2,
    scrollBoth = 3,
};

// What the scroll listener is told, with the view as sender.
enum ScrollViewEvent : int {
    reachedTop = 0,
    reachedBottom = 1,
    reachedLeft = 2,
    reachedRight = 3,
    scrolling = 4,
};

// A clipped layout whose children live in one inner container that moves with touch drags, the
// mouse wheel and an inertia glide after a flick. The container never leaves the view: a step
// towards an edge stops at it and the listener hears which edge was reached. A thin vertical bar
// at the right edge shows the position after each move and fades out over 2 s.
//
// Every child added to the view goes into the container; child lookups, removal and the layout
// type act on the container as well. A touch that begins on a child widget stays the child's
// until it has travelled `childFocusCancelOffset`; from then on it scrolls the view and the
// child loses its highlight. Main thread only.
class UIScrollViewBase : public cocos2d::ui::Layout,
                         public UIControlGenerater,
                         public UILocalConfig,
                         public UIJson,
                         public UIControlBase,
                         public UIHttpPhisical {
public:
    static UIScrollViewBase* create();
    ~UIScrollViewBase() override;

    std::string getDescription() const override;
    // The view size; the container grows to at least this size and shows the top of its content.
    void setContentSize(const cocos2d::Size& size) override;

    void addChild(cocos2d::Node* child) override;
    void addChild(cocos2d::Node* child, int localZOrder) override;
    void addChild(cocos2d::Node* child, int localZOrder, int tag) override;
    void addChild(cocos2d::Node* child, int localZOrder, const std::string& name) override;
    cocos2d::Node* getChildByTag(int tag) const override;
    cocos2d::Node* getChildByName(const std::string& name) const override;
    using cocos2d::Node::getChildByName;
    cocos2d::Vector<cocos2d::Node*>& getChildren() override;
    const cocos2d::Vector<cocos2d::Node*>& getChildren() const override;
    ssize_t getChildrenCount() const override;
    void removeChild(cocos2d::Node* child, bool cleanup = true) override;
    void removeAllChildren() override;
    void removeAllChildrenWithCleanup(bool cleanup) override;

    void onEnter() override;
    // Advances the glide and the press timer.
    void update(float dt) override;
    bool init() override;
    // Also adds (on) or removes (off) the wheel listener.
    void setTouchEnabled(bool enabled) override;
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;
    // A one-axis view locks the drag to the axis it first moved along by more than 1.5 points:
    // from then on the touch's location is rewritten to stay on that axis, so code reading the
    // touch afterwards sees the locked location.
    void onTouchMoved(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchEnded(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchCancelled(cocos2d::Touch* touch, cocos2d::Event* event) override;
    // Follows the touch of a child widget; always true.
    bool interceptTouchEvent(TouchEventType event, cocos2d::ui::Widget* sender,
                             cocos2d::Touch* touch) override;

    void setLayoutType(Type type) override;
    using cocos2d::ui::Layout::setLayoutType;
    Type getLayoutType() const override;
    // The view itself lays nothing out; the container places the children.
    void doLayout() override;

    // Stores the direction (a ScrollDirection); nothing moves.
    virtual void setDirection(int direction);
    virtual void addEventListener(const std::function<void(cocos2d::Ref*, int)>& callback);
    // Moves the container by the step, stopped at the edges the step moves towards (each edge
    // met is reported after the `scrolling` event). True when the whole step was applied.
    virtual bool scrollChildren(float dx, float dy);
    // Ends a press: starts a glide from the touch's overall distance and duration.
    virtual void endRecordSlidAction();
    // Starts a press: stops a glide and restarts the press timer.
    virtual void startRecordSlidAction();
    // Scrolls by the touch's latest move along the view's direction.
    virtual void handleMoveLogic(cocos2d::Touch* touch);
    virtual void handleReleaseLogic(cocos2d::Touch* touch);
    // Runs after every change of the container position; subclasses call this version first.
    virtual void scrollViewDidScroll();

    // At least the view size in each dimension; the top edge of the content stays in place and
    // the container stays within the view.
    void setInnerContainerSize(const cocos2d::Size& size);
    // Places the container at `destination`; a coordinate of a scrolling axis at or below 0 is
    // limited to the end of the content, a positive one is kept.
    void jumpToDestination(const cocos2d::Vec2& destination);
    void jumpToBottom();

    int getDirection() const { return direction; }
    cocos2d::ui::Layout* getInnerContainer() const { return innerContainer; }
    bool isAutoScrolling() const { return autoScrolling; }
    // Null until the first move.
    cocos2d::Sprite* getScrollBar() const { return scrollBar; }

    // Distance a touch on a child widget travels before the view takes it over as a drag.
    float childFocusCancelOffset = 5.0f;
    // A flick starts a glide.
    bool inertiaEnabled = true;
    // Cap of a glide's starting speed, points per second.
    float maxAutoScrollSpeed = 1000.0f;

protected:
    UIScrollViewBase();

    void onSizeChanged() override;
    void initRenderer() override;
    cocos2d::ui::Widget* createCloneInstance() override;
    void copySpecialProperties(cocos2d::ui::Widget* model) override;

    // Container position += step, then scrollViewDidScroll.
    void moveChildren(float dx, float dy);
    // One frame of the glide.
    void autoScrollChildren(float dt);
    void stopAutoScroll();
    // Boundaries, container size and top-of-content position for the current view size.
    void applyViewSize();
    void onMouseScrolled(cocos2d::EventMouse* event);
    void notifyScrollEvent(int event);

    cocos2d::ui::Layout* innerContainer = nullptr;
    int direction = scrollVertical;
    cocos2d::Vec2 autoScrollDirection;
    float topBoundary = 0.0f;
    float bottomBoundary = 0.0f;
    float leftBoundary = 0.0f;
    float rightBoundary = 0.0f;
    bool autoScrolling = false;
    float autoScrollElapsed = 0.0f;
    float autoScrollSpeed = 0.0f;
    float autoScrollAcceleration = -1000.0f;
    bool autoScrollAttenuated = false;
    // A touch is down on the view; the slide timer runs.
    bool pressed = false;
    float slideTime = 0.0f;
    std::function<void(cocos2d::Ref*, int)> eventCallback;
    cocos2d::Vec2 dirUp = cocos2d::Vec2(0.0f, 1.0f);
    cocos2d::Vec2 dirDown = cocos2d::Vec2(0.0f, -1.0f);
    cocos2d::Vec2 dirLeft = cocos2d::Vec2(-1.0f, 0.0f);
    cocos2d::Vec2 dirRight = cocos2d::Vec2(1.0f, 0.0f);
    // The current drag has not chosen its axis yet.
    bool axisLockPending = false;
    // After the choice: (1, 0) a horizontal drag, (0, 1) a vertical one.
    cocos2d::Vec2 axisMask;
    cocos2d::Sprite* scrollBar = nullptr;
    cocos2d::EventListenerMouse* mouseListener = nullptr;
};

}  // namespace NSUI
