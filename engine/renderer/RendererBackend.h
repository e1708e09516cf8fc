#pragma once

#include <vector>

#include "engine/math/Geometry.h"

namespace cocos2d {

class CustomCommand;
class TrianglesCommand;
class RenderCommand;

// Depth and blend state the renderer sets before each of its queues.
struct RenderQueueState {
    bool depthTest = false;
    bool depthWrite = false;
    bool blend = true;

    bool operator==(const RenderQueueState& other) const {
        return depthTest == other.depthTest && depthWrite == other.depthWrite &&
               blend == other.blend;
    }
};

// What the renderer asks of the graphics API. The renderer decides order and state; a backend
// only carries the calls out. Triangle batches arrive one command at a time and may be merged
// by the backend until the next `flush`, which the renderer calls before any other command and
// at the end of each queue.
class RendererBackend {
public:
    virtual ~RendererBackend();

    virtual void clear(bool colorBuffer, bool depthBuffer) = 0;
    // In pixels, origin bottom-left; an empty rectangle means the whole view.
    virtual void setViewport(const Rect& viewport) = 0;
    virtual void setQueueState(const RenderQueueState& state) = 0;
    virtual void drawTriangles(const TrianglesCommand& command) = 0;
    virtual void executeCustom(const CustomCommand& command) = 0;
    // `rect` in GL points; `enabled` false turns the scissor test off.
    virtual void setScissor(bool enabled, const Rect& rect) = 0;
    virtual void flush() = 0;
};

// The headless backend: keeps a log of the calls of the current frame instead of drawing, so
// tests can check what a frame would have drawn and in which order. The colour clear at the
// start of a frame empties the log. Custom callbacks are not run.
class RecordingRendererBackend : public RendererBackend {
public:
    enum class Call { CLEAR, VIEWPORT, QUEUE_STATE, TRIANGLES, CUSTOM, SCISSOR };

    struct Record {
        Call call = Call::CLEAR;
        // The command drawn (TRIANGLES, CUSTOM), else null.
        const RenderCommand* command = nullptr;
        // CLEAR: colour and depth buffers; SCISSOR: `color` is the enabled flag.
        bool color = false;
        bool depth = false;
        RenderQueueState state;
        Rect rect;
    };

    void clear(bool colorBuffer, bool depthBuffer) override;
    void setViewport(const Rect& viewport) override;
    void setQueueState(const RenderQueueState& state) override;
    void drawTriangles(const TrianglesCommand& command) override;
    void executeCustom(const CustomCommand& command) override;
    void setScissor(bool enabled, const Rect& rect) override;
    void flush() override {}

    const std::vector<Record>& getRecords() const { return _records; }
    // The drawn commands only, in order.
    std::vector<const RenderCommand*> getDrawnCommands() const;
    void clearRecords() { _records.clear(); }

private:
    std::vector<Record> _records;
};

}  // namespace cocos2d
