#pragma once

#include <vector>

#include "engine/renderer/RenderTypes.h"
#include "engine/renderer/RendererBackend.h"

namespace cocos2d {

// Carries the renderer's calls out in GL. Triangle commands are drawn one by one from
// client-side arrays: their vertices are taken to world space here, so their programs see an
// identity model-view (CC_MVPMatrix equals CC_PMatrix). A command without a program draws with
// the plain colour program, or the texture-colour one when it has a texture. Custom callbacks run
// as they are; the GL state cache is reset after each, since they may set state directly.
class GLRendererBackend : public RendererBackend {
public:
    GLRendererBackend();

    void clear(bool colorBuffer, bool depthBuffer) override;
    void setViewport(const Rect& viewport) override;
    void setQueueState(const RenderQueueState& state) override;
    void drawTriangles(const TrianglesCommand& command) override;
    void executeCustom(const CustomCommand& command) override;
    void setScissor(bool enabled, const Rect& rect) override;
    void flush() override;

    // Colour the frame is cleared to.
    static void setClearColor(const Color4F& color);

private:
    std::vector<V3F_C4B_T2F> _vertices;
};

}  // namespace cocos2d
