#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/math/Mat4.h"
#include "imagesdk/vr/cuLight.h"
#include "imagesdk/vr/vrCamera.h"
#include "imagesdk/vr/vrRayKernels.h"
#include "imagesdk/vr/vrSpaceLeaping.h"
#include "imagesdk/vr/vrTransferFunction.h"
#include "imagesdk/vr/vrVolumeDesc.h"
#include "imagesdk/vr/vrWorkerPool.h"

namespace isImageSDK {

// One finished frame, handed from a render thread to whoever draws it.
struct vrFrameResult {
    std::int32_t width = 0;
    std::int32_t height = 0;
    // The scale at which the image fills the viewport.
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    // width * height RGB triples, top row first.
    std::vector<std::uint8_t> pixels;
};

// Renders one volume into an RGB image by casting a ray per output pixel. The output size is the
// viewport scaled by a factor that adapts to a target frame time. Rows are shared out among the
// calling thread and helper threads of a pool the caster owns; each pixel depends only on its own
// ray, so the image is the same for any number of workers. Driven by one thread at a time; only
// abort may be called from another thread.
class vrRayCaster {
public:
    // Milliseconds from an arbitrary origin.
    using Clock = std::function<double()>;

    vrRayCaster();
    ~vrRayCaster();

    // The descriptor is kept, not copied; the same descriptor again changes nothing.
    void setVolume(const vrVolumeDesc* desc);
    // The volume's voxels moved (a new phase): the grid is rebuilt at the next render.
    void setVoxelData(const void* voxels);
    void setWindowLevel(float width, float centre);
    void getPendingWindowLevel(float* width, float* centre) const;
    // 256 RGB triples; entry 0 is also the background.
    void setColorTable(const std::uint8_t table[768]);
    // The table last set; read only while no frame is cast.
    const std::uint8_t* getColorTable() const { return colourTable; }
    void setRenderMode(int mode);
    int getRenderMode() const { return renderMode; }
    // 1 trilinear, 0 nearest.
    void setInterpolation(int flag);
    void setScaleFactor(float factor);
    float getScaleFactor() const { return scaleFactor; }
    void setTargetTime(float milliseconds) { targetTime = milliseconds; }
    // Threads casting one frame, the caller included; 1 .. 8.
    void setWorkerCount(int count);
    void setClock(Clock clock);
    void setStepLength(float millimetres) { stepLength = millimetres; }
    float getStepLength() const { return stepLength; }

    // Takes the source's projection and view; with toVolumeSpace the eye, centre and up are
    // carried from world into volume coordinates through the inverse volume matrix.
    void syncCamera(const vrCamera& source, bool toVolumeSpace);
    const vrCamera& getCamera() const { return camera; }

    // Renders a frame on the calling thread and its helpers. False when there is nothing to
    // render or the frame was aborted; an aborted frame keeps the factor and leaves unfinished
    // pixels as they were.
    bool render();
    // Safe from any thread: the running frame stops before its next row.
    void abort() { aborting.store(true); }
    bool isAborted() const { return aborting.load(); }
    void clearAbort() { aborting.store(false); }

    // A copy of the last frame; null before the first one.
    std::unique_ptr<vrFrameResult> makeFrameResult() const;
    int getOutputWidth() const { return outputWidth; }
    int getOutputHeight() const { return outputHeight; }
    const std::uint8_t* getOutput() const { return output.data(); }
    float getLowEdge() const { return lowEdge; }
    float getOpacityScale() const { return opacityScale; }
    const vrSpaceLeapingBase* getGrid() const { return grid.get(); }
    // The output rectangle the volume projects into: column and row (from the top) bounds.
    void getProjectionRect(int out[4]) const;

private:
    vrRayCaster(const vrRayCaster&) = delete;
    vrRayCaster& operator=(const vrRayCaster&) = delete;

    void prepareGrid();
    void updateTables();
    void applyThreshold();
    void projectVolume(const cocos2d::Mat4& viewProjection);
    void castRows(int worker, const vrKernelContext& context, vrRayKernel kernel,
                  vrPacketKernel packetKernel);
    void makeRay(int row, int column, vrRayBlock& ray) const;

    vrTransferFunction function;
    cuLight light;
    vrWorkerPool pool;
    vrCamera camera;
    const vrVolumeDesc* desc = nullptr;
    const void* voxels = nullptr;
    cocos2d::Mat4 inverseVolumeMatrix;
    std::unique_ptr<vrSpaceLeapingBase> grid;
    bool gridRebuild = false;

    std::uint8_t colourTable[768] = {};
    std::uint8_t background[3] = {0, 0, 0};
    float windowWidth = 255.0f;
    float windowCentre = 128.0f;
    float pendingWidth = 255.0f;
    float pendingCentre = 128.0f;
    float lowEdge = 0.5f;
    float opacityScale = 1.0f;
    bool tablesBuilt = false;
    bool windowChanged = true;
    bool colourChanged = false;
    std::vector<vrTableEntry> valueTable;
    std::vector<vrTableEntry> indexTable;
    std::vector<vrTableEntry> preTable;

    int renderMode = VR_MODE_COMPOSITE;
    bool trilinear = true;
    int workerCount = 4;
    float stepLength = 1.0f;
    float scaleFactor = 1.0f;
    float targetTime = 30.0f;
    Clock clock;
    std::atomic<bool> aborting{false};

    std::vector<std::uint8_t> output;
    int outputWidth = -1;
    int outputHeight = -1;
    double ratioX = 1.0;
    double ratioY = 1.0;
    int rect[4] = {0, -1, 0, -1};

    // Geometry of the frame being cast, in voxel units.
    cocos2d::Mat4 inverseViewProjection;
    float invSpacing[3] = {1.0f, 1.0f, 1.0f};
    cocos2d::Vec3 orthoOrigin;
    cocos2d::Vec3 orthoColumn;
    cocos2d::Vec3 orthoRow;
    cocos2d::Vec3 orthoStep;
    std::atomic<int> nextRow{0};
};

}  // namespace isImageSDK
