#pragma once

#include <cstdint>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/base/Macros.h"
#include "engine/base/Types.h"
#include "engine/math/Vec3.h"
#include "engine/renderer/ClippingProtocol.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/GLDrawing.h"
#include "imagesdk/render/isNodeObject.h"

namespace isImageSDK {

// Coloured 3D line segments in world coordinates, drawn in one call under the render window's
// cameras (never the default camera), inside the node's clipping rectangle. Owners empty
// `vertices` before each redraw. Main thread.
class isNodeLine : public cocos2d::Node, public cocos2d::ClippingProtocol, public isNodeObject {
public:
    CREATE_FUNC(isNodeLine);

    bool init() override;

    // Appends the segment as two vertices of the colour.
    void addLine(const cocos2d::Vec3& from, const cocos2d::Vec3& to,
                 const cocos2d::Color4F& colour);

    void draw(cocos2d::Renderer* renderer, const cocos2d::Mat4& transform, uint32_t flags) override;

    // Two per segment.
    std::vector<cocos2d::V3F_C4B> vertices;
    int lineWidth = 4;
    int reserved = 0;

protected:
    isNodeLine() = default;

private:
    void drawLines(const cocos2d::Mat4& transform);

    cocos2d::CustomCommand command;
};

}  // namespace isImageSDK
