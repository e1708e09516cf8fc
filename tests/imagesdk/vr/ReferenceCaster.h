#pragma once

// A straightforward volume ray caster, written apart from the production one to check and time
// it against: every sample inside the volume is taken, none is skipped and no ray ends early.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/vr/cuLight.h"

namespace vrtest {

struct Vec {
    double x, y, z;
    Vec operator+(const Vec& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec operator-(const Vec& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec operator*(double s) const { return {x * s, y * s, z * s}; }
    double dot(const Vec& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec cross(const Vec& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    Vec unit() const {
        double l = std::sqrt(dot(*this));
        return l > 0 ? *this * (1.0 / l) : *this;
    }
};

struct ReferenceView {
    bool perspective = false;
    double fieldOfView = 60.0;
    int viewportWidth = 64;
    int viewportHeight = 64;
    double zoom = 1.0;
    double nearPlane = 1.0;
    Vec eye{0, 0, -1};
    Vec centre{0, 0, 0};
    Vec up{0, 1, 0};
};

struct ReferenceVolume {
    const void* voxels = nullptr;
    int pixelType = isImageSDK::PIXEL_INT16;
    int dims[3] = {0, 0, 0};
    double spacing[3] = {1, 1, 1};
};

struct ReferenceStyle {
    int mode = 0;
    bool trilinear = true;
    double windowWidth = 255;
    double windowCentre = 128;
    double stepLength = 1.0;
    std::uint8_t colours[768];
    ReferenceStyle() {
        for (int i = 0; i < 768; ++i) {
            colours[i] = std::uint8_t(i / 3);
        }
    }
};

class ReferenceCaster {
public:
    ReferenceCaster(const ReferenceVolume& volume, const ReferenceStyle& style)
        : vol(volume), style(style), pre(256 * 256 * 4) {
        low = style.windowCentre - std::max(1.0, style.windowWidth) / 2;
        scale = 255.0 / std::max(1.0, style.windowWidth);
        // Pre-integrated entries by summing the trapezoids between the two indices.
        for (int a = 0; a < 256; ++a) {
            for (int b = 0; b < 256; ++b) {
                double* e = &pre[std::size_t(a * 256 + b) * 4];
                int lo = std::min(a, b), hi = std::max(a, b);
                for (int c = 0; c < 4; ++c) {
                    if (lo == hi) {
                        e[c] = channel(lo, c);
                        continue;
                    }
                    double sum = 0;
                    for (int k = lo; k < hi; ++k) {
                        sum += (channel(k, c) + channel(k + 1, c)) / 2;
                    }
                    e[c] = sum / (hi - lo);
                }
            }
        }
    }

    // RGB, top row first, one pixel per viewport pixel of the view.
    std::vector<std::uint8_t> render(const ReferenceView& view, int threads = 1) const {
        const int w = view.viewportWidth, h = view.viewportHeight;
        std::vector<std::uint8_t> out(std::size_t(w) * h * 3);
        std::vector<std::thread> pool;
        for (int t = 0; t < threads; ++t) {
            pool.emplace_back([&, t] {
                for (int row = t; row < h; row += threads) {
                    for (int col = 0; col < w; ++col) {
                        castPixel(view, row, col, &out[(std::size_t(row) * w + col) * 3]);
                    }
                }
            });
        }
        for (auto& th : pool) {
            th.join();
        }
        return out;
    }

    // Samples the reference takes for the view.
    long long countSamples(const ReferenceView& view) const {
        long long n = 0;
        for (int row = 0; row < view.viewportHeight; ++row) {
            for (int col = 0; col < view.viewportWidth; ++col) {
                Vec start, step;
                rayOf(view, row, col, start, step);
                int first, last;
                if (clip(start, step, first, last)) {
                    n += last - first + 1;
                }
            }
        }
        return n;
    }

private:
    double channel(int i, int c) const { return c == 0 ? i : style.colours[3 * i + c - 1]; }

    void rayOf(const ReferenceView& v, int row, int col, Vec& start, Vec& step) const {
        const Vec back = (v.eye - v.centre).unit();
        const Vec right = v.up.cross(back).unit();
        const Vec upward = back.cross(right).unit();
        const double w = v.viewportWidth, h = v.viewportHeight;
        const double sx = col * w / (w - 1);
        const double sy = (h - 1 - row) * h / (h - 1);
        Vec origin, dir;
        if (!v.perspective) {
            origin = v.eye + right * ((sx - w / 2) * v.zoom) + upward * ((sy - h / 2) * v.zoom) -
                     back * v.nearPlane;
            dir = back * -1.0;
        } else {
            const double t = std::tan(v.fieldOfView / 2 * M_PI / 180.0);
            const double nx = 2 * sx / w - 1, ny = 2 * sy / h - 1;
            dir = (back * -1.0 + right * (nx * t * w / h) + upward * (ny * t)).unit();
            origin = v.eye + dir * (v.nearPlane / dir.dot(back * -1.0));
        }
        start = {origin.x / vol.spacing[0], origin.y / vol.spacing[1], origin.z / vol.spacing[2]};
        const Vec d = dir * style.stepLength;
        step = {d.x / vol.spacing[0], d.y / vol.spacing[1], d.z / vol.spacing[2]};
    }

    // Sample indices of the ray inside 0 .. dim - 2 on every axis.
    bool clip(const Vec& s, const Vec& d, int& first, int& last) const {
        double t0 = 0, t1 = 100000 - 1;
        const double so[3] = {s.x, s.y, s.z}, dd[3] = {d.x, d.y, d.z};
        for (int a = 0; a < 3; ++a) {
            const double hi = vol.dims[a] - 2;
            if (dd[a] == 0) {
                if (so[a] < 0 || so[a] > hi) {
                    return false;
                }
                continue;
            }
            double ta = (0 - so[a]) / dd[a], tb = (hi - so[a]) / dd[a];
            t0 = std::max(t0, std::min(ta, tb));
            t1 = std::min(t1, std::max(ta, tb));
        }
        first = int(std::ceil(t0));
        last = int(std::floor(t1));
        return first <= last;
    }

    double voxel(int x, int y, int z) const {
        const std::size_t i =
            std::size_t(x) + std::size_t(vol.dims[0]) * (y + std::size_t(vol.dims[1]) * z);
        switch (vol.pixelType) {
        case isImageSDK::PIXEL_UINT8:
            return static_cast<const std::uint8_t*>(vol.voxels)[i];
        case isImageSDK::PIXEL_UINT16:
            return static_cast<const std::uint16_t*>(vol.voxels)[i];
        case isImageSDK::PIXEL_FLOAT32:
            return static_cast<const float*>(vol.voxels)[i];
        default:
            return static_cast<const std::int16_t*>(vol.voxels)[i];
        }
    }

    // Interpolated value; integer volumes truncate it unless exact is asked for.
    double sample(double x, double y, double z, bool exact = false) const {
        const double p[3] = {x, y, z};
        int base[3];
        double f[3] = {0.0, 0.0, 0.0};
        for (int a = 0; a < 3; ++a) {
            double c = std::min(std::max(p[a], 0.0), double(vol.dims[a] - 1));
            if (!style.trilinear) {
                base[a] = std::min(int(c + 0.5), vol.dims[a] - 1);
                continue;
            }
            base[a] = std::min(int(c), vol.dims[a] - 2);
            f[a] = c - base[a];
        }
        if (!style.trilinear) {
            return voxel(base[0], base[1], base[2]);
        }
        double sum = 0;
        for (int k = 0; k < 8; ++k) {
            const int dx = k & 1, dy = (k >> 1) & 1, dz = (k >> 2) & 1;
            const double weight =
                (dx ? f[0] : 1 - f[0]) * (dy ? f[1] : 1 - f[1]) * (dz ? f[2] : 1 - f[2]);
            sum += weight * voxel(base[0] + dx, base[1] + dy, base[2] + dz);
        }
        return (exact || vol.pixelType == isImageSDK::PIXEL_FLOAT32) ? sum : double(long(sum));
    }

    int index(double v, double offset) const {
        double i = (v - low) * scale + offset;
        return i <= 0 ? 0 : (i >= 255 ? 255 : int(i));
    }

    void castPixel(const ReferenceView& view, int row, int col, std::uint8_t* out) const {
        Vec start, step;
        rayOf(view, row, col, start, step);
        const double bg[3] = {double(style.colours[0]), double(style.colours[1]),
                              double(style.colours[2])};
        double rgb[3] = {0, 0, 0}, alpha = 0;
        int first = 0, last = -1;
        bool hit = clip(start, step, first, last);
        auto at = [&](int i) { return start + step * double(i); };
        if (style.mode == 3) {
            double m = -1e300;
            for (int i = first; hit && i <= last; ++i) {
                Vec p = at(i);
                m = std::max(m, sample(p.x, p.y, p.z));
            }
            int k = hit ? index(m, 0.0) : -1;
            for (int c = 0; c < 3; ++c) {
                out[c] = k < 0 ? std::uint8_t(bg[c]) : style.colours[3 * k + c];
            }
            return;
        }
        if (style.mode == 0) {
            for (int i = first; hit && i <= last; ++i) {
                Vec p = at(i);
                int k = index(sample(p.x, p.y, p.z), 0.5);
                double a = (1 - alpha) * (k / 255.0);
                alpha += a;
                for (int c = 0; c < 3; ++c) {
                    rgb[c] += a * style.colours[3 * k + c];
                }
            }
        } else if (hit && last > first) {
            Vec p0 = at(first);
            int prev = index(sample(p0.x, p0.y, p0.z), 0.0);
            isImageSDK::cuLight light;
            light.viewerPosition = {float(view.eye.x / vol.spacing[0]),
                                    float(view.eye.y / vol.spacing[1]),
                                    float(view.eye.z / vol.spacing[2])};
            for (int i = first + 1; i <= last; ++i) {
                Vec p = at(i);
                int cur = index(sample(p.x, p.y, p.z), 0.0);
                const double* e = &pre[std::size_t(cur * 256 + prev) * 4];
                prev = cur;
                double colour[3] = {e[1], e[2], e[3]};
                if (style.mode == 2 && e[0] > 0) {
                    Vec g{sample(p.x - 1, p.y, p.z, true) - sample(p.x + 1, p.y, p.z, true),
                          sample(p.x, p.y - 1, p.z, true) - sample(p.x, p.y + 1, p.z, true),
                          sample(p.x, p.y, p.z - 1, true) - sample(p.x, p.y, p.z + 1, true)};
                    if (std::fabs(g.x) + std::fabs(g.y) + std::fabs(g.z) >= 0.0001) {
                        Vec n = g.unit();
                        light.setMaterialColor(float(e[1] / 255), float(e[2] / 255),
                                               float(e[3] / 255));
                        auto lit = light.shade({float(p.x), float(p.y), float(p.z)},
                                               {float(n.x), float(n.y), float(n.z)});
                        colour[0] = lit.r * 255.0;
                        colour[1] = lit.g * 255.0;
                        colour[2] = lit.b * 255.0;
                    }
                }
                double a = (1 - alpha) * (e[0] / 255.0);
                alpha += a;
                for (int c = 0; c < 3; ++c) {
                    rgb[c] += a * colour[c];
                }
            }
        }
        for (int c = 0; c < 3; ++c) {
            double v = rgb[c] + std::max(0.0, 1 - alpha) * bg[c];
            out[c] = std::uint8_t(std::min(255.0, std::max(0.0, v)));
        }
    }

    ReferenceVolume vol;
    ReferenceStyle style;
    std::vector<double> pre;
    double low, scale;
};

}  // namespace vrtest
