#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/Macros.h"
#include "engine/math/Mat4.h"
#include "engine/math/Vec2.h"
#include "engine/math/Vec3.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isNodeObject.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/widgets/NSLayout.h"

namespace isImageSDK {

class isNodeSprite;

// A rectangular panel that draws image content with cameras of its own. The main camera draws
// the actor nodes (world content, children of the panel); the overlay camera draws the overlay
// nodes (children only while the panel is drawn). Both keep the engine's viewport: an
// additional projection squeezes their picture into the panel's rectangle and a pass scissor
// cuts off the rest, so any number of panels share one screen.
//
// Each living panel holds two camera flags of its own (integers ≥ 2, compared exactly), taken
// when it first enters a scene from a process-wide free list and given back when it dies; a
// panel that leaves and re-enters keeps them, so no two panels ever see each other's nodes.
//
// Camera operations announce every change with the camera-changed key, a burst within one tick
// reaching observers once. Main thread only.
class isRenderWindowBase : public NSUI::NSLayout,
                           public isNodeObject,
                           public NSUI::NSNotificationKey {
public:
    CREATE_FUNC(isRenderWindowBase);

    bool init() override;
    // Re-fits both cameras' panel projection (when both sides exceed 1) and announces the
    // panel's new place.
    void setContentSize(const cocos2d::Size& size) override;
    void setPosition(const cocos2d::Vec2& position) override;
    // Moves the background in front of (false) or behind (true) the content; the engine's own
    // visibility stays on.
    void setVisible(bool visible) override;
    void setParent(cocos2d::Node* parent) override;
    void onEnter() override;
    void cleanup() override;
    void visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
               uint32_t parentFlags) override;
    bool isVisitableByVisitingCamera() const override;
    void onBeforeVisit() override;
    void onAfterVisit() override;
    void forgetLinks() override;

    virtual void addActorNode(cocos2d::Node* node);
    virtual void removeActorNode(cocos2d::Node* node);
    virtual void addOverlayNode(cocos2d::Node* node);
    virtual void clearOverlayNodes();
    virtual void removeOverlayNode(cocos2d::Node* node);
    virtual void setCameraEye(const cocos2d::Vec3& eye);
    virtual void setCameraLookAt(const cocos2d::Vec3& center, const cocos2d::Vec3& up);
    virtual isCameraState getCameraState() const;
    // Window point to a point on the shown image; the viewers implement it.
    virtual bool pickPoint(const cocos2d::Vec2& windowPoint, cocos2d::Vec3& worldPoint);
    // GL view point to a ray of the main camera: origin on the near plane, unit direction.
    virtual void screenToRay(const cocos2d::Vec2& glPoint, cocos2d::Vec3& origin,
                             cocos2d::Vec3& direction);
    virtual bool isFocusVisible() const;
    virtual void onViewChanged();
    // Announces a camera change (key 9104 to the window's group), replacing one still queued.
    virtual void postCameraChanged();

    cocos2d::Vec3 getCameraCenter() const;
    void getCameraCenterAndUp(cocos2d::Vec3& center, cocos2d::Vec3& up) const;
    // Re-aims both cameras at a new centre; no view-changed call, no background update.
    void setCameraCenter(const cocos2d::Vec3& center);
    // Orthographic zoom of both cameras; nothing for a perspective main camera.
    void setZoom(float zoom);
    // Point of the window's space to a window point of the main camera.
    cocos2d::Vec2 worldToScreen(const cocos2d::Vec3& point) const;
    void setWhiteBackground(bool white);
    bool isWhiteBackground() const { return _whiteBackground; }
    // Keeps the background square covering the panel just inside the far (shown) or near plane.
    void updateBackground();

    // Camera operations (each announces the change).
    // A factor above 1 enlarges the picture.
    void zoomBy(float factor);
    // Screen pixels, through pickPoint; nothing when a pick fails.
    void panBy(float dx, float dy);
    void setFocusPoint(const cocos2d::Vec3& point);
    void flipHorizontal();
    void flipVertical();
    void rotateHorizontal(float radians);
    void rollView(float radians);
    // Scale relative to the base scale; no announcement.
    void setViewScale(float scale);
    // Grows as the picture is enlarged.
    float getPixelScale() const;

    isCamera* getMainCamera() const { return _mainCamera; }
    isCamera* getOverlayCamera() const { return _overlayCamera; }
    const std::vector<cocos2d::Node*>& getActorNodes() const { return _actorNodes; }
    const std::vector<cocos2d::Node*>& getOverlayNodes() const { return _overlayNodes; }
    isNodeSprite* getBackground() const { return _background; }
    float getBaseScale() const { return _baseScale; }
    void setBaseScale(float scale) { _baseScale = scale; }
    bool isShown() const { return _shown; }

    // Camera flags held by living windows, ascending.
    static std::vector<unsigned short> flagsInUse();

protected:
    isRenderWindowBase() = default;
    ~isRenderWindowBase() override;

    void removeOwnObservers();
    // Posts the panel's place (key 9119, the window as the data's object).
    void postPlaceChanged();

    std::vector<cocos2d::Node*> _actorNodes;
    std::vector<cocos2d::Node*> _overlayNodes;
    float _baseScale = 1.0f;
    isCamera* _mainCamera = nullptr;
    isCamera* _overlayCamera = nullptr;
    unsigned int _lastVisitedFrame = 0;
    isNodeSprite* _background = nullptr;
    bool _whiteBackground = false;
    bool _shown = false;
    // Set at the end of init: size and place changes before it fit and announce nothing.
    bool _ready = false;
    bool _overlaysAttached = false;

private:
    bool isOverlayPass() const;
    // Takes the smallest free flag ≥ 2 for a camera still carrying the default flag.
    void assignFlag(isCamera* camera);
    // Gives the node and its subtree exactly the one camera flag.
    static void applyFlag(cocos2d::Node* node, unsigned short flag);
};

}  // namespace isImageSDK
