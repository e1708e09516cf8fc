#pragma once

#include <vector>

#include "engine/2d/Node.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/RenderTypes.h"

namespace cocos2d {

// Coloured 2D shapes in the node's space, kept until `clear`: filled shapes as triangles and
// thin lines as GL lines of the node's line width, drawn in one custom command.
class DrawNode : public Node {
public:
    static DrawNode* create();

    bool init() override;

    // Outline of the axis-aligned rectangle with corners `origin` and `destination`.
    void drawRect(const Vec2& origin, const Vec2& destination, const Color4F& color);
    void drawSolidRect(const Vec2& origin, const Vec2& destination, const Color4F& color);
    void drawLine(const Vec2& origin, const Vec2& destination, const Color4F& color);
    // A convex polygon filled with `fillColor`, its border `borderWidth` wide (none at 0).
    void drawPolygon(const Vec2* verts, int count, const Color4F& fillColor, float borderWidth,
                     const Color4F& borderColor);
    void clear();

    void setLineWidth(float lineWidth) { _lineWidth = lineWidth; }
    float getLineWidth() const { return _lineWidth; }

    void setBlendFunc(const BlendFunc& blendFunc) { _blendFunc = blendFunc; }
    const BlendFunc& getBlendFunc() const { return _blendFunc; }

    size_t getTriangleVertexCount() const { return _triangles.size(); }
    size_t getLineVertexCount() const { return _lines.size(); }

    void draw(Renderer* renderer, const Mat4& transform, uint32_t flags) override;

protected:
    DrawNode() = default;

private:
    void addTriangle(const Vec2& a, const Vec2& b, const Vec2& c, const Color4B& color);
    void onDraw(const Mat4& transform);

    std::vector<V3F_C4B_T2F> _triangles;
    std::vector<V3F_C4B_T2F> _lines;
    float _lineWidth = 1.0f;
    BlendFunc _blendFunc = BlendFunc::ALPHA_PREMULTIPLIED;
    CustomCommand _customCommand;
};

}  // namespace cocos2d
