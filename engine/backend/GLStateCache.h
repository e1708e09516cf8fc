#pragma once

#include <GL/glew.h>

#include <cstdint>

namespace cocos2d {

enum {
    VERTEX_ATTRIB_FLAG_NONE = 0,
    VERTEX_ATTRIB_FLAG_POSITION = 1 << 0,
    VERTEX_ATTRIB_FLAG_COLOR = 1 << 1,
    VERTEX_ATTRIB_FLAG_TEX_COORD = 1 << 2,
    VERTEX_ATTRIB_FLAG_POS_COLOR_TEX =
        VERTEX_ATTRIB_FLAG_POSITION | VERTEX_ATTRIB_FLAG_COLOR | VERTEX_ATTRIB_FLAG_TEX_COORD,
};

// Cached GL state, so that repeated binds of the same program, texture or blend mode cost no
// GL call. Main thread only. Code that changes GL state behind these helpers must call
// `invalidateStateCache`.
namespace GL {

// Whether a GL context is current on the main thread. Headless runs have none: GL objects are
// then not made, and nodes only measure and queue commands.
bool hasContext();
void setContextAvailable(bool available);
// Grows with every new context. GL objects remember the one they were made in and delete
// their names only in that context: an object that outlives its context (say, in an
// autorelease pool) must not delete a namesake in the next one.
unsigned int contextGeneration();

void invalidateStateCache();

void useProgram(GLuint program);
void deleteProgram(GLuint program);

void blendFunc(GLenum sfactor, GLenum dfactor);
// Re-applies the cached blend mode after code that set its own.
void blendResetToCache();

void bindTexture2D(GLuint textureId);
void bindTexture2DN(GLuint textureUnit, GLuint textureId);
void deleteTexture(GLuint textureId);
void activeTexture(GLenum texture);

// Enables the attributes whose flags are set and disables the others.
void enableVertexAttribs(std::uint32_t flags);

void bindVAO(GLuint vaoId);

}  // namespace GL

}  // namespace cocos2d
