#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imagesdk/vr/vrVolumeDesc.h"

namespace isImageSDK {

// Empty-space grid of a volume: the volume is cut into blocks of 4 x 4 x 4 voxels and each block
// keeps the largest value a sample inside it can read. A sample at position p (voxel units)
// belongs to block int(p / 4) on each axis and reads voxels floor(p) and floor(p) + 1, so block b
// covers voxels 4b .. 4b + 4: its maximum includes the first voxel layer of the next block. The
// occupied box holds every position whose samples can reach the threshold.
class vrSpaceLeapingBase {
public:
    enum Kind : std::int32_t { KIND_INTEGER = 1, KIND_FLOAT = 2 };

    virtual ~vrSpaceLeapingBase() = default;

    // Sizes the block maxima for the descriptor (not owned); the grid is not built until build.
    virtual void init(const vrVolumeDesc* desc);
    // One pass over the voxels; nothing when already built or without a volume.
    void build();
    // The same pass in pieces: each call fills the blocks firstZ .. endZ - 1 along z and writes
    // nothing else, so pieces may run on several threads at once; finishBuild then marks the
    // grid built. Nothing for a volume of another pixel type.
    virtual void buildBlocks(int firstZ, int endZ) = 0;
    void finishBuild();
    // Stores the threshold and recomputes the box when it changed.
    virtual void setThreshold(int threshold);

    // Whether every sample inside the block under the position (voxel units, inside the volume)
    // lies below the threshold.
    bool isEmptyAt(float x, float y, float z) const { return blockMaximumAt(x, y, z) < threshold; }
    float blockMaximumAt(float x, float y, float z) const {
        int index = int(x * 0.25f) + blocksX * int(y * 0.25f) + blocksPerPlane * int(z * 0.25f);
        return maxima[std::size_t(index)];
    }
    // The same for the cell whose first voxel is (ix, iy, iz), all inside the volume.
    float blockMaximumOfCell(int ix, int iy, int iz) const {
        return maxima[std::size_t((ix >> 2) + blocksX * (iy >> 2) + blocksPerPlane * (iz >> 2))];
    }
    // Steps of `step` from the position (voxel units, inside the volume) before a sample can lie
    // in another block: at least 1. A ray leaps over a block whose samples cannot matter.
    static int stepsInBlock(float x, float y, float z, const float step[3]) {
        const float p[3] = {x, y, z};
        float exit = 1e30f;
        for (int axis = 0; axis < 3; ++axis) {
            const float d = step[axis];
            const float low = float(int(p[axis] * 0.25f)) * 4.0f;
            if (d > 0.0f) {
                exit = std::min(exit, (low + 4.0f - p[axis]) / d);
            } else if (d < 0.0f) {
                exit = std::min(exit, (low - p[axis]) / d);
            }
        }
        // A little short of the edge, so that rounding never leaps over a sample beyond it.
        const float steps = std::ceil(exit - 1e-3f);
        return steps > 1.0f ? (steps < 1e9f ? int(steps) : 1000000000) : 1;
    }
    // xmin, xmax, ymin, ymax, zmin, zmax in voxel units; inverted when nothing is occupied.
    const float* getBounds() const { return bounds; }
    void copyBounds(float out[6]) const;

    Kind getKind() const { return kind; }
    bool isBuilt() const { return built; }
    float getThreshold() const { return threshold; }
    int getBlocksX() const { return blocksX; }
    int getBlocksY() const { return blocksY; }
    int getBlocksZ() const { return blocksZ; }
    // The block maxima, x fastest, then y, then z.
    const float* getMaxima() const { return maxima.data(); }
    bool isReadyToBuild() const { return canBuild(); }
    // Block maximum by block indices.
    float getBlockMaximum(int bx, int by, int bz) const {
        return maxima[std::size_t(bx + blocksX * by + blocksPerPlane * bz)];
    }

protected:
    explicit vrSpaceLeapingBase(Kind kind) : kind(kind) {}
    // Recomputes the occupied box from the block maxima.
    void update();
    // Fills the maxima of blocks firstZ .. endZ - 1 from voxels of type T.
    template <typename T> void buildFrom(const T* voxels, int firstZ, int endZ);
    bool canBuild() const { return !built && desc && desc->data && !maxima.empty(); }

    Kind kind;
    const vrVolumeDesc* desc = nullptr;
    std::int32_t blocksX = 0;
    std::int32_t blocksY = 0;
    std::int32_t blocksZ = 0;
    std::int32_t blocksPerPlane = 0;
    std::vector<float> maxima;
    bool built = false;
    float threshold = 200.0f;
    float bounds[6] = {0, 0, 0, 0, 0, 0};
};

// Grid of integer volumes (8-bit, signed and unsigned 16-bit), each read as its own type.
class vrSpaceLeaping : public vrSpaceLeapingBase {
public:
    vrSpaceLeaping() : vrSpaceLeapingBase(KIND_INTEGER) {}
    void buildBlocks(int firstZ, int endZ) override;
};

// Grid of float volumes; the threshold may be fractional.
class vrSpaceLeapingFloat : public vrSpaceLeapingBase {
public:
    vrSpaceLeapingFloat() : vrSpaceLeapingBase(KIND_FLOAT) {}
    void buildBlocks(int firstZ, int endZ) override;
    using vrSpaceLeapingBase::setThreshold;
    void setThreshold(float threshold);
    // The float threshold truncated, as the integer interface would give it.
    int getTruncatedThreshold() const { return truncatedThreshold; }

private:
    int truncatedThreshold = 200;
};

}  // namespace isImageSDK
