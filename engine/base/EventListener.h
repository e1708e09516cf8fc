#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/base/Event.h"
#include "engine/base/EventKeyboard.h"
#include "engine/base/Ref.h"

namespace cocos2d {

class Node;
class Touch;

// Base of the event listeners. A listener is registered with the event dispatcher either
// with a scene-graph priority (tied to a node; called while the node runs, in the order the
// node is drawn from the top) or with a fixed priority (a number; lower first).
class EventListener : public Ref {
public:
    enum class Type {
        UNKNOWN,
        TOUCH_ONE_BY_ONE,
        TOUCH_ALL_AT_ONCE,
        KEYBOARD,
        MOUSE,
        ACCELERATION,
        FOCUS,
        GAME_CONTROLLER,
        CUSTOM,
    };

    using ListenerID = std::string;

    // Whether the listener has the callbacks it needs to be registered.
    virtual bool checkAvailable() = 0;
    virtual EventListener* clone() = 0;

    // A disabled listener stays registered but receives nothing.
    void setEnabled(bool enabled) { _isEnabled = enabled; }
    bool isEnabled() const { return _isEnabled; }

    Type getType() const { return _type; }
    const ListenerID& getListenerID() const { return _listenerID; }
    int getFixedPriority() const { return _fixedPriority; }
    Node* getAssociatedNode() const { return _node; }
    bool isRegistered() const { return _isRegistered; }
    bool isPaused() const { return _paused; }

protected:
    EventListener() = default;
    bool init(Type type, const ListenerID& listenerID, const std::function<void(Event*)>& callback);

    std::function<void(Event*)> _onEvent;
    Type _type = Type::UNKNOWN;
    ListenerID _listenerID;
    bool _isRegistered = false;
    bool _paused = true;
    bool _isEnabled = true;
    int _fixedPriority = 0;
    Node* _node = nullptr;

    friend class EventDispatcher;
};

// Each touch on its own: a touch goes on to moved/ended/cancelled only for the listeners whose
// onTouchBegan returned true for it; with swallowing, such a listener keeps the touch from
// every listener after it.
class EventListenerTouchOneByOne : public EventListener {
public:
    static const ListenerID LISTENER_ID;

    using ccTouchBeganCallback = std::function<bool(Touch*, Event*)>;
    using ccTouchCallback = std::function<void(Touch*, Event*)>;

    static EventListenerTouchOneByOne* create();

    void setSwallowTouches(bool needSwallow) { _needSwallow = needSwallow; }
    bool isSwallowTouches() const { return _needSwallow; }

    bool checkAvailable() override;
    EventListenerTouchOneByOne* clone() override;

    ccTouchBeganCallback onTouchBegan;
    ccTouchCallback onTouchMoved;
    ccTouchCallback onTouchEnded;
    ccTouchCallback onTouchCancelled;

private:
    bool init();

    std::vector<Touch*> _claimedTouches;
    bool _needSwallow = false;

    friend class EventDispatcher;
};

// All touches of an event at once, after the one-by-one listeners have taken theirs.
class EventListenerTouchAllAtOnce : public EventListener {
public:
    static const ListenerID LISTENER_ID;

    using ccTouchesCallback = std::function<void(const std::vector<Touch*>&, Event*)>;

    static EventListenerTouchAllAtOnce* create();

    bool checkAvailable() override;
    EventListenerTouchAllAtOnce* clone() override;

    ccTouchesCallback onTouchesBegan;
    ccTouchesCallback onTouchesMoved;
    ccTouchesCallback onTouchesEnded;
    ccTouchesCallback onTouchesCancelled;

private:
    bool init();
};

class EventListenerMouse : public EventListener {
public:
    static const ListenerID LISTENER_ID;

    static EventListenerMouse* create();

    bool checkAvailable() override;
    EventListenerMouse* clone() override;

    std::function<void(EventMouse*)> onMouseDown;
    std::function<void(EventMouse*)> onMouseUp;
    std::function<void(EventMouse*)> onMouseMove;
    std::function<void(EventMouse*)> onMouseScroll;

private:
    bool init();
};

class EventListenerKeyboard : public EventListener {
public:
    static const ListenerID LISTENER_ID;

    static EventListenerKeyboard* create();

    bool checkAvailable() override;
    EventListenerKeyboard* clone() override;

    std::function<void(EventKeyboard::KeyCode, Event*)> onKeyPressed;
    std::function<void(EventKeyboard::KeyCode, Event*)> onKeyReleased;

private:
    bool init();
};

// Listens to the custom events of one name.
class EventListenerCustom : public EventListener {
public:
    static EventListenerCustom* create(const std::string& eventName,
                                       const std::function<void(EventCustom*)>& callback);

    bool checkAvailable() override;
    EventListenerCustom* clone() override;

private:
    bool init(const ListenerID& listenerId, const std::function<void(EventCustom*)>& callback);

    std::function<void(EventCustom*)> _onCustomEvent;
};

}  // namespace cocos2d
