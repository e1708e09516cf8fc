#include "engine/2d/DrawNode.h"

#include <cstddef>
#include <new>

#include "engine/backend/GLStateCache.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/Renderer.h"

namespace cocos2d {

namespace {

V3F_C4B_T2F vertex(const Vec2& p, const Color4B& color) {
    V3F_C4B_T2F v;
    v.vertices = Vec3(p.x, p.y, 0.0f);
    v.colors = color;
    return v;
}

void setPointers(const std::vector<V3F_C4B_T2F>& vertices) {
    const auto* base = reinterpret_cast<const char*>(vertices.data());
    const GLsizei stride = sizeof(V3F_C4B_T2F);
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_POSITION, 3, GL_FLOAT, GL_FALSE, stride,
                          base + offsetof(V3F_C4B_T2F, vertices));
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          base + offsetof(V3F_C4B_T2F, colors));
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_TEX_COORD, 2, GL_FLOAT, GL_FALSE, stride,
                          base + offsetof(V3F_C4B_T2F, texCoords));
}

}  // namespace

DrawNode* DrawNode::create() {
    auto* node = new (std::nothrow) DrawNode();
    if (node != nullptr && node->init()) {
        node->autorelease();
        return node;
    }
    delete node;
    return nullptr;
}

bool DrawNode::init() {
    return Node::init();
}

void DrawNode::addTriangle(const Vec2& a, const Vec2& b, const Vec2& c, const Color4B& color) {
    _triangles.push_back(vertex(a, color));
    _triangles.push_back(vertex(b, color));
    _triangles.push_back(vertex(c, color));
}

void DrawNode::drawLine(const Vec2& origin, const Vec2& destination, const Color4F& color) {
    const Color4B c(color);
    _lines.push_back(vertex(origin, c));
    _lines.push_back(vertex(destination, c));
}

void DrawNode::drawRect(const Vec2& origin, const Vec2& destination, const Color4F& color) {
    const Vec2 corners[] = {origin, Vec2(destination.x, origin.y), destination,
                            Vec2(origin.x, destination.y)};
    for (int i = 0; i < 4; ++i) {
        drawLine(corners[i], corners[(i + 1) % 4], color);
    }
}

void DrawNode::drawSolidRect(const Vec2& origin, const Vec2& destination, const Color4F& color) {
    const Color4B c(color);
    const Vec2 b(destination.x, origin.y);
    const Vec2 d(origin.x, destination.y);
    addTriangle(origin, b, destination, c);
    addTriangle(origin, destination, d, c);
}

void DrawNode::drawPolygon(const Vec2* verts, int count, const Color4F& fillColor,
                           float borderWidth, const Color4F& borderColor) {
    if (verts == nullptr || count < 3) {
        return;
    }
    const Color4B fill(fillColor);
    if (fill.a > 0) {
        for (int i = 1; i + 1 < count; ++i) {
            addTriangle(verts[0], verts[i], verts[i + 1], fill);
        }
    }
    if (borderWidth <= 0.0f) {
        return;
    }
    // Each edge becomes a band of the border width centred on the edge.
    const Color4B border(borderColor);
    const float half = borderWidth / 2.0f;
    for (int i = 0; i < count; ++i) {
        const Vec2& a = verts[i];
        const Vec2& b = verts[(i + 1) % count];
        Vec2 dir = b - a;
        const float length = dir.length();
        if (length <= 0.0f) {
            continue;
        }
        dir = dir / length;
        const Vec2 n(-dir.y * half, dir.x * half);
        const Vec2 ext = dir * half;
        addTriangle(a - ext - n, b + ext - n, b + ext + n, border);
        addTriangle(a - ext - n, b + ext + n, a - ext + n, border);
    }
}

void DrawNode::clear() {
    _triangles.clear();
    _lines.clear();
}

void DrawNode::draw(Renderer* renderer, const Mat4& transform, uint32_t flags) {
    if (_triangles.empty() && _lines.empty()) {
        return;
    }
    _customCommand.init(_globalZOrder, transform, flags);
    _customCommand.func = [this, transform] { onDraw(transform); };
    renderer->addCommand(&_customCommand);
}

void DrawNode::onDraw(const Mat4& transform) {
    GLProgram* program = GLProgramCache::getInstance()->getGLProgram(
        GLProgram::SHADER_NAME_POSITION_LENGTH_TEXTURE_COLOR);
    if (program == nullptr) {
        return;
    }
    program->use();
    program->setUniformsForBuiltins(transform);
    GL::blendFunc(_blendFunc.src, _blendFunc.dst);
    GL::bindVAO(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    GL::enableVertexAttribs(VERTEX_ATTRIB_FLAG_POS_COLOR_TEX);
    if (!_triangles.empty()) {
        setPointers(_triangles);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(_triangles.size()));
    }
    if (!_lines.empty()) {
        setPointers(_lines);
        glLineWidth(_lineWidth);
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(_lines.size()));
    }
}

}  // namespace cocos2d
