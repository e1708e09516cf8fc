#include "engine/backend/GLStateCache.h"

#include <array>

namespace cocos2d {
namespace GL {

namespace {

constexpr int kMaxActiveTextures = 16;
constexpr int kMaxAttributes = 16;

bool s_contextAvailable = false;
unsigned int s_contextGeneration = 0;
GLuint s_currentProgram = static_cast<GLuint>(-1);
GLenum s_blendSrc = static_cast<GLenum>(-1);
GLenum s_blendDst = static_cast<GLenum>(-1);
GLenum s_activeTexture = static_cast<GLenum>(-1);
std::array<GLuint, kMaxActiveTextures> s_boundTextures;
std::uint32_t s_attributeFlags = 0;
GLuint s_vao = 0;

void setBlending(GLenum sfactor, GLenum dfactor) {
    if (sfactor == GL_ONE && dfactor == GL_ZERO) {
        glDisable(GL_BLEND);
    } else {
        glEnable(GL_BLEND);
        glBlendFunc(sfactor, dfactor);
    }
}

}  // namespace

bool hasContext() {
    return s_contextAvailable;
}

unsigned int contextGeneration() {
    return s_contextGeneration;
}

void setContextAvailable(bool available) {
    if (available && !s_contextAvailable) {
        ++s_contextGeneration;
    }
    s_contextAvailable = available;
    invalidateStateCache();
}

void invalidateStateCache() {
    s_currentProgram = static_cast<GLuint>(-1);
    s_blendSrc = static_cast<GLenum>(-1);
    s_blendDst = static_cast<GLenum>(-1);
    s_activeTexture = static_cast<GLenum>(-1);
    s_boundTextures.fill(static_cast<GLuint>(-1));
    // Unknown: the next enableVertexAttribs sets every attribute explicitly.
    s_attributeFlags = 0xFFFFu;
    s_vao = static_cast<GLuint>(-1);
}

void useProgram(GLuint program) {
    if (program != s_currentProgram) {
        s_currentProgram = program;
        glUseProgram(program);
    }
}

void deleteProgram(GLuint program) {
    if (program == s_currentProgram) {
        s_currentProgram = static_cast<GLuint>(-1);
    }
    glDeleteProgram(program);
}

void blendFunc(GLenum sfactor, GLenum dfactor) {
    if (sfactor != s_blendSrc || dfactor != s_blendDst) {
        s_blendSrc = sfactor;
        s_blendDst = dfactor;
        setBlending(sfactor, dfactor);
    }
}

void blendResetToCache() {
    glBlendEquation(GL_FUNC_ADD);
    if (s_blendSrc != static_cast<GLenum>(-1)) {
        setBlending(s_blendSrc, s_blendDst);
    }
}

void bindTexture2D(GLuint textureId) {
    bindTexture2DN(0, textureId);
}

void bindTexture2DN(GLuint textureUnit, GLuint textureId) {
    if (textureUnit >= kMaxActiveTextures) {
        return;
    }
    if (s_boundTextures[textureUnit] != textureId) {
        s_boundTextures[textureUnit] = textureId;
        activeTexture(GL_TEXTURE0 + textureUnit);
        glBindTexture(GL_TEXTURE_2D, textureId);
    }
}

void deleteTexture(GLuint textureId) {
    for (auto& bound : s_boundTextures) {
        if (bound == textureId) {
            bound = static_cast<GLuint>(-1);
        }
    }
    glDeleteTextures(1, &textureId);
}

void activeTexture(GLenum texture) {
    if (s_activeTexture != texture) {
        s_activeTexture = texture;
        glActiveTexture(texture);
    }
}

void enableVertexAttribs(std::uint32_t flags) {
    bindVAO(0);
    for (int i = 0; i < kMaxAttributes; ++i) {
        const std::uint32_t bit = 1u << i;
        const bool wanted = (flags & bit) != 0;
        const bool enabled = (s_attributeFlags & bit) != 0;
        if (wanted != enabled || s_attributeFlags == 0xFFFFu) {
            if (wanted) {
                glEnableVertexAttribArray(static_cast<GLuint>(i));
            } else {
                glDisableVertexAttribArray(static_cast<GLuint>(i));
            }
        }
    }
    s_attributeFlags = flags;
}

void bindVAO(GLuint vaoId) {
    if (glBindVertexArray == nullptr) {
        return;
    }
    if (s_vao != vaoId) {
        s_vao = vaoId;
        glBindVertexArray(vaoId);
    }
}

}  // namespace GL
}  // namespace cocos2d
