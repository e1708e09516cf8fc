#include "imagesdk/data/isSliceInfo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isGeometry.h"

namespace isImageSDK {

namespace {

// Columns c0..c1 and rows r0..r1 of a scan box that lie on the slice; empty when c1 < c0 or
// r1 < r0. Clipping first keeps a shape dragged far off the image from sizing the buffer.
struct ScanBox {
    int c0 = 0;
    int c1 = -1;
    int r0 = 0;
    int r1 = -1;

    bool empty() const { return c1 < c0 || r1 < r0; }
    std::size_t area() const { return std::size_t(c1 - c0 + 1) * std::size_t(r1 - r0 + 1); }
};

// The scan starts at int(low) and runs while the index is at most high.
ScanBox clippedBox(float xLow, float xHigh, float yLow, float yHigh, int w, int h) {
    const auto first = [](float low, int size) {
        if (!(low > 0.0f)) {
            return low == low ? 0 : size;
        }
        return low >= float(size) ? size : int(low);
    };
    const auto last = [](float high, int size) {
        if (!(high >= 0.0f)) {
            return -1;
        }
        return high >= float(size - 1) ? size - 1 : int(std::floor(high));
    };
    ScanBox box;
    box.c0 = first(xLow, w);
    box.c1 = last(xHigh, w);
    box.r0 = first(yLow, h);
    box.r1 = last(yHigh, h);
    return box;
}

// Running figures of the counted values, which are also kept for the deviation pass.
// Integer values are summed exactly in 64 bits, floats in double precision.
template <typename T> class RegionCollector {
public:
    explicit RegionCollector(std::size_t capacity) : values(new T[capacity]) {}

    // Counts the n values from p on.
    void addSpan(const T* p, std::size_t n) {
        std::memcpy(values.get() + count, p, n * sizeof(T));
        count += n;
        Sum partial = 0;
        T low = lowest;
        T high = highest;
        for (std::size_t i = 0; i < n; ++i) {
            const T v = p[i];
            partial += Sum(v);
            low = v < low ? v : low;
            high = v > high ? v : high;
        }
        sum += partial;
        lowest = low;
        highest = high;
    }

    void finish(RegionStatistics* out) const {
        *out = RegionStatistics();
        if (count == 0) {
            return;
        }
        const double total = double(sum);
        const double mean = total / double(count);
        // Four running sums of squares keep the additions from waiting on one another.
        double squares[4] = {0.0, 0.0, 0.0, 0.0};
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4) {
            for (std::size_t k = 0; k < 4; ++k) {
                const double d = double(values[i + k]) - mean;
                squares[k] += d * d;
            }
        }
        for (; i < count; ++i) {
            const double d = double(values[i]) - mean;
            squares[0] += d * d;
        }
        const double spread = (squares[0] + squares[1]) + (squares[2] + squares[3]);
        out->count = int(count);
        out->minimum = float(lowest);
        out->maximum = float(highest);
        out->sum = float(total);
        out->mean = float(mean);
        out->deviation = count > 1 ? float(std::sqrt(spread / double(count - 1))) : 0.0f;
    }

private:
    using Sum = std::conditional_t<std::is_floating_point_v<T>, double, std::int64_t>;

    std::unique_ptr<T[]> values;
    std::size_t count = 0;
    Sum sum = 0;
    // Strict comparisons from the ends of the type's range, so that a region whose values all
    // sit at one end (every 8-bit pixel 255, a PET uptake far above 100000) reports them.
    T lowest = std::numeric_limits<T>::max();
    T highest = std::numeric_limits<T>::lowest();
};

// Integer column bound clamped into lo .. hi; not-a-number gives fallback.
int clampedColumn(double value, int lo, int hi, int fallback) {
    if (!(value == value)) {
        return fallback;
    }
    return int(std::clamp(value, double(lo), double(hi)));
}

// The polygon's edges sorted by their lower y, with the rows they span: lower <= y < upper, as
// the crossing test takes them. Flat edges and edges with a coordinate that is not a number
// never span a row and are left out.
struct EdgeTable {
    struct Edge {
        float lower;
        float upper;
        std::uint32_t from;
        std::uint32_t to;
    };

    explicit EdgeTable(const std::vector<cocos2d::Vec2>& vertices) {
        const std::size_t n = vertices.size();
        for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
            const float a = vertices[i].y;
            const float b = vertices[j].y;
            if (a != b && a == a && b == b) {
                edges.push_back(
                    {std::min(a, b), std::max(a, b), std::uint32_t(i), std::uint32_t(j)});
            }
        }
        std::sort(edges.begin(), edges.end(),
                  [](const Edge& p, const Edge& q) { return p.lower < q.lower; });
    }

    std::vector<Edge> edges;
};

template <typename T>
void polygonScan(const T* pixels, int w, const ScanBox& box,
                 const std::vector<cocos2d::Vec2>& vertices, RegionStatistics* out) {
    RegionCollector<T> collector(box.area());
    const EdgeTable table(vertices);
    std::vector<const EdgeTable::Edge*> active;
    std::vector<float> crossings;
    std::size_t next = 0;
    for (int r = box.r0; r <= box.r1; ++r) {
        const float y = float(r);
        while (next < table.edges.size() && table.edges[next].lower <= y) {
            active.push_back(&table.edges[next++]);
        }
        crossings.clear();
        std::size_t kept = 0;
        for (const EdgeTable::Edge* edge : active) {
            if (edge->upper <= y) {
                continue;
            }
            active[kept++] = edge;
            // A crossing that is not a number has no pixel left of it, as in the test itself.
            const float x = edgeCrossingX(vertices[edge->from], vertices[edge->to], y);
            if (x == x) {
                crossings.push_back(x);
            }
        }
        active.resize(kept);
        if (crossings.empty()) {
            continue;
        }
        std::sort(crossings.begin(), crossings.end());
        // Column c counts when an odd number of crossings x lie right of it (c < x): between
        // crossing k-1 and crossing k, that is when the count minus k is odd.
        const std::size_t total = crossings.size();
        const T* row = pixels + std::size_t(r) * std::size_t(w);
        for (std::size_t k = (total & 1u) ? 0 : 1; k < total; k += 2) {
            const int first = k == 0 ? box.c0
                                     : clampedColumn(std::ceil(double(crossings[k - 1])), box.c0,
                                                     box.c1 + 1, box.c1 + 1);
            const int last = clampedColumn(std::ceil(double(crossings[k])) - 1.0, box.c0 - 1,
                                           box.c1, box.c0 - 1);
            if (first <= last) {
                collector.addSpan(row + first, std::size_t(last - first + 1));
            }
        }
    }
    collector.finish(out);
}

template <typename T>
void circleScan(const T* pixels, int w, const ScanBox& box, double cx, double cy, double sx,
                double sy, double radius, RegionStatistics* out) {
    RegionCollector<T> collector(box.area());
    const double limit = radius * radius;
    for (int r = box.r0; r <= box.r1; ++r) {
        const double dy = double(r) * sy - cy;
        const double dy2 = dy * dy;
        if (!(limit >= dy2)) {
            continue;
        }
        const auto inside = [&](int c) {
            const double dx = double(c) * sx - cx;
            return limit >= dx * dx + dy2;
        };
        // The chord from the square root, then its two ends settled by the test itself; the
        // columns that count form one run.
        const double half = std::sqrt(limit - dy2);
        int first = clampedColumn(std::ceil((cx - half) / sx) - 1.0, box.c0, box.c1, box.c1);
        int last = clampedColumn(std::floor((cx + half) / sx) + 1.0, box.c0, box.c1, box.c0);
        while (first <= last && !inside(first)) {
            ++first;
        }
        while (last >= first && !inside(last)) {
            --last;
        }
        if (first <= last) {
            const T* row = pixels + std::size_t(r) * std::size_t(w);
            collector.addSpan(row + first, std::size_t(last - first + 1));
        }
    }
    collector.finish(out);
}

}  // namespace

void isSliceInfo::copyTo(isSliceInfo* other) const {
    if (!other || other == this) {
        return;
    }
    void* keptData = other->data;
    *other = *this;
    other->data = keptData;
    other->loaded = true;
    other->loadFailed = false;
}

void isSliceInfo::copyHeaderTo(isSliceInfo* other) const {
    if (!other || other == this) {
        return;
    }
    other->orientationCode = orientationCode;
    other->headFeetCode = headFeetCode;
    other->instanceNumber = instanceNumber;
    other->path = path;
    other->modality = modality;
    other->windowWidth = windowWidth;
    other->windowCentre = windowCentre;
    other->rescaleIntercept = rescaleIntercept;
    other->rescaleSlope = rescaleSlope;
    other->signCode = signCode;
    other->extra = extra;
    other->acquired = acquired;
    other->injected = injected;
    other->decayValid = decayValid;
    other->halfLife = halfLife;
    other->decayCorrection = decayCorrection;
    other->decayFactor = decayFactor;
    other->sex = sex;
    other->units = units;
    other->totalDose = totalDose;
    other->patientWeight = patientWeight;
    other->patientSize = patientSize;
    other->suvFactor = suvFactor;
    other->scanOptions = scanOptions;
    other->triggerTime = triggerTime;
    other->rrIntervals = rrIntervals;
    other->timeSlots = timeSlots;
    other->slicesPerPhase = slicesPerPhase;
    other->timeSlices = timeSlices;
}

void isSliceInfo::toPatientAxes(float v[3]) const {
    const float x = v[0];
    const float y = v[1];
    const float z = v[2];
    const int orientation = (orientationCode >= 1 && orientationCode <= 3) ? orientationCode : 0;
    if (headFeetCode == 1) {
        switch (orientation) {
        case 1:
            v[0] = x, v[1] = z, v[2] = -y;
            break;
        case 2:
            v[0] = z, v[1] = -x, v[2] = -y;
            break;
        case 3:
            v[0] = -z, v[1] = x, v[2] = -y;
            break;
        default:
            v[0] = -x, v[1] = -z, v[2] = -y;
            break;
        }
        return;
    }
    switch (orientation) {
    case 1:
        v[0] = -x, v[1] = z, v[2] = y;
        break;
    case 2:
        v[0] = z, v[1] = x, v[2] = y;
        break;
    case 3:
        v[0] = -z, v[1] = -x, v[2] = y;
        break;
    default:
        v[0] = x, v[1] = -z, v[2] = y;
        break;
    }
}

namespace {

// The start of the frame's pixels, or null when the slice has none to scan.
const void* framePixels(const isSliceInfo& slice, int frame) {
    const bool grey = slice.pixelType == PIXEL_UINT8 || slice.pixelType == PIXEL_INT16 ||
                      slice.pixelType == PIXEL_FLOAT32 || slice.pixelType == PIXEL_UINT16;
    if (!grey || !slice.data || slice.width <= 0 || slice.height <= 0) {
        return nullptr;
    }
    const int frames = std::max<int>(slice.frames, 1);
    const std::size_t f = std::size_t(std::clamp(frame, 0, frames - 1));
    const std::size_t bytes = std::size_t(slice.width) * std::size_t(slice.height) *
                              std::size_t(bytesPerPixel(slice.pixelType));
    return static_cast<const unsigned char*>(slice.data) + f * bytes;
}

template <typename Scan> bool byPixelType(int pixelType, const void* pixels, Scan scan) {
    switch (pixelType) {
    case PIXEL_UINT8:
        scan(static_cast<const unsigned char*>(pixels));
        return true;
    case PIXEL_INT16:
        scan(static_cast<const short*>(pixels));
        return true;
    case PIXEL_FLOAT32:
        scan(static_cast<const float*>(pixels));
        return true;
    case PIXEL_UINT16:
        scan(static_cast<const unsigned short*>(pixels));
        return true;
    default:
        return false;
    }
}

}  // namespace

bool isSliceInfo::polygonStatistics(const std::vector<cocos2d::Vec2>& vertices, const float box[4],
                                    int frame, RegionStatistics* out) const {
    const void* pixels = framePixels(*this, frame);
    if (!pixels || !out) {
        return false;
    }
    const ScanBox scan = clippedBox(box[0], box[1], box[2], box[3], width, height);
    if (scan.empty() || vertices.empty()) {
        *out = RegionStatistics();
        return true;
    }
    return byPixelType(pixelType, pixels,
                       [&](const auto* typed) { polygonScan(typed, width, scan, vertices, out); });
}

bool isSliceInfo::circleStatistics(float cx, float cy, float radius, int frame,
                                   RegionStatistics* out) const {
    const void* pixels = framePixels(*this, frame);
    if (!pixels || !out) {
        return false;
    }
    const float sx = pixelSpacingX;
    const float sy = pixelSpacingY;
    const ScanBox scan =
        clippedBox((cx - radius) / sx + 0.5f, (cx + radius) / sx + 0.5f, (cy - radius) / sy + 0.5f,
                   (cy + radius) / sy + 0.5f, width, height);
    if (scan.empty()) {
        *out = RegionStatistics();
        return true;
    }
    return byPixelType(pixelType, pixels, [&](const auto* typed) {
        circleScan(typed, width, scan, cx, cy, sx, sy, radius, out);
    });
}

}  // namespace isImageSDK
