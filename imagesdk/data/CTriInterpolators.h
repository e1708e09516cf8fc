#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Four-lane forms of the scalar steps below, each lane doing the same operation in the same order
// as the scalar code, so that a lane's result is the scalar result to the bit.
namespace lanes {

inline __m128i select(__m128 mask, __m128i yes, __m128i no) {
    const __m128i m = _mm_castps_si128(mask);
    return _mm_or_si128(_mm_and_si128(m, yes), _mm_andnot_si128(m, no));
}

inline __m128 select(__m128 mask, __m128 yes, __m128 no) {
    return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
}

// Four voxels as floats, as float(voxel) converts them.
template <typename T> inline __m128 gather(const T* a, const T* b, const T* c, const T* d) {
    if constexpr (std::is_floating_point_v<T>) {
        return _mm_set_ps(*d, *c, *b, *a);
    } else {
        return _mm_cvtepi32_ps(_mm_set_epi32(int(*d), int(*c), int(*b), int(*a)));
    }
}

// Four results as T: saturateVoxel's value (every integer voxel type's range fits 32 bits) or the
// float itself, the background where inside is false.
template <typename T> inline void store(__m128 value, __m128 inside, T background, T* out) {
    if constexpr (std::is_floating_point_v<T>) {
        _mm_storeu_ps(out, select(inside, value, _mm_set1_ps(background)));
    } else {
        const __m128 high = _mm_cmpge_ps(value, _mm_set1_ps(VoxelRange<T>::highest));
        const __m128 aboveLow = _mm_cmpgt_ps(value, _mm_set1_ps(VoxelRange<T>::lowest));
        __m128i result =
            select(aboveLow, _mm_cvttps_epi32(value), _mm_set1_epi32(int(VoxelRange<T>::lowest)));
        result = select(high, _mm_set1_epi32(int(VoxelRange<T>::highest)), result);
        result = select(inside, result, _mm_set1_epi32(int(background)));
        alignas(16) std::int32_t values[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(values), result);
        for (int lane = 0; lane < 4; ++lane) {
            out[lane] = T(values[lane]);
        }
    }
}

// The eight corners of four lanes' cells whose far corners all lie inside the volume: first[lane]
// is the near corner, the others dx = 1, dy = w and dz = plane away. The two corners along x are
// neighbours in memory, read together for 16-bit voxels.
template <typename T>
inline void cellCorners(const T* const first[4], std::ptrdiff_t w, std::ptrdiff_t plane,
                        __m128 v[8]) {
    const std::ptrdiff_t rows[4] = {0, w, plane, plane + w};
    if constexpr (sizeof(T) == 2) {
        for (int r = 0; r < 4; ++r) {
            std::uint32_t pairs[4];
            for (int lane = 0; lane < 4; ++lane) {
                std::memcpy(&pairs[lane], first[lane] + rows[r], sizeof pairs[lane]);
            }
            const __m128i both =
                _mm_set_epi32(int(pairs[3]), int(pairs[2]), int(pairs[1]), int(pairs[0]));
            __m128i low;
            __m128i high;
            if constexpr (std::is_signed_v<T>) {
                low = _mm_srai_epi32(_mm_slli_epi32(both, 16), 16);
                high = _mm_srai_epi32(both, 16);
            } else {
                low = _mm_and_si128(both, _mm_set1_epi32(0xffff));
                high = _mm_srli_epi32(both, 16);
            }
            v[2 * r] = _mm_cvtepi32_ps(low);
            v[2 * r + 1] = _mm_cvtepi32_ps(high);
        }
    } else {
        for (int r = 0; r < 4; ++r) {
            v[2 * r] = gather(first[0] + rows[r], first[1] + rows[r], first[2] + rows[r],
                              first[3] + rows[r]);
            v[2 * r + 1] = gather(first[0] + rows[r] + 1, first[1] + rows[r] + 1,
                                  first[2] + rows[r] + 1, first[3] + rows[r] + 1);
        }
    }
}

// CTriVolume::floorIndex.
inline __m128i floorIndex(__m128 f, int count) {
    const __m128 below = _mm_cmplt_ps(f, _mm_set1_ps(float(count - 1)));
    const __m128i index = select(below, _mm_cvttps_epi32(f), _mm_set1_epi32(count - 1));
    return _mm_and_si128(index, _mm_castps_si128(_mm_cmpgt_ps(f, _mm_setzero_ps())));
}

}  // namespace lanes
#endif

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

    // getValue at count positions given as coordinate arrays. Four positions are taken at a time,
    // each through getValue's own operations in its order, so every value is getValue's to the
    // bit.
    void getValues(const float* x, const float* y, const float* z, int count, T* out) const {
        int n = 0;
#if defined(__SSE2__)
        const __m128 xMin = _mm_set1_ps(this->xMin);
        const __m128 xMax = _mm_set1_ps(this->xMax);
        const __m128 yMin = _mm_set1_ps(this->yMin);
        const __m128 yMax = _mm_set1_ps(this->yMax);
        const __m128 zMin = _mm_set1_ps(this->zMin);
        const __m128 zMax = _mm_set1_ps(this->zMax);
        const __m128 w0 = _mm_set1_ps(weights[0]);
        const __m128 w1 = _mm_set1_ps(weights[1]);
        const __m128 w2 = _mm_set1_ps(weights[2]);
        const __m128 w3 = _mm_set1_ps(weights[3]);
        const std::ptrdiff_t w = this->width;
        const std::ptrdiff_t plane = w * this->height;
        for (; n + 4 <= count; n += 4) {
            const __m128 px = _mm_loadu_ps(x + n);
            const __m128 py = _mm_loadu_ps(y + n);
            const __m128 pz = _mm_loadu_ps(z + n);
            const __m128 inside =
                _mm_and_ps(_mm_and_ps(_mm_and_ps(_mm_cmpge_ps(px, xMin), _mm_cmple_ps(px, xMax)),
                                      _mm_and_ps(_mm_cmpge_ps(py, yMin), _mm_cmple_ps(py, yMax))),
                           _mm_and_ps(_mm_cmpge_ps(pz, zMin), _mm_cmple_ps(pz, zMax)));
            if (_mm_movemask_ps(inside) == 0) {
                for (int lane = 0; lane < 4; ++lane) {
                    out[n + lane] = this->background;
                }
                continue;
            }
            const __m128 fx = _mm_mul_ps(_mm_sub_ps(px, xMin), _mm_set1_ps(this->xInverse));
            const __m128 fy = _mm_mul_ps(_mm_sub_ps(py, yMin), _mm_set1_ps(this->yInverse));
            const __m128 fz = _mm_mul_ps(_mm_sub_ps(pz, zMin), _mm_set1_ps(this->zInverse));
            const __m128i i = lanes::floorIndex(fx, this->width);
            const __m128i j = lanes::floorIndex(fy, this->height);
            const __m128i k = lanes::floorIndex(fz, this->depth);
            const __m128 tx = _mm_sub_ps(fx, _mm_cvtepi32_ps(i));
            const __m128 ty = _mm_sub_ps(fy, _mm_cvtepi32_ps(j));
            const __m128 tz = _mm_sub_ps(fz, _mm_cvtepi32_ps(k));
            const __m128 wx0 = _mm_add_ps(w0, _mm_mul_ps(w1, tx));
            const __m128 wx1 = _mm_add_ps(w2, _mm_mul_ps(w3, tx));
            const __m128 wy0 = _mm_add_ps(w0, _mm_mul_ps(w1, ty));
            const __m128 wy1 = _mm_add_ps(w2, _mm_mul_ps(w3, ty));
            const __m128 wz0 = _mm_add_ps(w0, _mm_mul_ps(w1, tz));
            const __m128 wz1 = _mm_add_ps(w2, _mm_mul_ps(w3, tz));

            alignas(16) std::int32_t is[4];
            alignas(16) std::int32_t js[4];
            alignas(16) std::int32_t ks[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(is), i);
            _mm_store_si128(reinterpret_cast<__m128i*>(js), j);
            _mm_store_si128(reinterpret_cast<__m128i*>(ks), k);
            __m128 v[8];
            const __m128i interior =
                _mm_and_si128(_mm_and_si128(_mm_cmplt_epi32(i, _mm_set1_epi32(this->width - 1)),
                                            _mm_cmplt_epi32(j, _mm_set1_epi32(this->height - 1))),
                              _mm_cmplt_epi32(k, _mm_set1_epi32(this->depth - 1)));
            if (_mm_movemask_epi8(interior) == 0xffff) {
                const T* first[4];
                for (int lane = 0; lane < 4; ++lane) {
                    first[lane] = this->voxels + (is[lane] + w * js[lane] + plane * ks[lane]);
                }
                lanes::cellCorners(first, w, plane, v);
            } else {
                edgeCorners(is, js, ks, v);
            }
            const __m128 wy0x0 = _mm_mul_ps(wy0, wx0);
            const __m128 wx1y0 = _mm_mul_ps(wx1, wy0);
            const __m128 wy1x0 = _mm_mul_ps(wy1, wx0);
            const __m128 wy1x1 = _mm_mul_ps(wy1, wx1);
            const __m128 near =
                _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(wy0x0, v[0]), _mm_mul_ps(wx1y0, v[1])),
                                      _mm_mul_ps(wy1x0, v[2])),
                           _mm_mul_ps(wy1x1, v[3]));
            const __m128 far =
                _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(wy0x0, v[4]), _mm_mul_ps(wx1y0, v[5])),
                                      _mm_mul_ps(wy1x0, v[6])),
                           _mm_mul_ps(wy1x1, v[7]));
            __m128 sum = _mm_add_ps(_mm_setzero_ps(), _mm_mul_ps(wz0, near));
            sum = _mm_add_ps(sum, _mm_mul_ps(wz1, far));
            lanes::store<T>(sum, inside, this->background, out + n);
        }
#endif
        for (; n < count; ++n) {
            out[n] = T(getValue(x[n], y[n], z[n]));
        }
    }

    // Rows of w0(t) = 1 - t and w1(t) = t as constant and slope.
    float weights[4] = {1.0f, -1.0f, 0.0f, 1.0f};

private:
#if defined(__SSE2__)
    // Corner voxels of four lanes' cells as getValue finds them: 0, dx, dy and dy + dx in the
    // cell's slice and the next, a far corner beyond the last voxel falling back on the near one.
    void edgeCorners(const std::int32_t is[4], const std::int32_t js[4], const std::int32_t ks[4],
                     __m128 v[8]) const {
        const std::ptrdiff_t w = this->width;
        const std::ptrdiff_t plane = w * this->height;
        const T* c[8][4];
        for (int lane = 0; lane < 4; ++lane) {
            const std::ptrdiff_t dx = is[lane] + 1 < this->width ? 1 : 0;
            const std::ptrdiff_t dy = js[lane] + 1 < this->height ? w : 0;
            const std::ptrdiff_t dz = ks[lane] + 1 < this->depth ? plane : 0;
            const T* v0 = this->voxels + (is[lane] + w * js[lane] + plane * ks[lane]);
            const T* v1 = v0 + dz;
            c[0][lane] = v0;
            c[1][lane] = v0 + dx;
            c[2][lane] = v0 + dy;
            c[3][lane] = v0 + dy + dx;
            c[4][lane] = v1;
            c[5][lane] = v1 + dx;
            c[6][lane] = v1 + dy;
            c[7][lane] = v1 + dy + dx;
        }
        for (int corner = 0; corner < 8; ++corner) {
            v[corner] = lanes::gather(c[corner][0], c[corner][1], c[corner][2], c[corner][3]);
        }
    }
#endif
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

    // getValue at count positions given as coordinate arrays, through getValue's own operations
    // in its order (see CTriLinear::getValues). Eight positions are taken at a time as two groups
    // of four lanes, whose 64-term sums then run side by side.
    void getValues(const float* x, const float* y, const float* z, int count, T* out) const {
        int n = 0;
#if defined(__SSE2__)
        Group groups[2];
        for (; n + 8 <= count; n += 8) {
            prepare(x + n, y + n, z + n, groups[0]);
            prepare(x + n + 4, y + n + 4, z + n + 4, groups[1]);
            __m128 sums[2] = {_mm_setzero_ps(), _mm_setzero_ps()};
            for (int c = 0; c < 4; ++c) {
                for (int b = 0; b < 4; ++b) {
                    for (int g = 0; g < 2; ++g) {
                        const Group& group = groups[g];
                        __m128 v[4];
                        rowValues(group, c, b, v);
                        const __m128 wzy = _mm_mul_ps(group.wz[c], group.wy[b]);
                        for (int a = 0; a < 4; ++a) {
                            sums[g] =
                                _mm_add_ps(sums[g], _mm_mul_ps(_mm_mul_ps(wzy, group.wx[a]), v[a]));
                        }
                    }
                }
            }
            lanes::store<T>(sums[0], groups[0].inside, this->background, out + n);
            lanes::store<T>(sums[1], groups[1].inside, this->background, out + n + 4);
        }
        for (; n + 4 <= count; n += 4) {
            prepare(x + n, y + n, z + n, groups[0]);
            __m128 sum = _mm_setzero_ps();
            for (int c = 0; c < 4; ++c) {
                for (int b = 0; b < 4; ++b) {
                    __m128 v[4];
                    rowValues(groups[0], c, b, v);
                    const __m128 wzy = _mm_mul_ps(groups[0].wz[c], groups[0].wy[b]);
                    for (int a = 0; a < 4; ++a) {
                        sum = _mm_add_ps(sum, _mm_mul_ps(_mm_mul_ps(wzy, groups[0].wx[a]), v[a]));
                    }
                }
            }
            lanes::store<T>(sum, groups[0].inside, this->background, out + n);
        }
#endif
        for (; n < count; ++n) {
            out[n] = T(getValue(x[n], y[n], z[n]));
        }
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
#if defined(__SSE2__)
    // Four lanes ready to be summed: their weights, and where each of their 16 neighbour rows
    // starts. In an interior group every lane's neighbourhood lies inside the volume, so a row's
    // four voxels are neighbours in memory; otherwise each lane keeps its clamped columns.
    struct Group {
        __m128 inside;
        __m128 wx[4];
        __m128 wy[4];
        __m128 wz[4];
        bool interior;
        const T* rows[4][4][4];
        std::ptrdiff_t columns[4][4];
    };

    void prepare(const float* x, const float* y, const float* z, Group& group) const {
        const __m128 below = _mm_set1_ps(-1.0f);
        const __m128 fx = _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(x), _mm_set1_ps(this->xMin)),
                                     _mm_set1_ps(this->xInverse));
        const __m128 fy = _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(y), _mm_set1_ps(this->yMin)),
                                     _mm_set1_ps(this->yInverse));
        const __m128 fz = _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(z), _mm_set1_ps(this->zMin)),
                                     _mm_set1_ps(this->zInverse));
        group.inside = _mm_and_ps(
            _mm_and_ps(_mm_and_ps(_mm_cmpgt_ps(fx, below),
                                  _mm_cmplt_ps(fx, _mm_set1_ps(float(this->width)))),
                       _mm_and_ps(_mm_cmpgt_ps(fy, below),
                                  _mm_cmplt_ps(fy, _mm_set1_ps(float(this->height))))),
            _mm_and_ps(_mm_cmpgt_ps(fz, below), _mm_cmplt_ps(fz, _mm_set1_ps(float(this->depth)))));
        // Lanes outside read around voxel 0; their sums are replaced by the background.
        const __m128i keep = _mm_castps_si128(group.inside);
        const __m128i i = _mm_and_si128(_mm_cvttps_epi32(fx), keep);
        const __m128i j = _mm_and_si128(_mm_cvttps_epi32(fy), keep);
        const __m128i k = _mm_and_si128(_mm_cvttps_epi32(fz), keep);
        weightsAt(_mm_sub_ps(fx, _mm_cvtepi32_ps(i)), group.wx);
        weightsAt(_mm_sub_ps(fy, _mm_cvtepi32_ps(j)), group.wy);
        weightsAt(_mm_sub_ps(fz, _mm_cvtepi32_ps(k)), group.wz);

        const __m128i one = _mm_set1_epi32(1);
        const auto within = [one](__m128i index, int count) {
            return _mm_and_si128(
                _mm_cmpgt_epi32(index, _mm_setzero_si128()),
                _mm_cmplt_epi32(_mm_add_epi32(index, one), _mm_set1_epi32(count - 1)));
        };
        group.interior = _mm_movemask_epi8(_mm_and_si128(
                             _mm_and_si128(within(i, this->width), within(j, this->height)),
                             within(k, this->depth))) == 0xffff;
        alignas(16) std::int32_t is[4];
        alignas(16) std::int32_t js[4];
        alignas(16) std::int32_t ks[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(is), i);
        _mm_store_si128(reinterpret_cast<__m128i*>(js), j);
        _mm_store_si128(reinterpret_cast<__m128i*>(ks), k);
        const std::ptrdiff_t w = this->width;
        const std::ptrdiff_t plane = w * this->height;
        for (int lane = 0; lane < 4; ++lane) {
            if (group.interior) {
                const T* first =
                    this->voxels + (is[lane] - 1 + w * (js[lane] - 1) + plane * (ks[lane] - 1));
                for (int c = 0; c < 4; ++c) {
                    for (int b = 0; b < 4; ++b) {
                        group.rows[c][b][lane] = first + plane * c + w * b;
                    }
                }
                continue;
            }
            for (int m = 0; m < 4; ++m) {
                group.columns[lane][m] = clampIndex(is[lane] - 1 + m, this->width);
            }
            for (int c = 0; c < 4; ++c) {
                const T* slice = this->voxels + plane * clampIndex(ks[lane] - 1 + c, this->depth);
                for (int b = 0; b < 4; ++b) {
                    group.rows[c][b][lane] = slice + w * clampIndex(js[lane] - 1 + b, this->height);
                }
            }
        }
    }

    // The four voxels along x of neighbour row (c, b), each as a vector over the lanes.
    void rowValues(const Group& group, int c, int b, __m128 v[4]) const {
        const T* const* row = group.rows[c][b];
        if (!group.interior) {
            for (int a = 0; a < 4; ++a) {
                v[a] = lanes::gather(row[0] + group.columns[0][a], row[1] + group.columns[1][a],
                                     row[2] + group.columns[2][a], row[3] + group.columns[3][a]);
            }
            return;
        }
        if constexpr (sizeof(T) == 2) {
            // Each lane's four voxels in one load, then turned so that lane l's voxel a lands in
            // lane l of v[a].
            const __m128i l0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row[0]));
            const __m128i l1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row[1]));
            const __m128i l2 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row[2]));
            const __m128i l3 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row[3]));
            const __m128i t0 = _mm_unpacklo_epi16(l0, l1);
            const __m128i t1 = _mm_unpacklo_epi16(l2, l3);
            const __m128i a01 = _mm_unpacklo_epi32(t0, t1);
            const __m128i a23 = _mm_unpackhi_epi32(t0, t1);
            const __m128i halves[4] = {_mm_unpacklo_epi16(a01, a01), _mm_unpackhi_epi16(a01, a01),
                                       _mm_unpacklo_epi16(a23, a23), _mm_unpackhi_epi16(a23, a23)};
            for (int a = 0; a < 4; ++a) {
                v[a] = _mm_cvtepi32_ps(std::is_signed_v<T> ? _mm_srai_epi32(halves[a], 16)
                                                           : _mm_srli_epi32(halves[a], 16));
            }
        } else {
            for (int a = 0; a < 4; ++a) {
                v[a] = lanes::gather(row[0] + a, row[1] + a, row[2] + a, row[3] + a);
            }
        }
    }

    void weightsAt(__m128 t, __m128 out[4]) const {
        const __m128 t2 = _mm_mul_ps(t, t);
        const __m128 t3 = _mm_mul_ps(t2, t);
        for (int m = 0; m < 4; ++m) {
            const float* c = coefficients + 4 * m;
            out[m] = _mm_add_ps(
                _mm_add_ps(_mm_add_ps(_mm_set1_ps(c[0]), _mm_mul_ps(_mm_set1_ps(c[1]), t)),
                           _mm_mul_ps(_mm_set1_ps(c[2]), t2)),
                _mm_mul_ps(_mm_set1_ps(c[3]), t3));
        }
    }
#endif

    static int clampIndex(int index, int count) {
        return index < 0 ? 0 : (index > count - 1 ? count - 1 : index);
    }
};

}  // namespace isImageSDK
