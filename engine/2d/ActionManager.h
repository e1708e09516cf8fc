#pragma once

#include <sys/types.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/base/Ref.h"

namespace cocos2d {

class Action;
class Node;

// Steps the running actions of every node, once per frame through `update` (the director
// schedules its manager as a system per-frame update of its scheduler).
//
// Actions of one target run in the order they were added; targets in the order of their first
// action. A target with actions is retained until its last action is gone; each action is
// retained while it runs. A finished action gets `stop` and is removed in the frame it ended.
// Actions may be added and removed from inside any action's step (a called function may stop
// its own node's actions); a removed action gets no further step, and an action added during
// the frame takes its first step in that frame.
//
// A target's pause state is set when its first action is added and changed by
// `pauseTarget`/`resumeTarget`; paused targets keep their actions without stepping them.
// Main thread only.
class ActionManager : public Ref {
public:
    ActionManager();
    ~ActionManager() override;

    ActionManager(const ActionManager&) = delete;
    ActionManager& operator=(const ActionManager&) = delete;

    // Starts the action on the target. An action that already runs on the target is left alone.
    void addAction(Action* action, Node* target, bool paused);

    void removeAllActions();
    void removeAllActionsFromTarget(Node* target);
    // Removes without calling `stop`.
    void removeAction(Action* action);
    // The first action with the tag.
    void removeActionByTag(int tag, Node* target);

    Action* getActionByTag(int tag, const Node* target) const;
    ssize_t getNumberOfRunningActionsInTarget(const Node* target) const;

    void pauseTarget(Node* target);
    void resumeTarget(Node* target);
    bool isTargetPaused(const Node* target) const;

    void update(float dt);

private:
    struct Element;

    // Shared, so that an element stays valid while releases made through it run code that
    // changes the lists.
    std::shared_ptr<Element> findElement(const Node* target) const;
    void removeActionAt(Element& element, std::size_t index);
    // Drops elements without actions; their targets are released after they left the lists.
    void dropEmptyElements();

    std::vector<std::shared_ptr<Element>> _elements;  // in order of their first action
    std::unordered_map<const Node*, std::shared_ptr<Element>> _elementsByTarget;
    bool _updating = false;
};

}  // namespace cocos2d
