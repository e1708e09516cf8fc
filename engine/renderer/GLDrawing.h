#pragma once

#include "engine/renderer/GLTypes.h"

#include "engine/renderer/RenderTypes.h"

namespace cocos2d {

// What a draw call makes of its vertices.
enum class Primitive { POINTS, LINES, TRIANGLES };

// Vertex records of client-side arrays: position and colour (16 bytes, `V3F_C4B`), or
// position, colour and texture coordinates (24 bytes, `V3F_C4B_T2F`). They feed the built-in
// attributes a_position, a_color and a_texCoord.
enum class VertexLayout { POSITION_COLOR, POSITION_COLOR_TEXTURE };

struct V3F_C4B {
    Vec3 vertices;
    Color4B colors;
};

// GL state and draw calls for the callbacks of custom render commands outside the engine:
// blending, wide and dashed lines, program point sizes (compatibility profile), texture units
// and client-side arrays. Main thread, inside a custom command's callback; without a GL context
// (headless runs, where callbacks never run) every call does nothing.
namespace GLDrawing {

// The GL enum of a primitive.
GLenum toGLPrimitive(Primitive primitive);

// Enables blending with `func`, or disables it.
void setBlending(bool enabled, const BlendFunc& func = BlendFunc::ALPHA_NON_PREMULTIPLIED);
void setLineWidth(float width);
// Dashes lines: each bit of `pattern` covers `factor` pixels, the lowest bit first.
void setLineStipple(bool enabled, int factor = 1, unsigned short pattern = 0xFFFF);
// Lets vertex programs set gl_PointSize.
void setProgramPointSize(bool enabled);
// Binds a 2D texture (0 unbinds) on a texture unit and makes unit 0 the active one again.
void bindTexture(int unit, GLuint texture);
// Draws `count` vertices from client memory with the attribute layout given; the program
// is the caller's (in use, its uniforms set).
void drawClientArrays(Primitive primitive, VertexLayout layout, const void* vertices, int count);

}  // namespace GLDrawing

}  // namespace cocos2d
