#pragma once

#include "engine/renderer/GLTypes.h"

#include "engine/renderer/GLDrawing.h"
#include "engine/renderer/RenderTypes.h"

namespace cocos2d {

// A GL vertex buffer of `V3F_C4B_T2F` records with, where the GL offers shareable vertex-array
// objects, its own vertex-array object holding the attribute layout. Uploads replace the whole
// store. Without a GL context nothing is made, uploads succeed and draws do nothing. Main
// thread; upload and draw inside a custom command's callback.
class VertexBuffer {
public:
    VertexBuffer() = default;
    ~VertexBuffer();
    VertexBuffer(const VertexBuffer&) = delete;
    VertexBuffer& operator=(const VertexBuffer&) = delete;

    // Makes the GL objects with an empty store of `capacity` vertices; false when the GL
    // cannot.
    bool create(int capacity);
    // Stores `capacity` vertices (GL_STREAM_DRAW). False when the GL is out of memory; the
    // buffer then draws nothing until an upload succeeds.
    bool upload(const V3F_C4B_T2F* vertices, int capacity);
    // Draws the first `count` vertices of the store with the program in use.
    void draw(Primitive primitive, int count);

    bool isCreated() const { return _buffer != 0; }
    // Vertices the store holds after the last successful upload.
    int getStoredCapacity() const { return _stored; }

private:
    void setAttributePointers();
    void destroy();

    GLuint _buffer = 0;
    GLuint _vao = 0;
    unsigned int _contextGeneration = 0;
    int _stored = 0;
};

}  // namespace cocos2d
