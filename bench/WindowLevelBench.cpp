// One window/level step on a 512 x 512 signed 16-bit slice in a real window (run it under a
// display, or headless through SDL's offscreen driver): the shader node changes uniforms only,
// the CPU image node rebuilds its texture; each step is a whole frame. The counter "uploads"
// is the number of texture uploads per step, read from the engine's texture layer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/2d/Camera.h"
#include "engine/2d/Scene.h"
#include "engine/backend/GLViewImpl.h"
#include "engine/base/Director.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/render/isNodeImage.h"
#include "imagesdk/render/isNodeImageByShader.h"

namespace {

constexpr int kSize = 512;

void windowLevelStep(benchmark::State& state, bool shader) {
    using namespace cocos2d;
    GLViewImpl* view = GLViewImpl::createWithRect("bench", Rect(0, 0, kSize, kSize));
    if (view == nullptr) {
        state.SkipWithError("no window");
        return;
    }
    view->retain();
    Director* director = Director::getInstance();
    director->setOpenGLView(view);
    {
        std::vector<std::int16_t> pixels(std::size_t(kSize) * kSize);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = std::int16_t(int((i * 2654435761u) >> 20) % 3000 - 1024);
        }
        isImageSDK::isSliceInfo record;
        record.data = pixels.data();
        record.width = kSize;
        record.height = kSize;
        record.pixelType = 1;
        Mat4::createTranslation(0.5f, 0.5f, 0.0f, &record.matrix);

        Scene* scene = Scene::create();
        Camera* camera = Camera::createOrthographic(kSize, kSize, -1000, 1000);
        camera->setCameraFlag(2);
        camera->setDepth(1);
        scene->addChild(camera);
        isImageSDK::isNodeImage* node =
            shader ? isImageSDK::isNodeImageByShader::create() : isImageSDK::isNodeImage::create();
        isImageSDK::isClut* clut = isImageSDK::isClut::create();
        node->setClut(clut);
        node->setSliceInfo(&record);
        node->setCameraMask(2, true);
        scene->addChild(node);
        director->runWithScene(scene);
        director->mainLoop(1.0f / 60.0f);

        const unsigned long long start = Texture2D::getUploadCount();
        int step = 0;
        for (auto _ : state) {
            ++step;
            clut->setWindowLevel(400.0f + float(step % 50), 40.0f + float(step % 30));
            node->onWindowLevelChanged();
            director->mainLoop(1.0f / 60.0f);
        }
        state.counters["uploads"] = double(Texture2D::getUploadCount() - start) /
                                    double(state.iterations() > 0 ? state.iterations() : 1);
    }
    view->end();
    director->setOpenGLView(nullptr);
    view->release();
    director->purgeDirector();
}

void shaderStep(benchmark::State& state) {
    windowLevelStep(state, true);
}

// Reference: the same step on the CPU path.
void cpuStep(benchmark::State& state) {
    windowLevelStep(state, false);
}

}  // namespace

BENCHMARK(shaderStep)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(cpuStep)->Unit(benchmark::kMillisecond)->MinTime(1.0);

BENCHMARK_MAIN();
