#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "ReferenceCaster.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/vr/vrRayCaster.h"

using isImageSDK::vrCamera;
using isImageSDK::vrRayCaster;
using isImageSDK::vrVolumeDesc;

namespace {

// Air with a soft-tissue body, a bone shell inside it and a dense core off centre.
struct Phantom {
    Phantom(int w, int h, int d, float sx, float sy, float sz)
        : voxels(std::size_t(w) * h * d, std::int16_t(-1000)) {
        desc.width = w;
        desc.height = h;
        desc.depth = d;
        desc.spacing[0] = sx;
        desc.spacing[1] = sy;
        desc.spacing[2] = sz;
        desc.pixelType = isImageSDK::PIXEL_INT16;
        desc.data = voxels.data();
        const double c[3] = {(w - 1) * sx / 2.0, (h - 1) * sy / 2.0, (d - 1) * sz / 2.0};
        auto inside = [&](double x, double y, double z, double ox, double oy, double oz, double rx,
                          double ry, double rz) {
            double a = (x - c[0] - ox) / rx, b = (y - c[1] - oy) / ry, e = (z - c[2] - oz) / rz;
            return a * a + b * b + e * e <= 1.0;
        };
        for (int z = 0; z < d; ++z) {
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    double px = x * sx, py = y * sy, pz = z * sz;
                    std::int16_t v = -1000;
                    if (inside(px, py, pz, 0, 0, 0, c[0] * 0.85, c[1] * 0.7, c[2] * 0.85)) {
                        v = 40;
                        if (inside(px, py, pz, 0, 0, 0, c[0] * 0.55, c[1] * 0.45, c[2] * 0.6) &&
                            !inside(px, py, pz, 0, 0, 0, c[0] * 0.45, c[1] * 0.35, c[2] * 0.5)) {
                            v = 700;
                        }
                        if (inside(px, py, pz, c[0] * 0.2, 0, c[2] * 0.1, c[0] * 0.15, c[1] * 0.15,
                                   c[2] * 0.15)) {
                            v = 1200;
                        }
                    }
                    voxels[std::size_t(x + w * (y + h * z))] = v;
                }
            }
        }
    }

    vrtest::ReferenceVolume reference() const {
        vrtest::ReferenceVolume r;
        r.voxels = voxels.data();
        r.pixelType = desc.pixelType;
        r.dims[0] = desc.width;
        r.dims[1] = desc.height;
        r.dims[2] = desc.depth;
        for (int a = 0; a < 3; ++a) {
            r.spacing[a] = desc.spacing[a];
        }
        return r;
    }

    std::vector<std::int16_t> voxels;
    vrVolumeDesc desc;
};

// Looking along +y at the centre of the volume, head up; rays do not run along voxel planes.
void frontalView(const vrVolumeDesc& desc, int size, bool perspective, vrCamera& camera,
                 vrtest::ReferenceView& view) {
    const float c[3] = {(desc.width - 1) * desc.spacing[0] / 2,
                        (desc.height - 1) * desc.spacing[1] / 2,
                        (desc.depth - 1) * desc.spacing[2] / 2};
    camera.perspective = perspective;
    camera.viewportWidth = camera.viewportHeight = float(size);
    camera.zoom = 2.0f * c[0] * 1.2f / float(size);
    camera.fieldOfView = 40.0f;
    camera.centre = {c[0] + 0.237f, c[1], c[2] + 0.411f};
    camera.eye = {c[0] + 0.237f, c[1] - (perspective ? 4.0f * c[1] : 300.37f), c[2] + 0.411f};
    camera.up = {0, 0, 1};
    view.perspective = perspective;
    view.fieldOfView = camera.fieldOfView;
    view.viewportWidth = view.viewportHeight = size;
    view.zoom = camera.zoom;
    view.centre = {camera.centre.x, camera.centre.y, camera.centre.z};
    view.eye = {camera.eye.x, camera.eye.y, camera.eye.z};
    view.up = {0, 0, 1};
}

std::vector<std::uint8_t> colourRamp() {
    std::vector<std::uint8_t> colours(768);
    for (int i = 0; i < 256; ++i) {
        colours[std::size_t(3 * i)] = std::uint8_t(i);
        colours[std::size_t(3 * i + 1)] = std::uint8_t(i / 2 + 20);
        colours[std::size_t(3 * i + 2)] = std::uint8_t(255 - i);
    }
    return colours;
}

// Share of pixels whose three channels all lie within 2 of the reference.
double agreement(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    std::size_t close = 0;
    for (std::size_t i = 0; i + 2 < a.size(); i += 3) {
        bool ok = true;
        for (int c = 0; c < 3; ++c) {
            ok = ok && std::abs(int(a[i + std::size_t(c)]) - int(b[i + std::size_t(c)])) <= 2;
        }
        close += ok ? 1 : 0;
    }
    return double(close) / double(a.size() / 3);
}

std::vector<std::uint8_t> frame(const vrRayCaster& caster) {
    const std::uint8_t* p = caster.getOutput();
    return {p, p + std::size_t(caster.getOutputWidth()) * caster.getOutputHeight() * 3};
}

struct Style {
    int mode;
    bool trilinear;
    float width, centre;
};

void configure(vrRayCaster& caster, const Style& style, const std::vector<std::uint8_t>& colours) {
    caster.setColorTable(colours.data());
    caster.setRenderMode(style.mode);
    caster.setInterpolation(style.trilinear ? 1 : 0);
    caster.setWindowLevel(style.width, style.centre);
    caster.setStepLength(1.0f);
    // Hold the full resolution.
    caster.setScaleFactor(1.0f);
    caster.setTargetTime(1e9f);
}

}  // namespace

TEST(vrRayCaster, EveryModeMatchesTheReferenceCaster) {
    Phantom phantom(64, 56, 48, 1.0f, 1.2f, 1.5f);
    const auto colours = colourRamp();
    const Style styles[] = {{0, true, 900, 440},  {0, false, 900, 440}, {1, true, 900, 440},
                            {2, true, 900, 440},  {3, true, 2500, 250}, {3, false, 2500, 250},
                            {0, true, 200, -100}, {2, false, 300, 600}};
    for (bool perspective : {false, true}) {
        for (const Style& style : styles) {
            vrRayCaster caster;
            caster.setVolume(&phantom.desc);
            configure(caster, style, colours);
            vrCamera camera;
            vrtest::ReferenceView view;
            frontalView(phantom.desc, 96, perspective, camera, view);
            caster.syncCamera(camera, true);
            ASSERT_TRUE(caster.render());
            ASSERT_EQ(caster.getOutputWidth(), 96);

            vrtest::ReferenceStyle refStyle;
            refStyle.mode = style.mode;
            refStyle.trilinear = style.trilinear;
            refStyle.windowWidth = style.width;
            refStyle.windowCentre = style.centre;
            std::copy(colours.begin(), colours.end(), refStyle.colours);
            vrtest::ReferenceCaster reference(phantom.reference(), refStyle);
            const auto expected = reference.render(view, 4);
            const auto got = frame(caster);
            EXPECT_GE(agreement(got, expected), 0.995)
                << "mode " << style.mode << " trilinear " << style.trilinear << " perspective "
                << perspective << " window " << style.width;
            // The phantom covers a good part of the picture.
            std::size_t lit = 0;
            for (std::size_t i = 0; i < got.size(); i += 3) {
                lit += (got[i] != colours[0] || got[i + 2] != colours[2]) ? 1 : 0;
            }
            EXPECT_GT(lit, got.size() / 3 / 10) << "mode " << style.mode;
        }
    }
}

TEST(vrRayCaster, OutputIsTheSameForAnyNumberOfWorkers) {
    Phantom phantom(64, 56, 48, 1.0f, 1.2f, 1.5f);
    const auto colours = colourRamp();
    for (const Style& style : {Style{0, true, 900, 440}, Style{2, true, 900, 440},
                               Style{3, true, 2500, 250}, Style{0, false, 900, 440}}) {
        std::vector<std::uint8_t> first;
        for (int workers : {1, 2, 4, 8}) {
            vrRayCaster caster;
            caster.setVolume(&phantom.desc);
            configure(caster, style, colours);
            caster.setScaleFactor(0.7f);
            caster.setWorkerCount(workers);
            vrCamera camera;
            vrtest::ReferenceView view;
            frontalView(phantom.desc, 200, true, camera, view);
            caster.syncCamera(camera, true);
            ASSERT_TRUE(caster.render());
            ASSERT_EQ(caster.getOutputWidth(), 140);
            if (first.empty()) {
                first = frame(caster);
            } else {
                EXPECT_TRUE(frame(caster) == first) << workers << " workers, mode " << style.mode;
            }
        }
    }
}

TEST(vrRayCaster, FactorSettlesOnTheTargetTime) {
    Phantom phantom(16, 16, 16, 1, 1, 1);
    struct Case {
        double msPerPixel;
        float expectedLow, expectedHigh;
    };
    // 512 x 512 pixels: 262 ms at full size settles near sqrt(30 / 262) = 0.34; a frame far too
    // slow stops at 0.05; frames under a millisecond count as one and grow to full size.
    const Case cases[] = {{0.001, 0.30f, 0.38f}, {1.0, 0.05f, 0.05f}, {0.0, 1.0f, 1.0f}};
    for (const Case& c : cases) {
        vrRayCaster caster;
        caster.setVolume(&phantom.desc);
        caster.setScaleFactor(0.1f);
        caster.setTargetTime(30.0f);
        vrCamera camera;
        vrtest::ReferenceView view;
        frontalView(phantom.desc, 512, false, camera, view);
        caster.syncCamera(camera, true);
        double now = 0;
        bool starting = true;
        caster.setClock([&] {
            if (!starting) {
                now += c.msPerPixel * caster.getOutputWidth() * caster.getOutputHeight();
            }
            starting = !starting;
            return now;
        });
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(caster.render());
            EXPECT_GE(caster.getScaleFactor(), 0.05f);
            EXPECT_LE(caster.getScaleFactor(), 1.0f);
        }
        EXPECT_GE(caster.getScaleFactor(), c.expectedLow) << c.msPerPixel;
        EXPECT_LE(caster.getScaleFactor(), c.expectedHigh) << c.msPerPixel;
    }
}

TEST(vrRayCaster, WindowSizeVolumeAndProjectionEdges) {
    Phantom phantom(16, 16, 16, 1, 1, 1);
    vrRayCaster caster;
    caster.setVolume(&phantom.desc);
    const auto* grid = caster.getGrid();
    caster.setVolume(&phantom.desc);
    EXPECT_EQ(caster.getGrid(), grid);
    caster.setTargetTime(1e9f);
    vrCamera camera;
    vrtest::ReferenceView view;
    frontalView(phantom.desc, 40, false, camera, view);
    caster.syncCamera(camera, true);
    ASSERT_TRUE(caster.render());
    // Default window 255/128.
    EXPECT_FLOAT_EQ(caster.getLowEdge(), 0.5f);
    EXPECT_FLOAT_EQ(caster.getOpacityScale(), 1.0f);
    const std::uint8_t* buffer = caster.getOutput();
    ASSERT_TRUE(caster.render());
    EXPECT_EQ(caster.getOutput(), buffer);
    camera.viewportWidth = 50;
    caster.syncCamera(camera, true);
    ASSERT_TRUE(caster.render());
    EXPECT_EQ(caster.getOutputWidth(), 50);
    EXPECT_EQ(caster.getOutputHeight(), 40);
    auto result = caster.makeFrameResult();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->pixels.size(), std::size_t(50 * 40 * 3));
    EXPECT_FLOAT_EQ(result->scaleX, 1.0f);

    // A zero window width is taken as 1.
    caster.setWindowLevel(0, 100);
    ASSERT_TRUE(caster.render());
    EXPECT_FLOAT_EQ(caster.getOpacityScale(), 255.0f);

    // Looking away from the volume: background only; a 1 x 1 viewport still renders 2 x 2.
    std::vector<std::uint8_t> colours(768, 0);
    colours[0] = 70;
    caster.setColorTable(colours.data());
    camera.eye = {-100, -100, -100};
    camera.centre = {-200, -200, -200};
    caster.syncCamera(camera, true);
    ASSERT_TRUE(caster.render());
    const auto pixels = frame(caster);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        ASSERT_EQ(pixels[i], 70);
    }
    camera.viewportWidth = camera.viewportHeight = 1;
    caster.syncCamera(camera, true);
    ASSERT_TRUE(caster.render());
    EXPECT_EQ(caster.getOutputWidth(), 2);

    // No viewport renders nothing; an eye on the centre gives no direction: background only.
    camera.viewportWidth = 0;
    caster.syncCamera(camera, true);
    EXPECT_FALSE(caster.render());
    camera.viewportWidth = camera.viewportHeight = 20;
    camera.eye = camera.centre = {8, 8, 8};
    caster.syncCamera(camera, true);
    ASSERT_TRUE(caster.render());
    for (std::uint8_t v : frame(caster)) {
        ASSERT_TRUE(v == 70 || v == 0);
    }
}

TEST(vrRayCaster, AbortFromAnotherThreadStopsTheFrame) {
    Phantom phantom(96, 96, 96, 1, 1, 1);
    vrRayCaster caster;
    caster.setVolume(&phantom.desc);
    caster.setWindowLevel(900, 440);
    caster.setRenderMode(2);
    caster.setScaleFactor(1.0f);
    caster.setTargetTime(1e9f);
    caster.setWorkerCount(4);
    vrCamera camera;
    vrtest::ReferenceView view;
    frontalView(phantom.desc, 256, false, camera, view);
    caster.syncCamera(camera, true);

    // An abort while the frame is set up ends it without touching the factor.
    caster.setScaleFactor(0.5f);
    caster.setClock([&] {
        caster.abort();
        return 0.0;
    });
    EXPECT_FALSE(caster.render());
    EXPECT_FLOAT_EQ(caster.getScaleFactor(), 0.5f);
    caster.setClock(nullptr);

    // A frame that completes (this thread may sleep through a whole frame on a busy machine)
    // adapts the factor; an aborted one must leave it alone.
    std::atomic<bool> done{false};
    std::atomic<int> aborted{0};
    std::atomic<int> factorChangedByAbort{0};
    std::thread renderer([&] {
        for (int i = 0; i < 200 && (i < 6 || aborted.load() == 0); ++i) {
            const float before = caster.getScaleFactor();
            if (!caster.render()) {
                aborted.fetch_add(1);
                if (caster.getScaleFactor() != before) {
                    factorChangedByAbort.fetch_add(1);
                }
            }
        }
        done.store(true);
    });
    while (!done.load()) {
        caster.abort();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    renderer.join();
    EXPECT_GT(aborted.load(), 0);
    EXPECT_EQ(factorChangedByAbort.load(), 0);
}
