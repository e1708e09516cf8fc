#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/base/Scheduler.h"
#include "engine/base/Types.h"
#include "engine/base/Vector.h"
#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"
#include "engine/math/Quaternion.h"
#include "engine/math/Vec2.h"
#include "engine/math/Vec3.h"

namespace cocos2d {

class Action;
class ActionManager;
class Camera;
class EventDispatcher;
class EventListenerKeyboard;
class GLProgram;
class GLProgramState;
class Renderer;
class Scene;
class Touch;

// Flag of the default camera; every node starts with it in its camera-flag list.
enum class CameraFlag : unsigned short {
    DEFAULT = 1,
};

// A node of the scene graph: a place in the hierarchy, a transform, a colour, schedules and
// the hooks of the frame (visit, draw) and of the lifecycle (enter, exit, cleanup).
//
// Children are kept sorted by local z order, ties in the order they were added or last
// reordered. A node draws after the children with negative local z and before the rest.
//
// Cameras: each node keeps a list of 16-bit camera flags (initially the default camera's
// flag 1). A camera pass visits a node when the camera's flag is in that list; otherwise the
// node and its subtree are skipped, unless the node lets the visit through to its children
// (`enableCameraVisitThroughtChild`), in which case only its own drawing is skipped.
class Node : public Ref {
public:
    static const int INVALID_TAG = -1;

    enum {
        FLAGS_TRANSFORM_DIRTY = (1 << 0),
        FLAGS_CONTENT_SIZE_DIRTY = (1 << 1),
        FLAGS_RENDER_AS_3D = (1 << 3),
        FLAGS_DIRTY_MASK = (FLAGS_TRANSFORM_DIRTY | FLAGS_CONTENT_SIZE_DIRTY),
    };

    static Node* create();
    virtual bool init();

    // Z orders.
    virtual void setLocalZOrder(int localZOrder);
    virtual int getLocalZOrder() const { return _localZOrder; }
    // Orders the drawing of the whole graph; also the first key of scene-graph event priority.
    virtual void setGlobalZOrder(float globalZOrder);
    virtual float getGlobalZOrder() const { return _globalZOrder; }

    // Scale.
    virtual void setScaleX(float scaleX);
    virtual float getScaleX() const { return _scaleX; }
    virtual void setScaleY(float scaleY);
    virtual float getScaleY() const { return _scaleY; }
    virtual void setScaleZ(float scaleZ);
    virtual float getScaleZ() const { return _scaleZ; }
    virtual void setScale(float scale);
    virtual void setScale(float scaleX, float scaleY);
    // The X scale (meaningful when X and Y agree).
    virtual float getScale() const { return _scaleX; }

    // Position of the anchor point in the parent's space.
    virtual void setPosition(const Vec2& position);
    virtual void setPosition(float x, float y);
    virtual const Vec2& getPosition() const { return _position; }
    virtual void getPosition(float* x, float* y) const;
    virtual void setPositionX(float x);
    virtual float getPositionX() const { return _position.x; }
    virtual void setPositionY(float y);
    virtual float getPositionY() const { return _position.y; }
    virtual void setPositionZ(float z);
    virtual float getPositionZ() const { return _positionZ; }
    virtual void setPosition3D(const Vec3& position);
    virtual Vec3 getPosition3D() const;

    // Skew in degrees.
    virtual void setSkewX(float skewX);
    virtual float getSkewX() const { return _skewX; }
    virtual void setSkewY(float skewY);
    virtual float getSkewY() const { return _skewY; }

    // Normalised (0..1 of the content size); (0, 0) bottom-left.
    virtual void setAnchorPoint(const Vec2& anchorPoint);
    virtual const Vec2& getAnchorPoint() const { return _anchorPoint; }
    virtual const Vec2& getAnchorPointInPoints() const { return _anchorPointInPoints; }
    virtual void setIgnoreAnchorPointForPosition(bool ignore);
    virtual bool isIgnoreAnchorPointForPosition() const { return _ignoreAnchorPointForPosition; }

    virtual void setContentSize(const Size& contentSize);
    virtual const Size& getContentSize() const { return _contentSize; }

    virtual void setVisible(bool visible);
    virtual bool isVisible() const { return _visible; }

    // Rotation in degrees, clockwise about Z.
    virtual void setRotation(float rotation);
    virtual float getRotation() const { return _rotationZ_X; }
    // Euler angles in degrees, applied X, then Y, then Z.
    virtual void setRotation3D(const Vec3& rotation);
    virtual Vec3 getRotation3D() const;
    virtual void setRotationQuat(const Quaternion& quat);
    virtual Quaternion getRotationQuat() const { return _rotationQuat; }

    // Hierarchy.
    virtual void addChild(Node* child);
    virtual void addChild(Node* child, int localZOrder);
    virtual void addChild(Node* child, int localZOrder, int tag);
    virtual void addChild(Node* child, int localZOrder, const std::string& name);
    virtual Node* getChildByTag(int tag) const;
    virtual Node* getChildByName(const std::string& name) const;
    template <typename T> T getChildByName(const std::string& name) const {
        return static_cast<T>(getChildByName(name));
    }
    // Search of the whole subtree, parents before their children and children in the order
    // of `getChildren` (pre-order, depth first); the node itself is not a candidate.
    Node* getChildByNameDeep(const std::string& name) const;
    Node* getChildByTagDeep(int tag) const;
    virtual Vector<Node*>& getChildren() { return _children; }
    virtual const Vector<Node*>& getChildren() const { return _children; }
    virtual ssize_t getChildrenCount() const { return _children.size(); }
    virtual void setParent(Node* parent);
    virtual Node* getParent() { return _parent; }
    virtual const Node* getParent() const { return _parent; }
    virtual void removeFromParent();
    virtual void removeFromParentAndCleanup(bool cleanup);
    virtual void removeChild(Node* child, bool cleanup = true);
    virtual void removeChildByTag(int tag, bool cleanup = true);
    virtual void removeChildByName(const std::string& name, bool cleanup = true);
    virtual void removeAllChildren();
    virtual void removeAllChildrenWithCleanup(bool cleanup);
    virtual void reorderChild(Node* child, int localZOrder);
    virtual void sortAllChildren();
    // Gives every child a local z order above all current ones, keeping their present order,
    // so that they stay in front of any sibling added later with an ordinary z order.
    void updateChildrenToHighZOrder();

    virtual int getTag() const { return _tag; }
    virtual void setTag(int tag) { _tag = tag; }
    virtual const std::string& getName() const { return _name; }
    virtual void setName(const std::string& name) { _name = name; }
    virtual void* getUserData() { return _userData; }
    virtual void setUserData(void* userData) { _userData = userData; }
    virtual Ref* getUserObject() { return _userObject; }
    // Retained.
    virtual void setUserObject(Ref* userObject);
    const std::string& getUserString() const { return _userString; }
    void setUserString(const std::string& text) { _userString = text; }

    // Lifecycle. A node is running between onEnter and onExit; a child added to a running
    // node enters at once.
    virtual bool isRunning() const { return _running; }
    virtual void onEnter();
    virtual void onEnterTransitionDidFinish();
    virtual void onExitTransitionDidStart();
    virtual void onExit();
    // Stops the node's schedules and those of its subtree.
    virtual void cleanup();

    // Frame.
    virtual void draw(Renderer* renderer, const Mat4& transform, uint32_t flags);
    virtual void visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags);
    // Around each visit of the node's subtree (not called when the visiting camera skips it).
    virtual void onBeforeVisit() {}
    virtual void onAfterVisit() {}
    virtual Scene* getScene() const;
    virtual Rect getBoundingBox() const;

    // Events.
    virtual void setEventDispatcher(EventDispatcher* dispatcher);
    virtual EventDispatcher* getEventDispatcher() const { return _eventDispatcher; }
    // The back key (Escape on the desktop): a node that enabled it is asked in scene-graph
    // order; returning true consumes the key.
    virtual bool onResponseReturn() { return false; }
    void enableAndroidReturnKey(bool enable = true);

    // Schedules, through the director's scheduler; they run only while the node runs.
    virtual void setScheduler(Scheduler* scheduler);
    virtual Scheduler* getScheduler() const { return _scheduler; }
    bool isScheduled(SEL_SCHEDULE selector) const;
    bool isScheduled(const std::string& key) const;
    void scheduleUpdate();
    void scheduleUpdateWithPriority(int priority);
    void unscheduleUpdate();
    void schedule(SEL_SCHEDULE selector);
    void schedule(SEL_SCHEDULE selector, float interval);
    void schedule(SEL_SCHEDULE selector, float interval, unsigned int repeat, float delay);
    void scheduleOnce(SEL_SCHEDULE selector, float delay);
    void scheduleOnce(const std::function<void(float)>& callback, float delay,
                      const std::string& key);
    void schedule(const std::function<void(float)>& callback, const std::string& key);
    void schedule(const std::function<void(float)>& callback, float interval,
                  const std::string& key);
    void schedule(const std::function<void(float)>& callback, float interval, unsigned int repeat,
                  float delay, const std::string& key);
    void unschedule(SEL_SCHEDULE selector);
    void unschedule(const std::string& key);
    virtual void unscheduleAllCallbacks();
    virtual void resume();
    virtual void pause();
    virtual void update(float delta);

    // Actions, through the director's action manager. They run while the node runs: a node that
    // has not entered, has exited or is paused keeps its actions without stepping them, and
    // cleanup stops them.
    virtual void setActionManager(ActionManager* actionManager);
    virtual ActionManager* getActionManager() const { return _actionManager; }
    // Returns the action.
    virtual Action* runAction(Action* action);
    void stopAllActions();
    void stopAction(Action* action);
    void stopActionByTag(int tag);
    Action* getActionByTag(int tag);
    ssize_t getNumberOfRunningActions() const;

    // Transforms.
    virtual const Mat4& getNodeToParentTransform() const;
    // Transform to the space of `ancestor` (to world space when it is not an ancestor).
    virtual Mat4 getNodeToParentTransform(Node* ancestor) const;
    // Replaces the computed transform until position, rotation, scale, skew or anchor change.
    virtual void setNodeToParentTransform(const Mat4& transform);
    virtual const Mat4& getParentToNodeTransform() const;
    virtual Mat4 getNodeToWorldTransform() const;
    virtual Mat4 getWorldToNodeTransform() const;
    // Applied after the node's own transform; null (or identity) removes it.
    virtual void setAdditionalTransform(const Mat4* additionalTransform);
    virtual void setAdditionalTransform(const Mat4& additionalTransform);

    Vec2 convertToNodeSpace(const Vec2& worldPoint) const;
    Vec2 convertToWorldSpace(const Vec2& nodePoint) const;
    // Relative to the anchor point.
    Vec2 convertToNodeSpaceAR(const Vec2& worldPoint) const;
    Vec2 convertToWorldSpaceAR(const Vec2& nodePoint) const;
    Vec2 convertTouchToNodeSpace(Touch* touch) const;
    Vec2 convertTouchToNodeSpaceAR(Touch* touch) const;

    // Colour and opacity; with cascading on, a node's displayed value is its own modulated by
    // its parent's displayed value.
    virtual uint8_t getOpacity() const { return _realOpacity; }
    virtual uint8_t getDisplayedOpacity() const { return _displayedOpacity; }
    virtual void setOpacity(uint8_t opacity);
    virtual void updateDisplayedOpacity(uint8_t parentOpacity);
    virtual bool isCascadeOpacityEnabled() const { return _cascadeOpacityEnabled; }
    virtual void setCascadeOpacityEnabled(bool cascadeOpacityEnabled);
    virtual const Color3B& getColor() const { return _realColor; }
    virtual const Color3B& getDisplayedColor() const { return _displayedColor; }
    virtual void setColor(const Color3B& color);
    virtual void updateDisplayedColor(const Color3B& parentColor);
    virtual bool isCascadeColorEnabled() const { return _cascadeColorEnabled; }
    virtual void setCascadeColorEnabled(bool cascadeColorEnabled);
    virtual void setOpacityModifyRGB(bool value) { _opacityModifyRGB = value; }
    virtual bool isOpacityModifyRGB() const { return _opacityModifyRGB; }

    // The program the node's draw commands use; none headless. Setting a program gives the node
    // a state of its own for it.
    GLProgram* getGLProgram() const;
    virtual void setGLProgram(GLProgram* glprogram);
    GLProgramState* getGLProgramState() const { return _glProgramState; }
    virtual void setGLProgramState(GLProgramState* glProgramState);

    // Camera flags. `setCameraMask` adds a flag to the list, `removeCameraMask` takes it out;
    // with `applyChildren` the whole subtree changes alike.
    virtual void setCameraMask(unsigned short flag, bool applyChildren = true);
    virtual void removeCameraMask(unsigned short flag, bool applyChildren = true);
    // The first flag of the list, 0 when it is empty.
    unsigned short getCameraMask() const;
    const std::vector<unsigned short>& getCameraFlags() const { return _cameraFlags; }
    bool hasCameraFlag(unsigned short flag) const;
    // Whether the camera being visited (Camera::_visitingCamera) carries one of this node's
    // flags; true when no camera is being visited.
    virtual bool isVisitableByVisitingCamera() const;
    // Lets camera passes that do not see this node still reach its children; the ancestors
    // get the same, now and when this node is attached to a new parent.
    void enableCameraVisitThroughtChild();
    bool isCameraVisitThroughtChild() const { return _cameraVisitThroughChild; }

protected:
    Node();
    ~Node() override;

    // Children with an equal local z order keep the order of arrival.
    void _setLocalZOrder(int z);
    // After a change of position, rotation, scale, skew, anchor or size.
    void setTransformDirty();
    void updateOrderOfArrival();
    uint32_t processParentFlags(const Mat4& parentTransform, uint32_t parentFlags);
    Mat4 transform(const Mat4& parentTransform);
    void addChildHelper(Node* child, int localZOrder, int tag, const std::string& name,
                        bool setTag);
    void detachChild(Node* child, ssize_t index, bool cleanup);
    void childrenAlloc();
    void insertChild(Node* child, int z);
    void updateRotationQuat();
    void updateRotation3D();
    virtual void updateCascadeOpacity();
    virtual void disableCascadeOpacity();
    virtual void updateCascadeColor();
    virtual void disableCascadeColor();
    virtual void updateColor() {}

    float _rotationX = 0.0f;
    float _rotationY = 0.0f;
    // Rotation about Z; 2D rotation.
    float _rotationZ_X = 0.0f;
    float _rotationZ_Y = 0.0f;
    Quaternion _rotationQuat;

    float _scaleX = 1.0f;
    float _scaleY = 1.0f;
    float _scaleZ = 1.0f;

    Vec2 _position;
    float _positionZ = 0.0f;
    float _skewX = 0.0f;
    float _skewY = 0.0f;

    Vec2 _anchorPointInPoints;
    Vec2 _anchorPoint;
    Size _contentSize;
    bool _contentSizeDirty = true;

    Mat4 _modelViewTransform;
    mutable Mat4 _transform;
    mutable bool _transformDirty = true;
    mutable Mat4 _inverse;
    mutable bool _inverseDirty = true;
    Mat4* _additionalTransform = nullptr;
    bool _additionalTransformDirty = false;
    bool _transformUpdated = true;

    int _localZOrder = 0;
    uint32_t _orderOfArrival = 0;
    float _globalZOrder = 0.0f;

    Vector<Node*> _children;
    Node* _parent = nullptr;
    bool _reorderChildDirty = false;

    int _tag = INVALID_TAG;
    std::string _name;
    void* _userData = nullptr;
    Ref* _userObject = nullptr;
    std::string _userString;

    Scheduler* _scheduler = nullptr;
    ActionManager* _actionManager = nullptr;
    EventDispatcher* _eventDispatcher = nullptr;
    EventListenerKeyboard* _returnKeyListener = nullptr;

    bool _running = false;
    // Set by onEnterTransitionDidFinish; a child added from then on gets that call at once.
    bool _isTransitionFinished = false;
    bool _visible = true;
    bool _ignoreAnchorPointForPosition = false;

    uint8_t _displayedOpacity = 255;
    uint8_t _realOpacity = 255;
    Color3B _displayedColor = Color3B::WHITE;
    Color3B _realColor = Color3B::WHITE;
    GLProgramState* _glProgramState = nullptr;
    bool _cascadeColorEnabled = false;
    bool _cascadeOpacityEnabled = false;
    bool _opacityModifyRGB = false;

    std::vector<unsigned short> _cameraFlags;
    bool _cameraVisitThroughChild = false;

private:
    static uint32_t s_globalOrderOfArrival;

    friend class EventDispatcher;
    friend class ProtectedNode;
};

}  // namespace cocos2d
