#include "imagesdk/data/isImagePlane.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <type_traits>
#include <vector>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/SaturatingCast.h"

namespace isImageSDK {

namespace {

// Elements summed per pass of the whole-slice slab, so that the running sums stay in cache.
constexpr std::size_t kSumChunk = 4096;

template <typename T> constexpr double typeHighest() {
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
template <typename T> constexpr double typeLowest() {
    if constexpr (std::is_same_v<T, short>) {
        return -32768.0;
    } else if constexpr (std::is_floating_point_v<T>) {
        return -3.35e38;
    } else {
        return 0.0;
    }
}

// A summed slab saturates at both ends of the type instead of wrapping.
template <typename T> T limitedSum(double sum) {
    if (sum > typeHighest<T>()) {
        sum = typeHighest<T>();
    } else if (sum < typeLowest<T>()) {
        sum = typeLowest<T>();
    }
    return T(sum);
}

template <typename T> T meanOf(double sum, double scale) {
    return T(sum * scale);
}

// Folds count values p[0], p[stride], ... by the slab mode.
template <typename T>
T foldRun(const T* p, std::ptrdiff_t stride, int count, int mode, double scale) {
    T value = p[0];
    switch (mode) {
    case SLAB_MINIMUM:
        for (int k = 1; k < count; ++k) {
            const T next = p[k * stride];
            if (next < value) {
                value = next;
            }
        }
        return value;
    case SLAB_MAXIMUM:
        for (int k = 1; k < count; ++k) {
            const T next = p[k * stride];
            if (next > value) {
                value = next;
            }
        }
        return value;
    case SLAB_MEAN:
    case SLAB_SUM: {
        double sum = double(value);
        for (int k = 1; k < count; ++k) {
            sum += double(p[k * stride]);
        }
        return mode == SLAB_SUM ? limitedSum<T>(sum) : meanOf<T>(sum, scale);
    }
    default:
        return value;
    }
}

// Whole slices start .. end folded element by element into out.
template <typename T>
void foldSlices(const std::vector<const T*>& slices, int start, int end, int mode, T* out,
                std::size_t count) {
    std::memcpy(out, slices[start], count * sizeof(T));
    if (mode == SLAB_MINIMUM) {
        for (int s = start + 1; s <= end; ++s) {
            const T* in = slices[s];
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = in[i] < out[i] ? in[i] : out[i];
            }
        }
        return;
    }
    if (mode == SLAB_MAXIMUM) {
        for (int s = start + 1; s <= end; ++s) {
            const T* in = slices[s];
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = in[i] > out[i] ? in[i] : out[i];
            }
        }
        return;
    }
    // One plane is its own mean, and its own sum within the range of an integer type.
    const bool single = start == end;
    if ((mode != SLAB_MEAN && mode != SLAB_SUM) ||
        (single && (mode == SLAB_MEAN || !std::is_floating_point_v<T>))) {
        return;
    }
    const double scale = 1.0 / double(end - start + 1);
    double sums[kSumChunk];
    for (std::size_t base = 0; base < count; base += kSumChunk) {
        const std::size_t length = std::min(kSumChunk, count - base);
        T* o = out + base;
        for (std::size_t i = 0; i < length; ++i) {
            sums[i] = double(o[i]);
        }
        for (int s = start + 1; s <= end; ++s) {
            const T* in = slices[s] + base;
            for (std::size_t i = 0; i < length; ++i) {
                sums[i] += double(in[i]);
            }
        }
        if (mode == SLAB_SUM) {
            for (std::size_t i = 0; i < length; ++i) {
                o[i] = limitedSum<T>(sums[i]);
            }
        } else {
            for (std::size_t i = 0; i < length; ++i) {
                o[i] = meanOf<T>(sums[i], scale);
            }
        }
    }
}

}  // namespace

isImagePlane* isImagePlane::create() {
    auto* filter = new (std::nothrow) isImagePlane();
    if (filter && !filter->init()) {
        delete filter;
        return nullptr;
    }
    return filter;
}

isImagePlane::~isImagePlane() = default;

bool isImagePlane::init() {
    isImageFilter::init();
    slabSamples = 1;
    slabMode = SLAB_MEAN;
    axis = 0;
    index = -1;
    return true;
}

void isImagePlane::setInputData(isImageData* data) {
    isImageFilter::setInputData(data);
    index = 0;
}

void isImagePlane::setAxis(int value) {
    if (value != axis) {
        axis = value;
        dataModified = true;
        informationModified = true;
    }
}

void isImagePlane::setIndex(int value) {
    if (value != index) {
        index = value;
        dataModified = true;
        informationModified = true;
    }
}

void isImagePlane::setSlabMode(int mode) {
    if (mode != slabMode) {
        slabMode = mode;
        informationModified = true;
    }
}

float isImagePlane::axisSpacing() const {
    switch (axis) {
    case 0:
        return inputData->spacing[2];
    case 1:
        return inputData->spacing[0];
    case 2:
        return inputData->spacing[1];
    default:
        return 0.0f;
    }
}

void isImagePlane::setSlabThickness(float thickness) {
    if (!inputData) {
        return;
    }
    inputData->execute();
    // A bound far beyond any real volume keeps 2k + 1 inside the int range.
    constexpr int kLimit = 1 << 28;
    const int k = std::clamp(truncateToInt(thickness / (axisSpacing() * 2.0)), -kLimit, kLimit);
    const int samples = 2 * k + 1;
    if (samples != slabSamples) {
        informationModified = true;
        slabSamples = samples < 0 ? 1 : samples;
    }
}

int isImagePlane::getNumberOfPositions() {
    if (!inputData) {
        return -1;
    }
    inputData->execute();
    switch (axis) {
    case 0:
        return inputData->sliceCount;
    case 1:
        return inputData->width;
    case 2:
        return inputData->height;
    default:
        return 0;
    }
}

int isImagePlane::pointToIndex(float x, float y, float z) {
    if (!inputData) {
        return -1;
    }
    inputData->execute();
    cocos2d::Mat4 toVolume = inputData->worldMatrix;
    const float spacing = axisSpacing();
    if (!toVolume.inverse() || spacing == 0.0f) {
        return -1;
    }
    cocos2d::Vec3 p;
    toVolume.transformPoint(cocos2d::Vec3(x, y, z), &p);
    float along = 0.0f;
    switch (axis) {
    case 0:
        along = p.z;
        break;
    case 1:
        along = float(inputData->width - 1) * inputData->spacing[0] - p.x;
        break;
    default:
        along = p.y;
        break;
    }
    return truncateToInt(along / spacing + 0.5f, -1);
}

void isImagePlane::execute() {
    isImageData* out = beginRebuild();
    if (!out) {
        return;
    }
    const int n = inputData->sliceCount;
    const bool indexInList = index >= 0 && index < n && index < int(inputData->slices.size());

    if (!inputData->regularVolume) {
        if (axis != 0) {
            return;
        }
        slabSamples = 1;
        slabMode = SLAB_MAXIMUM;
        if (indexInList) {
            out->addSliceCopy(*std::next(inputData->slices.begin(), index));
        }
        return;
    }

    const int w = inputData->width;
    const int h = inputData->height;
    const float sx = inputData->spacing[0];
    const float sy = inputData->spacing[1];
    const float sz = inputData->spacing[2];
    const cocos2d::Mat4& world = inputData->worldMatrix;
    if (inputData->pixelType == PIXEL_RGB24) {
        slabSamples = 1;
    }
    if (inputData->slices.empty()) {
        return;
    }
    const isSliceInfo* first = inputData->slices.front();

    if (axis == 0) {
        if (!indexInList) {
            return;
        }
        const isSliceInfo* record = *std::next(inputData->slices.begin(), index);
        int dims[3] = {record->width, record->height, 1};
        float spacing[3] = {record->pixelSpacingX, record->pixelSpacingY, 1.0f};
        bool outOfMemory = false;
        if (out->build(dims, spacing, record->pixelType, record->orientationCode,
                       record->headFeetCode, record->matrix, &outOfMemory) &&
            !outOfMemory) {
            record->copyHeaderTo(out->slices.front());
            out->slices.front()->loaded = record->loaded;
        }
        return;
    }

    cocos2d::Mat4 frame;
    int dims[3] = {n, 0, 1};
    float spacing[3] = {sz, 0.0f, 0.0f};
    if (axis == 1 && index >= 0 && index < w) {
        cocos2d::Mat4 shift;
        cocos2d::Mat4::createTranslation(float(w - index - 1) * sx, 0.0f, 0.0f, &shift);
        const cocos2d::Mat4 m = world * shift;
        for (int r = 0; r < 3; ++r) {
            frame.m[0 + r] = m.m[8 + r];
            frame.m[4 + r] = m.m[4 + r];
            frame.m[8 + r] = -m.m[0 + r];
            frame.m[12 + r] = m.m[12 + r];
        }
        dims[1] = h;
        spacing[1] = sy;
        spacing[2] = sx;
    } else if (axis == 2 && index >= 0 && index < h) {
        cocos2d::Mat4 shift;
        cocos2d::Mat4::createTranslation(0.0f, float(index) * sy, 0.0f, &shift);
        const cocos2d::Mat4 m = world * shift;
        for (int r = 0; r < 3; ++r) {
            frame.m[0 + r] = m.m[8 + r];
            frame.m[4 + r] = m.m[0 + r];
            frame.m[8 + r] = m.m[4 + r];
            frame.m[12 + r] = m.m[12 + r];
        }
        dims[1] = w;
        spacing[1] = sx;
        spacing[2] = sy;
    } else {
        return;
    }
    bool outOfMemory = false;
    if (out->build(dims, spacing, inputData->pixelType, inputData->orientationCode,
                   inputData->headFeetCode, frame, &outOfMemory) &&
        !outOfMemory) {
        first->copyHeaderTo(out->slices.front());
    }
}

void isImagePlane::updateOutput(isImageData* in, isImageData* out) {
    if (!out) {
        return;
    }
    out->execute();
    if (!out->hasData || out->slices.empty() || !in) {
        return;
    }
    in->execute();
    if (!in->regularVolume) {
        if (index < 0 || index >= in->sliceCount || index >= int(in->slices.size())) {
            return;
        }
        const isSliceInfo* source = *std::next(in->slices.begin(), index);
        isSliceInfo* target = out->slices.front();
        if (source->data && target->data && source->width == target->width &&
            source->height == target->height && source->pixelType == target->pixelType) {
            std::memcpy(target->data, source->data,
                        std::size_t(source->width) * std::size_t(source->height) *
                            std::size_t(bytesPerPixel(source->pixelType)));
        }
        return;
    }
    switch (in->pixelType) {
    case PIXEL_UINT8:
        fillPlane<unsigned char>(in, out);
        break;
    case PIXEL_UINT16:
        fillPlane<unsigned short>(in, out);
        break;
    case PIXEL_INT16:
        fillPlane<short>(in, out);
        break;
    case PIXEL_FLOAT32:
        fillPlane<float>(in, out);
        break;
    case PIXEL_RGB24:
        copyRgbPlane(in, out);
        break;
    default:
        break;
    }
}

namespace {

// The input's slice buffers in order, or empty when the records do not form the volume the
// fields describe.
// A slice still waiting for its pixels may be written by a loader thread at this moment, so it
// is read as zeros (what it holds until loaded) from the caller's buffer, never from its own.
std::vector<const unsigned char*> sliceBuffers(const isImageData* in,
                                               std::vector<unsigned char>& zeros) {
    std::vector<const unsigned char*> buffers;
    if (in->sliceCount < 1 || std::size_t(in->sliceCount) != in->slices.size()) {
        return buffers;
    }
    buffers.reserve(in->slices.size());
    for (const isSliceInfo* slice : in->slices) {
        if (!slice->data || slice->width != in->width || slice->height != in->height ||
            slice->pixelType != in->pixelType) {
            return {};
        }
        if (!slice->loaded) {
            zeros.resize(std::size_t(in->width) * std::size_t(in->height) *
                         std::size_t(bytesPerPixel(in->pixelType)));
            buffers.push_back(zeros.data());
            continue;
        }
        buffers.push_back(static_cast<const unsigned char*>(slice->data));
    }
    return buffers;
}

// Whether the output slice has the shape the current axis produces from the input.
bool outputFits(const isImageData* in, const isSliceInfo* target, int axis) {
    if (!target->data || target->pixelType != in->pixelType) {
        return false;
    }
    switch (axis) {
    case 0:
        return target->width == in->width && target->height == in->height;
    case 1:
        return target->width == in->sliceCount && target->height == in->height;
    case 2:
        return target->width == in->sliceCount && target->height == in->width;
    default:
        return false;
    }
}

}  // namespace

template <typename T> void isImagePlane::fillPlane(isImageData* in, isImageData* out) {
    isSliceInfo* target = out->slices.front();
    if (!outputFits(in, target, axis)) {
        return;
    }
    std::vector<unsigned char> zeros;
    const std::vector<const unsigned char*> raw = sliceBuffers(in, zeros);
    if (raw.empty()) {
        return;
    }
    std::vector<const T*> slices(raw.size());
    for (std::size_t z = 0; z < raw.size(); ++z) {
        slices[z] = reinterpret_cast<const T*>(raw[z]);
    }
    const int w = in->width;
    const int h = in->height;
    const int n = in->sliceCount;
    const int positions = axis == 0 ? n : (axis == 1 ? w : h);

    const long long samples = slabSamples;
    long long start = (long long)index - (samples > 1 ? samples / 2 : 0);
    long long end = start + samples - 1;
    start = std::max(start, 0LL);
    start = std::min(start, (long long)positions - 1);
    end = std::min(end, (long long)positions - 1);
    end = std::max(end, start);
    const int first = int(start);
    const int last = int(end);
    const int count = last - first + 1;
    const double scale = 1.0 / double(count);
    T* o = static_cast<T*>(target->data);

    if (axis == 0) {
        foldSlices(slices, first, last, slabMode, o, std::size_t(w) * std::size_t(h));
        return;
    }
    const std::ptrdiff_t outStride = n;
    if (axis == 1) {
        // Columns run from the last towards the first: position c is column w - 1 - c.
        for (int z = 0; z < n; ++z) {
            const T* column = slices[z] + (w - 1 - first);
            for (int y = 0; y < h; ++y) {
                o[y * outStride + z] =
                    foldRun(column + std::ptrdiff_t(y) * w, -1, count, slabMode, scale);
            }
        }
        return;
    }
    for (int z = 0; z < n; ++z) {
        const T* row = slices[z] + std::ptrdiff_t(first) * w;
        for (int x = 0; x < w; ++x) {
            o[x * outStride + z] = foldRun(row + x, w, count, slabMode, scale);
        }
    }
}

void isImagePlane::copyRgbPlane(isImageData* in, isImageData* out) {
    isSliceInfo* target = out->slices.front();
    const int positions = axis == 0 ? in->sliceCount : (axis == 1 ? in->width : in->height);
    if (!outputFits(in, target, axis) || index < 0 || index >= positions) {
        return;
    }
    std::vector<unsigned char> zeros;
    const std::vector<const unsigned char*> slices = sliceBuffers(in, zeros);
    if (slices.empty()) {
        return;
    }
    const std::ptrdiff_t w = in->width;
    const std::ptrdiff_t h = in->height;
    const std::ptrdiff_t n = in->sliceCount;
    auto* o = static_cast<unsigned char*>(target->data);
    if (axis == 0) {
        std::memcpy(o, slices[index], std::size_t(w * h * 3));
        return;
    }
    for (std::ptrdiff_t z = 0; z < n; ++z) {
        if (axis == 1) {
            for (std::ptrdiff_t y = 0; y < h; ++y) {
                std::memcpy(o + (y * n + z) * 3, slices[z] + (y * w + (w - 1 - index)) * 3, 3);
            }
        } else {
            for (std::ptrdiff_t x = 0; x < w; ++x) {
                std::memcpy(o + (x * n + z) * 3, slices[z] + (index * w + x) * 3, 3);
            }
        }
    }
}

}  // namespace isImageSDK
