#include "imagesdk/render/isDrawNode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/renderer/GLDrawing.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Renderer.h"

namespace isImageSDK {

namespace {

constexpr int kTriangleVertices = 512;
constexpr int kPointVertices = 64;
constexpr int kLineVertices = 256;
constexpr int kEllipsePoints = 51;
// 2 pi / 50.
constexpr float kEllipseStep = 0.12566371f;

}  // namespace

isDrawNode::~isDrawNode() {
    std::free(triangles.vertices);
    std::free(points.vertices);
    std::free(lines.vertices);
}

bool isDrawNode::init() {
    if (!Node::init()) {
        return false;
    }
    blendFunc = cocos2d::BlendFunc::ALPHA_PREMULTIPLIED;
    setGLProgramState(cocos2d::GLProgramState::getOrCreateWithGLProgramName(
        cocos2d::GLProgram::SHADER_NAME_POSITION_LENGTH_TEXTURE_COLOR));
    const std::pair<Buffer*, int> buffers[] = {
        {&triangles, kTriangleVertices}, {&points, kPointVertices}, {&lines, kLineVertices}};
    for (const auto& [buffer, least] : buffers) {
        if (!ensureRoom(*buffer, least)) {
            return false;
        }
        buffer->gl.create(buffer->capacity);
        buffer->dirty = true;
    }
    removeCameraMask(static_cast<unsigned short>(cocos2d::CameraFlag::DEFAULT), true);
    return true;
}

bool isDrawNode::ensureRoom(Buffer& buffer, int more) {
    if (more < 0 || buffer.count > kMaxVertices - more) {
        return false;
    }
    if (buffer.capacity >= buffer.count + more) {
        return true;
    }
    const long long grown =
        static_cast<long long>(buffer.capacity) + std::max(more, buffer.capacity);
    const int capacity = static_cast<int>(std::min<long long>(grown, kMaxVertices));
    void* vertices =
        std::realloc(buffer.vertices, static_cast<size_t>(capacity) * sizeof(cocos2d::V3F_C4B_T2F));
    if (vertices == nullptr) {
        return false;
    }
    buffer.vertices = static_cast<cocos2d::V3F_C4B_T2F*>(vertices);
    buffer.capacity = capacity;
    return true;
}

void isDrawNode::append(Buffer& buffer, const cocos2d::Vec3& position,
                        const cocos2d::Color4B& colour, float u) {
    cocos2d::V3F_C4B_T2F& vertex = buffer.vertices[buffer.count++];
    vertex.vertices = position;
    vertex.colors = colour;
    vertex.texCoords = {u, 0.0f};
}

void isDrawNode::drawPoint(const cocos2d::Vec3& position, float size,
                           const cocos2d::Color4F& colour) {
    if (!ensureRoom(points, 1)) {
        return;
    }
    append(points, position, cocos2d::Color4B(colour), size);
    points.dirty = true;
}

void isDrawNode::drawLine(const cocos2d::Vec3& from, const cocos2d::Vec3& to,
                          const cocos2d::Color4F& colour) {
    if (!ensureRoom(lines, 2)) {
        return;
    }
    const cocos2d::Color4B bytes(colour);
    append(lines, from, bytes, 0.0f);
    append(lines, to, bytes, 0.0f);
    lines.dirty = true;
}

void isDrawNode::drawPolygonOutline(const cocos2d::Vec3* polygon, int n,
                                    const cocos2d::Color4F& colour) {
    if (polygon == nullptr || n <= 0 || n > kMaxVertices / 2 || !ensureRoom(lines, 2 * n)) {
        return;
    }
    const cocos2d::Color4B bytes(colour);
    for (int i = 0; i < n; ++i) {
        append(lines, polygon[i], bytes, 0.0f);
        append(lines, polygon[(i + 1) % n], bytes, 0.0f);
    }
    lines.dirty = true;
}

void isDrawNode::drawEllipse(const cocos2d::Vec3& centre, const cocos2d::Vec3& axis1,
                             const cocos2d::Vec3& axis2, float radius, float startAngle,
                             int /*segments*/, bool /*lineToCentre*/, float scaleX, float scaleY,
                             const cocos2d::Color4F& colour) {
    cocos2d::Vec3 outline[kEllipsePoints];
    for (int i = 0; i < kEllipsePoints; ++i) {
        const float angle = float(i) * kEllipseStep + startAngle;
        outline[i] =
            centre +
            (axis1 * (scaleX * std::cos(angle)) + axis2 * (scaleY * std::sin(angle))) * radius;
    }
    drawPolygonOutline(outline, kEllipsePoints, colour);
}

void isDrawNode::clear() {
    for (Buffer* buffer : {&triangles, &points, &lines}) {
        buffer->count = 0;
        buffer->dirty = true;
    }
    lineWidth = 4;
}

void isDrawNode::draw(cocos2d::Renderer* renderer, const cocos2d::Mat4& transform, uint32_t flags) {
    beginScissor(renderer);
    const std::pair<Buffer*, cocos2d::CustomCommand*> commands[] = {
        {&triangles, &trianglesCommand}, {&points, &pointsCommand}, {&lines, &linesCommand}};
    for (const auto& [buffer, command] : commands) {
        if (buffer->count <= 0) {
            continue;
        }
        command->init(_globalZOrder, transform, flags);
        const cocos2d::Primitive primitive = buffer == &triangles ? cocos2d::Primitive::TRIANGLES
                                             : buffer == &points  ? cocos2d::Primitive::POINTS
                                                                  : cocos2d::Primitive::LINES;
        command->func = [this, buffer, primitive, transform] {
            drawBuffer(*buffer, primitive, transform);
        };
        renderer->addCommand(command);
    }
    endScissor(renderer);
}

void isDrawNode::drawBuffer(Buffer& buffer, cocos2d::Primitive primitive,
                            const cocos2d::Mat4& transform) {
    cocos2d::GLProgram* program = nullptr;
    switch (primitive) {
    case cocos2d::Primitive::TRIANGLES:
        program = _glProgramState != nullptr ? _glProgramState->getGLProgram() : nullptr;
        break;
    case cocos2d::Primitive::POINTS:
        program = cocos2d::GLProgramCache::getInstance()->getGLProgram(
            cocos2d::GLProgram::SHADER_NAME_POSITION_COLOR_TEXASPOINTSIZE);
        break;
    case cocos2d::Primitive::LINES:
        program = cocos2d::GLProgramCache::getInstance()->getGLProgram(
            cocos2d::GLProgram::SHADER_NAME_POSITION_LENGTH_TEXTURE_COLOR);
        break;
    }
    if (program == nullptr) {
        return;
    }
    program->use();
    program->setUniformsForBuiltins(transform);
    cocos2d::GLDrawing::setBlending(blendFunc != cocos2d::BlendFunc::DISABLE, blendFunc);
    if (!buffer.gl.isCreated()) {
        buffer.gl.create(buffer.capacity);
        buffer.dirty = true;
    }
    // A failed upload keeps the flag, so the next frame tries again.
    if (buffer.dirty && buffer.gl.upload(buffer.vertices, buffer.capacity)) {
        buffer.dirty = false;
    }
    if (primitive == cocos2d::Primitive::LINES) {
        if (dashed) {
            cocos2d::GLDrawing::setLineStipple(true, 2, 0x5555);
        }
        cocos2d::GLDrawing::setLineWidth(float(lineWidth));
    } else if (primitive == cocos2d::Primitive::POINTS) {
        cocos2d::GLDrawing::setProgramPointSize(true);
    }
    buffer.gl.draw(primitive, buffer.count);
    if (primitive == cocos2d::Primitive::LINES) {
        if (dashed) {
            cocos2d::GLDrawing::setLineStipple(false);
        }
        cocos2d::GLDrawing::setLineWidth(1.0f);
    } else if (primitive == cocos2d::Primitive::POINTS) {
        cocos2d::GLDrawing::setProgramPointSize(false);
    }
}

}  // namespace isImageSDK
