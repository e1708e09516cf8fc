#include "imagesdk/vr/vrRayCaster.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "imagesdk/data/PixelType.h"

namespace isImageSDK {

namespace {

constexpr int kMaxSteps = 100000;

double steadyMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

bool wantsFloatGrid(int pixelType) {
    return pixelType == PIXEL_FLOAT32;
}

cocos2d::Vec3 scaled(const cocos2d::Vec3& v, const float s[3]) {
    return {v.x * s[0], v.y * s[1], v.z * s[2]};
}

}  // namespace

vrRayCaster::vrRayCaster() : clock(steadyMilliseconds) {
    for (int i = 0; i < 256; ++i) {
        colourTable[3 * i] = colourTable[3 * i + 1] = colourTable[3 * i + 2] = std::uint8_t(i);
    }
}

vrRayCaster::~vrRayCaster() = default;

void vrRayCaster::setVolume(const vrVolumeDesc* volume) {
    if (volume == desc) {
        return;
    }
    desc = volume;
    voxels = desc ? desc->data : nullptr;
    grid.reset();
    gridRebuild = false;
    if (!desc) {
        return;
    }
    inverseVolumeMatrix = cocos2d::Mat4(desc->matrix).getInversed();
    stepLength = std::min(desc->spacing[0], std::min(desc->spacing[1], desc->spacing[2]));
    prepareGrid();
}

void vrRayCaster::setVoxelData(const void* data) {
    voxels = data;
    gridRebuild = true;
}

void vrRayCaster::setWindowLevel(float width, float centre) {
    pendingWidth = width;
    pendingCentre = centre;
    windowChanged = true;
    tablesBuilt = false;
}

void vrRayCaster::getPendingWindowLevel(float* width, float* centre) const {
    *width = pendingWidth;
    *centre = pendingCentre;
}

void vrRayCaster::setColorTable(const std::uint8_t table[768]) {
    std::memcpy(colourTable, table, sizeof(colourTable));
    colourChanged = true;
    tablesBuilt = false;
}

void vrRayCaster::setRenderMode(int mode) {
    if (mode != renderMode) {
        renderMode = mode;
        tablesBuilt = false;
    }
}

void vrRayCaster::setInterpolation(int flag) {
    trilinear = flag != 0;
}

void vrRayCaster::setScaleFactor(float factor) {
    scaleFactor = std::min(1.0f, std::max(0.05f, factor));
}

void vrRayCaster::setWorkerCount(int count) {
    workerCount = std::min(8, std::max(1, count));
}

void vrRayCaster::setClock(Clock source) {
    clock = source ? std::move(source) : Clock(steadyMilliseconds);
}

void vrRayCaster::syncCamera(const vrCamera& source, bool toVolumeSpace) {
    if (&source == &camera) {
        return;
    }
    camera = source;
    if (toVolumeSpace) {
        inverseVolumeMatrix.transformPoint(source.eye, &camera.eye);
        inverseVolumeMatrix.transformPoint(source.centre, &camera.centre);
        inverseVolumeMatrix.transformVector(source.up, &camera.up);
    }
}

void vrRayCaster::prepareGrid() {
    const bool wantFloat = wantsFloatGrid(desc->pixelType);
    const bool matches = grid && (grid->getKind() == vrSpaceLeapingBase::KIND_FLOAT) == wantFloat;
    if (matches && !gridRebuild) {
        return;
    }
    if (wantFloat) {
        grid = std::make_unique<vrSpaceLeapingFloat>();
    } else {
        grid = std::make_unique<vrSpaceLeaping>();
    }
    grid->init(desc);
    gridRebuild = false;
}

void vrRayCaster::applyThreshold() {
    if (auto* floatGrid = dynamic_cast<vrSpaceLeapingFloat*>(grid.get())) {
        floatGrid->setThreshold(lowEdge);
    } else {
        // Values below int(L) lie below L whatever the sign of L.
        float clamped = std::min(2.0e9f, std::max(-2.0e9f, lowEdge));
        grid->setThreshold(int(clamped));
    }
}

void vrRayCaster::updateTables() {
    if (tablesBuilt) {
        return;
    }
    if (windowChanged) {
        // A window of zero width would divide by zero.
        windowWidth = std::max(1.0f, pendingWidth);
        windowCentre = pendingCentre;
        lowEdge = windowCentre - windowWidth * 0.5f;
        opacityScale = 255.0f / windowWidth;
    }
    if (colourChanged) {
        function.buildFromColorTable(colourTable);
        std::memcpy(background, colourTable, 3);
    }
    indexTable.resize(256);
    function.fillIndexTable(indexTable.data());
    if (renderMode == VR_MODE_PREINTEGRATED || renderMode == VR_MODE_PREINTEGRATED_SHADED) {
        function.ensureTables();
        preTable.resize(65536);
        function.fillPreIntegratedTable(preTable.data());
    } else if (renderMode == VR_MODE_COMPOSITE && !wantsFloatGrid(desc->pixelType)) {
        valueTable.resize(65536);
        const int base = desc->pixelType == PIXEL_INT16 ? -32768 : 0;
        function.fillValueTable(valueTable.data(), base, 65536, lowEdge, opacityScale);
    }
    tablesBuilt = true;
    windowChanged = false;
    colourChanged = false;
}

void vrRayCaster::getProjectionRect(int out[4]) const {
    std::memcpy(out, rect, sizeof(rect));
}

void vrRayCaster::projectVolume(const cocos2d::Mat4& viewProjection) {
    const int w = outputWidth;
    const int h = outputHeight;
    rect[0] = 0;
    rect[1] = w - 1;
    rect[2] = 0;
    rect[3] = h - 1;
    const float extent[3] = {float(desc->width - 1) * desc->spacing[0],
                             float(desc->height - 1) * desc->spacing[1],
                             float(desc->depth - 1) * desc->spacing[2]};
    double lo[2] = {1e30, 1e30};
    double hi[2] = {-1e30, -1e30};
    for (int corner = 0; corner < 8; ++corner) {
        cocos2d::Vec3 p((corner & 1) ? extent[0] : 0.0f, (corner & 2) ? extent[1] : 0.0f,
                        (corner & 4) ? extent[2] : 0.0f);
        cocos2d::Vec3 s;
        if (!vrCamera::worldToScreen(viewProjection, camera.viewportWidth, camera.viewportHeight, p,
                                     s)) {
            // A corner behind the eye: its projection bounds nothing, cast every pixel.
            return;
        }
        const double column = double(s.x) * (w - 1) / camera.viewportWidth;
        const double row = (h - 1) - double(s.y) * (h - 1) / camera.viewportHeight;
        if (!std::isfinite(column) || !std::isfinite(row)) {
            return;
        }
        lo[0] = std::min(lo[0], column);
        hi[0] = std::max(hi[0], column);
        lo[1] = std::min(lo[1], row);
        hi[1] = std::max(hi[1], row);
    }
    // One pixel of margin for rounding at the silhouette.
    rect[0] = int(std::max(0.0, std::floor(lo[0]) - 1.0));
    rect[1] = int(std::min(double(w - 1), std::ceil(hi[0]) + 1.0));
    rect[2] = int(std::max(0.0, std::floor(lo[1]) - 1.0));
    rect[3] = int(std::min(double(h - 1), std::ceil(hi[1]) + 1.0));
}

void vrRayCaster::makeRay(int row, int column, vrRayBlock& ray) const {
    ray.stepCount = kMaxSteps;
    if (!camera.perspective) {
        const cocos2d::Vec3 start =
            orthoOrigin + orthoColumn * float(column) + orthoRow * float(row);
        ray.start[0] = start.x;
        ray.start[1] = start.y;
        ray.start[2] = start.z;
        ray.step[0] = orthoStep.x;
        ray.step[1] = orthoStep.y;
        ray.step[2] = orthoStep.z;
        return;
    }
    const float vw = camera.viewportWidth;
    const float vh = camera.viewportHeight;
    const float sx = float(column) * vw / float(outputWidth - 1);
    const float sy = float(outputHeight - 1 - row) * vh / float(outputHeight - 1);
    const cocos2d::Vec3 nearPoint =
        vrCamera::screenToWorld(inverseViewProjection, vw, vh, {sx, sy, 0.0f});
    const cocos2d::Vec3 farPoint =
        vrCamera::screenToWorld(inverseViewProjection, vw, vh, {sx, sy, 1.0f});
    cocos2d::Vec3 direction = farPoint - nearPoint;
    direction.normalize();
    const cocos2d::Vec3 start = scaled(nearPoint, invSpacing);
    const cocos2d::Vec3 step = scaled(direction * stepLength, invSpacing);
    ray.start[0] = start.x;
    ray.start[1] = start.y;
    ray.start[2] = start.z;
    ray.step[0] = step.x;
    ray.step[1] = step.y;
    ray.step[2] = step.z;
}

void vrRayCaster::castRows(int, const vrKernelContext& context, vrRayKernel kernel,
                           vrPacketKernel packetKernel) {
    cuLight own = light;
    const int w = outputWidth;
    const int h = outputHeight;
    vrRayBlock rays[kPacketRays];
    for (;;) {
        const int row = nextRow.fetch_add(1, std::memory_order_relaxed);
        if (row >= h || aborting.load(std::memory_order_relaxed)) {
            return;
        }
        std::uint8_t* line = output.data() + std::size_t(row) * std::size_t(w) * 3;
        const bool rowInside = row >= rect[2] && row <= rect[3];
        const int from = rowInside ? rect[0] : w;
        const int to = rowInside ? rect[1] + 1 : w;
        for (int column = 0; column < w; ++column) {
            if (column < from || column >= to) {
                std::memcpy(line + 3 * column, background, 3);
            }
        }
        for (int column = from; column < to;) {
            if (packetKernel) {
                const int count = std::min(kPacketRays, to - column);
                for (int l = 0; l < count; ++l) {
                    makeRay(row, column + l, rays[l]);
                }
                packetKernel(context, rays, count, own, line + 3 * column);
                column += count;
            } else {
                makeRay(row, column, rays[0]);
                kernel(context, rays[0], own, line + 3 * column);
                ++column;
            }
        }
    }
}

bool vrRayCaster::render() {
    if (!desc || !voxels || desc->width < 2 || desc->height < 2 || desc->depth < 2 ||
        !(camera.viewportWidth >= 1.0f) || !(camera.viewportHeight >= 1.0f)) {
        return false;
    }
    const vrRayKernel kernel = vrSelectKernel(renderMode, desc->pixelType, trilinear);
    if (!kernel) {
        return false;
    }
    const vrPacketKernel packetKernel =
        vrSelectPacketKernel(renderMode, desc->pixelType, trilinear);
    aborting.store(false);
    const double started = clock();
    prepareGrid();
    if (grid->isReadyToBuild()) {
        // Slabs of blocks along z, one at a time to whichever worker is free.
        std::atomic<int> nextSlab{0};
        const int blocks = grid->getBlocksZ();
        pool.run(workerCount, [&](int) {
            for (int z; (z = nextSlab.fetch_add(2)) < blocks;) {
                grid->buildBlocks(z, z + 2);
            }
        });
        grid->finishBuild();
    }
    updateTables();
    applyThreshold();
    if (aborting.load()) {
        return false;
    }

    // The image is at least 2 x 2 so that the pixel spacing never divides by zero.
    const int viewW = int(camera.viewportWidth);
    const int viewH = int(camera.viewportHeight);
    const int w = std::max(2, int(float(viewW) * scaleFactor));
    const int h = std::max(2, int(float(viewH) * scaleFactor));
    if (w != outputWidth || h != outputHeight) {
        output.assign(std::size_t(w) * std::size_t(h) * 3, 0);
        outputWidth = w;
        outputHeight = h;
        ratioX = double(w) / std::max(1.0, double(camera.viewportWidth));
        ratioY = double(h) / std::max(1.0, double(camera.viewportHeight));
    }

    invSpacing[0] = 1.0f / desc->spacing[0];
    invSpacing[1] = 1.0f / desc->spacing[1];
    invSpacing[2] = 1.0f / desc->spacing[2];
    const cocos2d::Mat4 viewProjection = camera.getViewProjection();
    inverseViewProjection = viewProjection.getInversed();
    projectVolume(viewProjection);
    const float vw = camera.viewportWidth;
    const float vh = camera.viewportHeight;
    if (!camera.perspective) {
        // Parallel rays: the start point moves linearly across the image.
        auto at = [&](float sx, float sy, float depth) {
            return vrCamera::screenToWorld(inverseViewProjection, vw, vh, {sx, sy, depth});
        };
        const cocos2d::Vec3 topLeft = at(0.0f, vh, 0.0f);
        const float dx = vw / float(w - 1);
        const float dy = vh / float(h - 1);
        orthoOrigin = scaled(topLeft, invSpacing);
        orthoColumn = scaled(at(dx, vh, 0.0f) - topLeft, invSpacing);
        orthoRow = scaled(at(0.0f, vh - dy, 0.0f) - topLeft, invSpacing);
        cocos2d::Vec3 direction = at(0.0f, vh, 1.0f) - topLeft;
        direction.normalize();
        orthoStep = scaled(direction * stepLength, invSpacing);
    }
    light.viewerPosition = {camera.eye.x * invSpacing[0], camera.eye.y * invSpacing[1],
                            camera.eye.z * invSpacing[2]};

    vrKernelContext context;
    context.voxels = voxels;
    context.dims[0] = desc->width;
    context.dims[1] = desc->height;
    context.dims[2] = desc->depth;
    context.sliceSize = std::ptrdiff_t(desc->width) * desc->height;
    context.valueTable = valueTable.data();
    context.valueBase = desc->pixelType == PIXEL_INT16 ? 32768 : 0;
    context.indexTable = indexTable.data();
    context.preTable = preTable.data();
    context.low = lowEdge;
    context.scale = opacityScale;
    std::memcpy(context.background, background, 3);
    context.grid = grid.get();
    const float box[6] = {0.0f, float(desc->width - 2), 0.0f, float(desc->height - 2),
                          0.0f, float(desc->depth - 2)};
    std::memcpy(context.volumeBox, box, sizeof(box));
    context.gradientStep = 1.0f;

    nextRow.store(0);
    // Small frames are not worth waking the helpers.
    const int workers = w * h < 100 ? 1 : workerCount;
    pool.run(workers, [&](int worker) { castRows(worker, context, kernel, packetKernel); });

    if (aborting.load()) {
        return false;
    }
    // A frame under a millisecond counts as one, so a fast frame never shrinks the image.
    const double elapsed = std::max(1.0, clock() - started);
    setScaleFactor(float(scaleFactor * std::sqrt(targetTime / elapsed)));
    return true;
}

std::unique_ptr<vrFrameResult> vrRayCaster::makeFrameResult() const {
    if (output.empty()) {
        return nullptr;
    }
    auto result = std::make_unique<vrFrameResult>();
    result->width = outputWidth;
    result->height = outputHeight;
    result->scaleX = float(1.0 / ratioX);
    result->scaleY = float(1.0 / ratioY);
    result->pixels = output;
    return result;
}

}  // namespace isImageSDK
