#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "engine/base/Director.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/vr/isVRThread.h"
#include "tests/support/lib/Latch.h"
#include "toolkit/core/NSThreadSafeDestroy.h"

using isImageSDK::isVRRenderRequest;

namespace {

// A small volume and a caster whose first frame waits at its start until released.
class HeldCaster {
public:
    HeldCaster() : voxels(24 * 24 * 24, std::int16_t(300)) {
        desc.width = desc.height = desc.depth = 24;
        desc.pixelType = isImageSDK::PIXEL_INT16;
        desc.data = voxels.data();
        caster.setVolume(&desc);
        caster.setTargetTime(1e9f);
        isImageSDK::vrCamera camera;
        camera.viewportWidth = camera.viewportHeight = 32;
        camera.centre = {12, 12, 12};
        camera.eye = {12, -100, 12};
        camera.up = {0, 0, 1};
        caster.syncCamera(camera, true);
        caster.setClock([this] {
            if (!heldOnce) {
                heldOnce = true;
                started.open();
                release.wait();
            }
            return 0.0;
        });
    }

    std::vector<std::int16_t> voxels;
    isImageSDK::vrVolumeDesc desc;
    isImageSDK::vrRayCaster caster;
    bvtest::Latch started;
    bvtest::Latch release;
    // Read and written on the render thread only.
    bool heldOnce = false;
};

struct Delivered {
    isVRRenderRequest* request;
    bool hasFrame;
    bool cancelled;
};

void pumpUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 20000 && !condition(); ++i) {
        cocos2d::Director::getInstance()->mainLoop(1.0f / 60.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

template <typename Thread> Thread* startThread(std::vector<Delivered>& delivered) {
    auto* thread = new Thread();
    thread->resultCallback = [&delivered](NSUI::NSThreadRequest* base) {
        auto* request = static_cast<isVRRenderRequest*>(base);
        delivered.push_back({request, request->frame != nullptr, request->cancelled.load()});
    };
    return thread;
}

std::vector<isVRRenderRequest*> makeRequests(isImageSDK::vrRayCaster* caster, int count) {
    std::vector<isVRRenderRequest*> made;
    for (int i = 0; i < count; ++i) {
        made.push_back(new isVRRenderRequest(caster));
    }
    return made;
}

void releaseAll(const std::vector<isVRRenderRequest*>& requests) {
    for (auto* request : requests) {
        request->release();
    }
}

}  // namespace

TEST(isVRThread, FastThreadKeepsOnlyTheNewestRequest) {
    HeldCaster held;
    std::vector<Delivered> delivered;
    auto* thread = startThread<isImageSDK::isVRThreadRT>(delivered);
    auto requests = makeRequests(&held.caster, 5);
    thread->addRequest(requests[0]);
    held.started.wait();
    for (int i = 1; i < 5; ++i) {
        thread->addRequest(requests[std::size_t(i)]);
    }
    // The dropped requests hold only the test's reference again.
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(requests[std::size_t(i)]->getReferenceCount(), 1u) << i;
    }
    EXPECT_FALSE(thread->isIdle());
    held.release.open();
    pumpUntil([&] { return delivered.size() == 2 && thread->isIdle(); });
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0].request, requests[0]);
    EXPECT_EQ(delivered[1].request, requests[4]);
    EXPECT_TRUE(delivered[1].hasFrame);
    EXPECT_EQ(requests[4]->frame->width, 32);
    EXPECT_TRUE(thread->isIdle());
    NSUI::NSThreadSafeDestroy owner;
    owner.stopThreadAndWait(thread);
    releaseAll(requests);
}

TEST(isVRThread, AnAbortedBestFrameIsNeverShown) {
    HeldCaster held;
    std::vector<Delivered> delivered;
    auto* thread = startThread<isImageSDK::isVRThreadBest>(delivered);
    auto requests = makeRequests(&held.caster, 2);
    thread->addRequest(requests[0]);
    held.started.wait();
    // A camera change: abort the running frame, then ask for a new one.
    held.caster.abort();
    thread->addRequest(requests[1]);
    held.release.open();
    pumpUntil([&] { return !delivered.empty() && delivered.back().request == requests[1]; });
    ASSERT_FALSE(delivered.empty());
    for (const Delivered& d : delivered) {
        if (d.request == requests[0]) {
            EXPECT_FALSE(d.hasFrame);
            EXPECT_TRUE(d.cancelled);
        }
    }
    EXPECT_EQ(delivered.back().request, requests[1]);
    EXPECT_TRUE(delivered.back().hasFrame);
    EXPECT_FALSE(delivered.back().cancelled);
    NSUI::NSThreadSafeDestroy owner;
    owner.stopThreadAndWait(thread);
    releaseAll(requests);
}
