#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"
#include "engine/renderer/RendererBackend.h"

namespace cocos2d {

class RenderCommand;

// Commands of one queue, split by kind. They run in this order: negative global z (sorted,
// stable), opaque 3D (queue order, depth test and depth write, no blending), transparent 3D
// (far to near, stable; depth test without depth write, blending), global z 0 (queue order),
// positive global z (sorted, stable). The 2D parts draw without depth test unless
// `setDepthTest(true)`.
class RenderQueue {
public:
    enum QUEUE_GROUP {
        GLOBALZ_NEG = 0,
        OPAQUE_3D = 1,
        TRANSPARENT_3D = 2,
        GLOBALZ_ZERO = 3,
        GLOBALZ_POS = 4,
        QUEUE_COUNT = 5,
    };

    void push_back(RenderCommand* command);
    size_t size() const;
    void sort();
    const std::vector<RenderCommand*>& getSubQueue(QUEUE_GROUP group) const {
        return _commands[group];
    }
    void clear();

private:
    std::vector<RenderCommand*> _commands[QUEUE_COUNT];
};

// Collects the commands nodes queue during a visit and runs them through its backend.
// Without a backend of its own it records (RecordingRendererBackend); the windowed program
// installs a GL backend.
class Renderer {
public:
    Renderer();
    ~Renderer();

    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Into the queue of the innermost open group (the main queue outside groups).
    void addCommand(RenderCommand* command);
    void addCommand(RenderCommand* command, int renderQueueID);

    void pushGroup(int renderQueueID);
    void popGroup();
    int createRenderQueue();

    // Sorts and runs the queued commands, then empties every queue.
    void render();
    // Empties every queue without running anything.
    void clean();

    // Clears colour and depth (frame start).
    void clear();
    // Clears depth only (start of each camera pass after the first).
    void clearDepth();
    void setViewport(const Rect& viewport);
    // Limits every command of the next `render` to `rect` (GL points, origin bottom-left), inner
    // scissor regions included: the pass of a camera that draws into one part of the window.
    // `render` and `clean` drop it.
    void setPassScissor(const Rect& rect);
    bool hasPassScissor() const { return _hasPassScissor; }

    void setDepthTest(bool enable) { _isDepthTestFor2D = enable; }
    bool isDepthTestFor2D() const { return _isDepthTestFor2D; }

    // Whether a node of `size` under `transform` can be seen by the visiting camera: false
    // only when its rectangle lies wholly outside the camera's view volume.
    bool checkVisibility(const Mat4& transform, const Size& size) const;

    // Takes ownership; null restores a recording backend.
    void setBackend(std::unique_ptr<RendererBackend> backend);
    RendererBackend* getBackend() const { return _backend.get(); }

private:
    void visitRenderQueue(RenderQueue& queue);
    void processRenderCommand(RenderCommand* command);
    void applyState(const RenderQueueState& state);
    RenderQueueState state2D() const;

    std::vector<RenderQueue> _renderGroups;
    std::vector<int> _commandGroupStack;
    std::vector<Rect> _scissorStack;
    Rect _passScissor;
    bool _hasPassScissor = false;
    bool _isDepthTestFor2D = false;
    bool _isRendering = false;
    std::unique_ptr<RendererBackend> _backend;
};

}  // namespace cocos2d
