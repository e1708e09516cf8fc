#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace isImageSDK {

// Result type and range of an interpolated value of voxel type T.
template <typename T> struct VoxelRange;
template <> struct VoxelRange<unsigned char> {
    using Result = std::int64_t;
    static constexpr float lowest = 0.0f;
    static constexpr float highest = 255.0f;
};
template <> struct VoxelRange<short> {
    using Result = std::int32_t;
    static constexpr float lowest = -32768.0f;
    static constexpr float highest = 32767.0f;
};
template <> struct VoxelRange<unsigned short> {
    using Result = std::int64_t;
    static constexpr float lowest = 0.0f;
    static constexpr float highest = 65535.0f;
};
template <> struct VoxelRange<float> { using Result = float; };

// Truncates toward zero into the range of T, so that overshoot near sharp edges saturates
// instead of wrapping; not-a-number gives the lowest value. Floats pass unchanged.
template <typename T> inline typename VoxelRange<T>::Result saturateVoxel(float value) {
    using Result = typename VoxelRange<T>::Result;
    if constexpr (std::is_floating_point_v<T>) {
        return value;
    } else {
        if (value >= VoxelRange<T>::highest) {
            return Result(VoxelRange<T>::highest);
        }
        if (value > VoxelRange<T>::lowest) {
            return Result(value);
        }
        return Result(VoxelRange<T>::lowest);
    }
}

// A regular volume read at millimetre positions of its own frame (the centre of voxel (0, 0, 0)
// at the origin, axes along columns, rows and slices).
template <typename T> class CTriVolume {
public:
    using Result = typename VoxelRange<T>::Result;

    virtual ~CTriVolume() = default;

    // False, leaving the object unusable, for an empty volume or a spacing that is not a
    // positive finite number (its inverse would poison every index).
    bool setVolume(int w, int h, int n, const float spacing[3], const T* buffer, float fill) {
        if (w < 1 || h < 1 || n < 1 || !buffer) {
            return false;
        }
        for (int axis = 0; axis < 3; ++axis) {
            if (!(spacing[axis] > 0.0f) || !std::isfinite(spacing[axis])) {
                return false;
            }
        }
        width = w;
        height = h;
        depth = n;
        voxelCount = w * h * n;
        xMin = yMin = zMin = 0.0f;
        xMax = float(w - 1) * spacing[0];
        yMax = float(h - 1) * spacing[1];
        zMax = float(n - 1) * spacing[2];
        xSpacing = spacing[0];
        ySpacing = spacing[1];
        zSpacing = spacing[2];
        xInverse = 1.0f / spacing[0];
        yInverse = 1.0f / spacing[1];
        zInverse = 1.0f / spacing[2];
        voxels = buffer;
        background = T(saturateVoxel<T>(fill));
        return true;
    }

    int width = 0;
    int height = 0;
    int depth = 0;
    int voxelCount = 0;
    float xMin = 0.0f;
    float xMax = 0.0f;
    float xSpacing = 1.0f;
    float xInverse = 1.0f;
    float yMin = 0.0f;
    float yMax = 0.0f;
    float ySpacing = 1.0f;
    float yInverse = 1.0f;
    float zMin = 0.0f;
    float zMax = 0.0f;
    float zSpacing = 1.0f;
    float zInverse = 1.0f;
    // Voxel (x, y, z) is element x + width * (y + height * z).
    const T* voxels = nullptr;
    T background = T(0);

protected:
    // The index at or below f clamped to [0, count - 1]; safe for any f.
    static int floorIndex(float f, int count) {
        if (!(f > 0.0f)) {
            return 0;
        }
        return f < float(count - 1) ? int(f) : count - 1;
    }
};

// Linear weights per axis; positions outside the sampled box give the background.
template <typename T> class CTriLinear : public CTriVolume<T> {
public:
    using typename CTriVolume<T>::Result;

    Result getValue(float x, float y, float z) const {
        if (!(x >= this->xMin && x <= this->xMax && y >= this->yMin && y <= this->yMax &&
              z >= this->zMin && z <= this->zMax)) {
            return Result(this->background);
        }
        const float fx = (x - this->xMin) * this->xInverse;
        const float fy = (y - this->yMin) * this->yInverse;
        const float fz = (z - this->zMin) * this->zInverse;
        const int i = this->floorIndex(fx, this->width);
        const int j = this->floorIndex(fy, this->height);
        const int k = this->floorIndex(fz, this->depth);
        const float tx = fx - float(i);
        const float ty = fy - float(j);
        const float tz = fz - float(k);
        const float wx0 = weights[0] + weights[1] * tx;
        const float wx1 = weights[2] + weights[3] * tx;
        const float wy0 = weights[0] + weights[1] * ty;
        const float wy1 = weights[2] + weights[3] * ty;
        const float wz0 = weights[0] + weights[1] * tz;
        const float wz1 = weights[2] + weights[3] * tz;

        const std::ptrdiff_t w = this->width;
        const std::ptrdiff_t plane = w * this->height;
        const std::ptrdiff_t dx = i + 1 < this->width ? 1 : 0;
        const std::ptrdiff_t dy = j + 1 < this->height ? w : 0;
        const std::ptrdiff_t dz = k + 1 < this->depth ? plane : 0;
        const T* v0 = this->voxels + (i + w * j + plane * k);
        const T* v1 = v0 + dz;

        float sum = 0.0f;
        sum += wz0 * (wy0 * wx0 * float(v0[0]) + wx1 * wy0 * float(v0[dx]) +
                      wy1 * wx0 * float(v0[dy]) + wy1 * wx1 * float(v0[dy + dx]));
        sum += wz1 * (wy0 * wx0 * float(v1[0]) + wx1 * wy0 * float(v1[dx]) +
                      wy1 * wx0 * float(v1[dy]) + wy1 * wx1 * float(v1[dy + dx]));
        return saturateVoxel<T>(sum);
    }

    // Rows of w0(t) = 1 - t and w1(t) = t as constant and slope.
    float weights[4] = {1.0f, -1.0f, 0.0f, 1.0f};
};

// Cubic convolution over the 4 x 4 x 4 neighbourhood with edge indices clamped. Positions down
// to just above one voxel before the first are accepted (index 0, negative fraction).
template <typename T> class CTriCubic : public CTriVolume<T> {
public:
    using typename CTriVolume<T>::Result;

    CTriCubic() = default;
    // The coefficient pointer refers into the object itself.
    CTriCubic(const CTriCubic&) = delete;
    CTriCubic& operator=(const CTriCubic&) = delete;

    Result getValue(float x, float y, float z) const {
        const float fx = (x - this->xMin) * this->xInverse;
        const float fy = (y - this->yMin) * this->yInverse;
        const float fz = (z - this->zMin) * this->zInverse;
        // Equivalent to a truncated index within [0, count - 1], and false for not-a-number.
        if (!(fx > -1.0f && fx < float(this->width) && fy > -1.0f && fy < float(this->height) &&
              fz > -1.0f && fz < float(this->depth))) {
            return Result(this->background);
        }
        const int i = int(fx);
        const int j = int(fy);
        const int k = int(fz);
        float wx[4];
        float wy[4];
        float wz[4];
        weightsAt(fx - float(i), wx);
        weightsAt(fy - float(j), wy);
        weightsAt(fz - float(k), wz);

        const std::ptrdiff_t w = this->width;
        const std::ptrdiff_t plane = w * this->height;
        std::ptrdiff_t columns[4];
        std::ptrdiff_t rows[4];
        std::ptrdiff_t slices[4];
        for (int m = 0; m < 4; ++m) {
            columns[m] = clampIndex(i - 1 + m, this->width);
            rows[m] = w * clampIndex(j - 1 + m, this->height);
            slices[m] = plane * clampIndex(k - 1 + m, this->depth);
        }
        float sum = 0.0f;
        for (int c = 0; c < 4; ++c) {
            const T* slice = this->voxels + slices[c];
            for (int b = 0; b < 4; ++b) {
                const T* row = slice + rows[b];
                const float wzy = wz[c] * wy[b];
                for (int a = 0; a < 4; ++a) {
                    sum += wzy * wx[a] * float(row[columns[a]]);
                }
            }
        }
        return saturateVoxel<T>(sum);
    }

    // Points at the Catmull-Rom rows.
    const float* coefficients = catmullRom;
    // Row m gives weight m of the four neighbours as c0 + c1 t + c2 t^2 + c3 t^3.
    float catmullRom[16] = {0.0f, -0.5f, 1.0f, -0.5f, 1.0f, 0.0f, -2.5f, 1.5f,
                            0.0f, 0.5f,  2.0f, -1.5f, 0.0f, 0.0f, -0.5f, 0.5f};
    float bSpline[16] = {1.0f / 6.0f, -0.5f, 0.5f,        -1.0f / 6.0f, 2.0f / 3.0f, 0.0f,
                         -1.0f,       0.5f,  1.0f / 6.0f, 0.5f,         0.5f,        -0.5f,
                         0.0f,        0.0f,  0.0f,        1.0f / 6.0f};

    void weightsAt(float t, float out[4]) const {
        const float t2 = t * t;
        const float t3 = t2 * t;
        for (int m = 0; m < 4; ++m) {
            const float* c = coefficients + 4 * m;
            out[m] = c[0] + c[1] * t + c[2] * t2 + c[3] * t3;
        }
    }

private:
    static int clampIndex(int index, int count) {
        return index < 0 ? 0 : (index > count - 1 ? count - 1 : index);
    }
};

}  // namespace isImageSDK
