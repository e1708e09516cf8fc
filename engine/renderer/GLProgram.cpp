#include "engine/renderer/GLProgram.h"

#include <cstring>
#include <new>
#include <vector>

#include "engine/backend/GLStateCache.h"
#include "engine/base/Director.h"
#include "engine/base/Utils.h"

namespace cocos2d {

const char* GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR = "ShaderPositionTextureColor";
const char* GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR_NO_MVP =
    "ShaderPositionTextureColor_noMVP";
const char* GLProgram::SHADER_NAME_POSITION_COLOR = "ShaderPositionColor";
const char* GLProgram::SHADER_NAME_POSITION_LENGTH_TEXTURE_COLOR =
    "ShaderPositionLengthTextureColor";
const char* GLProgram::SHADER_NAME_POSITION_COLOR_TEXASPOINTSIZE =
    "ShaderPositionColorTexAsPointsize";

const char* GLProgram::UNIFORM_NAME_P_MATRIX = "CC_PMatrix";
const char* GLProgram::UNIFORM_NAME_MV_MATRIX = "CC_MVMatrix";
const char* GLProgram::UNIFORM_NAME_MVP_MATRIX = "CC_MVPMatrix";
const char* GLProgram::UNIFORM_NAME_TIME = "CC_Time";
const char* GLProgram::UNIFORM_NAME_SAMPLER0 = "CC_Texture0";
const char* GLProgram::UNIFORM_NAME_SAMPLER1 = "CC_Texture1";
const char* GLProgram::UNIFORM_NAME_SAMPLER2 = "CC_Texture2";
const char* GLProgram::UNIFORM_NAME_SAMPLER3 = "CC_Texture3";

const char* GLProgram::ATTRIBUTE_NAME_POSITION = "a_position";
const char* GLProgram::ATTRIBUTE_NAME_COLOR = "a_color";
const char* GLProgram::ATTRIBUTE_NAME_TEX_COORD = "a_texCoord";

namespace {

const char* kPrelude = "uniform mat4 CC_PMatrix;\n"
                       "uniform mat4 CC_MVMatrix;\n"
                       "uniform mat4 CC_MVPMatrix;\n"
                       "uniform vec4 CC_Time;\n"
                       "uniform sampler2D CC_Texture0;\n"
                       "uniform sampler2D CC_Texture1;\n"
                       "uniform sampler2D CC_Texture2;\n"
                       "uniform sampler2D CC_Texture3;\n"
                       "#line 1\n";

// A "#version" line must stay the first line of the source, so the prelude goes after it.
std::string withPrelude(const char* source) {
    std::string text(source);
    std::string version = "#version 120\n";
    const auto start = text.find_first_not_of(" \t\r\n");
    if (start != std::string::npos && text.compare(start, 8, "#version") == 0) {
        const auto end = text.find('\n', start);
        version = end == std::string::npos ? text.substr(start) + "\n"
                                           : text.substr(start, end - start + 1);
        text = end == std::string::npos ? std::string() : text.substr(end + 1);
    }
    return version + kPrelude + text;
}

std::string infoLog(GLuint object, bool isProgram) {
    GLint length = 0;
    if (isProgram) {
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    } else {
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    }
    if (length <= 1) {
        return "";
    }
    std::vector<GLchar> text(static_cast<size_t>(length));
    if (isProgram) {
        glGetProgramInfoLog(object, length, nullptr, text.data());
    } else {
        glGetShaderInfoLog(object, length, nullptr, text.data());
    }
    return std::string(text.data());
}

}  // namespace

GLProgram* GLProgram::createWithByteArrays(const GLchar* vShaderByteArray,
                                           const GLchar* fShaderByteArray) {
    auto* program = new (std::nothrow) GLProgram();
    if (program != nullptr && program->initWithByteArrays(vShaderByteArray, fShaderByteArray) &&
        program->link()) {
        program->autorelease();
        return program;
    }
    delete program;
    return nullptr;
}

GLProgram::~GLProgram() {
    if (!GL::hasContext() || GL::contextGeneration() != _contextGeneration) {
        return;
    }
    if (_vertShader != 0) {
        glDeleteShader(_vertShader);
    }
    if (_fragShader != 0) {
        glDeleteShader(_fragShader);
    }
    if (_program != 0) {
        GL::deleteProgram(_program);
    }
}

bool GLProgram::initWithByteArrays(const GLchar* vShaderByteArray, const GLchar* fShaderByteArray) {
    if (!GL::hasContext() || vShaderByteArray == nullptr || fShaderByteArray == nullptr) {
        return false;
    }
    _contextGeneration = GL::contextGeneration();
    _program = glCreateProgram();
    if (!compileShader(&_vertShader, GL_VERTEX_SHADER, vShaderByteArray, &_vertexLog)) {
        log("vertex shader failed to compile: %s", _vertexLog.c_str());
        return false;
    }
    if (!compileShader(&_fragShader, GL_FRAGMENT_SHADER, fShaderByteArray, &_fragmentLog)) {
        log("fragment shader failed to compile: %s", _fragmentLog.c_str());
        return false;
    }
    glAttachShader(_program, _vertShader);
    glAttachShader(_program, _fragShader);
    return true;
}

bool GLProgram::compileShader(GLuint* shader, GLenum type, const GLchar* source, std::string* log) {
    const std::string text = withPrelude(source);
    const GLchar* sources[] = {text.c_str()};
    *shader = glCreateShader(type);
    glShaderSource(*shader, 1, sources, nullptr);
    glCompileShader(*shader);
    GLint status = GL_FALSE;
    glGetShaderiv(*shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        *log = infoLog(*shader, false);
        return false;
    }
    return true;
}

bool GLProgram::link() {
    if (_program == 0) {
        return false;
    }
    bindAttribLocation(ATTRIBUTE_NAME_POSITION, VERTEX_ATTRIB_POSITION);
    bindAttribLocation(ATTRIBUTE_NAME_COLOR, VERTEX_ATTRIB_COLOR);
    bindAttribLocation(ATTRIBUTE_NAME_TEX_COORD, VERTEX_ATTRIB_TEX_COORD);
    glLinkProgram(_program);
    GLint status = GL_FALSE;
    glGetProgramiv(_program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        _programLog = infoLog(_program, true);
        log("program failed to link: %s", _programLog.c_str());
        return false;
    }
    const char* names[UNIFORM_MAX] = {UNIFORM_NAME_P_MATRIX,   UNIFORM_NAME_MV_MATRIX,
                                      UNIFORM_NAME_MVP_MATRIX, UNIFORM_NAME_TIME,
                                      UNIFORM_NAME_SAMPLER0,   UNIFORM_NAME_SAMPLER1,
                                      UNIFORM_NAME_SAMPLER2,   UNIFORM_NAME_SAMPLER3};
    for (int i = 0; i < UNIFORM_MAX; ++i) {
        _builtInUniforms[i] = glGetUniformLocation(_program, names[i]);
    }
    use();
    for (int i = 0; i < 4; ++i) {
        setUniformLocationWith1i(_builtInUniforms[UNIFORM_SAMPLER0 + i], i);
    }
    return true;
}

void GLProgram::use() {
    GL::useProgram(_program);
}

void GLProgram::setUniformsForBuiltins() {
    setUniformsForBuiltins(Mat4::IDENTITY);
}

void GLProgram::setUniformsForBuiltins(const Mat4& modelView) {
    const Mat4& projection =
        Director::getInstance()->getMatrix(MATRIX_STACK_TYPE::MATRIX_STACK_PROJECTION);
    setUniformLocationWithMatrix4fv(_builtInUniforms[UNIFORM_P_MATRIX], projection.m, 1);
    setUniformLocationWithMatrix4fv(_builtInUniforms[UNIFORM_MV_MATRIX], modelView.m, 1);
    const Mat4 mvp = projection * modelView;
    setUniformLocationWithMatrix4fv(_builtInUniforms[UNIFORM_MVP_MATRIX], mvp.m, 1);
    if (_builtInUniforms[UNIFORM_TIME] != -1) {
        const float time = Director::getInstance()->getTotalFrames() *
                           Director::getInstance()->getAnimationInterval();
        setUniformLocationWith4f(_builtInUniforms[UNIFORM_TIME], time / 10.0f, time, time * 2,
                                 time * 4);
    }
}

GLint GLProgram::getUniformLocation(const char* name) const {
    return _program == 0 ? -1 : glGetUniformLocation(_program, name);
}

GLint GLProgram::getAttribLocation(const char* name) const {
    return _program == 0 ? -1 : glGetAttribLocation(_program, name);
}

void GLProgram::bindAttribLocation(const char* name, GLuint index) {
    glBindAttribLocation(_program, index, name);
}

bool GLProgram::updateUniformLocation(GLint location, const void* data, size_t bytes) {
    if (location < 0) {
        return false;
    }
    std::string value(static_cast<const char*>(data), bytes);
    auto found = _uniformValues.find(location);
    if (found != _uniformValues.end() && found->second == value) {
        return false;
    }
    _uniformValues[location] = std::move(value);
    return true;
}

void GLProgram::setUniformLocationWith1i(GLint location, GLint i1) {
    if (updateUniformLocation(location, &i1, sizeof(i1))) {
        use();
        glUniform1i(location, i1);
    }
}

void GLProgram::setUniformLocationWith1f(GLint location, GLfloat f1) {
    if (updateUniformLocation(location, &f1, sizeof(f1))) {
        use();
        glUniform1f(location, f1);
    }
}

void GLProgram::setUniformLocationWith2f(GLint location, GLfloat f1, GLfloat f2) {
    const GLfloat values[] = {f1, f2};
    if (updateUniformLocation(location, values, sizeof(values))) {
        use();
        glUniform2f(location, f1, f2);
    }
}

void GLProgram::setUniformLocationWith4f(GLint location, GLfloat f1, GLfloat f2, GLfloat f3,
                                         GLfloat f4) {
    const GLfloat values[] = {f1, f2, f3, f4};
    if (updateUniformLocation(location, values, sizeof(values))) {
        use();
        glUniform4f(location, f1, f2, f3, f4);
    }
}

void GLProgram::setUniformLocationWithMatrix4fv(GLint location, const GLfloat* matrixArray,
                                                unsigned int numberOfMatrices) {
    if (updateUniformLocation(location, matrixArray,
                              sizeof(GLfloat) * 16 * static_cast<size_t>(numberOfMatrices))) {
        use();
        glUniformMatrix4fv(location, static_cast<GLsizei>(numberOfMatrices), GL_FALSE, matrixArray);
    }
}

}  // namespace cocos2d
