#include "imagesdk/vr/vrRayKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <immintrin.h>
#include <limits>
#include <type_traits>

#include "imagesdk/data/PixelType.h"

namespace isImageSDK {

namespace {

inline float clampTo(float v, float hi) {
    return v > 0.0f ? (v < hi ? v : hi) : 0.0f;
}

// Base voxel index and fraction of one axis; the base leaves room for the +1 neighbour.
inline float splitAxis(float p, int dim, int& base) {
    p = clampTo(p, float(dim - 1));
    base = std::min(int(p), dim - 2);
    return p - float(base);
}

template <typename T> inline float finish(float sum) {
    return float(int(sum));
}
template <> inline float finish<float>(float sum) {
    return sum;
}

// The interpolated value before integer voxels are truncated.
template <typename T>
__attribute__((always_inline)) inline float trilinearSum(const vrKernelContext& c, const T* v,
                                                         float x, float y, float z) {
    int ix, iy, iz;
    const float u = splitAxis(x, c.dims[0], ix);
    const float w = splitAxis(y, c.dims[1], iy);
    const float t = splitAxis(z, c.dims[2], iz);
    const std::ptrdiff_t row = c.dims[0];
    const std::ptrdiff_t slice = c.sliceSize;
    const T* p = v + ix + row * iy + slice * iz;
    const float a00 = (1.0f - u) * float(p[0]) + u * float(p[1]);
    const float a10 = (1.0f - u) * float(p[row]) + u * float(p[row + 1]);
    const float a01 = (1.0f - u) * float(p[slice]) + u * float(p[slice + 1]);
    const float a11 = (1.0f - u) * float(p[slice + row]) + u * float(p[slice + row + 1]);
    const float b0 = (1.0f - w) * a00 + w * a10;
    const float b1 = (1.0f - w) * a01 + w * a11;
    return (1.0f - t) * b0 + t * b1;
}

template <typename T>
__attribute__((always_inline)) inline float trilinear(const vrKernelContext& c, const T* v, float x,
                                                      float y, float z) {
    return finish<T>(trilinearSum(c, v, x, y, z));
}

template <typename T>
__attribute__((always_inline)) inline float nearest(const vrKernelContext& c, const T* v, float x,
                                                    float y, float z) {
    int ix = std::min(int(clampTo(x, float(c.dims[0] - 1)) + 0.5f), c.dims[0] - 1);
    int iy = std::min(int(clampTo(y, float(c.dims[1] - 1)) + 0.5f), c.dims[1] - 1);
    int iz = std::min(int(clampTo(z, float(c.dims[2] - 1)) + 0.5f), c.dims[2] - 1);
    return float(v[ix + std::ptrdiff_t(c.dims[0]) * iy + c.sliceSize * iz]);
}

// The cell of a sample that lies in the sampling box: its first voxel, which leaves room for the
// +1 neighbour, and the fractions toward the next voxels. Rounding a hair outside the box keeps
// the border cell, so no read leaves the volume.
struct Cell {
    int ix;
    int iy;
    int iz;
    float u;
    float w;
    float t;
};

__attribute__((always_inline)) inline void locate(const vrKernelContext& c, float x, float y,
                                                  float z, Cell& cell) {
    cell.ix = std::min(std::max(int(x), 0), c.dims[0] - 2);
    cell.iy = std::min(std::max(int(y), 0), c.dims[1] - 2);
    cell.iz = std::min(std::max(int(z), 0), c.dims[2] - 2);
    cell.u = x - float(cell.ix);
    cell.w = y - float(cell.iy);
    cell.t = z - float(cell.iz);
}

template <typename T>
__attribute__((always_inline)) inline float cellSum(const vrKernelContext& c, const T* v,
                                                    const Cell& cell) {
    const std::ptrdiff_t row = c.dims[0];
    const std::ptrdiff_t slice = c.sliceSize;
    const T* p = v + cell.ix + row * cell.iy + slice * cell.iz;
    const float u = cell.u;
    const float w = cell.w;
    const float t = cell.t;
    const float a00 = (1.0f - u) * float(p[0]) + u * float(p[1]);
    const float a10 = (1.0f - u) * float(p[row]) + u * float(p[row + 1]);
    const float a01 = (1.0f - u) * float(p[slice]) + u * float(p[slice + 1]);
    const float a11 = (1.0f - u) * float(p[slice + row]) + u * float(p[slice + row + 1]);
    const float b0 = (1.0f - w) * a00 + w * a10;
    const float b1 = (1.0f - w) * a01 + w * a11;
    return (1.0f - t) * b0 + t * b1;
}

// The sample of a position inside the sampling box, whose cell is known.
template <typename T, bool Tri>
__attribute__((always_inline)) inline float
sampleInBox(const vrKernelContext& c, const T* v, float x, float y, float z, const Cell& cell) {
    if (Tri) {
        return finish<T>(cellSum(c, v, cell));
    }
    const int ix = std::min(std::max(int(x + 0.5f), 0), c.dims[0] - 1);
    const int iy = std::min(std::max(int(y + 0.5f), 0), c.dims[1] - 1);
    const int iz = std::min(std::max(int(z + 0.5f), 0), c.dims[2] - 1);
    return float(v[ix + std::ptrdiff_t(c.dims[0]) * iy + c.sliceSize * iz]);
}

// Per-value classification of mode 0: a table lookup for integers, the rounded index for floats.
template <typename T> inline const vrTableEntry& classify(const vrKernelContext& c, float v) {
    return c.valueTable[int(v) + c.valueBase];
}
template <> inline const vrTableEntry& classify<float>(const vrKernelContext& c, float v) {
    float i = (v - c.low) * c.scale + 0.5f;
    int index = i > 0.0f ? (i >= 255.0f ? 255 : int(i)) : 0;
    return c.indexTable[index];
}

// The kernels' copy of vrTransferFunction::indexTruncated, inlined into every sample.
__attribute__((always_inline)) inline int toIndex(const vrKernelContext& c, float v) {
    const float i = (v - c.low) * c.scale;
    if (!(i > 0.0f)) {
        return 0;
    }
    return i >= 255.0f ? 255 : int(i);
}

inline std::uint8_t toByte(float v) {
    return std::uint8_t(std::min(255.0f, std::max(0.0f, v)));
}

inline void writeComposite(const vrKernelContext& c, float opacity, const float rgb[3],
                           std::uint8_t* out) {
    const float rest = std::max(0.0f, 1.0f - opacity);
    for (int k = 0; k < 3; ++k) {
        out[k] = toByte(rgb[k] + rest * float(c.background[k]));
    }
}

inline void writeBackground(const vrKernelContext& c, std::uint8_t* out) {
    out[0] = c.background[0];
    out[1] = c.background[1];
    out[2] = c.background[2];
}

template <typename T, bool Tri>
void composite(const vrKernelContext& c, const vrRayBlock& ray, cuLight&, std::uint8_t* out) {
    int first, last;
    if (!vrClipRay(ray, c.grid->getBounds(), first, last)) {
        writeBackground(c, out);
        return;
    }
    const T* v = static_cast<const T*>(c.voxels);
    const vrSpaceLeapingBase& grid = *c.grid;
    const float threshold = grid.getThreshold();
    float opacity = 0.0f;
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    for (int i = first; i <= last; ++i) {
        const float x = ray.start[0] + float(i) * ray.step[0];
        const float y = ray.start[1] + float(i) * ray.step[1];
        const float z = ray.start[2] + float(i) * ray.step[2];
        Cell cell;
        locate(c, x, y, z, cell);
        if (grid.blockMaximumOfCell(cell.ix, cell.iy, cell.iz) < threshold) {
            i += vrSpaceLeapingBase::stepsInBlock(x, y, z, ray.step) - 1;
            continue;
        }
        const vrTableEntry& e = classify<T>(c, sampleInBox<T, Tri>(c, v, x, y, z, cell));
        if (e.opacity > 0.0f) {
            const float a = (1.0f - opacity) * e.opacity;
            opacity += a;
            rgb[0] += a * e.r;
            rgb[1] += a * e.g;
            rgb[2] += a * e.b;
            if (opacity >= kOpaqueEnough) {
                break;
            }
        }
    }
    writeComposite(c, opacity, rgb, out);
}

// Central differences around a sample, pointing from bright to dark; false when flat. Taken from
// untruncated values: truncated ones turn flat regions into steps of one and random normals.
template <typename T, bool Tri>
__attribute__((always_inline)) inline float gradientSample(const vrKernelContext& c, const T* v,
                                                           float x, float y, float z) {
    return Tri ? trilinearSum(c, v, x, y, z) : nearest(c, v, x, y, z);
}

// The same differences for a step of one voxel away from the faces, in one pass: the six
// samples share their fractions, so each difference is one trilinear sum of voxel differences
// over the 32 voxels around the cell instead of six sums of eight.
template <typename T>
__attribute__((always_inline)) inline bool unitStepDifferences(const vrKernelContext& c, const T* v,
                                                               const Cell& cell, float g[3]) {
    if (cell.ix < 1 || cell.iy < 1 || cell.iz < 1 || cell.ix > c.dims[0] - 3 ||
        cell.iy > c.dims[1] - 3 || cell.iz > c.dims[2] - 3) {
        return false;
    }
    const float wx[2] = {1.0f - cell.u, cell.u};
    const float wy[2] = {1.0f - cell.w, cell.w};
    const float wz[2] = {1.0f - cell.t, cell.t};
    const std::ptrdiff_t row = c.dims[0];
    const std::ptrdiff_t slice = c.sliceSize;
    const T* p = v + cell.ix + row * cell.iy + slice * cell.iz;
    auto along = [](const T* q, std::ptrdiff_t d, const float w[2]) {
        return w[0] * (float(q[-d]) - float(q[d])) + w[1] * (float(q[0]) - float(q[2 * d]));
    };
    g[0] = g[1] = g[2] = 0.0f;
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            g[0] += wy[a] * wz[b] * along(p + a * row + b * slice, 1, wx);
            g[1] += wx[a] * wz[b] * along(p + a + b * slice, row, wy);
            g[2] += wx[a] * wy[b] * along(p + a + b * row, slice, wz);
        }
    }
    return true;
}

template <typename T, bool Tri>
__attribute__((always_inline)) inline bool normalAt(const vrKernelContext& c, const T* v, float x,
                                                    float y, float z, const Cell& cell,
                                                    cuLight::Point& n) {
    const float h = c.gradientStep;
    float g[3];
    if (!(Tri && h == 1.0f && unitStepDifferences(c, v, cell, g))) {
        g[0] =
            gradientSample<T, Tri>(c, v, x - h, y, z) - gradientSample<T, Tri>(c, v, x + h, y, z);
        g[1] =
            gradientSample<T, Tri>(c, v, x, y - h, z) - gradientSample<T, Tri>(c, v, x, y + h, z);
        g[2] =
            gradientSample<T, Tri>(c, v, x, y, z - h) - gradientSample<T, Tri>(c, v, x, y, z + h);
    }
    const float gx = g[0];
    const float gy = g[1];
    const float gz = g[2];
    if (std::fabs(gx) + std::fabs(gy) + std::fabs(gz) < 0.0001f) {
        return false;
    }
    const float inverse = 1.0f / std::sqrt(gx * gx + gy * gy + gz * gz);
    n = {gx * inverse, gy * inverse, gz * inverse};
    return true;
}

template <typename T, bool Tri, bool Shaded>
void preIntegrated(const vrKernelContext& c, const vrRayBlock& ray, cuLight& light,
                   std::uint8_t* out) {
    int first, last;
    if (!vrClipRay(ray, c.volumeBox, first, last) || last <= first) {
        writeBackground(c, out);
        return;
    }
    const T* v = static_cast<const T*>(c.voxels);
    const vrSpaceLeapingBase& grid = *c.grid;
    const float threshold = grid.getThreshold();
    Cell cell;
    const float x0 = ray.start[0] + float(first) * ray.step[0];
    const float y0 = ray.start[1] + float(first) * ray.step[1];
    const float z0 = ray.start[2] + float(first) * ray.step[2];
    locate(c, x0, y0, z0, cell);
    // Samples inside an empty block lie below the window, so their index is 0.
    int prev = grid.blockMaximumOfCell(cell.ix, cell.iy, cell.iz) < threshold
                   ? 0
                   : toIndex(c, sampleInBox<T, Tri>(c, v, x0, y0, z0, cell));
    // Segments between two samples of index 0 add nothing when that entry is clear: then a ray
    // that has arrived in an empty block leaps over the rest of it.
    const bool emptyIsClear = !(c.preTable[0].opacity > 0.0f);
    float opacity = 0.0f;
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    for (int i = first + 1; i <= last; ++i) {
        const float x = ray.start[0] + float(i) * ray.step[0];
        const float y = ray.start[1] + float(i) * ray.step[1];
        const float z = ray.start[2] + float(i) * ray.step[2];
        locate(c, x, y, z, cell);
        const bool empty = grid.blockMaximumOfCell(cell.ix, cell.iy, cell.iz) < threshold;
        if (empty && prev == 0 && emptyIsClear) {
            i += vrSpaceLeapingBase::stepsInBlock(x, y, z, ray.step) - 1;
            continue;
        }
        const int cur = empty ? 0 : toIndex(c, sampleInBox<T, Tri>(c, v, x, y, z, cell));
        const vrTableEntry& e = c.preTable[cur * 256 + prev];
        prev = cur;
        if (!(e.opacity > 0.0f)) {
            continue;
        }
        float colour[3] = {e.r, e.g, e.b};
        cuLight::Point n;
        if (Shaded && normalAt<T, Tri>(c, v, x, y, z, cell, n)) {
            constexpr float kUnit = 1.0f / 255.0f;
            light.setMaterialColor(e.r * kUnit, e.g * kUnit, e.b * kUnit);
            const cuLight::Colour lit = light.shade({x, y, z}, n);
            colour[0] = lit.r * 255.0f;
            colour[1] = lit.g * 255.0f;
            colour[2] = lit.b * 255.0f;
        }
        const float a = (1.0f - opacity) * e.opacity;
        opacity += a;
        rgb[0] += a * colour[0];
        rgb[1] += a * colour[1];
        rgb[2] += a * colour[2];
        if (opacity >= kOpaqueEnough) {
            break;
        }
    }
    writeComposite(c, opacity, rgb, out);
}

template <typename T, bool Tri>
void maxIntensity(const vrKernelContext& c, const vrRayBlock& ray, cuLight&, std::uint8_t* out) {
    int first, last;
    if (!vrClipRay(ray, c.grid->getBounds(), first, last)) {
        writeBackground(c, out);
        return;
    }
    const T* v = static_cast<const T*>(c.voxels);
    const vrSpaceLeapingBase& grid = *c.grid;
    const float threshold = grid.getThreshold();
    float m = -std::numeric_limits<float>::infinity();
    for (int i = first; i <= last; ++i) {
        const float x = ray.start[0] + float(i) * ray.step[0];
        const float y = ray.start[1] + float(i) * ray.step[1];
        const float z = ray.start[2] + float(i) * ray.step[2];
        Cell cell;
        locate(c, x, y, z, cell);
        // No sample of a block can beat its maximum.
        const float blockMax = grid.blockMaximumOfCell(cell.ix, cell.iy, cell.iz);
        if (blockMax <= m || blockMax < threshold) {
            i += vrSpaceLeapingBase::stepsInBlock(x, y, z, ray.step) - 1;
            continue;
        }
        m = std::max(m, sampleInBox<T, Tri>(c, v, x, y, z, cell));
    }
    const vrTableEntry& e = c.indexTable[toIndex(c, m)];
    out[0] = toByte(e.r);
    out[1] = toByte(e.g);
    out[2] = toByte(e.b);
}

// Rays cast in step, one lane each. Lane values are computed with the per-ray kernels'
// arithmetic in the same order, so a packet gives the same bytes as its rays cast one by one.
typedef float LaneFloats __attribute__((vector_size(4 * kPacketRays)));
typedef std::int32_t LaneInts __attribute__((vector_size(4 * kPacketRays)));

template <typename T> struct LaneRaw { using Type = LaneInts; };
template <> struct LaneRaw<float> { using Type = LaneFloats; };

// Where each lane stands: the next sample it needs (past `last` when it has finished) and the
// lanes' positions and cells at the packet's current step.
struct Packet {
    LaneInts next;
    LaneInts last;
    LaneFloats start[3];
    LaneFloats step[3];
    LaneFloats at[3];
    LaneInts cell[3];
    LaneFloats fraction[3];
    // The lanes sampled at the current step: all bits set, or none.
    LaneInts taking;
};

constexpr int kFinished = std::numeric_limits<int>::max();

// Clips each ray to the box; lanes past count and rays that miss are finished at once.
inline void startPacket(const vrRayBlock* rays, int count, const float box[6], Packet& p,
                        bool hit[kPacketRays]) {
    for (int l = 0; l < kPacketRays; ++l) {
        const vrRayBlock& ray = rays[l < count ? l : 0];
        int first = 0;
        int last = -1;
        hit[l] = l < count && vrClipRay(ray, box, first, last);
        p.next[l] = hit[l] ? first : kFinished;
        p.last[l] = hit[l] ? last : -1;
        for (int a = 0; a < 3; ++a) {
            p.start[a][l] = ray.start[a];
            p.step[a][l] = ray.step[a];
        }
    }
}

// The step the packet goes to next: the least one a lane still needs; false when all finished.
__attribute__((always_inline)) inline bool nextStep(const Packet& p, int& i) {
    const LaneInts needed = p.next <= p.last ? p.next : LaneInts{} + kFinished;
    i = needed[0];
    for (int l = 1; l < kPacketRays; ++l) {
        i = std::min(i, needed[l]);
    }
    return i != kFinished;
}

// Positions and cells of every lane at step i, as locate finds them.
__attribute__((always_inline)) inline void locatePacket(const vrKernelContext& c, int i,
                                                        Packet& p) {
    const float fi = float(i);
    for (int a = 0; a < 3; ++a) {
        const LaneFloats x = p.start[a] + fi * p.step[a];
        const LaneInts zero = {};
        const LaneInts top = zero + (c.dims[a] - 2);
        LaneInts base = __builtin_convertvector(x, LaneInts);
        base = base < zero ? zero : base;
        base = base > top ? top : base;
        p.at[a] = x;
        p.cell[a] = base;
        p.fraction[a] = x - __builtin_convertvector(base, LaneFloats);
    }
}

// vrSpaceLeapingBase::stepsInBlock of every lane, in its order of operations.
__attribute__((always_inline)) inline void stepsInBlocks(const Packet& p, LaneInts& result) {
    const LaneFloats zero = {};
    LaneFloats exit = zero + 1e30f;
    for (int a = 0; a < 3; ++a) {
        const LaneFloats x = p.at[a];
        const LaneFloats d = p.step[a];
        const LaneFloats low =
            __builtin_convertvector(__builtin_convertvector(x * 0.25f, LaneInts), LaneFloats) *
            4.0f;
        const LaneFloats ahead = d > zero ? (low + 4.0f - x) / d : (low - x) / d;
        const LaneFloats axisExit = d != zero ? ahead : exit;
        exit = axisExit < exit ? axisExit : exit;
    }
    // std::ceil for the range that matters: below 1 the answer is 1, from 1e9 on it is 1e9.
    LaneFloats steps = exit - 1e-3f;
    steps = steps < 1e9f ? steps : zero + 1e9f;
    steps = steps > zero ? steps : zero;
    const LaneInts whole = __builtin_convertvector(steps, LaneInts);
    const LaneInts up = whole + (__builtin_convertvector(whole, LaneFloats) < steps ? 1 : 0);
    result = up > 1 ? up : LaneInts{} + 1;
}

inline bool anyLane(const LaneInts& mask) {
    std::int32_t folded = 0;
    for (int l = 0; l < kPacketRays; ++l) {
        folded |= mask[l];
    }
    return folded != 0;
}

// The lanes whose next sample is step i and whose block holds something that can matter take
// it; the others leap to the end of their block. `empty(blockMax, mask)` sets the lanes whose
// block cannot matter given its maximum.
template <typename Empty>
__attribute__((always_inline)) inline bool choosePacket(const vrKernelContext& c, int i, Packet& p,
                                                        Empty empty) {
    const vrSpaceLeapingBase& grid = *c.grid;
    const LaneInts blocksX = LaneInts{} + grid.getBlocksX();
    const LaneInts blocksPerPlane = blocksX * grid.getBlocksY();
    const LaneInts block =
        (p.cell[0] >> 2) + blocksX * (p.cell[1] >> 2) + blocksPerPlane * (p.cell[2] >> 2);
    LaneFloats blockMax;
    for (int l = 0; l < kPacketRays; ++l) {
        blockMax[l] = grid.getMaxima()[block[l]];
    }
    LaneInts leap;
    empty(blockMax, leap);
    const LaneInts here = p.next == i;
    leap &= here;
    const LaneInts take = here & ~leap;
    p.taking = take;
    p.next -= take;
    if (anyLane(leap)) {
        LaneInts steps;
        stepsInBlocks(p, steps);
        p.next = leap ? i + steps : p.next;
    }
    return anyLane(take);
}

// The trilinear blend of the eight corner values of every lane, truncated for integer voxels as
// the per-ray kernels truncate them.
template <typename T>
__attribute__((always_inline)) inline void blendPacket(const Packet& p, const LaneFloats f[8],
                                                       LaneFloats& values) {
    const LaneFloats u = p.fraction[0];
    const LaneFloats w = p.fraction[1];
    const LaneFloats t = p.fraction[2];
    const LaneFloats a00 = (1.0f - u) * f[0] + u * f[1];
    const LaneFloats a10 = (1.0f - u) * f[2] + u * f[3];
    const LaneFloats a01 = (1.0f - u) * f[4] + u * f[5];
    const LaneFloats a11 = (1.0f - u) * f[6] + u * f[7];
    const LaneFloats b0 = (1.0f - w) * a00 + w * a10;
    const LaneFloats b1 = (1.0f - w) * a01 + w * a11;
    const LaneFloats sum = (1.0f - t) * b0 + t * b1;
    if (std::is_same<T, float>::value) {
        values = sum;
    } else {
        values = __builtin_convertvector(__builtin_convertvector(sum, LaneInts), LaneFloats);
    }
}

// The values of the lanes that take a sample, read lane by lane; other lanes hold zero.
template <typename T> struct LaneLoads {
    __attribute__((always_inline)) static void sample(const vrKernelContext& c, const T* v,
                                                      const Packet& p, LaneFloats& values) {
        using Raw = typename LaneRaw<T>::Type;
        const std::ptrdiff_t row = c.dims[0];
        const std::ptrdiff_t slice = c.sliceSize;
        Raw k[8] = {};
        for (int l = 0; l < kPacketRays; ++l) {
            if (!p.taking[l]) {
                continue;
            }
            const T* q = v + p.cell[0][l] + row * p.cell[1][l] + slice * p.cell[2][l];
            k[0][l] = q[0];
            k[1][l] = q[1];
            k[2][l] = q[row];
            k[3][l] = q[row + 1];
            k[4][l] = q[slice];
            k[5][l] = q[slice + 1];
            k[6][l] = q[slice + row];
            k[7][l] = q[slice + row + 1];
        }
        LaneFloats f[8];
        for (int j = 0; j < 8; ++j) {
            f[j] = __builtin_convertvector(k[j], LaneFloats);
        }
        blendPacket<T>(p, f, values);
    }
};

// The nearest voxels of the lanes that take a sample, as sampleInBox finds them.
template <typename T> struct NearestLoads {
    __attribute__((always_inline)) static void sample(const vrKernelContext& c, const T* v,
                                                      const Packet& p, LaneFloats& values) {
        LaneInts index[3];
        for (int a = 0; a < 3; ++a) {
            const LaneInts zero = {};
            const LaneInts top = zero + (c.dims[a] - 1);
            LaneInts i = __builtin_convertvector(p.at[a] + 0.5f, LaneInts);
            i = i < zero ? zero : i;
            index[a] = i > top ? top : i;
        }
        typename LaneRaw<T>::Type k = {};
        for (int l = 0; l < kPacketRays; ++l) {
            if (p.taking[l]) {
                k[l] = v[index[0][l] + std::ptrdiff_t(c.dims[0]) * index[1][l] +
                         c.sliceSize * index[2][l]];
            }
        }
        values = __builtin_convertvector(k, LaneFloats);
    }
};

// Voxel pairs along x of a 16-bit volume, one per lane, read from the lanes' voxel indices plus a
// shift. The lanes of a packet are neighbouring pixels of one image row; when the view's rows
// run along the volume's x axis they sit within a few voxels of one volume row, and two loads
// and two permutes replace the gather.
struct PairWindow {
    // The lowest index of the lanes; `near` when all lie within the window of two loads.
    std::int32_t first;
    bool near;
    // Per lane: the dword of a load that holds its pair, and whether that is the load one voxel
    // further on (odd distances from the first).
    __m256i dword;
    __m256i odd;
};

__attribute__((target("avx2"))) inline void windowOf(const LaneInts& index, PairWindow& w) {
    std::int32_t low = index[0];
    std::int32_t high = index[0];
    for (int l = 1; l < kPacketRays; ++l) {
        low = std::min(low, index[l]);
        high = std::max(high, index[l]);
    }
    const LaneInts distance = index - low;
    w.first = low;
    // Loads of 16 voxels reach dword 7: pairs at distances up to 15 from the first.
    w.near = high - low <= 15;
    w.dword = __m256i(distance >> 1);
    w.odd = __m256i((distance & 1) == 1);
}

template <typename T>
__attribute__((target("avx2"))) inline LaneInts readPairs(const vrKernelContext& c, const T* v,
                                                          const LaneInts& index,
                                                          const PairWindow& w, std::int32_t shift) {
    const std::int64_t at = std::int64_t(w.first) + shift;
    // The later load reads 16 voxels from one past the first.
    if (w.near && at >= 0 && at + 17 <= std::int64_t(c.sliceSize) * c.dims[2]) {
        const __m256i even = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + at));
        const __m256i later = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + at + 1));
        return LaneInts(_mm256_blendv_epi8(_mm256_permutevar8x32_epi32(even, w.dword),
                                           _mm256_permutevar8x32_epi32(later, w.dword), w.odd));
    }
    return LaneInts(
        _mm256_i32gather_epi32(reinterpret_cast<const int*>(v), __m256i(index + shift), sizeof(T)));
}

// The two voxels of each pair as values: the first sits in the low half (little-endian).
template <typename T>
__attribute__((always_inline)) inline void splitPairs(const LaneInts& pairs, LaneFloats& first,
                                                      LaneFloats& second) {
    const LaneInts low = std::is_signed<T>::value ? (pairs << 16) >> 16 : pairs & 0xffff;
    const LaneInts high = std::is_signed<T>::value ? pairs >> 16 : (pairs >> 16) & 0xffff;
    first = __builtin_convertvector(low, LaneFloats);
    second = __builtin_convertvector(high, LaneFloats);
}

// The values of every lane of a 16-bit volume by gather instructions (or the window's loads):
// each read takes the voxel pairs along x of one of the cell's four rows for all lanes. Cells
// always lie inside the volume, so lanes that take no sample read harmlessly.
template <typename T> struct PairGathers {
    __attribute__((target("avx2"))) static void sample(const vrKernelContext& c, const T* v,
                                                       const Packet& p, LaneFloats& values) {
        const std::int32_t row = c.dims[0];
        const std::int32_t slice = std::int32_t(c.sliceSize);
        const LaneInts index = p.cell[0] + row * p.cell[1] + slice * p.cell[2];
        PairWindow w;
        windowOf(index, w);
        const std::int32_t shifts[4] = {0, row, slice, slice + row};
        LaneFloats f[8];
        for (int j = 0; j < 4; ++j) {
            splitPairs<T>(readPairs(c, v, index, w, shifts[j]), f[2 * j], f[2 * j + 1]);
        }
        blendPacket<T>(p, f, values);
    }
};

// Table entries of every lane as opacity, r, g and b vectors; lanes without one read a clear
// entry. Each entry is one load, the four of each half turned in registers.
__attribute__((always_inline)) inline void entryVectors(const vrTableEntry* const entry[],
                                                        LaneFloats e[4]) {
    static const vrTableEntry clear = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int half = 0; half < 2; ++half) {
        __m128 q[4];
        for (int j = 0; j < 4; ++j) {
            const vrTableEntry* one = entry[4 * half + j];
            q[j] = _mm_loadu_ps(&(one ? one : &clear)->opacity);
        }
        _MM_TRANSPOSE4_PS(q[0], q[1], q[2], q[3]);
        for (int k = 0; k < 4; ++k) {
            std::memcpy(reinterpret_cast<char*>(&e[k]) + 16 * half, &q[k], 16);
        }
    }
}

// entryVectors with wide registers: lanes l and l + 4 share a register, whose two halves are
// turned together, so no half goes through memory.
__attribute__((target("avx2"))) inline void entryVectorsWide(const vrTableEntry* const entry[],
                                                             LaneFloats e[4]) {
    static const vrTableEntry clear = {0.0f, 0.0f, 0.0f, 0.0f};
    __m256 r[4];
    for (int j = 0; j < 4; ++j) {
        const vrTableEntry* low = entry[j] ? entry[j] : &clear;
        const vrTableEntry* high = entry[j + 4] ? entry[j + 4] : &clear;
        r[j] = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(&low->opacity)),
                                    _mm_loadu_ps(&high->opacity), 1);
    }
    const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]);
    const __m256 t1 = _mm256_unpacklo_ps(r[2], r[3]);
    const __m256 t2 = _mm256_unpackhi_ps(r[0], r[1]);
    const __m256 t3 = _mm256_unpackhi_ps(r[2], r[3]);
    e[0] = LaneFloats(_mm256_shuffle_ps(t0, t1, 0x44));
    e[1] = LaneFloats(_mm256_shuffle_ps(t0, t1, 0xee));
    e[2] = LaneFloats(_mm256_shuffle_ps(t2, t3, 0x44));
    e[3] = LaneFloats(_mm256_shuffle_ps(t2, t3, 0xee));
}

// The table entries of the lanes that take a sample.
template <typename T>
__attribute__((target("avx2"))) inline void
classifyPacket(const vrKernelContext& c, const Packet& p, const LaneFloats& values,
               LaneFloats e[4]) {
    const vrTableEntry* entry[kPacketRays];
    if (std::is_same<T, float>::value) {
        for (int l = 0; l < kPacketRays; ++l) {
            entry[l] = p.taking[l] ? &classify<T>(c, values[l]) : nullptr;
        }
    } else {
        // classify's table index of every lane at once.
        const LaneInts index = __builtin_convertvector(values, LaneInts) + c.valueBase;
        for (int l = 0; l < kPacketRays; ++l) {
            entry[l] = p.taking[l] ? &c.valueTable[index[l]] : nullptr;
        }
    }
    entryVectorsWide(entry, e);
}

// The packets' sums as vectors, where the kernel is compiled for wide registers, or lane by lane
// (the fast caster's nearest samples, whose lanes seldom sample together, prefer that).
template <typename T, typename Loads, bool Vectors>
__attribute__((always_inline)) inline void
compositeLanes(const vrKernelContext& c, const vrRayBlock* rays, int count, std::uint8_t* out) {
    Packet p;
    bool hit[kPacketRays];
    startPacket(rays, count, c.grid->getBounds(), p, hit);
    const T* v = static_cast<const T*>(c.voxels);
    const float threshold = c.grid->getThreshold();
    const LaneFloats zero = {};
    LaneFloats opacity = {};
    LaneFloats rgb[3] = {};
    float laneOpacity[kPacketRays] = {};
    float laneRgb[kPacketRays][3] = {};
    auto empty = [threshold](const LaneFloats& blockMax, LaneInts& mask) {
        mask = blockMax < threshold;
    };
    for (int i; nextStep(p, i);) {
        locatePacket(c, i, p);
        if (!choosePacket(c, i, p, empty)) {
            continue;
        }
        LaneFloats values;
        Loads::sample(c, v, p, values);
        if constexpr (!Vectors) {
            for (int l = 0; l < kPacketRays; ++l) {
                if (!p.taking[l]) {
                    continue;
                }
                const vrTableEntry& e = classify<T>(c, values[l]);
                if (e.opacity > 0.0f) {
                    const float a = (1.0f - laneOpacity[l]) * e.opacity;
                    laneOpacity[l] += a;
                    laneRgb[l][0] += a * e.r;
                    laneRgb[l][1] += a * e.g;
                    laneRgb[l][2] += a * e.b;
                    if (laneOpacity[l] >= kOpaqueEnough) {
                        p.next[l] = kFinished;
                    }
                }
            }
        } else {
            LaneFloats e[4];
            classifyPacket<T>(c, p, values, e);
            const LaneInts use = p.taking & (e[0] > zero);
            const LaneFloats a = use ? (1.0f - opacity) * e[0] : zero;
            opacity = use ? opacity + a : opacity;
            for (int k = 0; k < 3; ++k) {
                rgb[k] = use ? rgb[k] + a * e[k + 1] : rgb[k];
            }
            // A branch, rarely taken, keeps the next step from waiting for the sums.
            const LaneInts opaque = use & (opacity >= kOpaqueEnough);
            if (anyLane(opaque)) {
                p.next = opaque ? kFinished : p.next;
            }
        }
    }
    if (Vectors) {
        for (int l = 0; l < kPacketRays; ++l) {
            laneOpacity[l] = opacity[l];
            laneRgb[l][0] = rgb[0][l];
            laneRgb[l][1] = rgb[1][l];
            laneRgb[l][2] = rgb[2][l];
        }
    }
    for (int l = 0; l < count; ++l) {
        if (hit[l]) {
            writeComposite(c, laneOpacity[l], laneRgb[l], out + 3 * l);
        } else {
            writeBackground(c, out + 3 * l);
        }
    }
}

template <typename T, typename Loads>
__attribute__((always_inline)) inline void
maxIntensityLanes(const vrKernelContext& c, const vrRayBlock* rays, int count, std::uint8_t* out) {
    Packet p;
    bool hit[kPacketRays];
    startPacket(rays, count, c.grid->getBounds(), p, hit);
    const T* v = static_cast<const T*>(c.voxels);
    const float threshold = c.grid->getThreshold();
    LaneFloats m = LaneFloats{} - std::numeric_limits<float>::infinity();
    // No sample of a block can beat its maximum.
    auto empty = [&m, threshold](const LaneFloats& blockMax, LaneInts& mask) {
        mask = (blockMax <= m) | (blockMax < threshold);
    };
    for (int i; nextStep(p, i);) {
        locatePacket(c, i, p);
        if (!choosePacket(c, i, p, empty)) {
            continue;
        }
        LaneFloats values;
        Loads::sample(c, v, p, values);
        // std::max's order of comparison.
        m = (p.taking & (m < values)) ? values : m;
    }
    for (int l = 0; l < count; ++l) {
        if (!hit[l]) {
            writeBackground(c, out + 3 * l);
            continue;
        }
        const vrTableEntry& e = c.indexTable[toIndex(c, m[l])];
        out[3 * l] = toByte(e.r);
        out[3 * l + 1] = toByte(e.g);
        out[3 * l + 2] = toByte(e.b);
    }
}

// The voxels around the cells of all lanes that the one-voxel gradient reads, at offsets
// -1 .. 2 from each cell's first voxel; entry [dz + 1][dy + 1][dx + 1].
struct Neighbourhood {
    LaneFloats at[4][4][4];
    LaneFloats& operator()(int dx, int dy, int dz) { return at[dz + 1][dy + 1][dx + 1]; }
};

// Pairs along x of the neighbourhood, by (dx of the pair's first voxel, dy, dz): along x around
// the cell's four rows, then the rows before and after it for y, then the slices for z.
constexpr int kGradientPairs[16][3] = {
    {-1, 0, 0}, {1, 0, 0}, {-1, 1, 0}, {1, 1, 0}, {-1, 0, 1}, {1, 0, 1},  {-1, 1, 1}, {1, 1, 1},
    {0, -1, 0}, {0, 2, 0}, {0, -1, 1}, {0, 2, 1}, {0, 0, -1}, {0, 1, -1}, {0, 0, 2},  {0, 1, 2}};

template <typename T> struct LaneNeighbours {
    // Lanes whose cells leave room for the reads (`inner`) are read; others hold zero.
    __attribute__((always_inline)) static void read(const vrKernelContext& c, const T* v,
                                                    const LaneInts& index, const bool inner[],
                                                    Neighbourhood& n) {
        const std::ptrdiff_t row = c.dims[0];
        const std::ptrdiff_t slice = c.sliceSize;
        for (const auto& pair : kGradientPairs) {
            using Raw = typename LaneRaw<T>::Type;
            Raw first = {};
            Raw second = {};
            for (int l = 0; l < kPacketRays; ++l) {
                if (!inner[l]) {
                    continue;
                }
                const T* q = v + index[l] + pair[0] + row * pair[1] + slice * pair[2];
                first[l] = q[0];
                second[l] = q[1];
            }
            n(pair[0], pair[1], pair[2]) = __builtin_convertvector(first, LaneFloats);
            n(pair[0] + 1, pair[1], pair[2]) = __builtin_convertvector(second, LaneFloats);
        }
    }
};

template <typename T> struct PairNeighbours {
    __attribute__((target("avx2"))) static void read(const vrKernelContext& c, const T* v,
                                                     const LaneInts& index, const bool inner[],
                                                     Neighbourhood& n) {
        // Other lanes read the voxels of an inner lane instead, which keeps the lanes close
        // together for the window, or those at the volume's start when there is none.
        std::int32_t substitute = 1 + c.dims[0] + std::int32_t(c.sliceSize);
        for (int l = kPacketRays - 1; l >= 0; --l) {
            substitute = inner[l] ? index[l] : substitute;
        }
        LaneInts safe = {};
        for (int l = 0; l < kPacketRays; ++l) {
            safe[l] = inner[l] ? index[l] : substitute;
        }
        PairWindow w;
        windowOf(safe, w);
        for (const auto& pair : kGradientPairs) {
            const std::int32_t offset =
                pair[0] + c.dims[0] * pair[1] + std::int32_t(c.sliceSize) * pair[2];
            splitPairs<T>(readPairs(c, v, safe, w, offset), n(pair[0], pair[1], pair[2]),
                          n(pair[0] + 1, pair[1], pair[2]));
        }
    }
};

// unitStepDifferences for every lane at once, in its order of operations.
__attribute__((always_inline)) inline void packetDifferences(const Packet& p, Neighbourhood& n,
                                                             LaneFloats g[3]) {
    const LaneFloats wx[2] = {1.0f - p.fraction[0], p.fraction[0]};
    const LaneFloats wy[2] = {1.0f - p.fraction[1], p.fraction[1]};
    const LaneFloats wz[2] = {1.0f - p.fraction[2], p.fraction[2]};
    g[0] = g[1] = g[2] = LaneFloats{};
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            g[0] += wy[a] * wz[b] *
                    (wx[0] * (n(-1, a, b) - n(1, a, b)) + wx[1] * (n(0, a, b) - n(2, a, b)));
            g[1] += wx[a] * wz[b] *
                    (wy[0] * (n(a, -1, b) - n(a, 1, b)) + wy[1] * (n(a, 0, b) - n(a, 2, b)));
            g[2] += wx[a] * wy[b] *
                    (wz[0] * (n(a, b, -1) - n(a, b, 1)) + wz[1] * (n(a, b, 0) - n(a, b, 2)));
        }
    }
}

// |x| + |y| + |z| of every lane's vector, as std::fabs adds them.
__attribute__((always_inline)) inline void absoluteSum(const LaneFloats d[3], LaneFloats& sum) {
    LaneFloats a[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = LaneFloats(LaneInts(d[k]) & 0x7fffffff);
    }
    sum = a[0] + a[1] + a[2];
}

// cuLight::unit of every lane.
__attribute__((always_inline)) inline void packetUnit(LaneFloats d[3]) {
    const LaneFloats zero = {};
    LaneFloats length;
    const LaneFloats squared = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    for (int l = 0; l < kPacketRays; ++l) {
        length[l] = std::sqrt(squared[l]);
    }
    const LaneFloats inverse = 1.0f / length;
    const auto positive = length > zero;
    for (int a = 0; a < 3; ++a) {
        d[a] = positive ? d[a] * inverse : zero;
    }
}

// cuLight::shade of every lane with the material colours m (0..1) and unit normals n, times
// 255; the light's highlight exponent is 15.
__attribute__((always_inline)) inline void packetShade(const cuLight& light, const LaneFloats at[3],
                                                       const LaneFloats n[3], const LaneFloats m[3],
                                                       LaneFloats lit[3]) {
    LaneFloats l[3] = {light.lightPosition.x - at[0], light.lightPosition.y - at[1],
                       light.lightPosition.z - at[2]};
    LaneFloats v[3] = {light.viewerPosition.x - at[0], light.viewerPosition.y - at[1],
                       light.viewerPosition.z - at[2]};
    packetUnit(l);
    packetUnit(v);
    const LaneFloats zero = {};
    LaneFloats d = n[0] * l[0] + n[1] * l[1] + n[2] * l[2];
    const LaneFloats nv = n[0] * v[0] + n[1] * v[1] + n[2] * v[2];
    const LaneFloats lv = l[0] * v[0] + l[1] * v[1] + l[2] * v[2];
    LaneFloats s = 2.0f * d * nv - lv;
    s = s > zero ? s : zero;
    const LaneFloats s2 = s * s;
    const LaneFloats s4 = s2 * s2;
    const LaneFloats s8 = s4 * s4;
    s = s8 * s4 * s2 * s;
    d = d > zero ? d : zero;
    const cuLight::Colour ambient[3] = {
        {light.ambientCoefficient.r, light.lightAmbient.r, light.globalAmbient.r},
        {light.ambientCoefficient.g, light.lightAmbient.g, light.globalAmbient.g},
        {light.ambientCoefficient.b, light.lightAmbient.b, light.globalAmbient.b}};
    const cuLight::Colour diffuse[3] = {{light.diffuseCoefficient.r, light.lightDiffuse.r, 0.0f},
                                        {light.diffuseCoefficient.g, light.lightDiffuse.g, 0.0f},
                                        {light.diffuseCoefficient.b, light.lightDiffuse.b, 0.0f}};
    const cuLight::Colour highlight[3] = {
        {light.highlightCoefficient.r, light.lightHighlight.r, 0.0f},
        {light.highlightCoefficient.g, light.lightHighlight.g, 0.0f},
        {light.highlightCoefficient.b, light.lightHighlight.b, 0.0f}};
    const LaneFloats one = zero + 1.0f;
    for (int k = 0; k < 3; ++k) {
        const LaneFloats value = (m[k] * ambient[k].r) * (ambient[k].g + ambient[k].b) +
                                 (m[k] * diffuse[k].r) * diffuse[k].g * d +
                                 (m[k] * highlight[k].r) * highlight[k].g * s;
        lit[k] = (value < one ? value : one) * 255.0f;
    }
}

// Wide: compiled for wide registers.
template <typename T, bool Shaded, typename Loads, typename Neighbours, bool Wide>
__attribute__((always_inline)) inline void
preIntegratedLanes(const vrKernelContext& c, const vrRayBlock* rays, int count,
                   const cuLight& light, std::uint8_t* out) {
    Packet p;
    bool hit[kPacketRays];
    startPacket(rays, count, c.volumeBox, p, hit);
    const T* v = static_cast<const T*>(c.voxels);
    const float threshold = c.grid->getThreshold();
    const bool emptyIsClear = !(c.preTable[0].opacity > 0.0f);
    // One sample is no segment: such a ray shows the background, as the per-ray kernel's.
    LaneInts prev = {};
    LaneInts started = {};
    for (int l = 0; l < kPacketRays; ++l) {
        hit[l] = hit[l] && p.last[l] > p.next[l];
        if (!hit[l]) {
            p.next[l] = kFinished;
        }
    }
    const LaneInts clear = LaneInts{} - (emptyIsClear ? 1 : 0);
    const LaneFloats zero = {};
    LaneFloats opacity = {};
    LaneFloats rgb[3] = {};
    LaneInts empty = {};
    // The one-voxel differences need four voxels along every axis.
    const bool unitGradient =
        c.gradientStep == 1.0f && c.dims[0] >= 4 && c.dims[1] >= 4 && c.dims[2] >= 4;
    bool shadedBefore = false;
    for (int i; nextStep(p, i);) {
        locatePacket(c, i, p);
        // The first sample of a lane only sets its index; later ones of an empty block, with
        // a clear segment behind them, leap.
        auto leaps = [&](const LaneFloats& blockMax, LaneInts& mask) {
            empty = blockMax < threshold;
            mask = started & empty & (prev == 0) & clear;
        };
        if (!choosePacket(c, i, p, leaps)) {
            continue;
        }
        const LaneInts index =
            p.cell[0] + c.dims[0] * p.cell[1] + std::int32_t(c.sliceSize) * p.cell[2];
        auto innerCell = [&](int l) {
            return p.cell[0][l] >= 1 && p.cell[1][l] >= 1 && p.cell[2][l] >= 1 &&
                   p.cell[0][l] <= c.dims[0] - 3 && p.cell[1][l] <= c.dims[1] - 3 &&
                   p.cell[2][l] <= c.dims[2] - 3;
        };
        // After a step that shaded, the next one most likely shades too: its neighbourhood,
        // which holds the cells' corners, is read first and gives the samples as well, when
        // every lane that takes one lies inside.
        Neighbourhood n;
        bool haveNeighbours = false;
        LaneFloats values;
        if (Shaded && unitGradient && shadedBefore) {
            bool taking[kPacketRays];
            haveNeighbours = true;
            for (int l = 0; l < kPacketRays; ++l) {
                taking[l] = p.taking[l] != 0;
                haveNeighbours = haveNeighbours && (!taking[l] || innerCell(l));
            }
            if (haveNeighbours) {
                Neighbours::read(c, v, index, taking, n);
                const LaneFloats corners[8] = {n(0, 0, 0), n(1, 0, 0), n(0, 1, 0), n(1, 1, 0),
                                               n(0, 0, 1), n(1, 0, 1), n(0, 1, 1), n(1, 1, 1)};
                blendPacket<T>(p, corners, values);
            }
        }
        if (!haveNeighbours) {
            Loads::sample(c, v, p, values);
        }
        bool shade[kPacketRays] = {};
        bool anyShade = false;
        const vrTableEntry* entry[kPacketRays] = {};
        for (int l = 0; l < kPacketRays; ++l) {
            if (!p.taking[l]) {
                continue;
            }
            const int cur = empty[l] ? 0 : toIndex(c, values[l]);
            if (!started[l]) {
                started[l] = -1;
                prev[l] = cur;
                continue;
            }
            entry[l] = &c.preTable[cur * 256 + prev[l]];
            prev[l] = cur;
            shade[l] = Shaded && entry[l]->opacity > 0.0f;
            anyShade = anyShade || shade[l];
        }
        LaneFloats e[4];
        if constexpr (Wide) {
            entryVectorsWide(entry, e);
        } else {
            entryVectors(entry, e);
        }
        const LaneInts use = e[0] > zero;
        LaneFloats colour[3] = {e[1], e[2], e[3]};
        shadedBefore = anyShade;
        if (Shaded && anyShade) {
            bool inner[kPacketRays];
            for (int l = 0; l < kPacketRays; ++l) {
                inner[l] = unitGradient && shade[l] && innerCell(l);
            }
            LaneFloats g[3] = {};
            if (unitGradient) {
                if (!haveNeighbours) {
                    Neighbours::read(c, v, index, inner, n);
                }
                packetDifferences(p, n, g);
            }
            for (int l = 0; l < kPacketRays; ++l) {
                if (shade[l] && !inner[l]) {
                    const float x = p.at[0][l];
                    const float y = p.at[1][l];
                    const float z = p.at[2][l];
                    const float h = c.gradientStep;
                    g[0][l] = gradientSample<T, true>(c, v, x - h, y, z) -
                              gradientSample<T, true>(c, v, x + h, y, z);
                    g[1][l] = gradientSample<T, true>(c, v, x, y - h, z) -
                              gradientSample<T, true>(c, v, x, y + h, z);
                    g[2][l] = gradientSample<T, true>(c, v, x, y, z - h) -
                              gradientSample<T, true>(c, v, x, y, z + h);
                }
            }
            constexpr float kUnit = 1.0f / 255.0f;
            const LaneFloats m[3] = {e[1] * kUnit, e[2] * kUnit, e[3] * kUnit};
            // Every lane's root, so that they are taken together; flat and unshaded lanes drop.
            LaneFloats sum;
            absoluteSum(g, sum);
            const LaneInts litMask = use & (sum >= 0.0001f);
            const LaneFloats squared = g[0] * g[0] + g[1] * g[1] + g[2] * g[2];
            LaneFloats root;
            for (int l = 0; l < kPacketRays; ++l) {
                root[l] = std::sqrt(squared[l]);
            }
            const LaneFloats inverse = litMask ? 1.0f / root : LaneFloats{};
            const LaneFloats normal[3] = {g[0] * inverse, g[1] * inverse, g[2] * inverse};
            LaneFloats lit[3] = {};
            packetShade(light, p.at, normal, m, lit);
            for (int k = 0; k < 3; ++k) {
                colour[k] = litMask ? lit[k] : colour[k];
            }
        }
        const LaneFloats a = use ? (1.0f - opacity) * e[0] : zero;
        opacity = use ? opacity + a : opacity;
        for (int k = 0; k < 3; ++k) {
            rgb[k] = use ? rgb[k] + a * colour[k] : rgb[k];
        }
        // A branch, rarely taken, keeps the next step from waiting for the sums.
        const LaneInts opaque = use & (opacity >= kOpaqueEnough);
        if (anyLane(opaque)) {
            p.next = opaque ? kFinished : p.next;
        }
    }
    for (int l = 0; l < count; ++l) {
        if (hit[l]) {
            const float laneRgb[3] = {rgb[0][l], rgb[1][l], rgb[2][l]};
            writeComposite(c, opacity[l], laneRgb, out + 3 * l);
        } else {
            writeBackground(c, out + 3 * l);
        }
    }
}

template <typename T>
void compositePacket(const vrKernelContext& c, const vrRayBlock* rays, int count, cuLight&,
                     std::uint8_t* out) {
    compositeLanes<T, LaneLoads<T>, false>(c, rays, count, out);
}

template <typename T>
void compositeNearestPacket(const vrKernelContext& c, const vrRayBlock* rays, int count, cuLight&,
                            std::uint8_t* out) {
    compositeLanes<T, NearestLoads<T>, false>(c, rays, count, out);
}

template <typename T>
void maxIntensityPacket(const vrKernelContext& c, const vrRayBlock* rays, int count, cuLight&,
                        std::uint8_t* out) {
    maxIntensityLanes<T, LaneLoads<T>>(c, rays, count, out);
}

// Gather offsets are 32-bit voxel indices.
inline bool fitsGathers(const vrKernelContext& c) {
    return double(c.sliceSize) * double(c.dims[2]) < 2147483647.0;
}

// The gathered kernels run only where the processor has the instructions: the whole of each is
// compiled for them.
template <typename T>
__attribute__((target("avx2"))) void compositeGathered(const vrKernelContext& c,
                                                       const vrRayBlock* rays, int count, cuLight&,
                                                       std::uint8_t* out) {
    if (fitsGathers(c)) {
        compositeLanes<T, PairGathers<T>, true>(c, rays, count, out);
    } else {
        compositeLanes<T, LaneLoads<T>, true>(c, rays, count, out);
    }
}

template <typename T>
__attribute__((target("avx2"))) void maxIntensityGathered(const vrKernelContext& c,
                                                          const vrRayBlock* rays, int count,
                                                          cuLight&, std::uint8_t* out) {
    if (fitsGathers(c)) {
        maxIntensityLanes<T, PairGathers<T>>(c, rays, count, out);
    } else {
        maxIntensityLanes<T, LaneLoads<T>>(c, rays, count, out);
    }
}

// Other highlight exponents than 15 are shaded ray by ray.
template <typename T, bool Shaded>
bool shadesByRay(const vrKernelContext& c, const vrRayBlock* rays, int count, cuLight& light,
                 std::uint8_t* out) {
    if (!Shaded || light.shininess == 15.0f) {
        return false;
    }
    for (int l = 0; l < count; ++l) {
        preIntegrated<T, true, true>(c, rays[l], light, out + 3 * l);
    }
    return true;
}

template <typename T, bool Shaded>
void preIntegratedPacket(const vrKernelContext& c, const vrRayBlock* rays, int count,
                         cuLight& light, std::uint8_t* out) {
    if (!shadesByRay<T, Shaded>(c, rays, count, light, out)) {
        preIntegratedLanes<T, Shaded, LaneLoads<T>, LaneNeighbours<T>, false>(c, rays, count, light,
                                                                              out);
    }
}

template <typename T, bool Shaded>
__attribute__((target("avx2"))) void preIntegratedGathered(const vrKernelContext& c,
                                                           const vrRayBlock* rays, int count,
                                                           cuLight& light, std::uint8_t* out) {
    if (shadesByRay<T, Shaded>(c, rays, count, light, out)) {
        return;
    }
    if (fitsGathers(c)) {
        preIntegratedLanes<T, Shaded, PairGathers<T>, PairNeighbours<T>, true>(c, rays, count,
                                                                               light, out);
    } else {
        preIntegratedLanes<T, Shaded, LaneLoads<T>, LaneNeighbours<T>, true>(c, rays, count, light,
                                                                             out);
    }
}

template <typename T> vrRayKernel kernelFor(int mode, bool trilinear) {
    switch (mode) {
    case VR_MODE_PREINTEGRATED:
        return trilinear ? &preIntegrated<T, true, false> : &preIntegrated<T, false, false>;
    case VR_MODE_PREINTEGRATED_SHADED:
        return trilinear ? &preIntegrated<T, true, true> : &preIntegrated<T, false, true>;
    case VR_MODE_MAX_INTENSITY:
        return trilinear ? &maxIntensity<T, true> : &maxIntensity<T, false>;
    default:
        return trilinear ? &composite<T, true> : &composite<T, false>;
    }
}

template <typename T> vrPacketKernel packetKernelFor(int mode) {
    switch (mode) {
    case VR_MODE_COMPOSITE:
        return &compositePacket<T>;
    case VR_MODE_PREINTEGRATED:
        return &preIntegratedPacket<T, false>;
    case VR_MODE_PREINTEGRATED_SHADED:
        return &preIntegratedPacket<T, true>;
    case VR_MODE_MAX_INTENSITY:
        return &maxIntensityPacket<T>;
    default:
        return nullptr;
    }
}

template <typename T> vrPacketKernel gatheredKernelFor(int mode) {
    switch (mode) {
    case VR_MODE_COMPOSITE:
        return &compositeGathered<T>;
    case VR_MODE_PREINTEGRATED:
        return &preIntegratedGathered<T, false>;
    case VR_MODE_PREINTEGRATED_SHADED:
        return &preIntegratedGathered<T, true>;
    case VR_MODE_MAX_INTENSITY:
        return &maxIntensityGathered<T>;
    default:
        return nullptr;
    }
}

template <typename T>
float samplePublic(const vrKernelContext& c, bool tri, float x, float y, float z) {
    const T* v = static_cast<const T*>(c.voxels);
    return tri ? trilinear(c, v, x, y, z) : nearest(c, v, x, y, z);
}

float sampleByType(const vrKernelContext& c, int pixelType, bool tri, float x, float y, float z) {
    switch (pixelType) {
    case PIXEL_UINT8:
        return samplePublic<std::uint8_t>(c, tri, x, y, z);
    case PIXEL_INT16:
        return samplePublic<std::int16_t>(c, tri, x, y, z);
    case PIXEL_UINT16:
        return samplePublic<std::uint16_t>(c, tri, x, y, z);
    case PIXEL_FLOAT32:
        return samplePublic<float>(c, tri, x, y, z);
    default:
        return 0.0f;
    }
}

}  // namespace

vrRayKernel vrSelectKernel(int mode, int pixelType, bool trilinear) {
    switch (pixelType) {
    case PIXEL_UINT8:
        return kernelFor<std::uint8_t>(mode, trilinear);
    case PIXEL_INT16:
        return kernelFor<std::int16_t>(mode, trilinear);
    case PIXEL_UINT16:
        return kernelFor<std::uint16_t>(mode, trilinear);
    case PIXEL_FLOAT32:
        return kernelFor<float>(mode, trilinear);
    default:
        return nullptr;
    }
}

vrPacketKernel vrSelectPacketKernel(int mode, int pixelType, bool trilinear, bool gathers) {
    if (!trilinear) {
        if (mode != VR_MODE_COMPOSITE) {
            return nullptr;
        }
        switch (pixelType) {
        case PIXEL_UINT8:
            return &compositeNearestPacket<std::uint8_t>;
        case PIXEL_INT16:
            return &compositeNearestPacket<std::int16_t>;
        case PIXEL_UINT16:
            return &compositeNearestPacket<std::uint16_t>;
        case PIXEL_FLOAT32:
            return &compositeNearestPacket<float>;
        default:
            return nullptr;
        }
    }
    const bool gather = gathers && __builtin_cpu_supports("avx2");
    switch (pixelType) {
    case PIXEL_UINT8:
        return packetKernelFor<std::uint8_t>(mode);
    case PIXEL_INT16:
        return gather ? gatheredKernelFor<std::int16_t>(mode) : packetKernelFor<std::int16_t>(mode);
    case PIXEL_UINT16:
        return gather ? gatheredKernelFor<std::uint16_t>(mode)
                      : packetKernelFor<std::uint16_t>(mode);
    case PIXEL_FLOAT32:
        return packetKernelFor<float>(mode);
    default:
        return nullptr;
    }
}

bool vrClipRay(const vrRayBlock& ray, const float box[6], int& first, int& last) {
    // A degenerate camera gives rays of NaN; they hit nothing.
    for (int axis = 0; axis < 3; ++axis) {
        if (!std::isfinite(ray.start[axis]) || !std::isfinite(ray.step[axis])) {
            return false;
        }
    }
    double tIn = 0.0;
    double tOut = double(ray.stepCount - 1);
    for (int axis = 0; axis < 3; ++axis) {
        const double lo = box[2 * axis];
        const double hi = box[2 * axis + 1];
        const double s = ray.start[axis];
        const double d = ray.step[axis];
        if (lo > hi) {
            return false;
        }
        if (d == 0.0) {
            if (s < lo || s > hi) {
                return false;
            }
            continue;
        }
        double t0 = (lo - s) / d;
        double t1 = (hi - s) / d;
        if (t0 > t1) {
            std::swap(t0, t1);
        }
        tIn = std::max(tIn, t0);
        tOut = std::min(tOut, t1);
    }
    if (tIn > tOut) {
        return false;
    }
    first = int(std::ceil(tIn));
    last = int(std::floor(tOut));
    return first <= last;
}

float vrSampleTrilinear(const vrKernelContext& context, int pixelType, float x, float y, float z) {
    return sampleByType(context, pixelType, true, x, y, z);
}

float vrSampleNearest(const vrKernelContext& context, int pixelType, float x, float y, float z) {
    return sampleByType(context, pixelType, false, x, y, z);
}

}  // namespace isImageSDK
