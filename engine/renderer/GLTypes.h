#pragma once

// The GL scalar types the core's drawing interfaces name (program, uniform and texture ids,
// uniform values). They are declared here, identical to GLEW's, so that core headers need no GL
// header: only the backend (engine/backend/) and the engine's own drawing sources include GLEW.
typedef unsigned int GLenum;
typedef unsigned int GLuint;
typedef int GLint;
typedef int GLsizei;
typedef unsigned char GLboolean;
typedef float GLfloat;
typedef char GLchar;
