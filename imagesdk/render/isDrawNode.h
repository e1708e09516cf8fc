#pragma once

#include <cstdint>

#include "engine/2d/Node.h"
#include "engine/base/Macros.h"
#include "engine/base/Types.h"
#include "engine/math/Vec3.h"
#include "engine/renderer/ClippingProtocol.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/RenderTypes.h"
#include "engine/renderer/VertexBuffer.h"
#include "imagesdk/render/isNodeObject.h"

namespace isImageSDK {

// Outlines, handles and points of measurement shapes in 3D world space: coloured vertices
// collected in three growable buffers (triangles, points, lines), each uploaded to its own GL
// buffer only after it changed and drawn by its own custom command, inside the node's clipping
// rectangle. Lines have an integer width and may be dashed; a point's size travels in its
// first texture coordinate. Owners empty the node before each redraw (`clear`, or the fields
// directly). Main thread.
class isDrawNode : public cocos2d::Node, public cocos2d::ClippingProtocol, public isNodeObject {
public:
    // One growable vertex array and its GL buffer.
    struct Buffer {
        int capacity = 0;
        int count = 0;
        cocos2d::V3F_C4B_T2F* vertices = nullptr;
        // Set when the vertices changed since the last upload.
        bool dirty = true;
        cocos2d::VertexBuffer gl;
    };

    CREATE_FUNC(isDrawNode);

    bool init() override;

    void drawPoint(const cocos2d::Vec3& position, float size, const cocos2d::Color4F& colour);
    void drawLine(const cocos2d::Vec3& from, const cocos2d::Vec3& to,
                  const cocos2d::Color4F& colour);
    // The closed outline p0-p1, ..., p(n-1)-p0 as n segments.
    void drawPolygonOutline(const cocos2d::Vec3* points, int n, const cocos2d::Color4F& colour);
    // The outline through 51 points centre + radius (scaleX cos t axis1 + scaleY sin t axis2)
    // for t = startAngle + i 2pi/50: 50 chords and a closing one of zero length. `segments`
    // and `lineToCentre` are accepted for the callers' sake and not used.
    void drawEllipse(const cocos2d::Vec3& centre, const cocos2d::Vec3& axis1,
                     const cocos2d::Vec3& axis2, float radius, float startAngle, int segments,
                     bool lineToCentre, float scaleX, float scaleY, const cocos2d::Color4F& colour);
    // Empties the three buffers, marks them for upload and sets the line width back to 4.
    void clear();

    void draw(cocos2d::Renderer* renderer, const cocos2d::Mat4& transform, uint32_t flags) override;

    Buffer triangles;
    Buffer points;
    Buffer lines;
    cocos2d::BlendFunc blendFunc = cocos2d::BlendFunc::ALPHA_PREMULTIPLIED;
    int lineWidth = 4;
    bool dashed = false;

    // A buffer holds at most this many vertices; more is refused like a failed allocation.
    static constexpr int kMaxVertices = 1 << 24;

protected:
    isDrawNode() = default;
    ~isDrawNode() override;

private:
    // Room for `more` vertices: the capacity grows by the larger of `more` and itself. False
    // when the memory cannot be had; the buffer then keeps what it holds.
    static bool ensureRoom(Buffer& buffer, int more);
    static void append(Buffer& buffer, const cocos2d::Vec3& position,
                       const cocos2d::Color4B& colour, float u);
    void drawBuffer(Buffer& buffer, cocos2d::Primitive primitive, const cocos2d::Mat4& transform);

    cocos2d::CustomCommand trianglesCommand;
    cocos2d::CustomCommand pointsCommand;
    cocos2d::CustomCommand linesCommand;
};

}  // namespace isImageSDK
