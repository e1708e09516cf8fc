#include "engine/2d/ActionManager.h"

#include <algorithm>

#include "engine/2d/Action.h"
#include "engine/2d/Node.h"

namespace cocos2d {

struct ActionManager::Element {
    Node* target = nullptr;        // retained
    std::vector<Action*> actions;  // retained
    bool paused = false;
    // While the element's actions are being stepped: position of the action in its step.
    bool stepping = false;
    std::size_t index = 0;
    bool currentRemoved = false;
};

ActionManager::ActionManager() = default;

ActionManager::~ActionManager() {
    removeAllActions();
}

std::shared_ptr<ActionManager::Element> ActionManager::findElement(const Node* target) const {
    auto found = _elementsByTarget.find(target);
    return found == _elementsByTarget.end() ? nullptr : found->second;
}

void ActionManager::addAction(Action* action, Node* target, bool paused) {
    if (action == nullptr || target == nullptr) {
        return;
    }
    std::shared_ptr<Element> element = findElement(target);
    if (element == nullptr) {
        element = std::make_shared<Element>();
        element->target = target;
        element->paused = paused;
        target->retain();
        _elements.push_back(element);
        _elementsByTarget[target] = element;
    } else if (std::find(element->actions.begin(), element->actions.end(), action) !=
               element->actions.end()) {
        return;
    }
    action->retain();
    element->actions.push_back(action);
    action->startWithTarget(target);
}

void ActionManager::removeActionAt(Element& element, std::size_t index) {
    Action* action = element.actions[index];
    element.actions.erase(element.actions.begin() + static_cast<std::ptrdiff_t>(index));
    if (element.stepping) {
        if (index == element.index) {
            element.currentRemoved = true;
        }
        // The loop's increment then lands on the action that followed the removed one
        // (unsigned wrap-around from 0 included).
        if (index <= element.index) {
            --element.index;
        }
    }
    action->release();
}

void ActionManager::removeAllActions() {
    for (const auto& element : std::vector<std::shared_ptr<Element>>(_elements)) {
        removeAllActionsFromTarget(element->target);
    }
}

void ActionManager::removeAllActionsFromTarget(Node* target) {
    std::shared_ptr<Element> element = findElement(target);
    if (element == nullptr) {
        return;
    }
    while (!element->actions.empty()) {
        removeActionAt(*element, element->actions.size() - 1);
    }
    if (!_updating) {
        dropEmptyElements();
    }
}

void ActionManager::removeAction(Action* action) {
    if (action == nullptr) {
        return;
    }
    std::shared_ptr<Element> element = findElement(action->getOriginalTarget());
    if (element == nullptr) {
        return;
    }
    auto found = std::find(element->actions.begin(), element->actions.end(), action);
    if (found == element->actions.end()) {
        return;
    }
    removeActionAt(*element, static_cast<std::size_t>(found - element->actions.begin()));
    if (!_updating) {
        dropEmptyElements();
    }
}

void ActionManager::removeActionByTag(int tag, Node* target) {
    std::shared_ptr<Element> element = findElement(target);
    if (element == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < element->actions.size(); ++i) {
        if (element->actions[i]->getTag() == tag) {
            removeActionAt(*element, i);
            break;
        }
    }
    if (!_updating) {
        dropEmptyElements();
    }
}

Action* ActionManager::getActionByTag(int tag, const Node* target) const {
    std::shared_ptr<const Element> element = findElement(target);
    if (element == nullptr) {
        return nullptr;
    }
    for (Action* action : element->actions) {
        if (action->getTag() == tag) {
            return action;
        }
    }
    return nullptr;
}

ssize_t ActionManager::getNumberOfRunningActionsInTarget(const Node* target) const {
    std::shared_ptr<const Element> element = findElement(target);
    return element == nullptr ? 0 : static_cast<ssize_t>(element->actions.size());
}

void ActionManager::pauseTarget(Node* target) {
    if (std::shared_ptr<Element> element = findElement(target)) {
        element->paused = true;
    }
}

void ActionManager::resumeTarget(Node* target) {
    if (std::shared_ptr<Element> element = findElement(target)) {
        element->paused = false;
    }
}

bool ActionManager::isTargetPaused(const Node* target) const {
    std::shared_ptr<const Element> element = findElement(target);
    return element != nullptr && element->paused;
}

void ActionManager::update(float dt) {
    const bool outermost = !_updating;
    _updating = true;
    // Elements added during the frame are appended and visited too.
    for (std::size_t e = 0; e < _elements.size(); ++e) {
        std::shared_ptr<Element> element = _elements[e];
        if (element->paused || element->stepping) {
            continue;
        }
        element->stepping = true;
        for (element->index = 0; element->index < element->actions.size(); ++element->index) {
            Action* action = element->actions[element->index];
            action->retain();
            element->currentRemoved = false;
            action->step(dt);
            if (!element->currentRemoved && action->isDone()) {
                action->stop();
                if (!element->currentRemoved) {
                    removeActionAt(*element, element->index);
                }
            }
            action->release();
        }
        element->stepping = false;
    }
    if (outermost) {
        _updating = false;
        dropEmptyElements();
    }
}

void ActionManager::dropEmptyElements() {
    std::vector<Node*> released;
    auto keep = std::stable_partition(_elements.begin(), _elements.end(), [](const auto& element) {
        return !element->actions.empty();
    });
    for (auto it = keep; it != _elements.end(); ++it) {
        _elementsByTarget.erase((*it)->target);
        released.push_back((*it)->target);
    }
    _elements.erase(keep, _elements.end());
    for (Node* target : released) {
        target->release();
    }
}

}  // namespace cocos2d
