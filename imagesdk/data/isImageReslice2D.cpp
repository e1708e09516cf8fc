#include "imagesdk/data/isImageReslice2D.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <new>
#include <thread>
#include <type_traits>

#include "imagesdk/data/BandPool.h"
#include "imagesdk/data/CTriInterpolators.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/SaturatingCast.h"

namespace isImageSDK {

namespace {

template <typename T> constexpr int pixelTypeOf() {
    if constexpr (std::is_same_v<T, unsigned char>) {
        return PIXEL_UINT8;
    } else if constexpr (std::is_same_v<T, short>) {
        return PIXEL_INT16;
    } else if constexpr (std::is_same_v<T, unsigned short>) {
        return PIXEL_UINT16;
    } else {
        return PIXEL_FLOAT32;
    }
}

// Range a summed slab is limited to; integer sums saturate at both ends.
template <typename T> constexpr double sumLowest() {
    if constexpr (std::is_same_v<T, short>) {
        return -32768.0;
    } else if constexpr (std::is_floating_point_v<T>) {
        return -3.35e38;
    } else {
        return 0.0;
    }
}
template <typename T> constexpr double sumHighest() {
    if constexpr (std::is_same_v<T, unsigned char>) {
        return 255.0;
    } else if constexpr (std::is_same_v<T, short>) {
        return 32767.0;
    } else if constexpr (std::is_same_v<T, unsigned short>) {
        return 65535.0;
    } else {
        return 3.35e38;
    }
}

template <typename T> T limitedSum(double sum) {
    if (sum > sumHighest<T>()) {
        sum = sumHighest<T>();
    } else if (sum < sumLowest<T>()) {
        sum = sumLowest<T>();
    }
    return T(sum);
}

bool usableSpacing(const float spacing[3]) {
    for (int axis = 0; axis < 3; ++axis) {
        if (!(spacing[axis] > 0.0f) || !std::isfinite(spacing[axis])) {
            return false;
        }
    }
    return true;
}

// Width of the output tiles, each a band's rows across kTile columns. An oblique plane walked in
// row order crosses every slice it touches once per row; within a tile the rows reuse each other's
// cache lines and pages.
constexpr int kTile = 32;
// Rows of a band (at most kTile): several bands per thread, so that a thread slowed by the rest of
// the machine leaves its share to the others.
constexpr int kBandRows = 8;
// Planes of a slab sampled tile by tile together; bounds the row cursors kept at a time.
constexpr int kPlaneGroup = 32;

// Where the rows of a slab's planes start. Each plane's start is found from the origin, and each
// row's start from its plane's start, in double precision and rounded once to single precision;
// only the walk along a row adds the column step incrementally. So no error builds up from row to
// row or plane to plane, every row can be sampled on its own, and plane k of a slab lies exactly
// where a single plane with that plane's start as its origin lies.
struct PlaneFrame {
    double origin[3];
    float stepX[3];
    double stepY[3];
    double stepZ[3];
    // Offset of plane 0 from the origin, in plane steps.
    double firstPlane = 0.0;

    void planeStart(int plane, float start[3]) const {
        const double offset = firstPlane + double(plane);
        for (int c = 0; c < 3; ++c) {
            start[c] = float(origin[c] + offset * stepZ[c]);
        }
    }

    void rowStart(const float plane[3], int row, float start[3]) const {
        for (int c = 0; c < 3; ++c) {
            start[c] = float(double(plane[c]) + double(row) * stepY[c]);
        }
    }
};

// Visits every pixel of the rows [top, bottom) of `planes` parallel planes as
// combine(plane, index, value), tile by tile, each tile's planes in order; a tile row's samples are
// taken together.
template <typename T, typename Interpolator, typename Combine>
void walkBand(const Interpolator& sampler, const PlaneFrame& frame, int width, int top, int bottom,
              int planes, Combine combine) {
    float cursors[kPlaneGroup * kTile * 3];
    // One tile row's positions, carried along the row as single-precision sums, and its samples.
    float x[kTile];
    float y[kTile];
    float z[kTile];
    T values[kTile];
    const int rows = bottom - top;
    for (int first = 0; first < planes; first += kPlaneGroup) {
        const int count = std::min(kPlaneGroup, planes - first);
        float* cursor = cursors;
        for (int plane = 0; plane < count; ++plane) {
            float start[3];
            frame.planeStart(first + plane, start);
            for (int row = top; row < bottom; ++row, cursor += 3) {
                frame.rowStart(start, row, cursor);
            }
        }
        for (int left = 0; left < width; left += kTile) {
            const int right = std::min(width, left + kTile);
            for (int plane = 0; plane < count; ++plane) {
                for (int row = 0; row < rows; ++row) {
                    float* at = cursors + 3 * (plane * rows + row);
                    const int count = right - left;
                    for (int column = 0; column < count; ++column) {
                        x[column] = at[0];
                        y[column] = at[1];
                        z[column] = at[2];
                        at[0] += frame.stepX[0];
                        at[1] += frame.stepX[1];
                        at[2] += frame.stepX[2];
                    }
                    sampler.getValues(x, y, z, count, values);
                    const std::ptrdiff_t index = std::ptrdiff_t(top + row) * width + left;
                    for (int column = 0; column < count; ++column) {
                        combine(first + plane, index + column, values[column]);
                    }
                }
            }
        }
    }
}

// Runs band(top, bottom) for every band of kBandRows rows, on the pool when there is one. Each band
// writes only its own rows, so the result does not depend on how the bands are shared out.
void forEachBand(int height, BandPool* pool, const std::function<void(int, int)>& band) {
    const int bands = (height + kBandRows - 1) / kBandRows;
    auto one = [height, &band](int i) {
        band(i * kBandRows, std::min(height, (i + 1) * kBandRows));
    };
    if (pool) {
        pool->run(bands, one);
    } else {
        for (int i = 0; i < bands; ++i) {
            one(i);
        }
    }
}

template <typename T, typename Interpolator>
void sampleSlab(const Interpolator& sampler, const ResliceRequest& request, T* out,
                BandPool* pool) {
    const cocos2d::Mat4& m = request.slice.matrix;
    const int width = request.slice.width;
    const int height = request.slice.height;
    const float spacingX = request.slice.pixelSpacingX;
    const float spacingY = request.slice.pixelSpacingY;
    PlaneFrame frame;
    for (int c = 0; c < 3; ++c) {
        frame.origin[c] = m.m[12 + c];
        frame.stepX[c] = spacingX * m.m[c];
        frame.stepY[c] = spacingY * m.m[4 + c];
        frame.stepZ[c] = request.slabStep * m.m[8 + c];
    }
    const int samples = request.slabSamples;

    auto store = [out](int, std::ptrdiff_t i, auto value) { out[i] = T(value); };
    if (samples < 2) {
        frame.stepZ[0] = frame.stepZ[1] = frame.stepZ[2] = 0.0;
        forEachBand(height, pool, [&](int top, int bottom) {
            walkBand<T>(sampler, frame, width, top, bottom, 1, store);
        });
        return;
    }

    // The slab runs from -samples/2 to samples/2 - 1 steps about the plane.
    frame.firstPlane = -(samples * 0.5);

    const int mode = request.slabMode;
    if (mode == SLAB_MAXIMUM) {
        forEachBand(height, pool, [&](int top, int bottom) {
            walkBand<T>(sampler, frame, width, top, bottom, samples,
                        [out](int plane, std::ptrdiff_t i, auto value) {
                            const T sample = T(value);
                            if (plane == 0 || sample > out[i]) {
                                out[i] = sample;
                            }
                        });
        });
        return;
    }
    if (mode == SLAB_MINIMUM) {
        forEachBand(height, pool, [&](int top, int bottom) {
            walkBand<T>(sampler, frame, width, top, bottom, samples,
                        [out](int plane, std::ptrdiff_t i, auto value) {
                            const T sample = T(value);
                            if (plane == 0 || sample < out[i]) {
                                out[i] = sample;
                            }
                        });
        });
        return;
    }
    const std::size_t count = std::size_t(width) * std::size_t(height);
    std::unique_ptr<double[]> sums;
    if (mode == SLAB_MEAN || mode == SLAB_SUM) {
        sums.reset(new (std::nothrow) double[count]);
    }
    if (!sums) {
        // Another mode, or no room to add up: the first plane stands alone.
        forEachBand(height, pool, [&](int top, int bottom) {
            walkBand<T>(sampler, frame, width, top, bottom, 1, store);
        });
        return;
    }
    double* accumulator = sums.get();
    const double scale = 1.0 / samples;
    forEachBand(height, pool, [&](int top, int bottom) {
        walkBand<T>(sampler, frame, width, top, bottom, samples,
                    [accumulator](int plane, std::ptrdiff_t i, auto value) {
                        const double sample = double(T(value));
                        accumulator[i] = plane == 0 ? sample : accumulator[i] + sample;
                    });
        const std::size_t end = std::size_t(bottom) * std::size_t(width);
        for (std::size_t i = std::size_t(top) * std::size_t(width); i < end; ++i) {
            out[i] = mode == SLAB_SUM ? limitedSum<T>(accumulator[i]) : T(accumulator[i] * scale);
        }
    });
}

template <typename T, typename Interpolator>
void runInterpolator(isImageData* input, const ResliceRequest& request, T* out, BandPool* pool) {
    Interpolator sampler;
    if (!sampler.setVolume(input->width, input->height, input->sliceCount, input->spacing,
                           static_cast<const T*>(input->voxels), request.background)) {
        return;
    }
    sampleSlab<T>(sampler, request, out, pool);
}

}  // namespace

template <typename T>
void resliceVolume(isImageData* input, ResliceRequest* request, BandPool* pool) {
    if (!input || !request) {
        return;
    }
    input->execute();
    if (!input->regularVolume || !input->singleBuffer || !input->voxels ||
        input->pixelType != pixelTypeOf<T>() ||
        std::size_t(input->sliceCount) != input->slices.size()) {
        return;
    }
    T* out = static_cast<T*>(request->slice.data);
    if (!out || request->slice.pixelType != pixelTypeOf<T>() || request->slice.width < 1 ||
        request->slice.height < 1) {
        return;
    }
    if (request->interpolation == INTERPOLATION_TRICUBIC) {
        runInterpolator<T, CTriCubic<T>>(input, *request, out, pool);
    } else {
        runInterpolator<T, CTriLinear<T>>(input, *request, out, pool);
    }
}

template void resliceVolume<unsigned char>(isImageData*, ResliceRequest*, BandPool*);
template void resliceVolume<short>(isImageData*, ResliceRequest*, BandPool*);
template void resliceVolume<unsigned short>(isImageData*, ResliceRequest*, BandPool*);
template void resliceVolume<float>(isImageData*, ResliceRequest*, BandPool*);

isImageReslice2D* isImageReslice2D::create() {
    auto* filter = new (std::nothrow) isImageReslice2D();
    if (filter && !filter->init()) {
        delete filter;
        return nullptr;
    }
    return filter;
}

isImageReslice2D::~isImageReslice2D() = default;

bool isImageReslice2D::init() {
    isImageFilter::init();
    outputWidth = 1;
    outputHeight = 1;
    outputSpacingX = 1.0f;
    outputSpacingY = 1.0f;
    slabStep = 1.0f;
    interpolation = INTERPOLATION_TRILINEAR;
    resliceMatrix = cocos2d::Mat4::IDENTITY;
    background = 0.0f;
    slabMode = SLAB_MAXIMUM;
    slabSamples = 1;
    sampleSpacing = 1.0f;
    slabThickness = 0.01f;
    threadCount = std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxThreads);
    return true;
}

void isImageReslice2D::setThreadCount(int threads) {
    threadCount = std::max(1, threads);
}

void isImageReslice2D::setInputData(isImageData* data) {
    isImageFilter::setInputData(data);
    if (!data) {
        return;
    }
    data->execute();
    switch (data->pixelType) {
    case PIXEL_INT16:
        background = -1024.0f;
        break;
    case PIXEL_UINT8:
    case PIXEL_FLOAT32:
    case PIXEL_UINT16:
        background = 0.0f;
        break;
    default:
        break;
    }
    setResliceMatrix(cocos2d::Mat4::IDENTITY);
}

void isImageReslice2D::setResliceMatrix(const cocos2d::Mat4& matrix) {
    resliceMatrix = matrix;
    updateFrame();
    dataModified = true;
    informationModified = true;
}

int isImageReslice2D::samplesForThickness(float thickness) const {
    // A bound far beyond any real volume keeps 2k + 1 inside the int range.
    constexpr int kLimit = 1 << 28;
    const int k = std::clamp(truncateToInt(thickness / (sampleSpacing * 2.0)), -kLimit, kLimit);
    return 2 * k + 1;
}

void isImageReslice2D::setSlabThickness(float thickness) {
    slabThickness = thickness;
    slabSamples = samplesForThickness(thickness);
    if (slabSamples > 1) {
        slabStep = float(thickness / (slabSamples - 1.0));
    }
    informationModified = true;
}

void isImageReslice2D::setSlabMode(int mode) {
    if (mode != slabMode) {
        slabMode = mode;
        informationModified = true;
    }
}

void isImageReslice2D::setInterpolation(int mode) {
    if (mode != interpolation) {
        interpolation = mode;
        informationModified = true;
    }
}

void isImageReslice2D::updateFrame() {
    if (!inputData) {
        return;
    }
    inputData->execute();
    if (!inputData->regularVolume || !usableSpacing(inputData->spacing)) {
        return;
    }
    const float sx = inputData->spacing[0];
    const float sy = inputData->spacing[1];
    const float sz = inputData->spacing[2];
    const float extent[3] = {float(inputData->width) * sx - sx, float(inputData->height) * sy - sy,
                             float(inputData->sliceCount) * sz - sz};

    cocos2d::Mat4 inverse = resliceMatrix;
    if (!inverse.inverse()) {
        // A flat frame covers nothing: the output shrinks to one zero pixel.
        outputWidth = 0;
        outputHeight = 0;
        dataModified = true;
        informationModified = true;
        return;
    }
    float minX = 1e10f;
    float maxX = -1e10f;
    float minY = 1e10f;
    float maxY = -1e10f;
    for (int corner = 0; corner < 8; ++corner) {
        const cocos2d::Vec4 point((corner & 1) ? extent[0] : 0.0f, (corner & 2) ? extent[1] : 0.0f,
                                  (corner & 4) ? extent[2] : 0.0f, 1.0f);
        cocos2d::Vec4 local;
        inverse.transformVector(point, &local);
        minX = std::min(minX, local.x);
        maxX = std::max(maxX, local.x);
        minY = std::min(minY, local.y);
        maxY = std::max(maxY, local.y);
    }
    resliceMatrix.translate(minX, minY, 0.0f);

    // Each output axis moves one voxel along the volume axis it crosses fastest.
    float axisSpacing[3];
    const float voxelSpacing[3] = {sx, sy, sz};
    for (int c = 0; c < 3; ++c) {
        const float* column = resliceMatrix.m + 4 * c;
        float dominant = column[0] / voxelSpacing[0];
        for (int r = 1; r < 3; ++r) {
            const float v = column[r] / voxelSpacing[r];
            if (std::fabs(v) > std::fabs(dominant)) {
                dominant = v;
            }
        }
        const float length =
            std::sqrt(column[0] * column[0] + column[1] * column[1] + column[2] * column[2]);
        axisSpacing[c] = length / std::fabs(dominant);
    }
    outputSpacingX = axisSpacing[0];
    outputSpacingY = axisSpacing[1];
    slabStep = axisSpacing[2];
    outputWidth = std::max(0, truncateToInt((maxX - minX) / outputSpacingX + 0.5f));
    outputHeight = std::max(0, truncateToInt((maxY - minY) / outputSpacingY + 0.5f));

    sampleSpacing = slabStep;
    slabSamples = samplesForThickness(slabThickness);
    if (slabSamples > 1) {
        slabStep = float(slabThickness / (slabSamples - 1.0));
    }
    dataModified = true;
    informationModified = true;
}

void isImageReslice2D::execute() {
    isImageData* out = beginRebuild();
    if (!out) {
        return;
    }
    if (!inputData->hasData || !inputData->regularVolume || inputData->slices.empty()) {
        return;
    }
    const isSliceInfo* first = inputData->slices.front();
    if (first->pixelType == PIXEL_RGB24 || inputData->pixelType == PIXEL_RGB24) {
        return;
    }
    isSliceInfo record;
    record.width = std::max(1, outputWidth);
    record.height = std::max(1, outputHeight);
    record.pixelSpacingX = outputSpacingX;
    record.pixelSpacingY = outputSpacingY;
    record.pixelType = first->pixelType;
    record.orientationCode = first->orientationCode;
    record.headFeetCode = first->headFeetCode;
    record.matrix = inputData->worldMatrix * resliceMatrix;
    record.modality = first->modality;
    record.rescaleIntercept = first->rescaleIntercept;
    record.rescaleSlope = first->rescaleSlope;
    record.windowWidth = first->windowWidth;
    record.windowCentre = first->windowCentre;
    record.signCode = first->signCode;
    record.extra = first->extra;
    out->addSliceCopy(&record);
}

void isImageReslice2D::updateOutput(isImageData* in, isImageData* out) {
    if (!out) {
        return;
    }
    out->execute();
    if (!out->hasData || out->slices.empty()) {
        return;
    }
    isSliceInfo* target = out->slices.front();
    ResliceRequest request;
    request.slice.width = outputWidth;
    request.slice.height = outputHeight;
    request.slice.pixelSpacingX = outputSpacingX;
    request.slice.pixelSpacingY = outputSpacingY;
    request.slice.pixelType = target->pixelType;
    request.slice.data = target->data;
    request.slice.matrix = resliceMatrix;
    request.slabMode = slabMode;
    request.slabSamples = slabSamples;
    request.slabStep = slabStep;
    request.interpolation = interpolation;
    request.background = background;
    if (!in) {
        return;
    }
    in->execute();
    // The kernel writes width x height samples; they must fit the slice made for them.
    if (outputWidth > target->width || outputHeight > target->height) {
        return;
    }
    if (threadCount > 1 && (!pool || pool->threadCount() != threadCount)) {
        pool.reset(new (std::nothrow) BandPool(threadCount));
    }
    BandPool* bands = threadCount > 1 ? pool.get() : nullptr;
    switch (in->pixelType) {
    case PIXEL_UINT8:
        resliceVolume<unsigned char>(in, &request, bands);
        break;
    case PIXEL_INT16:
        resliceVolume<short>(in, &request, bands);
        break;
    case PIXEL_FLOAT32:
        resliceVolume<float>(in, &request, bands);
        break;
    case PIXEL_UINT16:
        resliceVolume<unsigned short>(in, &request, bands);
        break;
    default:
        break;
    }
}

}  // namespace isImageSDK
