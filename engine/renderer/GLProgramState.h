#pragma once

#include "engine/renderer/GLTypes.h"

#include <map>
#include <string>

#include "engine/base/Ref.h"
#include "engine/math/Mat4.h"
#include "engine/math/Vec2.h"
#include "engine/math/Vec3.h"
#include "engine/math/Vec4.h"

namespace cocos2d {

class GLProgram;
class Texture2D;

// A program together with the values of its own uniforms, applied before each draw. Values
// are kept by uniform name, so they may be set before the program is used.
class GLProgramState : public Ref {
public:
    // Null without a program (headless runs have none).
    static GLProgramState* create(GLProgram* glprogram);
    // One shared state per program.
    static GLProgramState* getOrCreateWithGLProgram(GLProgram* glprogram);
    static GLProgramState* getOrCreateWithGLProgramName(const std::string& glProgramName);
    // Drops the shared states (their programs go with the GL context); nodes keep their own.
    static void removeSharedStates();

    ~GLProgramState() override;

    // Uses the program, sets the built-in matrices from `modelView` and the stored uniforms.
    void apply(const Mat4& modelView);
    void applyGLProgram(const Mat4& modelView);
    void applyUniforms();

    GLProgram* getGLProgram() const { return _glprogram; }

    void setUniformInt(const std::string& name, int value);
    void setUniformFloat(const std::string& name, float value);
    void setUniformVec2(const std::string& name, const Vec2& value);
    void setUniformVec3(const std::string& name, const Vec3& value);
    void setUniformVec4(const std::string& name, const Vec4& value);
    void setUniformMat4(const std::string& name, const Mat4& value);
    // Samplers get texture units from 1 upwards in the order they are first set; unit 0
    // belongs to the texture of the draw command.
    void setUniformTexture(const std::string& name, Texture2D* texture);
    void setUniformTexture(const std::string& name, GLuint textureId);

private:
    struct UniformValue {
        enum class Kind { INT, FLOAT, VEC2, VEC3, VEC4, MAT4, TEXTURE } kind = Kind::INT;
        float floats[16] = {};
        int intValue = 0;
        GLuint textureId = 0;
        int textureUnit = 0;
    };

    explicit GLProgramState(GLProgram* glprogram);
    UniformValue& valueFor(const std::string& name, UniformValue::Kind kind);

    GLProgram* _glprogram = nullptr;
    std::map<std::string, UniformValue> _uniforms;
    int _nextTextureUnit = 1;
};

}  // namespace cocos2d
