#pragma once

#include "engine/renderer/GLTypes.h"

#include <string>
#include <unordered_map>

#include "engine/base/Ref.h"
#include "engine/math/Mat4.h"

namespace cocos2d {

// A linked GL program built from vertex and fragment source text. Every source gets a
// prelude declaring the built-in uniforms (CC_PMatrix, CC_MVMatrix, CC_MVPMatrix,
// CC_Texture0 to CC_Texture3, CC_Time), so shaders use them without declaring them; the
// built-in attributes a_position, a_color and a_texCoord are bound to fixed locations.
// Programs need a GL context: without one, creation fails.
class GLProgram : public Ref {
public:
    enum {
        VERTEX_ATTRIB_POSITION,
        VERTEX_ATTRIB_COLOR,
        VERTEX_ATTRIB_TEX_COORD,
        VERTEX_ATTRIB_MAX,
    };

    enum {
        UNIFORM_P_MATRIX,
        UNIFORM_MV_MATRIX,
        UNIFORM_MVP_MATRIX,
        UNIFORM_TIME,
        UNIFORM_SAMPLER0,
        UNIFORM_SAMPLER1,
        UNIFORM_SAMPLER2,
        UNIFORM_SAMPLER3,
        UNIFORM_MAX,
    };

    static const char* SHADER_NAME_POSITION_TEXTURE_COLOR;
    static const char* SHADER_NAME_POSITION_TEXTURE_COLOR_NO_MVP;
    static const char* SHADER_NAME_POSITION_COLOR;
    static const char* SHADER_NAME_POSITION_LENGTH_TEXTURE_COLOR;
    static const char* SHADER_NAME_POSITION_COLOR_TEXASPOINTSIZE;

    static const char* UNIFORM_NAME_P_MATRIX;
    static const char* UNIFORM_NAME_MV_MATRIX;
    static const char* UNIFORM_NAME_MVP_MATRIX;
    static const char* UNIFORM_NAME_TIME;
    static const char* UNIFORM_NAME_SAMPLER0;
    static const char* UNIFORM_NAME_SAMPLER1;
    static const char* UNIFORM_NAME_SAMPLER2;
    static const char* UNIFORM_NAME_SAMPLER3;

    static const char* ATTRIBUTE_NAME_POSITION;
    static const char* ATTRIBUTE_NAME_COLOR;
    static const char* ATTRIBUTE_NAME_TEX_COORD;

    // Compiled and linked; null on any failure (the logs are written to the engine log).
    static GLProgram* createWithByteArrays(const GLchar* vShaderByteArray,
                                           const GLchar* fShaderByteArray);

    GLProgram() = default;
    ~GLProgram() override;

    bool initWithByteArrays(const GLchar* vShaderByteArray, const GLchar* fShaderByteArray);
    // Binds the built-in attributes, links and looks up the built-in uniforms.
    bool link();

    void use();
    // Projection from the director's current projection; model-view as given.
    void setUniformsForBuiltins(const Mat4& modelView);
    void setUniformsForBuiltins();

    GLint getUniformLocation(const char* name) const;
    GLint getUniformLocationForName(const char* name) const { return getUniformLocation(name); }
    GLint getAttribLocation(const char* name) const;
    void bindAttribLocation(const char* name, GLuint index);
    GLint getBuiltinUniformLocation(int uniform) const { return _builtInUniforms[uniform]; }

    void setUniformLocationWith1i(GLint location, GLint i1);
    void setUniformLocationWith1f(GLint location, GLfloat f1);
    void setUniformLocationWith2f(GLint location, GLfloat f1, GLfloat f2);
    void setUniformLocationWith4f(GLint location, GLfloat f1, GLfloat f2, GLfloat f3, GLfloat f4);
    void setUniformLocationWithMatrix4fv(GLint location, const GLfloat* matrixArray,
                                         unsigned int numberOfMatrices);

    GLuint getProgram() const { return _program; }
    const std::string& getVertexShaderLog() const { return _vertexLog; }
    const std::string& getFragmentShaderLog() const { return _fragmentLog; }
    const std::string& getProgramLog() const { return _programLog; }

private:
    bool compileShader(GLuint* shader, GLenum type, const GLchar* source, std::string* log);
    // Skips the GL call when the uniform already holds these bytes.
    bool updateUniformLocation(GLint location, const void* data, size_t bytes);

    GLuint _program = 0;
    unsigned int _contextGeneration = 0;
    GLuint _vertShader = 0;
    GLuint _fragShader = 0;
    GLint _builtInUniforms[UNIFORM_MAX] = {-1, -1, -1, -1, -1, -1, -1, -1};
    std::unordered_map<GLint, std::string> _uniformValues;
    std::string _vertexLog;
    std::string _fragmentLog;
    std::string _programLog;
};

}  // namespace cocos2d
