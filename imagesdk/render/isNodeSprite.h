#pragma once

#include <cstdint>
#include <string>

#include "engine/2d/Sprite.h"
#include "engine/base/Macros.h"
#include "engine/math/Mat4.h"
#include "engine/renderer/ClippingProtocol.h"
#include "imagesdk/render/isNodeObject.h"

namespace isImageSDK {

// A sprite placed in 3D by a matrix: its node-to-parent transform comes from the 3D position,
// rotation and scale alone (no anchor point, no skew). It draws with the depth test (3D queue)
// and only for the cameras of the render window it is handed to, never for the default camera.
class isNodeSprite : public cocos2d::Sprite, public cocos2d::ClippingProtocol, public isNodeObject {
public:
    CREATE_FUNC(isNodeSprite);

    bool init() override;
    // Spare pointer for the owner; the image node reuses the slot for its notification group.
    virtual void setUserPointer(void* pointer);
    void* getUserPointer() const { return _userPointer; }

    // Loads the texture and resets the placement to the identity.
    void setTexture(const std::string& filename) override;
    void setTexture(cocos2d::Texture2D* texture) override;
    // Places the sprite: translation from the matrix, rotation from its Euler angles.
    void setMatrix(const cocos2d::Mat4& matrix);
    const cocos2d::Mat4& getMatrix() const { return _matrix; }

    const cocos2d::Mat4& getNodeToParentTransform() const override;
    void draw(cocos2d::Renderer* renderer, const cocos2d::Mat4& transform, uint32_t flags) override;

    void setBlend(bool blend) { _blend = blend ? 1 : 0; }
    bool isBlend() const { return _blend != 0; }

protected:
    isNodeSprite() = default;
    ~isNodeSprite() override;

private:
    cocos2d::Mat4 _matrix;
    void* _userPointer = nullptr;
    uint8_t _blend = 0;
};

}  // namespace isImageSDK
