#pragma once

#include <vector>

#include "engine/2d/Node.h"

namespace cocos2d {

class Camera;

// Root of what the director shows. Owns a default camera (flag 1) and keeps the list of all
// cameras in its subtree sorted by depth (stable: equal depths in the order they entered).
class Scene : public Node {
public:
    static Scene* create();
    static Scene* createWithSize(const Size& size);

    bool init() override;
    bool initWithSize(const Size& size);

    const std::vector<Camera*>& getCameras();
    Camera* getDefaultCamera() const { return _defaultCamera; }

    // One camera pass per camera, lowest depth first: the camera is applied (viewport, and
    // depth cleared for every pass after the first), the scene visited with it, and the
    // renderer run.
    virtual void render(Renderer* renderer, const Mat4& eyeTransform);

    // Shows `node` as the scene's message node for `seconds`, after which it is hidden. A new
    // message node replaces the previous one and its timer.
    void setMessageNode(Node* node, float seconds);
    Node* getMessageNode() const { return _messageNode; }

    // Keeps the default camera.
    void removeAllChildren() override;

protected:
    Scene();
    ~Scene() override;

    void addCamera(Camera* camera);
    void removeCamera(Camera* camera);
    void sortCameras();

    Camera* _defaultCamera = nullptr;
    std::vector<Camera*> _cameras;
    bool _cameraOrderDirty = true;
    Node* _messageNode = nullptr;

    friend class Camera;
};

}  // namespace cocos2d
