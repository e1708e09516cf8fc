#pragma once

#include <cstdint>

namespace isImageSDK {

// The volume a ray caster renders: one contiguous voxel buffer and its geometry. Filled by the
// owner of the voxels; casters and grids keep a pointer to it and never own the voxels.
struct vrVolumeDesc {
    const void* data = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t depth = 0;
    // Millimetres between voxel centres along x, y, z.
    float spacing[3] = {1.0f, 1.0f, 1.0f};
    // A PixelType code.
    std::int32_t pixelType = 0;
    // Volume millimetres to world millimetres, column-major.
    float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

}  // namespace isImageSDK
