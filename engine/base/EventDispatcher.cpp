#include "engine/base/EventDispatcher.h"

#include <algorithm>
#include <unordered_map>

#include "engine/2d/Camera.h"
#include "engine/2d/ProtectedNode.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/Event.h"
#include "engine/base/Touch.h"

namespace cocos2d {

namespace {

struct NodeRank {
    float globalZ;
    int drawIndex;
};

// Numbers every node of the graph in the order it is drawn.
void rankNodes(Node* node, std::unordered_map<Node*, NodeRank>& ranks, int& counter) {
    node->sortAllChildren();
    auto* protectedNode = dynamic_cast<ProtectedNode*>(node);
    if (protectedNode != nullptr) {
        protectedNode->sortAllProtectedChildren();
    }
    const auto& children = node->getChildren();
    static const Vector<Node*> kNone;
    const auto& protectedChildren =
        protectedNode != nullptr ? protectedNode->getProtectedChildren() : kNone;
    ssize_t i = 0;
    ssize_t j = 0;
    for (; i < children.size() && children.at(i)->getLocalZOrder() < 0; ++i) {
        rankNodes(children.at(i), ranks, counter);
    }
    for (; j < protectedChildren.size() && protectedChildren.at(j)->getLocalZOrder() < 0; ++j) {
        rankNodes(protectedChildren.at(j), ranks, counter);
    }
    ranks[node] = NodeRank{node->getGlobalZOrder(), counter++};
    for (; j < protectedChildren.size(); ++j) {
        rankNodes(protectedChildren.at(j), ranks, counter);
    }
    for (; i < children.size(); ++i) {
        rankNodes(children.at(i), ranks, counter);
    }
}

bool isAvailable(const EventListener* listener) {
    return listener->isEnabled() && !listener->isPaused() && listener->isRegistered();
}

// Sets the visiting camera for the time of a dispatch step and puts the previous one back.
class VisitingCameraScope {
public:
    explicit VisitingCameraScope(Camera* camera) : _previous(Camera::_visitingCamera) {
        Camera::_visitingCamera = camera;
    }
    ~VisitingCameraScope() { Camera::_visitingCamera = _previous; }
    VisitingCameraScope(const VisitingCameraScope&) = delete;
    VisitingCameraScope& operator=(const VisitingCameraScope&) = delete;

private:
    Camera* _previous;
};

}  // namespace

EventDispatcher::EventDispatcher() = default;

EventDispatcher::~EventDispatcher() {
    removeAllEventListeners();
    for (EventListener* listener : _toAddedListeners) {
        listener->release();
    }
    _toAddedListeners.clear();
    for (EventListener* listener : _toRemovedListeners) {
        listener->release();
    }
    _toRemovedListeners.clear();
}

void EventDispatcher::addEventListenerWithSceneGraphPriority(EventListener* listener, Node* node) {
    if (listener == nullptr || node == nullptr || listener->isRegistered() ||
        !listener->checkAvailable()) {
        return;
    }
    listener->_node = node;
    listener->_fixedPriority = 0;
    listener->_paused = !node->isRunning();
    addEventListener(listener);
}

void EventDispatcher::addEventListenerWithFixedPriority(EventListener* listener,
                                                        int fixedPriority) {
    // Priority 0 belongs to the scene graph.
    if (listener == nullptr || fixedPriority == 0 || listener->isRegistered() ||
        !listener->checkAvailable()) {
        return;
    }
    listener->_node = nullptr;
    listener->_fixedPriority = fixedPriority;
    listener->_paused = false;
    addEventListener(listener);
}

EventListenerCustom*
EventDispatcher::addCustomEventListener(const std::string& eventName,
                                        const std::function<void(EventCustom*)>& callback) {
    EventListenerCustom* listener = EventListenerCustom::create(eventName, callback);
    addEventListenerWithFixedPriority(listener, 1);
    return listener;
}

void EventDispatcher::addEventListener(EventListener* listener) {
    listener->retain();
    listener->_isRegistered = true;
    if (_inDispatch == 0) {
        forceAddEventListener(listener);
    } else {
        _toAddedListeners.push_back(listener);
    }
}

void EventDispatcher::forceAddEventListener(EventListener* listener) {
    _listenerMap[listener->getListenerID()].push_back(listener);
    if (listener->_node != nullptr) {
        _nodeListenersMap[listener->_node].push_back(listener);
    }
}

void EventDispatcher::releaseListener(EventListener* listener) {
    if (listener->_node != nullptr) {
        auto found = _nodeListenersMap.find(listener->_node);
        if (found != _nodeListenersMap.end()) {
            auto& list = found->second;
            list.erase(std::remove(list.begin(), list.end(), listener), list.end());
            if (list.empty()) {
                _nodeListenersMap.erase(found);
            }
        }
    }
    auto found = _listenerMap.find(listener->getListenerID());
    if (found != _listenerMap.end()) {
        auto& list = found->second;
        list.erase(std::remove(list.begin(), list.end(), listener), list.end());
        if (list.empty()) {
            _listenerMap.erase(found);
        }
    }
    listener->_node = nullptr;
    listener->release();
}

void EventDispatcher::removeEventListener(EventListener* listener) {
    if (listener == nullptr || !listener->isRegistered()) {
        return;
    }
    listener->_isRegistered = false;
    const auto pending = std::find(_toAddedListeners.begin(), _toAddedListeners.end(), listener);
    if (pending != _toAddedListeners.end()) {
        _toAddedListeners.erase(pending);
        listener->_node = nullptr;
        listener->release();
        return;
    }
    if (_inDispatch == 0) {
        releaseListener(listener);
    } else {
        _toRemovedListeners.insert(listener);
    }
}

void EventDispatcher::removeEventListenersForType(EventListener::Type listenerType) {
    ListenerList matching;
    for (const auto& entry : _listenerMap) {
        for (EventListener* listener : entry.second) {
            if (listener->getType() == listenerType) {
                matching.push_back(listener);
            }
        }
    }
    for (EventListener* listener : _toAddedListeners) {
        if (listener->getType() == listenerType) {
            matching.push_back(listener);
        }
    }
    for (EventListener* listener : matching) {
        removeEventListener(listener);
    }
}

void EventDispatcher::removeEventListenersForTarget(Node* target, bool recursive) {
    if (target == nullptr) {
        return;
    }
    ListenerList matching;
    const auto found = _nodeListenersMap.find(target);
    if (found != _nodeListenersMap.end()) {
        matching = found->second;
    }
    for (EventListener* listener : _toAddedListeners) {
        if (listener->_node == target) {
            matching.push_back(listener);
        }
    }
    for (EventListener* listener : matching) {
        removeEventListener(listener);
    }
    if (recursive) {
        for (Node* child : target->getChildren()) {
            removeEventListenersForTarget(child, true);
        }
    }
}

void EventDispatcher::removeCustomEventListeners(const std::string& customEventName) {
    ListenerList matching;
    const auto found = _listenerMap.find(customEventName);
    if (found != _listenerMap.end()) {
        matching = found->second;
    }
    for (EventListener* listener : _toAddedListeners) {
        if (listener->getListenerID() == customEventName) {
            matching.push_back(listener);
        }
    }
    for (EventListener* listener : matching) {
        removeEventListener(listener);
    }
}

void EventDispatcher::removeAllEventListeners() {
    ListenerList all;
    for (const auto& entry : _listenerMap) {
        all.insert(all.end(), entry.second.begin(), entry.second.end());
    }
    all.insert(all.end(), _toAddedListeners.begin(), _toAddedListeners.end());
    for (EventListener* listener : all) {
        removeEventListener(listener);
    }
}

void EventDispatcher::pauseEventListenersForTarget(Node* target, bool recursive) {
    const auto found = _nodeListenersMap.find(target);
    if (found != _nodeListenersMap.end()) {
        for (EventListener* listener : found->second) {
            listener->_paused = true;
        }
    }
    for (EventListener* listener : _toAddedListeners) {
        if (listener->_node == target) {
            listener->_paused = true;
        }
    }
    if (recursive && target != nullptr) {
        for (Node* child : target->getChildren()) {
            pauseEventListenersForTarget(child, true);
        }
    }
}

void EventDispatcher::resumeEventListenersForTarget(Node* target, bool recursive) {
    const auto found = _nodeListenersMap.find(target);
    if (found != _nodeListenersMap.end()) {
        for (EventListener* listener : found->second) {
            listener->_paused = false;
        }
    }
    for (EventListener* listener : _toAddedListeners) {
        if (listener->_node == target) {
            listener->_paused = false;
        }
    }
    if (recursive && target != nullptr) {
        for (Node* child : target->getChildren()) {
            resumeEventListenersForTarget(child, true);
        }
    }
}

void EventDispatcher::setPriority(EventListener* listener, int fixedPriority) {
    if (listener == nullptr || listener->_node != nullptr || fixedPriority == 0) {
        return;
    }
    listener->_fixedPriority = fixedPriority;
}

bool EventDispatcher::hasEventListener(const EventListener::ListenerID& listenerID) const {
    const auto found = _listenerMap.find(listenerID);
    if (found != _listenerMap.end()) {
        for (const EventListener* listener : found->second) {
            if (listener->isRegistered()) {
                return true;
            }
        }
    }
    return std::any_of(_toAddedListeners.begin(), _toAddedListeners.end(),
                       [&listenerID](const EventListener* listener) {
                           return listener->getListenerID() == listenerID;
                       });
}

void EventDispatcher::updateListeners() {
    const std::set<EventListener*> removed = std::move(_toRemovedListeners);
    _toRemovedListeners.clear();
    for (EventListener* listener : removed) {
        releaseListener(listener);
    }
    const ListenerList added = std::move(_toAddedListeners);
    _toAddedListeners.clear();
    for (EventListener* listener : added) {
        forceAddEventListener(listener);
    }
}

EventDispatcher::ListenerList
EventDispatcher::sortedSceneGraphListeners(const ListenerList& listeners) {
    ListenerList result;
    Scene* scene = Director::getInstance()->getRunningScene();
    if (scene == nullptr) {
        return result;
    }
    std::unordered_map<Node*, NodeRank> ranks;
    int counter = 0;
    rankNodes(scene, ranks, counter);
    for (EventListener* listener : listeners) {
        // Only nodes of the running scene take part.
        if (listener->_node != nullptr && ranks.count(listener->_node) != 0) {
            result.push_back(listener);
        }
    }
    std::stable_sort(result.begin(), result.end(),
                     [&ranks](const EventListener* a, const EventListener* b) {
                         const NodeRank& ra = ranks.at(a->_node);
                         const NodeRank& rb = ranks.at(b->_node);
                         if (ra.globalZ != rb.globalZ) {
                             return ra.globalZ > rb.globalZ;
                         }
                         return ra.drawIndex > rb.drawIndex;
                     });
    return result;
}

EventDispatcher::ListenerList EventDispatcher::fixedListeners(const ListenerList& listeners,
                                                              bool belowZero) const {
    ListenerList result;
    for (EventListener* listener : listeners) {
        if (listener->_node == nullptr &&
            (belowZero ? listener->_fixedPriority < 0 : listener->_fixedPriority > 0)) {
            result.push_back(listener);
        }
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const EventListener* a, const EventListener* b) {
                         return a->_fixedPriority < b->_fixedPriority;
                     });
    return result;
}

bool EventDispatcher::dispatchToListeners(const ListenerList& listeners,
                                          const std::function<bool(EventListener*)>& onEvent) {
    for (EventListener* listener : listeners) {
        if (isAvailable(listener) && onEvent(listener)) {
            return true;
        }
    }
    return false;
}

bool EventDispatcher::dispatchPerCamera(const ListenerList& sceneListeners,
                                        const std::function<bool(EventListener*)>& onEvent) {
    Scene* scene = Director::getInstance()->getRunningScene();
    if (scene == nullptr || sceneListeners.empty()) {
        return false;
    }
    const std::vector<Camera*> cameras = scene->getCameras();
    for (auto it = cameras.rbegin(); it != cameras.rend(); ++it) {
        Camera* camera = *it;
        if (!camera->isVisible()) {
            continue;
        }
        VisitingCameraScope scope(camera);
        for (EventListener* listener : sceneListeners) {
            if (!isAvailable(listener) || !listener->_node->isVisitableByVisitingCamera()) {
                continue;
            }
            if (onEvent(listener)) {
                return true;
            }
        }
    }
    return false;
}

void EventDispatcher::dispatchEvent(Event* event) {
    if (!_isEnabled || event == nullptr) {
        return;
    }
    ++_inDispatch;
    switch (event->getType()) {
    case Event::Type::TOUCH:
        Touch::updateTimeStamp();
        dispatchTouchEvent(static_cast<EventTouch*>(event));
        break;
    case Event::Type::MOUSE:
        Touch::updateTimeStamp();
        dispatchMouseEvent(static_cast<EventMouse*>(event));
        break;
    case Event::Type::KEYBOARD:
        dispatchPlainEvent(event, EventListenerKeyboard::LISTENER_ID);
        break;
    case Event::Type::CUSTOM:
        dispatchPlainEvent(event, static_cast<EventCustom*>(event)->getEventName());
        break;
    case Event::Type::ACCELERATION:
    case Event::Type::FOCUS:
    case Event::Type::GAME_CONTROLLER:
        break;
    }
    --_inDispatch;
    if (_inDispatch == 0) {
        updateListeners();
    }
}

void EventDispatcher::dispatchCustomEvent(const std::string& eventName, void* optionalUserData) {
    EventCustom event(eventName);
    event.setUserData(optionalUserData);
    dispatchEvent(&event);
}

void EventDispatcher::dispatchPlainEvent(Event* event,
                                         const EventListener::ListenerID& listenerID) {
    const auto found = _listenerMap.find(listenerID);
    if (found == _listenerMap.end()) {
        return;
    }
    const ListenerList all = found->second;
    const auto call = [event](EventListener* listener) {
        event->setCurrentTarget(listener->_node);
        listener->_onEvent(event);
        return event->isStopped();
    };
    if (dispatchToListeners(fixedListeners(all, true), call)) {
        return;
    }
    if (dispatchToListeners(sortedSceneGraphListeners(all), call)) {
        return;
    }
    dispatchToListeners(fixedListeners(all, false), call);
}

void EventDispatcher::dispatchMouseEvent(EventMouse* event) {
    const auto found = _listenerMap.find(EventListenerMouse::LISTENER_ID);
    if (found == _listenerMap.end()) {
        return;
    }
    const ListenerList all = found->second;
    const auto call = [event](EventListener* listener) {
        event->setCurrentTarget(listener->_node);
        listener->_onEvent(event);
        return event->isStopped();
    };
    Scene* scene = Director::getInstance()->getRunningScene();
    VisitingCameraScope scope(scene != nullptr ? scene->getDefaultCamera() : nullptr);
    if (dispatchToListeners(fixedListeners(all, true), call)) {
        return;
    }
    if (dispatchPerCamera(sortedSceneGraphListeners(all), call)) {
        return;
    }
    dispatchToListeners(fixedListeners(all, false), call);
}

void EventDispatcher::dispatchTouchEvent(EventTouch* event) {
    ListenerList oneByOne;
    ListenerList allAtOnce;
    const auto one = _listenerMap.find(EventListenerTouchOneByOne::LISTENER_ID);
    if (one != _listenerMap.end()) {
        oneByOne = one->second;
    }
    const auto all = _listenerMap.find(EventListenerTouchAllAtOnce::LISTENER_ID);
    if (all != _listenerMap.end()) {
        allAtOnce = all->second;
    }
    if (oneByOne.empty() && allAtOnce.empty()) {
        return;
    }
    Scene* scene = Director::getInstance()->getRunningScene();
    VisitingCameraScope scope(scene != nullptr ? scene->getDefaultCamera() : nullptr);

    // A listener sees a touch once, at the first camera that visits its node.
    const auto runOnce = [this](const ListenerList& listeners,
                                const std::function<bool(EventListener*)>& onEvent) {
        std::set<EventListener*> called;
        const auto once = [&called, &onEvent](EventListener* listener) {
            if (!called.insert(listener).second) {
                return false;
            }
            return onEvent(listener);
        };
        return dispatchToListeners(fixedListeners(listeners, true), once) ||
               dispatchPerCamera(sortedSceneGraphListeners(listeners), once) ||
               dispatchToListeners(fixedListeners(listeners, false), once);
    };

    std::vector<Touch*> remaining = event->getTouches();
    const EventTouch::EventCode code = event->getEventCode();
    if (!oneByOne.empty()) {
        for (Touch* touch : event->getTouches()) {
            bool swallowed = false;
            const auto onTouch = [&](EventListener* base) {
                auto* listener = static_cast<EventListenerTouchOneByOne*>(base);
                event->setCurrentTarget(listener->_node);
                auto& claimed = listener->_claimedTouches;
                bool isClaimed = false;
                if (code == EventTouch::EventCode::BEGAN) {
                    if (listener->onTouchBegan) {
                        isClaimed = listener->onTouchBegan(touch, event);
                        if (isClaimed && listener->isRegistered()) {
                            claimed.push_back(touch);
                        }
                    }
                } else {
                    const auto it = std::find(claimed.begin(), claimed.end(), touch);
                    isClaimed = it != claimed.end();
                    if (isClaimed) {
                        if (code != EventTouch::EventCode::MOVED) {
                            claimed.erase(it);
                        }
                        const auto& callback =
                            code == EventTouch::EventCode::MOVED   ? listener->onTouchMoved
                            : code == EventTouch::EventCode::ENDED ? listener->onTouchEnded
                                                                   : listener->onTouchCancelled;
                        if (callback) {
                            callback(touch, event);
                        }
                    }
                }
                if (event->isStopped()) {
                    return true;
                }
                if (isClaimed && listener->isRegistered() && listener->isSwallowTouches()) {
                    swallowed = true;
                    return true;
                }
                return false;
            };
            runOnce(oneByOne, onTouch);
            if (event->isStopped()) {
                return;
            }
            if (swallowed) {
                remaining.erase(std::remove(remaining.begin(), remaining.end(), touch),
                                remaining.end());
            }
        }
    }
    if (allAtOnce.empty() || remaining.empty()) {
        return;
    }
    const auto onTouches = [&](EventListener* base) {
        auto* listener = static_cast<EventListenerTouchAllAtOnce*>(base);
        event->setCurrentTarget(listener->_node);
        const auto& callback = code == EventTouch::EventCode::BEGAN   ? listener->onTouchesBegan
                               : code == EventTouch::EventCode::MOVED ? listener->onTouchesMoved
                               : code == EventTouch::EventCode::ENDED
                                   ? listener->onTouchesEnded
                                   : listener->onTouchesCancelled;
        if (callback) {
            callback(remaining, event);
        }
        return event->isStopped();
    };
    runOnce(allAtOnce, onTouches);
}

}  // namespace cocos2d
