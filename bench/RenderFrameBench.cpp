// Frame cost of a full viewer screen: 27 render windows (three regions of 3 × 3 tiles), each
// with its two cameras, drawn headless through the recording renderer. Reference: the same
// number of plain nodes and sprites drawn by the screen's camera alone, in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/RendererBackend.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/render/isNodeSprite.h"
#include "imagesdk/render/isRenderWindow.h"
#include "tests/support/bench/MachineLoad.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace {

constexpr float kScreenWidth = 1920.0f;
constexpr float kScreenHeight = 1080.0f;
constexpr int kRegions = 3;
constexpr int kTilesPerSide = 3;
// Per window: the image and one more world node; four corner texts drawn by the overlay camera.
constexpr int kActorSprites = 2;
constexpr int kOverlaySprites = 4;

cocos2d::Texture2D* solidTexture() {
    static const std::uint8_t pixels[16] = {200, 200, 200, 255, 200, 200, 200, 255,
                                            200, 200, 200, 255, 200, 200, 200, 255};
    auto* texture = new cocos2d::Texture2D();
    texture->initWithData(pixels, sizeof(pixels), cocos2d::Texture2D::PixelFormat::RGBA8888, 2, 2,
                          cocos2d::Size(2, 2));
    texture->autorelease();
    return texture;
}

// Keeps the overlay sprites alive (a window's overlay list holds no reference).
std::vector<cocos2d::RefPtr<cocos2d::Sprite>> overlays;

cocos2d::Scene* viewerScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    cocos2d::Texture2D* texture = solidTexture();
    const float regionWidth = kScreenWidth / kRegions;
    const float tileWidth = regionWidth / kTilesPerSide;
    const float tileHeight = kScreenHeight / kTilesPerSide;
    for (int region = 0; region < kRegions; ++region) {
        cocos2d::Node* holder = cocos2d::Node::create();
        holder->setPosition(cocos2d::Vec2(region * regionWidth, 0.0f));
        scene->addChild(holder);
        for (int tile = 0; tile < kTilesPerSide * kTilesPerSide; ++tile) {
            isImageSDK::isRenderWindow* window = isImageSDK::isRenderWindow::create();
            window->setContentSize(cocos2d::Size(tileWidth, tileHeight));
            window->setPosition(cocos2d::Vec2(float(tile % kTilesPerSide) * tileWidth,
                                              float(tile / kTilesPerSide) * tileHeight));
            holder->addChild(window);
            window->setCameraEye(cocos2d::Vec3(0, 0, -1000));
            window->setCameraLookAt(cocos2d::Vec3(0, 0, 0), cocos2d::Vec3(0, -1, 0));
            for (int i = 0; i < kActorSprites; ++i) {
                isImageSDK::isNodeSprite* sprite = isImageSDK::isNodeSprite::create();
                sprite->setTexture(texture);
                sprite->setTextureRect(cocos2d::Rect(0, 0, 2, 2));
                sprite->setScale(50.0f);
                window->addActorNode(sprite);
            }
            for (int i = 0; i < kOverlaySprites; ++i) {
                auto sprite = cocos2d::RefPtr<cocos2d::Sprite>::retained(
                    cocos2d::Sprite::createWithTexture(texture));
                sprite->setPosition(cocos2d::Vec2(10.0f + 20.0f * i, 10.0f));
                window->addOverlayNode(sprite.get());
                overlays.push_back(sprite);
            }
        }
    }
    return scene;
}

// The same count of nodes and sprites as plain 2D nodes of the screen's camera.
cocos2d::Scene* plainScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    cocos2d::Texture2D* texture = solidTexture();
    for (int n = 0; n < kRegions * kTilesPerSide * kTilesPerSide; ++n) {
        cocos2d::Node* tile = cocos2d::Node::create();
        tile->setPosition(cocos2d::Vec2(float(n % 9) * 200.0f, float(n / 9) * 300.0f));
        scene->addChild(tile);
        // The background sprite of a window, then its actor and overlay sprites.
        for (int i = 0; i < 1 + kActorSprites + kOverlaySprites; ++i) {
            cocos2d::Sprite* sprite = cocos2d::Sprite::createWithTexture(texture);
            sprite->setPosition(cocos2d::Vec2(10.0f + 20.0f * i, 10.0f));
            tile->addChild(sprite);
        }
    }
    return scene;
}

void runFrames(benchmark::State& state, cocos2d::Scene* (*build)()) {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    director->setWinSize(cocos2d::Size(kScreenWidth, kScreenHeight));
    director->runWithScene(build());
    // Enter the scene and let the first frame's work settle.
    for (int i = 0; i < 3; ++i) {
        director->mainLoop(1.0f / 60.0f);
    }
    for (auto _ : state) {
        director->mainLoop(1.0f / 60.0f);
    }
    // What one frame drew, to show both sides do the same drawing work.
    auto* recorder =
        static_cast<cocos2d::RecordingRendererBackend*>(director->getRenderer()->getBackend());
    state.counters["drawn"] = double(recorder->getDrawnCommands().size());
    overlays.clear();
    NSUI::NSNotificationCenter::destroyInstance();
    director->purgeDirector();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

void ViewerScreen27Windows(benchmark::State& state) {
    runFrames(state, viewerScene);
}

void ReferencePlainNodes(benchmark::State& state) {
    runFrames(state, plainScene);
}

}  // namespace

BENCHMARK(ViewerScreen27Windows)->Unit(benchmark::kMillisecond);
BENCHMARK(ReferencePlainNodes)->Unit(benchmark::kMillisecond);

BV_BENCHMARK_MAIN()
