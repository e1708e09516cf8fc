#include "imagesdk/vr/vrSpaceLeaping.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "imagesdk/data/PixelType.h"

namespace isImageSDK {

namespace {

constexpr float kEmpty = -std::numeric_limits<float>::infinity();

// Block b of an axis of n voxels covers voxels 4b .. 4b + 4 (the last block stops at n - 1).
void reduceAxis(const float* in, std::size_t inStride, int n, float* out, std::size_t outStride,
                int blocks) {
    for (int b = 0; b < blocks; ++b) {
        int last = std::min(4 * b + 4, n - 1);
        float m = kEmpty;
        for (int i = 4 * b; i <= last; ++i) {
            m = std::max(m, in[std::size_t(i) * inStride]);
        }
        out[std::size_t(b) * outStride] = m;
    }
}

}  // namespace

void vrSpaceLeapingBase::init(const vrVolumeDesc* volume) {
    desc = volume;
    built = false;
    maxima.clear();
    blocksX = blocksY = blocksZ = blocksPerPlane = 0;
    if (!desc || desc->width < 1 || desc->height < 1 || desc->depth < 1) {
        bounds[0] = bounds[2] = bounds[4] = 0.0f;
        bounds[1] = bounds[3] = bounds[5] = -1.0f;
        return;
    }
    blocksX = (desc->width - 1) / 4 + 1;
    blocksY = (desc->height - 1) / 4 + 1;
    blocksZ = (desc->depth - 1) / 4 + 1;
    blocksPerPlane = blocksX * blocksY;
    maxima.assign(std::size_t(blocksPerPlane) * std::size_t(blocksZ), kEmpty);
    bounds[0] = 0.0f;
    bounds[1] = float(desc->width - 1);
    bounds[2] = 0.0f;
    bounds[3] = float(desc->height - 1);
    bounds[4] = 0.0f;
    bounds[5] = float(desc->depth - 1);
}

void vrSpaceLeapingBase::setThreshold(int value) {
    if (float(value) == threshold) {
        return;
    }
    threshold = float(value);
    update();
}

void vrSpaceLeapingBase::copyBounds(float out[6]) const {
    std::memcpy(out, bounds, sizeof(bounds));
}

void vrSpaceLeapingBase::build() {
    if (!canBuild()) {
        return;
    }
    buildBlocks(0, blocksZ);
    finishBuild();
}

void vrSpaceLeapingBase::finishBuild() {
    if (!canBuild()) {
        return;
    }
    built = true;
    update();
}

template <typename T> void vrSpaceLeapingBase::buildFrom(const T* voxels, int firstZ, int endZ) {
    const int w = desc->width;
    const int h = desc->height;
    const int d = desc->depth;
    firstZ = std::max(0, firstZ);
    endZ = std::min(blocksZ, endZ);
    // Per slice: x reduced per row, then y reduced per column of blocks; then each slice raises
    // the one or two z blocks that cover it.
    std::vector<float> row(static_cast<std::size_t>(w));
    std::vector<float> rows(std::size_t(blocksX) * std::size_t(h));
    std::vector<float> slice(static_cast<std::size_t>(blocksPerPlane));
    const int lastSlice = std::min(4 * endZ, d - 1);
    for (int z = 4 * firstZ; z <= lastSlice; ++z) {
        const T* plane = voxels + std::size_t(z) * std::size_t(w) * std::size_t(h);
        for (int y = 0; y < h; ++y) {
            const T* line = plane + std::size_t(y) * std::size_t(w);
            for (int x = 0; x < w; ++x) {
                row[std::size_t(x)] = float(line[x]);
            }
            reduceAxis(row.data(), 1, w, rows.data() + std::size_t(y) * std::size_t(blocksX), 1,
                       blocksX);
        }
        for (int bx = 0; bx < blocksX; ++bx) {
            reduceAxis(rows.data() + bx, std::size_t(blocksX), h, slice.data() + bx,
                       std::size_t(blocksX), blocksY);
        }
        int bz = z / 4;
        for (int k = (z % 4 == 0 && z > 0) ? bz - 1 : bz; k <= bz; ++k) {
            if (k < firstZ || k >= endZ) {
                continue;
            }
            float* target = maxima.data() + std::size_t(k) * std::size_t(blocksPerPlane);
            for (int i = 0; i < blocksPerPlane; ++i) {
                target[i] = std::max(target[i], slice[std::size_t(i)]);
            }
        }
    }
}

void vrSpaceLeapingBase::update() {
    if (!built || !desc) {
        return;
    }
    int lo[3] = {9999, 9999, 9999};
    int hi[3] = {-9999, -9999, -9999};
    for (int bz = 0; bz < blocksZ; ++bz) {
        for (int by = 0; by < blocksY; ++by) {
            const float* line = maxima.data() + std::size_t(bz) * std::size_t(blocksPerPlane) +
                                std::size_t(by) * std::size_t(blocksX);
            for (int bx = 0; bx < blocksX; ++bx) {
                if (line[bx] >= threshold) {
                    lo[0] = std::min(lo[0], bx);
                    hi[0] = std::max(hi[0], bx);
                    lo[1] = std::min(lo[1], by);
                    hi[1] = std::max(hi[1], by);
                    lo[2] = std::min(lo[2], bz);
                    hi[2] = std::max(hi[2], bz);
                }
            }
        }
    }
    const int dims[3] = {desc->width, desc->height, desc->depth};
    for (int axis = 0; axis < 3; ++axis) {
        if (lo[axis] > hi[axis]) {
            bounds[2 * axis] = 1.0f;
            bounds[2 * axis + 1] = -1.0f;
            continue;
        }
        // A sample reads its voxel and the next one: positions up to 4 * max + 4 can see a voxel
        // of the last occupied block, and no position may read past the last voxel.
        bounds[2 * axis] = float(4 * lo[axis]);
        bounds[2 * axis + 1] = float(std::min(4 * hi[axis] + 4, dims[axis] - 2));
    }
}

void vrSpaceLeaping::buildBlocks(int firstZ, int endZ) {
    if (!canBuild()) {
        return;
    }
    switch (desc->pixelType) {
    case PIXEL_UINT8:
        buildFrom(static_cast<const std::uint8_t*>(desc->data), firstZ, endZ);
        break;
    case PIXEL_INT16:
        buildFrom(static_cast<const std::int16_t*>(desc->data), firstZ, endZ);
        break;
    case PIXEL_UINT16:
        buildFrom(static_cast<const std::uint16_t*>(desc->data), firstZ, endZ);
        break;
    default:
        break;
    }
}

void vrSpaceLeapingFloat::buildBlocks(int firstZ, int endZ) {
    if (!canBuild() || desc->pixelType != PIXEL_FLOAT32) {
        return;
    }
    buildFrom(static_cast<const float*>(desc->data), firstZ, endZ);
}

void vrSpaceLeapingFloat::setThreshold(float value) {
    truncatedThreshold = int(value);
    if (value == threshold) {
        return;
    }
    threshold = value;
    update();
}

}  // namespace isImageSDK
