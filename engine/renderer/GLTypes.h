#pragma once

// The GL scalar types the core's drawing interfaces and colour channels name (program, uniform
// and texture ids, uniform values, GLubyte channels). They are declared here, identical to
// GLEW's, so that core headers need no GL header: only the backend (engine/backend/) and the
// engine's own drawing sources include GLEW.
typedef unsigned int GLenum;
typedef unsigned int GLbitfield;
typedef unsigned int GLuint;
typedef int GLint;
typedef int GLsizei;
typedef unsigned char GLboolean;
typedef signed char GLbyte;
typedef short GLshort;
typedef unsigned char GLubyte;
typedef unsigned short GLushort;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef char GLchar;
