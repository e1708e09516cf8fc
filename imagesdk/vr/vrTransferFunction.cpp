#include "imagesdk/vr/vrTransferFunction.h"

#include <algorithm>
#include <cmath>

namespace isImageSDK {

namespace {

float clampChannel(double v) {
    return float(std::min(255.0, std::max(0.0, v)));
}

vrTableEntry normalised(const vrTableEntry& e) {
    return {e.opacity / 255.0f, e.r, e.g, e.b};
}

}  // namespace

vrTransferFunction::vrTransferFunction() : entries(256), preTable(65536, vrTableEntry{0, 0, 0, 0}) {
    for (int i = 0; i < 256; ++i) {
        float v = float(i);
        entries[std::size_t(i)] = {v, v, v, v};
    }
}

void vrTransferFunction::buildFromColorTable(const std::uint8_t colours[768]) {
    for (int i = 0; i < 256; ++i) {
        entries[std::size_t(i)] = {float(i), float(colours[3 * i]), float(colours[3 * i + 1]),
                                   float(colours[3 * i + 2])};
    }
    stale = true;
}

void vrTransferFunction::ensureTables() {
    if (!stale) {
        return;
    }
    stale = false;
    // Running trapezoid integrals per channel; an entry averages the function between its two
    // indices.
    std::vector<double> integral(256 * 4);
    for (int i = 0; i < 256; ++i) {
        const float* f = &entries[std::size_t(i)].opacity;
        const float* before = &entries[std::size_t(std::max(i - 1, 0))].opacity;
        for (int c = 0; c < 4; ++c) {
            double& sum = integral[std::size_t(i * 4 + c)];
            sum = i == 0 ? f[c] : integral[std::size_t(i * 4 - 4 + c)] + (f[c] + before[c]) / 2.0;
        }
    }
    for (int cur = 0; cur < 256; ++cur) {
        for (int prev = 0; prev < 256; ++prev) {
            vrTableEntry& out = preTable[std::size_t(cur * 256 + prev)];
            if (cur == prev) {
                out = entries[std::size_t(cur)];
                continue;
            }
            int hi = std::max(cur, prev);
            int lo = std::min(cur, prev);
            float* o = &out.opacity;
            for (int c = 0; c < 4; ++c) {
                o[c] = clampChannel(
                    (integral[std::size_t(hi * 4 + c)] - integral[std::size_t(lo * 4 + c)]) /
                    double(hi - lo));
            }
        }
    }
}

int vrTransferFunction::indexRounded(double v, float low, float scale) {
    double i = std::floor((v - double(low)) * double(scale) + 0.5);
    return int(std::min(255.0, std::max(0.0, i)));
}

int vrTransferFunction::indexTruncated(float v, float low, float scale) {
    float i = (v - low) * scale;
    if (!(i > 0.0f)) {
        return 0;
    }
    return i >= 255.0f ? 255 : int(i);
}

void vrTransferFunction::fillValueTable(vrTableEntry* out, int base, int count, float low,
                                        float scale) const {
    for (int j = 0; j < count; ++j) {
        out[j] = normalised(entries[std::size_t(indexRounded(double(base + j), low, scale))]);
    }
}

void vrTransferFunction::fillIndexTable(vrTableEntry* out) const {
    for (int i = 0; i < 256; ++i) {
        out[i] = normalised(entries[std::size_t(i)]);
    }
}

void vrTransferFunction::fillPreIntegratedTable(vrTableEntry* out) const {
    for (std::size_t i = 0; i < preTable.size(); ++i) {
        out[i] = normalised(preTable[i]);
    }
}

}  // namespace isImageSDK
