#pragma once

#include "engine/2d/Node.h"

namespace cocos2d {

// A node with a second, protected list of children that the ordinary child operations do not
// see (widgets keep their inner parts there). Protected children are visited, entered, exited
// and cleaned up with the node, merged with the ordinary children by local z order.
class ProtectedNode : public Node {
public:
    static ProtectedNode* create();

    virtual void addProtectedChild(Node* child);
    virtual void addProtectedChild(Node* child, int localZOrder);
    virtual void addProtectedChild(Node* child, int localZOrder, int tag);
    virtual Node* getProtectedChildByTag(int tag);
    virtual void removeProtectedChild(Node* child, bool cleanup = true);
    virtual void removeProtectedChildByTag(int tag, bool cleanup = true);
    virtual void removeAllProtectedChildren();
    virtual void removeAllProtectedChildrenWithCleanup(bool cleanup);
    virtual void reorderProtectedChild(Node* child, int localZOrder);
    virtual void sortAllProtectedChildren();
    const Vector<Node*>& getProtectedChildren() const { return _protectedChildren; }

    void visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) override;
    void cleanup() override;
    void onEnter() override;
    void onEnterTransitionDidFinish() override;
    void onExitTransitionDidStart() override;
    void onExit() override;
    void setCameraMask(unsigned short flag, bool applyChildren = true) override;
    void removeCameraMask(unsigned short flag, bool applyChildren = true) override;
    void updateDisplayedOpacity(uint8_t parentOpacity) override;
    void updateDisplayedColor(const Color3B& parentColor) override;

protected:
    ProtectedNode() = default;
    ~ProtectedNode() override;

    void disableCascadeColor() override;
    void disableCascadeOpacity() override;

    Vector<Node*> _protectedChildren;
    bool _reorderProtectedChildDirty = false;
};

}  // namespace cocos2d
