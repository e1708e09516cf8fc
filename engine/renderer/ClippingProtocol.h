#pragma once

#include "engine/math/Geometry.h"
#include "engine/renderer/ScissorCommand.h"

namespace cocos2d {

class Renderer;

// Mixed into a node: an optional scissor rectangle in the node's own space that limits what
// the node's commands draw, and a depth-test switch that sends its commands to the 3D queues.
// The class it is mixed into must derive from Node.
class ClippingProtocol {
public:
    virtual ~ClippingProtocol();

    // An empty rectangle (zero width or height) clips nothing.
    void setClippingRect(const Rect& rect) { _clippingRect = rect; }
    const Rect& getClippingRect() const { return _clippingRect; }

    void enableDepthTest(bool enable = true) { _depthTestEnabled = enable; }
    bool isDepthTestEnabled() const { return _depthTestEnabled; }

    // Queue the opening and closing of the scissor region around the node's own commands:
    // the clipping rectangle is taken through the node's transform and the visiting camera to
    // window points, and the screen-aligned box around it is used. Nothing when the rectangle
    // is empty.
    void beginScissor(Renderer* renderer);
    void endScissor(Renderer* renderer);

protected:
    ClippingProtocol() = default;

private:
    Rect _clippingRect;
    bool _depthTestEnabled = false;
    bool _scissorOpen = false;
    ScissorCommand _beginScissorCommand;
    ScissorCommand _endScissorCommand;
};

}  // namespace cocos2d
