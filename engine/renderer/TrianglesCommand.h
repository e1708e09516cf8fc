#pragma once

#include <cstdint>

#include "engine/renderer/RenderCommand.h"
#include "engine/renderer/RenderTypes.h"

namespace cocos2d {

class GLProgramState;

// A textured triangle batch. The renderer only orders it; the vertex data, the texture and
// the program are interpreted by the GL backend. Commands with equal material ids may be
// drawn in one batch.
class TrianglesCommand : public RenderCommand {
public:
    struct Triangles {
        V3F_C4B_T2F* verts = nullptr;
        unsigned short* indices = nullptr;
        int vertCount = 0;
        int indexCount = 0;
    };

    TrianglesCommand();

    void init(float globalOrder, unsigned int textureID, GLProgramState* glProgramState,
              const BlendFunc& blendType, const Triangles& triangles, const Mat4& mv,
              uint32_t flags);

    uint32_t getMaterialID() const { return _materialID; }
    unsigned int getTextureID() const { return _textureID; }
    GLProgramState* getGLProgramState() const { return _glProgramState; }
    const BlendFunc& getBlendType() const { return _blendType; }
    const Triangles& getTriangles() const { return _triangles; }
    int getVertexCount() const { return _triangles.vertCount; }
    int getIndexCount() const { return _triangles.indexCount; }
    const V3F_C4B_T2F* getVertices() const { return _triangles.verts; }
    const unsigned short* getIndices() const { return _triangles.indices; }

private:
    void generateMaterialID();

    uint32_t _materialID = 0;
    unsigned int _textureID = 0;
    GLProgramState* _glProgramState = nullptr;
    BlendFunc _blendType = BlendFunc::DISABLE;
    Triangles _triangles;
};

}  // namespace cocos2d
