#include "imagesdk/render/isNodeLine.h"

#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Renderer.h"

namespace isImageSDK {

bool isNodeLine::init() {
    if (!Node::init()) {
        return false;
    }
    lineWidth = 4;
    setGLProgramState(cocos2d::GLProgramState::getOrCreateWithGLProgramName(
        cocos2d::GLProgram::SHADER_NAME_POSITION_COLOR));
    removeCameraMask(static_cast<unsigned short>(cocos2d::CameraFlag::DEFAULT), true);
    return true;
}

void isNodeLine::addLine(const cocos2d::Vec3& from, const cocos2d::Vec3& to,
                         const cocos2d::Color4F& colour) {
    const cocos2d::Color4B bytes(colour);
    vertices.push_back({from, bytes});
    vertices.push_back({to, bytes});
}

void isNodeLine::draw(cocos2d::Renderer* renderer, const cocos2d::Mat4& transform, uint32_t flags) {
    if (vertices.empty()) {
        return;
    }
    beginScissor(renderer);
    command.init(_globalZOrder, transform, flags);
    if (isDepthTestEnabled()) {
        command.set3D(true);
    }
    command.func = [this, transform] { drawLines(transform); };
    renderer->addCommand(&command);
    endScissor(renderer);
}

void isNodeLine::drawLines(const cocos2d::Mat4& transform) {
    cocos2d::GLProgram* program =
        _glProgramState != nullptr ? _glProgramState->getGLProgram() : nullptr;
    if (program == nullptr || vertices.empty()) {
        return;
    }
    program->use();
    program->setUniformsForBuiltins(transform);
    cocos2d::GLDrawing::setLineWidth(float(lineWidth));
    cocos2d::GLDrawing::drawClientArrays(cocos2d::Primitive::LINES,
                                         cocos2d::VertexLayout::POSITION_COLOR, vertices.data(),
                                         static_cast<int>(vertices.size()));
    cocos2d::GLDrawing::setLineWidth(1.0f);
}

}  // namespace isImageSDK
