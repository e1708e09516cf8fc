#include "engine/renderer/Renderer.h"

#include <algorithm>

#include "engine/math/Vec4.h"

#include "engine/2d/Camera.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/GroupCommand.h"
#include "engine/renderer/RenderCommand.h"
#include "engine/renderer/ScissorCommand.h"
#include "engine/renderer/TrianglesCommand.h"

namespace cocos2d {

void RenderQueue::push_back(RenderCommand* command) {
    if (command->is3D()) {
        _commands[command->isTransparent() ? TRANSPARENT_3D : OPAQUE_3D].push_back(command);
    } else if (command->getGlobalOrder() < 0.0f) {
        _commands[GLOBALZ_NEG].push_back(command);
    } else if (command->getGlobalOrder() > 0.0f) {
        _commands[GLOBALZ_POS].push_back(command);
    } else {
        _commands[GLOBALZ_ZERO].push_back(command);
    }
}

size_t RenderQueue::size() const {
    size_t total = 0;
    for (const auto& commands : _commands) {
        total += commands.size();
    }
    return total;
}

void RenderQueue::sort() {
    const auto byGlobalOrder = [](const RenderCommand* a, const RenderCommand* b) {
        return a->getGlobalOrder() < b->getGlobalOrder();
    };
    std::stable_sort(_commands[GLOBALZ_NEG].begin(), _commands[GLOBALZ_NEG].end(), byGlobalOrder);
    std::stable_sort(_commands[GLOBALZ_POS].begin(), _commands[GLOBALZ_POS].end(), byGlobalOrder);
    std::stable_sort(_commands[TRANSPARENT_3D].begin(), _commands[TRANSPARENT_3D].end(),
                     [](const RenderCommand* a, const RenderCommand* b) {
                         return a->getDepth() > b->getDepth();
                     });
}

void RenderQueue::clear() {
    for (auto& commands : _commands) {
        commands.clear();
    }
}

Renderer::Renderer() : _backend(std::make_unique<RecordingRendererBackend>()) {
    _renderGroups.emplace_back();
    _commandGroupStack.push_back(0);
}

Renderer::~Renderer() = default;

void Renderer::addCommand(RenderCommand* command) {
    addCommand(command, _commandGroupStack.back());
}

void Renderer::addCommand(RenderCommand* command, int renderQueueID) {
    if (command == nullptr || renderQueueID < 0 ||
        static_cast<size_t>(renderQueueID) >= _renderGroups.size() || _isRendering) {
        return;
    }
    _renderGroups[static_cast<size_t>(renderQueueID)].push_back(command);
}

void Renderer::pushGroup(int renderQueueID) {
    _commandGroupStack.push_back(renderQueueID);
}

void Renderer::popGroup() {
    // The main queue stays at the bottom whatever the callers do.
    if (_commandGroupStack.size() > 1) {
        _commandGroupStack.pop_back();
    }
}

int Renderer::createRenderQueue() {
    _renderGroups.emplace_back();
    return static_cast<int>(_renderGroups.size() - 1);
}

RenderQueueState Renderer::state2D() const {
    RenderQueueState state;
    state.depthTest = _isDepthTestFor2D;
    state.depthWrite = _isDepthTestFor2D;
    state.blend = true;
    return state;
}

void Renderer::applyState(const RenderQueueState& state) {
    _backend->setQueueState(state);
}

void Renderer::render() {
    _isRendering = true;
    if (_renderGroups[0].size() > 0) {
        for (auto& queue : _renderGroups) {
            queue.sort();
        }
        if (_hasPassScissor) {
            _scissorStack.push_back(_passScissor);
            _backend->setScissor(true, _passScissor);
        }
        visitRenderQueue(_renderGroups[0]);
        if (_hasPassScissor) {
            _backend->setScissor(false, Rect::ZERO);
        }
        // Leave the state as 2D drawing expects it.
        applyState(state2D());
    }
    _isRendering = false;
    clean();
}

void Renderer::clean() {
    for (auto& queue : _renderGroups) {
        queue.clear();
    }
    _scissorStack.clear();
    _hasPassScissor = false;
}

void Renderer::setPassScissor(const Rect& rect) {
    _passScissor = rect;
    _hasPassScissor = true;
}

void Renderer::visitRenderQueue(RenderQueue& queue) {
    struct Part {
        RenderQueue::QUEUE_GROUP group;
        RenderQueueState state;
    };
    RenderQueueState opaque3D;
    opaque3D.depthTest = true;
    opaque3D.depthWrite = true;
    opaque3D.blend = false;
    RenderQueueState transparent3D;
    transparent3D.depthTest = true;
    transparent3D.depthWrite = false;
    transparent3D.blend = true;
    const Part parts[] = {
        {RenderQueue::GLOBALZ_NEG, state2D()},        {RenderQueue::OPAQUE_3D, opaque3D},
        {RenderQueue::TRANSPARENT_3D, transparent3D}, {RenderQueue::GLOBALZ_ZERO, state2D()},
        {RenderQueue::GLOBALZ_POS, state2D()},
    };
    for (const Part& part : parts) {
        const auto& commands = queue.getSubQueue(part.group);
        if (commands.empty()) {
            continue;
        }
        applyState(part.state);
        for (RenderCommand* command : commands) {
            processRenderCommand(command);
        }
        _backend->flush();
    }
}

void Renderer::processRenderCommand(RenderCommand* command) {
    switch (command->getType()) {
    case RenderCommand::Type::TRIANGLES_COMMAND:
        _backend->drawTriangles(*static_cast<TrianglesCommand*>(command));
        break;
    case RenderCommand::Type::CUSTOM_COMMAND:
        _backend->flush();
        _backend->executeCustom(*static_cast<CustomCommand*>(command));
        break;
    case RenderCommand::Type::GROUP_COMMAND: {
        _backend->flush();
        const int id = static_cast<GroupCommand*>(command)->getRenderQueueID();
        if (id > 0 && static_cast<size_t>(id) < _renderGroups.size()) {
            visitRenderQueue(_renderGroups[static_cast<size_t>(id)]);
        }
        break;
    }
    case RenderCommand::Type::SCISSOR_COMMAND: {
        _backend->flush();
        auto* scissor = static_cast<ScissorCommand*>(command);
        if (scissor->isBegin()) {
            Rect rect = scissor->getRect();
            if (!_scissorStack.empty()) {
                const Rect& outer = _scissorStack.back();
                const float minX = std::max(rect.getMinX(), outer.getMinX());
                const float minY = std::max(rect.getMinY(), outer.getMinY());
                const float maxX = std::min(rect.getMaxX(), outer.getMaxX());
                const float maxY = std::min(rect.getMaxY(), outer.getMaxY());
                rect = Rect(minX, minY, std::max(0.0f, maxX - minX), std::max(0.0f, maxY - minY));
            }
            _scissorStack.push_back(rect);
            _backend->setScissor(true, rect);
        } else if (!_scissorStack.empty()) {
            _scissorStack.pop_back();
            if (_scissorStack.empty()) {
                _backend->setScissor(false, Rect::ZERO);
            } else {
                _backend->setScissor(true, _scissorStack.back());
            }
        }
        break;
    }
    case RenderCommand::Type::UNKNOWN_COMMAND:
        break;
    }
}

void Renderer::clear() {
    _backend->clear(true, true);
}

void Renderer::clearDepth() {
    _backend->clear(false, true);
}

void Renderer::setViewport(const Rect& viewport) {
    _backend->setViewport(viewport);
}

bool Renderer::checkVisibility(const Mat4& transform, const Size& size) const {
    const Camera* camera = Camera::getVisitingCamera();
    if (camera == nullptr) {
        return true;
    }
    Mat4 clip;
    Mat4::multiply(camera->getViewProjectionMatrix(), transform, &clip);
    const Vec3 corners[4] = {Vec3(0.0f, 0.0f, 0.0f), Vec3(size.width, 0.0f, 0.0f),
                             Vec3(0.0f, size.height, 0.0f), Vec3(size.width, size.height, 0.0f)};
    // Outside when all corners lie beyond one and the same plane of the view volume.
    int outside[6] = {0, 0, 0, 0, 0, 0};
    for (const Vec3& corner : corners) {
        Vec4 p;
        clip.transformVector(Vec4(corner.x, corner.y, corner.z, 1.0f), &p);
        outside[0] += p.x < -p.w ? 1 : 0;
        outside[1] += p.x > p.w ? 1 : 0;
        outside[2] += p.y < -p.w ? 1 : 0;
        outside[3] += p.y > p.w ? 1 : 0;
        outside[4] += p.z < -p.w ? 1 : 0;
        outside[5] += p.z > p.w ? 1 : 0;
    }
    for (int count : outside) {
        if (count == 4) {
            return false;
        }
    }
    return true;
}

void Renderer::setBackend(std::unique_ptr<RendererBackend> backend) {
    _backend = backend ? std::move(backend) : std::make_unique<RecordingRendererBackend>();
}

}  // namespace cocos2d
