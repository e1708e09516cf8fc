#include "engine/renderer/GLDrawing.h"

#include <cstddef>

#include "engine/backend/GLStateCache.h"
#include "engine/renderer/GLProgram.h"

namespace cocos2d {

namespace GLDrawing {

GLenum toGLPrimitive(Primitive primitive) {
    switch (primitive) {
    case Primitive::POINTS:
        return GL_POINTS;
    case Primitive::LINES:
        return GL_LINES;
    default:
        return GL_TRIANGLES;
    }
}

void setBlending(bool enabled, const BlendFunc& func) {
    if (!GL::hasContext()) {
        return;
    }
    if (enabled) {
        glEnable(GL_BLEND);
        glBlendFunc(func.src, func.dst);
    } else {
        glDisable(GL_BLEND);
    }
    // The state cache may hold another blend mode now.
    GL::invalidateStateCache();
}

void setLineWidth(float width) {
    if (GL::hasContext()) {
        glLineWidth(width);
    }
}

void setLineStipple(bool enabled, int factor, unsigned short pattern) {
    if (!GL::hasContext()) {
        return;
    }
    if (enabled) {
        glLineStipple(factor, pattern);
        glEnable(GL_LINE_STIPPLE);
    } else {
        glDisable(GL_LINE_STIPPLE);
    }
}

void setProgramPointSize(bool enabled) {
    if (!GL::hasContext()) {
        return;
    }
    if (enabled) {
        glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
    } else {
        glDisable(GL_VERTEX_PROGRAM_POINT_SIZE);
    }
}

void bindTexture(int unit, GLuint texture) {
    if (!GL::hasContext()) {
        return;
    }
    GL::bindTexture2DN(static_cast<GLuint>(unit), texture);
    GL::activeTexture(GL_TEXTURE0);
}

void drawClientArrays(Primitive primitive, VertexLayout layout, const void* vertices, int count) {
    if (!GL::hasContext() || vertices == nullptr || count <= 0) {
        return;
    }
    GL::bindVAO(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    const auto* base = static_cast<const char*>(vertices);
    if (layout == VertexLayout::POSITION_COLOR) {
        GL::enableVertexAttribs(VERTEX_ATTRIB_FLAG_POSITION | VERTEX_ATTRIB_FLAG_COLOR);
        const GLsizei stride = sizeof(V3F_C4B);
        glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_POSITION, 3, GL_FLOAT, GL_FALSE, stride,
                              base + offsetof(V3F_C4B, vertices));
        glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              base + offsetof(V3F_C4B, colors));
    } else {
        GL::enableVertexAttribs(VERTEX_ATTRIB_FLAG_POS_COLOR_TEX);
        const GLsizei stride = sizeof(V3F_C4B_T2F);
        glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_POSITION, 3, GL_FLOAT, GL_FALSE, stride,
                              base + offsetof(V3F_C4B_T2F, vertices));
        glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              base + offsetof(V3F_C4B_T2F, colors));
        glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_TEX_COORD, 2, GL_FLOAT, GL_FALSE, stride,
                              base + offsetof(V3F_C4B_T2F, texCoords));
    }
    glDrawArrays(toGLPrimitive(primitive), 0, count);
}

}  // namespace GLDrawing

}  // namespace cocos2d
