#include "engine/renderer/GLProgramState.h"

#include <cstring>
#include <new>
#include <unordered_map>

#include "engine/backend/GLStateCache.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/Texture2D.h"

namespace cocos2d {

namespace {

// Shared states, one per program; each holds its own reference and the program's.
std::unordered_map<GLProgram*, GLProgramState*>& sharedStates() {
    static std::unordered_map<GLProgram*, GLProgramState*> states;
    return states;
}

}  // namespace

GLProgramState* GLProgramState::create(GLProgram* glprogram) {
    if (glprogram == nullptr) {
        return nullptr;
    }
    auto* state = new (std::nothrow) GLProgramState(glprogram);
    if (state != nullptr) {
        state->autorelease();
    }
    return state;
}

GLProgramState* GLProgramState::getOrCreateWithGLProgram(GLProgram* glprogram) {
    if (glprogram == nullptr) {
        return nullptr;
    }
    auto& states = sharedStates();
    auto found = states.find(glprogram);
    if (found != states.end()) {
        return found->second;
    }
    GLProgramState* state = create(glprogram);
    if (state != nullptr) {
        state->retain();
        states.emplace(glprogram, state);
    }
    return state;
}

GLProgramState* GLProgramState::getOrCreateWithGLProgramName(const std::string& glProgramName) {
    return getOrCreateWithGLProgram(GLProgramCache::getInstance()->getGLProgram(glProgramName));
}

void GLProgramState::removeSharedStates() {
    auto& states = sharedStates();
    for (auto& entry : states) {
        entry.second->release();
    }
    states.clear();
}

GLProgramState::GLProgramState(GLProgram* glprogram) : _glprogram(glprogram) {
    _glprogram->retain();
}

GLProgramState::~GLProgramState() {
    _glprogram->release();
}

void GLProgramState::apply(const Mat4& modelView) {
    applyGLProgram(modelView);
    applyUniforms();
}

void GLProgramState::applyGLProgram(const Mat4& modelView) {
    _glprogram->use();
    _glprogram->setUniformsForBuiltins(modelView);
}

void GLProgramState::applyUniforms() {
    for (const auto& entry : _uniforms) {
        const GLint location = _glprogram->getUniformLocation(entry.first.c_str());
        if (location < 0) {
            continue;
        }
        const UniformValue& value = entry.second;
        const float* f = value.floats;
        switch (value.kind) {
        case UniformValue::Kind::INT:
            _glprogram->setUniformLocationWith1i(location, value.intValue);
            break;
        case UniformValue::Kind::FLOAT:
            _glprogram->setUniformLocationWith1f(location, f[0]);
            break;
        case UniformValue::Kind::VEC2:
            _glprogram->setUniformLocationWith2f(location, f[0], f[1]);
            break;
        case UniformValue::Kind::VEC3:
            _glprogram->use();
            glUniform3f(location, f[0], f[1], f[2]);
            break;
        case UniformValue::Kind::VEC4:
            _glprogram->setUniformLocationWith4f(location, f[0], f[1], f[2], f[3]);
            break;
        case UniformValue::Kind::MAT4:
            _glprogram->setUniformLocationWithMatrix4fv(location, f, 1);
            break;
        case UniformValue::Kind::TEXTURE:
            GL::bindTexture2DN(static_cast<GLuint>(value.textureUnit), value.textureId);
            _glprogram->setUniformLocationWith1i(location, value.textureUnit);
            break;
        }
    }
    GL::activeTexture(GL_TEXTURE0);
}

GLProgramState::UniformValue& GLProgramState::valueFor(const std::string& name,
                                                       UniformValue::Kind kind) {
    UniformValue& value = _uniforms[name];
    value.kind = kind;
    return value;
}

void GLProgramState::setUniformInt(const std::string& name, int value) {
    valueFor(name, UniformValue::Kind::INT).intValue = value;
}

void GLProgramState::setUniformFloat(const std::string& name, float value) {
    valueFor(name, UniformValue::Kind::FLOAT).floats[0] = value;
}

void GLProgramState::setUniformVec2(const std::string& name, const Vec2& value) {
    float* f = valueFor(name, UniformValue::Kind::VEC2).floats;
    f[0] = value.x;
    f[1] = value.y;
}

void GLProgramState::setUniformVec3(const std::string& name, const Vec3& value) {
    float* f = valueFor(name, UniformValue::Kind::VEC3).floats;
    f[0] = value.x;
    f[1] = value.y;
    f[2] = value.z;
}

void GLProgramState::setUniformVec4(const std::string& name, const Vec4& value) {
    float* f = valueFor(name, UniformValue::Kind::VEC4).floats;
    f[0] = value.x;
    f[1] = value.y;
    f[2] = value.z;
    f[3] = value.w;
}

void GLProgramState::setUniformMat4(const std::string& name, const Mat4& value) {
    std::memcpy(valueFor(name, UniformValue::Kind::MAT4).floats, value.m, sizeof(value.m));
}

void GLProgramState::setUniformTexture(const std::string& name, Texture2D* texture) {
    setUniformTexture(name, texture != nullptr ? texture->getName() : 0);
}

void GLProgramState::setUniformTexture(const std::string& name, GLuint textureId) {
    const bool known =
        _uniforms.count(name) != 0 && _uniforms[name].kind == UniformValue::Kind::TEXTURE;
    UniformValue& value = valueFor(name, UniformValue::Kind::TEXTURE);
    if (!known) {
        value.textureUnit = _nextTextureUnit++;
    }
    value.textureId = textureId;
}

}  // namespace cocos2d
