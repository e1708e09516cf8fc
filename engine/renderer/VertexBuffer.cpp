#include "engine/renderer/VertexBuffer.h"

#include <cstddef>

#include "engine/backend/GLStateCache.h"
#include "engine/renderer/Configuration.h"
#include "engine/renderer/GLProgram.h"

namespace cocos2d {

VertexBuffer::~VertexBuffer() {
    destroy();
}

void VertexBuffer::destroy() {
    if (GL::hasContext() && GL::contextGeneration() == _contextGeneration) {
        if (_vao != 0) {
            GL::bindVAO(0);
            glDeleteVertexArrays(1, &_vao);
        }
        if (_buffer != 0) {
            glDeleteBuffers(1, &_buffer);
        }
    }
    _vao = 0;
    _buffer = 0;
    _stored = 0;
}

void VertexBuffer::setAttributePointers() {
    const GLsizei stride = sizeof(V3F_C4B_T2F);
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_POSITION, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(V3F_C4B_T2F, vertices)));
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(offsetof(V3F_C4B_T2F, colors)));
    glVertexAttribPointer(GLProgram::VERTEX_ATTRIB_TEX_COORD, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(V3F_C4B_T2F, texCoords)));
}

bool VertexBuffer::create(int capacity) {
    destroy();
    if (!GL::hasContext()) {
        return true;
    }
    _contextGeneration = GL::contextGeneration();
    glGenBuffers(1, &_buffer);
    if (_buffer == 0) {
        return false;
    }
    if (Configuration::getInstance()->supportsShareableVAO()) {
        glGenVertexArrays(1, &_vao);
        GL::bindVAO(_vao);
        glBindBuffer(GL_ARRAY_BUFFER, _buffer);
        for (GLuint attribute = 0; attribute < GLProgram::VERTEX_ATTRIB_MAX; ++attribute) {
            glEnableVertexAttribArray(attribute);
        }
        setAttributePointers();
        GL::bindVAO(0);
        // The cache's attribute flags belong to the default vertex-array object.
        GL::invalidateStateCache();
    }
    const bool stored = upload(nullptr, capacity);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return stored;
}

bool VertexBuffer::upload(const V3F_C4B_T2F* vertices, int capacity) {
    if (!GL::hasContext()) {
        _stored = capacity;
        return true;
    }
    if (_buffer == 0 || GL::contextGeneration() != _contextGeneration || capacity < 0) {
        return false;
    }
    // Only this upload's error counts; the loop is bounded for a context that keeps reporting.
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glBindBuffer(GL_ARRAY_BUFFER, _buffer);
    glBufferData(GL_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(capacity) * static_cast<GLsizeiptr>(sizeof(V3F_C4B_T2F)),
                 vertices, GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (glGetError() == GL_OUT_OF_MEMORY) {
        _stored = 0;
        return false;
    }
    _stored = capacity;
    return true;
}

void VertexBuffer::draw(Primitive primitive, int count) {
    if (!GL::hasContext() || _buffer == 0 || GL::contextGeneration() != _contextGeneration) {
        return;
    }
    if (count > _stored) {
        count = _stored;
    }
    if (count <= 0) {
        return;
    }
    if (_vao != 0) {
        GL::bindVAO(_vao);
    } else {
        GL::bindVAO(0);
        glBindBuffer(GL_ARRAY_BUFFER, _buffer);
        GL::enableVertexAttribs(VERTEX_ATTRIB_FLAG_POS_COLOR_TEX);
        setAttributePointers();
    }
    glDrawArrays(GLDrawing::toGLPrimitive(primitive), 0, count);
    GL::bindVAO(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace cocos2d
