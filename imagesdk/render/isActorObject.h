#pragma once

#include <vector>

#include "engine/2d/Node.h"
#include "imagesdk/data/isObject.h"

namespace isImageSDK {

class isRenderWindowBase;

// Base of the actors: a model object that owns scene nodes and hands them to one render window
// once attached. The nodes sit in three lists by the camera that draws them: plain children of
// the window, actor nodes (the window's main camera) and overlay nodes (its overlay camera).
// Every list holds its nodes retained, in insertion order, without duplicates. Main thread only.
class isActorObject : public isObject {
public:
    ~isActorObject() override;
    // Removes the actor's observers and releases the window and every node, emptying the lists;
    // the nodes stay in the window, which holds its own references (see detachNodes).
    void cleanup() override;
    bool init() override;
    // Retains the window and hands every node over; nothing when a window is already set.
    virtual void attachToWindow(isRenderWindowBase* window);
    virtual void setActive(bool active);
    // Shows or hides every node of the three lists; nothing before a window is attached.
    virtual void setVisible(bool visible);

    // Tag the node with the actor's id, keep it and, when attached, hand it over at once.
    void addChildNode(cocos2d::Node* node);
    void addActorNode(cocos2d::Node* node);
    // Takes every node out of the window (children with cleanup); the lists keep them.
    virtual void detachNodes();

    isRenderWindowBase* getWindow() const { return _window; }
    bool isActive() const { return _active != 0; }
    const std::vector<cocos2d::Node*>& getChildNodes() const { return _childNodes; }
    const std::vector<cocos2d::Node*>& getActorNodes() const { return _actorNodes; }
    const std::vector<cocos2d::Node*>& getOverlayNodes() const { return _overlayNodes; }

protected:
    isActorObject() = default;

    // For derived actors: keeps an overlay node (handed over on attach, or at once when
    // attached).
    void addOverlayNode(cocos2d::Node* node);

    std::vector<cocos2d::Node*> _childNodes;
    std::vector<cocos2d::Node*> _actorNodes;
    std::vector<cocos2d::Node*> _overlayNodes;
    isRenderWindowBase* _window = nullptr;
    unsigned char _active = 0;

private:
    // Appends the node retained unless listed already; false when it was.
    bool keep(std::vector<cocos2d::Node*>& list, cocos2d::Node* node);
};

}  // namespace isImageSDK
