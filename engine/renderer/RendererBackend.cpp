#include "engine/renderer/RendererBackend.h"

#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/TrianglesCommand.h"

namespace cocos2d {

RendererBackend::~RendererBackend() = default;

void RecordingRendererBackend::clear(bool colorBuffer, bool depthBuffer) {
    // A colour clear starts a frame: the log keeps one frame only.
    if (colorBuffer) {
        _records.clear();
    }
    Record record;
    record.call = Call::CLEAR;
    record.color = colorBuffer;
    record.depth = depthBuffer;
    _records.push_back(record);
}

void RecordingRendererBackend::setViewport(const Rect& viewport) {
    Record record;
    record.call = Call::VIEWPORT;
    record.rect = viewport;
    _records.push_back(record);
}

void RecordingRendererBackend::setQueueState(const RenderQueueState& state) {
    Record record;
    record.call = Call::QUEUE_STATE;
    record.state = state;
    _records.push_back(record);
}

void RecordingRendererBackend::drawTriangles(const TrianglesCommand& command) {
    Record record;
    record.call = Call::TRIANGLES;
    record.command = &command;
    _records.push_back(record);
}

void RecordingRendererBackend::executeCustom(const CustomCommand& command) {
    Record record;
    record.call = Call::CUSTOM;
    record.command = &command;
    _records.push_back(record);
}

void RecordingRendererBackend::setScissor(bool enabled, const Rect& rect) {
    Record record;
    record.call = Call::SCISSOR;
    record.color = enabled;
    record.rect = rect;
    _records.push_back(record);
}

std::vector<const RenderCommand*> RecordingRendererBackend::getDrawnCommands() const {
    std::vector<const RenderCommand*> drawn;
    for (const Record& record : _records) {
        if (record.command != nullptr) {
            drawn.push_back(record.command);
        }
    }
    return drawn;
}

}  // namespace cocos2d
