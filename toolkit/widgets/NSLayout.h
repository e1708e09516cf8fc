#pragma once

#include "engine/base/Event.h"
#include "engine/base/EventListener.h"
#include "engine/math/Vec2.h"
#include "engine/ui/Layout.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/net/UIHttpPhisical.h"
#include "toolkit/widgets/UIControlBase.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace NSUI {

// Base of panels and screens: an engine layout carrying the toolkit's mixins, whose image
// loader runs while the layout is on the stage, and which turns the desktop mouse into four
// operations in its own node space.
//
// A mouse event reaches the operations only when the layout and all its ancestors are visible,
// the camera being visited is one of the layout's cameras, and the point lies strictly inside
// the content size (the edges are outside). An operation returning true stops the event.
// The one exception ends a drag: the release, outside the content, of the button last pressed
// inside still reaches onMouseUp (without stopping the event) and clears the flags, so a drag
// let go anywhere is over. Main thread only.
class NSLayout : public cocos2d::ui::Layout,
                 public UIControlGenerater,
                 public UILocalConfig,
                 public UIJson,
                 public UIControlBase,
                 public UIHttpPhisical {
public:
    static NSLayout* create();

    bool init() override;
    void cleanup() override;
    void onEnterTransitionDidFinish() override;
    void onExit() override;

    // Node-space point of the event; true consumes it. The base versions consume nothing.
    virtual bool onMouseScroll(float x, float y, float scrollY);
    virtual bool onMouseDown(float x, float y);
    virtual bool onMouseUp(float x, float y);
    virtual bool onMouseMove(float x, float y);

    // Retained from init until cleanup.
    cocos2d::EventListenerMouse* mouseListener = nullptr;
    // Which button the last press inside the layout was; cleared by the next release inside,
    // or by that button's release outside. Wheel and moves leave them alone, so a move with a
    // flag set is a drag.
    bool leftButtonDown = false;
    bool rightButtonDown = false;
    bool middleButtonDown = false;
    // The event's previous location in node space, set before each operation is called.
    cocos2d::Vec2 previousMousePoint;

protected:
    NSLayout() = default;
    ~NSLayout() override;

private:
    // Whether the event is for this layout; `point` receives its node-space location.
    bool acceptsMouse(const cocos2d::EventMouse* event, cocos2d::Vec2* point);
    void handleMouseScroll(cocos2d::EventMouse* event);
    void handleMouseDown(cocos2d::EventMouse* event);
    void handleMouseUp(cocos2d::EventMouse* event);
    void handleMouseMove(cocos2d::EventMouse* event);
    // A release outside the content of the button pressed inside.
    void endPressOutside(cocos2d::EventMouse* event);
    void clearButtons();
    // Unregisters and releases the listener, so a second init does not deliver twice.
    void dropMouseListener();
};

}  // namespace NSUI
