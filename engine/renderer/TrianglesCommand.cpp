#include "engine/renderer/TrianglesCommand.h"

#include <cstdint>
#include <cstring>

namespace cocos2d {

TrianglesCommand::TrianglesCommand() {
    _type = Type::TRIANGLES_COMMAND;
}

void TrianglesCommand::init(float globalOrder, unsigned int textureID,
                            GLProgramState* glProgramState, const BlendFunc& blendType,
                            const Triangles& triangles, const Mat4& mv, uint32_t flags) {
    RenderCommand::init(globalOrder, mv, flags);
    _triangles = triangles;
    // Whole triangles only.
    _triangles.indexCount -= _triangles.indexCount % 3;
    if (_triangles.indexCount < 0) {
        _triangles.indexCount = 0;
    }
    if (_textureID != textureID || _blendType != blendType || _glProgramState != glProgramState) {
        _textureID = textureID;
        _blendType = blendType;
        _glProgramState = glProgramState;
        generateMaterialID();
    }
}

void TrianglesCommand::generateMaterialID() {
    // FNV-1a over what decides whether two batches can be drawn together.
    const uintptr_t program = reinterpret_cast<uintptr_t>(_glProgramState);
    unsigned char bytes[sizeof(_textureID) + sizeof(BlendFunc) + sizeof(program)];
    std::memcpy(bytes, &_textureID, sizeof(_textureID));
    std::memcpy(bytes + sizeof(_textureID), &_blendType, sizeof(BlendFunc));
    std::memcpy(bytes + sizeof(_textureID) + sizeof(BlendFunc), &program, sizeof(program));
    uint32_t hash = 2166136261u;
    for (unsigned char byte : bytes) {
        hash = (hash ^ byte) * 16777619u;
    }
    _materialID = hash;
}

}  // namespace cocos2d
