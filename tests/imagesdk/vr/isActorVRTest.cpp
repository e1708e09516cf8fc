#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "imagesdk/vr/isActorVR.h"
#include "tests/imagesdk/render/WindowFixture.h"

using cocos2d::RefPtr;
using namespace isImageSDK;

namespace {

// A cube of soft tissue with a bright core, in a buffer the test owns and frees.
struct Volume {
    explicit Volume(int size, std::int16_t core = 900) : voxels(size * size * size, 40) {
        for (int z = size / 4; z < 3 * size / 4; ++z) {
            for (int y = size / 4; y < 3 * size / 4; ++y) {
                for (int x = size / 4; x < 3 * size / 4; ++x) {
                    voxels[(z * size + y) * size + x] = core;
                }
            }
        }
        desc.width = desc.height = desc.depth = size;
        desc.pixelType = PIXEL_INT16;
        desc.data = voxels.data();
    }
    std::vector<std::int16_t> voxels;
    vrVolumeDesc desc;
};

// A 400 × 300 render window in the running scene with its volume actor.
class ActorVRTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = isRenderWindowBase::create();
        window->setContentSize(cocos2d::Size(400, 300));
        scene->addChild(window);
        manager = RefPtr<isActorManager>::retained(isActorManager::create());
        manager->setWindow(window);
        actor = manager->getVRActor();
        ASSERT_NE(actor, nullptr);
        actor->setActive(true);
        std::vector<std::uint8_t> table(768);
        for (int i = 0; i < 256; ++i) {
            table[3 * i] = table[3 * i + 1] = table[3 * i + 2] = std::uint8_t(i);
        }
        actor->setColorTable(table.data());
        actor->setWindowLevel(1000.0f, 500.0f);
    }
    void TearDown() override {
        manager->cleanup();
        manager = nullptr;
        WindowTest::TearDown();
    }

    static void pumpUntil(const std::function<bool()>& condition) {
        for (int i = 0; i < 20000 && !condition(); ++i) {
            cocos2d::Director::getInstance()->mainLoop(1.0f / 60.0f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // Looks at the volume's centre from the front, as the viewer does.
    void aim(int size) {
        isCamera* camera = window->getMainCamera();
        const float half = float(size) / 2.0f;
        camera->setPosition3D(cocos2d::Vec3(half, half, half - 4.0f * size));
        camera->lookAt(cocos2d::Vec3(half, half, half), cocos2d::Vec3(0.0f, -1.0f, 0.0f));
    }

    isRenderWindowBase* window = nullptr;
    RefPtr<isActorManager> manager;
    isActorVR* actor = nullptr;
};

TEST_F(ActorVRTest, TheManagerMakesOneVolumeActorPerWindow) {
    RefPtr<isActorManager> bare = RefPtr<isActorManager>::retained(isActorManager::create());
    EXPECT_EQ(bare->getVRActor(), nullptr);
    EXPECT_EQ(manager->getVRActor(), actor);
    EXPECT_EQ(actor->getWindow(), window);
    bare->cleanup();
}

// A changed camera shows the fast frame, then the full-quality one follows on its own; the
// picture is drawn in the window's plane and fills it.
TEST_F(ActorVRTest, CameraChangeRendersFastThenBest) {
    Volume volume(32);
    actor->setVolume(&volume.desc);
    aim(32);
    pumpUntil([&] { return actor->getBestFrames() > 0; });
    ASSERT_GT(actor->getFastFrames(), 0);
    ASSERT_GT(actor->getBestFrames(), 0);
    cocos2d::Sprite* sprite = actor->getSprite();
    EXPECT_TRUE(sprite->isVisible());
    EXPECT_EQ(sprite->getParent(), window);
    const cocos2d::Size size = sprite->getContentSize();
    EXPECT_NEAR(size.width * sprite->getScaleX(), 400.0f, 1.0f);
    EXPECT_NEAR(size.height * sprite->getScaleY(), 300.0f, 1.0f);
    EXPECT_EQ(actor->getBestCaster().getOutputWidth(), int(size.width));
}

// Volumes and voxel buffers are swapped and the old ones freed at once while frames are cast;
// the sanitizer builds catch a caster still reading a freed buffer or grid.
TEST_F(ActorVRTest, SwappingDataWhileCastingNeverReadsFreedVoxels) {
    std::atomic<int> casting{0};
    const auto clock = [&casting] {
        casting.fetch_add(1);
        return 0.0;
    };
    actor->getFastCaster().setClock(clock);
    actor->getBestCaster().setClock(clock);
    aim(48);
    auto current = std::make_unique<Volume>(48);
    actor->setVolume(&current->desc);
    for (int round = 0; round < 12; ++round) {
        const int seen = casting.load();
        window->getMainCamera()->lookAt(cocos2d::Vec3(24.0f + round, 24.0f, 24.0f),
                                        cocos2d::Vec3(0.0f, -1.0f, 0.0f));
        pumpUntil([&] { return casting.load() > seen; });
        auto next = std::make_unique<Volume>(round % 2 ? 48 : 40, std::int16_t(300 + round));
        if (round % 3 == 2) {
            // Another phase: same geometry, new voxels.
            next = std::make_unique<Volume>(current->desc.width, std::int16_t(700));
            actor->setVoxelData(next->voxels.data());
            std::swap(current->voxels, next->voxels);
            next.reset();
            continue;
        }
        actor->setVolume(&next->desc);
        current = std::move(next);
    }
    actor->waitUntilIdle();
    actor->setVolume(nullptr);
    current.reset();
    drain();
}

TEST_F(ActorVRTest, WindowLevelAndModes) {
    actor->setWindowLevel(400.0f, 40.0f);
    actor->adjustWindowLevel(-1000.0f, 10.0f);
    float width = 0.0f;
    float centre = 0.0f;
    actor->getWindowLevel(&width, &centre);
    EXPECT_EQ(width, 2.0f);
    EXPECT_EQ(centre, 50.0f);
    actor->getBestCaster().getPendingWindowLevel(&width, &centre);
    EXPECT_EQ(width, 2.0f);

    std::vector<float> floats(16 * 16 * 16, 1.0f);
    vrVolumeDesc pet;
    pet.width = pet.height = pet.depth = 16;
    pet.pixelType = PIXEL_FLOAT32;
    pet.data = floats.data();
    actor->setVolume(&pet, true);
    EXPECT_EQ(actor->getFastCaster().getRenderMode(), VR_MODE_MAX_INTENSITY);
    EXPECT_EQ(actor->getBestCaster().getRenderMode(), VR_MODE_MAX_INTENSITY);
    Volume ct(16);
    actor->setVolume(&ct.desc, true);
    EXPECT_EQ(actor->getFastCaster().getRenderMode(), VR_MODE_COMPOSITE);
    EXPECT_EQ(actor->getBestCaster().getRenderMode(), VR_MODE_COMPOSITE);
    actor->setVolume(nullptr);
}

}  // namespace
