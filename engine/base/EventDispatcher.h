#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/base/EventListener.h"
#include "engine/base/Ref.h"

namespace cocos2d {

class Event;
class EventCustom;
class Node;

// Delivers events to listeners, one listener type per event type (touches to both touch
// listener types). Order of delivery:
//  1. fixed-priority listeners with a priority below 0, lowest first;
//  2. scene-graph listeners: for touches and mouse events once per camera of the running
//     scene, the camera drawn last first, with Camera::_visitingCamera set to it and only the
//     listeners whose node that camera visits; within a camera (and for other events) by the
//     node's global z order, highest first, then by the node's drawing order, last drawn
//     first;
//  3. fixed-priority listeners with a priority above 0, lowest first.
// A touch listener receives a touch event at most once, whatever the number of cameras.
// Listeners may be added and removed from inside a callback; changes take effect once the
// outermost dispatch ends (a removed listener is never called again).
class EventDispatcher : public Ref {
public:
    EventDispatcher();
    ~EventDispatcher() override;

    EventDispatcher(const EventDispatcher&) = delete;
    EventDispatcher& operator=(const EventDispatcher&) = delete;

    // The dispatcher retains the listener until it is removed.
    void addEventListenerWithSceneGraphPriority(EventListener* listener, Node* node);
    // `fixedPriority` must not be 0 (reserved for the scene graph).
    void addEventListenerWithFixedPriority(EventListener* listener, int fixedPriority);
    EventListenerCustom* addCustomEventListener(const std::string& eventName,
                                                const std::function<void(EventCustom*)>& callback);

    void removeEventListener(EventListener* listener);
    void removeEventListenersForType(EventListener::Type listenerType);
    void removeEventListenersForTarget(Node* target, bool recursive = false);
    void removeCustomEventListeners(const std::string& customEventName);
    void removeAllEventListeners();

    void pauseEventListenersForTarget(Node* target, bool recursive = false);
    void resumeEventListenersForTarget(Node* target, bool recursive = false);

    void setPriority(EventListener* listener, int fixedPriority);

    void setEnabled(bool isEnabled) { _isEnabled = isEnabled; }
    bool isEnabled() const { return _isEnabled; }

    void dispatchEvent(Event* event);
    void dispatchCustomEvent(const std::string& eventName, void* optionalUserData = nullptr);

    bool hasEventListener(const EventListener::ListenerID& listenerID) const;

private:
    using ListenerList = std::vector<EventListener*>;

    void addEventListener(EventListener* listener);
    void forceAddEventListener(EventListener* listener);
    void updateListeners();
    void releaseListener(EventListener* listener);

    // Scene-graph listeners in delivery order, then fixed ones split around 0.
    ListenerList sortedSceneGraphListeners(const ListenerList& listeners);
    ListenerList fixedListeners(const ListenerList& listeners, bool belowZero) const;

    void dispatchTouchEvent(EventTouch* event);
    void dispatchMouseEvent(EventMouse* event);
    void dispatchPlainEvent(Event* event, const EventListener::ListenerID& listenerID);
    // Calls `onEvent` for the listeners in order until it returns true; true when stopped.
    bool dispatchToListeners(const ListenerList& listeners,
                             const std::function<bool(EventListener*)>& onEvent);
    // The scene-graph part once per camera, as described above.
    bool dispatchPerCamera(const ListenerList& sceneListeners,
                           const std::function<bool(EventListener*)>& onEvent);

    std::unordered_map<EventListener::ListenerID, ListenerList> _listenerMap;
    std::unordered_map<Node*, ListenerList> _nodeListenersMap;
    ListenerList _toAddedListeners;
    std::set<EventListener*> _toRemovedListeners;
    int _inDispatch = 0;
    bool _isEnabled = true;
};

}  // namespace cocos2d
