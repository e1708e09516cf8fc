#pragma once

#include <cstddef>
#include <cstdint>

#include "imagesdk/vr/cuLight.h"
#include "imagesdk/vr/vrSpaceLeaping.h"
#include "imagesdk/vr/vrTransferFunction.h"

namespace isImageSDK {

enum VRRenderMode : std::int32_t {
    // Composite through the per-value table.
    VR_MODE_COMPOSITE = 0,
    // Pre-integrated between consecutive samples.
    VR_MODE_PREINTEGRATED = 1,
    // Pre-integrated with Phong shading.
    VR_MODE_PREINTEGRATED_SHADED = 2,
    // Maximum intensity, coloured through the function.
    VR_MODE_MAX_INTENSITY = 3,
};

// Accumulated opacity at which a ray ends: the light still to come could not change a byte by
// more than one level.
constexpr float kOpaqueEnough = 1.0f - 1.0f / 512.0f;

// One ray in voxel units: sample i lies at start + i * step, for i in 0 .. stepCount - 1. Samples
// are anchored on the ray's origin, so clipping and block skipping never move them.
struct vrRayBlock {
    float start[3];
    float step[3];
    std::int32_t stepCount;
};

// What every kernel reads during one frame; shared, read-only, by all workers.
struct vrKernelContext {
    const void* voxels = nullptr;
    std::int32_t dims[3] = {0, 0, 0};
    std::ptrdiff_t sliceSize = 0;
    // Mode 0 on integer volumes: the entry of value v is valueTable[v + valueBase].
    const vrTableEntry* valueTable = nullptr;
    std::int32_t valueBase = 0;
    // The 256 function entries (opacity 0..1): mode 0 on float volumes, colours of mode 3.
    const vrTableEntry* indexTable = nullptr;
    // Pre-integrated entries (opacity 0..1), (cur, prev) at cur * 256 + prev.
    const vrTableEntry* preTable = nullptr;
    float low = 0.5f;
    float scale = 1.0f;
    std::uint8_t background[3] = {0, 0, 0};
    const vrSpaceLeapingBase* grid = nullptr;
    // Where samples may lie so that every read stays inside the volume: 0 .. dim - 2 per axis.
    float volumeBox[6] = {0, 0, 0, 0, 0, 0};
    // Offset of the central differences of the shaded mode, voxel units.
    float gradientStep = 1.0f;
};

// Turns one ray into three bytes R, G, B. The light is the calling worker's own copy.
using vrRayKernel = void (*)(const vrKernelContext& context, const vrRayBlock& ray, cuLight& light,
                             std::uint8_t* out);

// The kernel of a mode for a pixel type, with trilinear or nearest sampling; null when the pixel
// type has none (RGB).
vrRayKernel vrSelectKernel(int mode, int pixelType, bool trilinear);

// Rays of up to kPacketRays neighbouring pixels of one row, cast in step so that the samples of
// a step share their arithmetic and their cache lines; out receives count RGB triples, the
// same bytes the per-ray kernel gives each ray.
constexpr int kPacketRays = 8;
using vrPacketKernel = void (*)(const vrKernelContext& context, const vrRayBlock* rays, int count,
                                cuLight& light, std::uint8_t* out);

// The packet kernel of a mode for a pixel type; null where rays are cast one by one (nearest
// samples of other modes than composite). With
// gathers, 16-bit volumes are read by the processor's gather instructions where it has them.
vrPacketKernel vrSelectPacketKernel(int mode, int pixelType, bool trilinear, bool gathers = true);

// The index range of the ray's samples that lie inside box (xmin, xmax, ymin, ymax, zmin, zmax);
// false when none does.
bool vrClipRay(const vrRayBlock& ray, const float box[6], int& first, int& last);

// Samples of a voxel buffer at positions in voxel units, clamped into the volume. Trilinear
// samples of integer voxels are truncated toward zero.
float vrSampleTrilinear(const vrKernelContext& context, int pixelType, float x, float y, float z);
float vrSampleNearest(const vrKernelContext& context, int pixelType, float x, float y, float z);

}  // namespace isImageSDK
