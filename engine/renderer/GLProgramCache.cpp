#include "engine/renderer/GLProgramCache.h"

#include "engine/backend/GLStateCache.h"
#include "engine/renderer/GLProgramState.h"

namespace cocos2d {

namespace {

GLProgramCache* s_sharedCache = nullptr;

// Sprites and labels: vertices arrive already in world space, so only the projection applies.
const char* kPositionTextureColorNoMvpVert = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texCoord;
varying vec4 v_fragmentColor;
varying vec2 v_texCoord;
void main() {
    gl_Position = CC_PMatrix * a_position;
    v_fragmentColor = a_color;
    v_texCoord = a_texCoord;
}
)";

const char* kPositionTextureColorVert = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texCoord;
varying vec4 v_fragmentColor;
varying vec2 v_texCoord;
void main() {
    gl_Position = CC_MVPMatrix * a_position;
    v_fragmentColor = a_color;
    v_texCoord = a_texCoord;
}
)";

const char* kPositionTextureColorFrag = R"(
varying vec4 v_fragmentColor;
varying vec2 v_texCoord;
void main() {
    gl_FragColor = v_fragmentColor * texture2D(CC_Texture0, v_texCoord);
}
)";

const char* kPositionColorVert = R"(
attribute vec4 a_position;
attribute vec4 a_color;
varying vec4 v_fragmentColor;
void main() {
    gl_Position = CC_MVPMatrix * a_position;
    v_fragmentColor = a_color;
}
)";

const char* kPositionColorFrag = R"(
varying vec4 v_fragmentColor;
void main() {
    gl_FragColor = v_fragmentColor;
}
)";

// Drawing nodes: colours come out premultiplied; a texture coordinate of length above 1 lies
// outside the shape (round line caps and dots), so (0, 0) draws the plain colour.
const char* kPositionLengthTextureColorVert = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texCoord;
varying vec4 v_color;
varying vec2 v_texcoord;
void main() {
    gl_Position = CC_MVPMatrix * a_position;
    v_color = vec4(a_color.rgb * a_color.a, a_color.a);
    v_texcoord = a_texCoord;
}
)";

const char* kPositionLengthTextureColorFrag = R"(
varying vec4 v_color;
varying vec2 v_texcoord;
void main() {
    gl_FragColor = v_color * step(0.0, 1.0 - length(v_texcoord));
}
)";

// Points: the first texture coordinate is the point size in pixels.
const char* kPositionColorTexAsPointsizeVert = R"(
attribute vec4 a_position;
attribute vec4 a_color;
attribute vec2 a_texCoord;
varying vec4 v_fragmentColor;
void main() {
    gl_Position = CC_MVPMatrix * a_position;
    gl_PointSize = a_texCoord.x;
    v_fragmentColor = vec4(a_color.rgb * a_color.a, a_color.a);
}
)";

}  // namespace

GLProgramCache* GLProgramCache::getInstance() {
    if (s_sharedCache == nullptr) {
        s_sharedCache = new GLProgramCache();
    }
    return s_sharedCache;
}

void GLProgramCache::destroyInstance() {
    delete s_sharedCache;
    s_sharedCache = nullptr;
}

GLProgramCache::~GLProgramCache() {
    removeAllPrograms();
}

GLProgram* GLProgramCache::getGLProgram(const std::string& key) {
    if (!_defaultsLoaded && GL::hasContext()) {
        loadDefaultGLPrograms();
    }
    auto found = _programs.find(key);
    return found == _programs.end() ? nullptr : found->second;
}

void GLProgramCache::addGLProgram(GLProgram* program, const std::string& key) {
    auto found = _programs.find(key);
    if (found != _programs.end()) {
        if (found->second == program) {
            return;
        }
        found->second->release();
        _programs.erase(found);
    }
    if (program != nullptr) {
        program->retain();
        _programs.emplace(key, program);
    }
}

void GLProgramCache::removeAllPrograms() {
    GLProgramState::removeSharedStates();
    for (auto& entry : _programs) {
        entry.second->release();
    }
    _programs.clear();
    _defaultsLoaded = false;
}

void GLProgramCache::loadDefaultGLPrograms() {
    _defaultsLoaded = true;
    struct Builtin {
        const char* name;
        const char* vert;
        const char* frag;
    };
    const Builtin builtins[] = {
        {GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR, kPositionTextureColorVert,
         kPositionTextureColorFrag},
        {GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR_NO_MVP, kPositionTextureColorNoMvpVert,
         kPositionTextureColorFrag},
        {GLProgram::SHADER_NAME_POSITION_COLOR, kPositionColorVert, kPositionColorFrag},
        {GLProgram::SHADER_NAME_POSITION_LENGTH_TEXTURE_COLOR, kPositionLengthTextureColorVert,
         kPositionLengthTextureColorFrag},
        {GLProgram::SHADER_NAME_POSITION_COLOR_TEXASPOINTSIZE, kPositionColorTexAsPointsizeVert,
         kPositionColorFrag},
    };
    for (const auto& builtin : builtins) {
        if (_programs.count(builtin.name) != 0) {
            continue;
        }
        GLProgram* program = GLProgram::createWithByteArrays(builtin.vert, builtin.frag);
        if (program != nullptr) {
            addGLProgram(program, builtin.name);
        }
    }
}

}  // namespace cocos2d
