#include "engine/backend/GLRendererBackend.h"

#include <GL/glew.h>

#include <cstddef>

#include "engine/backend/GLStateCache.h"
#include "engine/base/Director.h"
#include "engine/platform/GLView.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/TrianglesCommand.h"

namespace cocos2d {

namespace {

Color4F s_clearColor(0.0f, 0.0f, 0.0f, 1.0f);

}  // namespace

GLRendererBackend::GLRendererBackend() {
    GL::invalidateStateCache();
}

void GLRendererBackend::setClearColor(const Color4F& color) {
    s_clearColor = color;
}

void GLRendererBackend::clear(bool colorBuffer, bool depthBuffer) {
    GLbitfield mask = 0;
    if (colorBuffer) {
        glClearColor(s_clearColor.r, s_clearColor.g, s_clearColor.b, s_clearColor.a);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (depthBuffer) {
        glDepthMask(GL_TRUE);
        glClearDepth(1.0);
        mask |= GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
    }
    if (mask != 0) {
        // Clears are cut by the scissor box; a clear always covers the whole frame.
        const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
        glDisable(GL_SCISSOR_TEST);
        glClear(mask);
        if (scissor == GL_TRUE) {
            glEnable(GL_SCISSOR_TEST);
        }
    }
}

void GLRendererBackend::setViewport(const Rect& requested) {
    Rect viewport = requested;
    if (viewport.size.width <= 0.0f || viewport.size.height <= 0.0f) {
        GLView* view = Director::getInstance()->getOpenGLView();
        viewport = view != nullptr ? view->getViewPortRect() : Rect::ZERO;
    }
    glViewport(static_cast<GLint>(viewport.origin.x), static_cast<GLint>(viewport.origin.y),
               static_cast<GLsizei>(viewport.size.width),
               static_cast<GLsizei>(viewport.size.height));
}

void GLRendererBackend::setQueueState(const RenderQueueState& state) {
    if (state.depthTest) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(state.depthWrite ? GL_TRUE : GL_FALSE);
    if (state.blend) {
        glEnable(GL_BLEND);
        GL::blendResetToCache();
    } else {
        glDisable(GL_BLEND);
        GL::blendFunc(GL_ONE, GL_ZERO);
    }
}

void GLRendererBackend::drawTriangles(const TrianglesCommand& command) {
    GLProgramState* state = command.getGLProgramState();
    if (state == nullptr) {
        // Commands without a program of their own: plain colour, or texture times colour.
        state = GLProgramState::getOrCreateWithGLProgramName(
            command.getTextureID() == 0 ? GLProgram::SHADER_NAME_POSITION_COLOR
                                        : GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR_NO_MVP);
    }
    if (state == nullptr || command.getVertexCount() <= 0 || command.getIndexCount() <= 0) {
        return;
    }
    const Mat4& mv = command.getModelViewTransform();
    _vertices.assign(command.getVertices(), command.getVertices() + command.getVertexCount());
    for (auto& vertex : _vertices) {
        mv.transformPoint(&vertex.vertices);
    }
    GL::bindVAO(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    // The vertices are in world space already, so the model-view is the identity.
    state->apply(Mat4::IDENTITY);
    GL::bindTexture2D(command.getTextureID());
    const BlendFunc& blend = command.getBlendType();
    GL::blendFunc(blend.src, blend.dst);
    GL::enableVertexAttribs(VERTEX_ATTRIB_FLAG_POS_COLOR_TEX);
    const auto* base = reinterpret_cast<const char*>(_vertices.data());
    const GLsizei stride = sizeof(V3F_C4B_T2F);
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_POSITION, 3, GL_FLOAT, GL_FALSE, stride,
                          base + offsetof(V3F_C4B_T2F, vertices));
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          base + offsetof(V3F_C4B_T2F, colors));
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_TEX_COORD, 2, GL_FLOAT, GL_FALSE, stride,
                          base + offsetof(V3F_C4B_T2F, texCoords));
    glDrawElements(GL_TRIANGLES, command.getIndexCount(), GL_UNSIGNED_SHORT, command.getIndices());
}

void GLRendererBackend::executeCustom(const CustomCommand& command) {
    command.execute();
    if (GLEW_VERSION_3_0 || GLEW_ARB_vertex_array_object) {
        glBindVertexArray(0);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    GL::invalidateStateCache();
}

void GLRendererBackend::setScissor(bool enabled, const Rect& rect) {
    if (!enabled) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    GLView* view = Director::getInstance()->getOpenGLView();
    if (view != nullptr) {
        view->setScissorInPoints(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    } else {
        glScissor(static_cast<GLint>(rect.origin.x), static_cast<GLint>(rect.origin.y),
                  static_cast<GLsizei>(rect.size.width), static_cast<GLsizei>(rect.size.height));
    }
}

void GLRendererBackend::flush() {}

}  // namespace cocos2d
