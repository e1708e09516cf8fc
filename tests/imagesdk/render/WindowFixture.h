#pragma once

#include <string>
#include <vector>

#include "engine/2d/Camera.h"
#include "engine/2d/Node.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace rendertest {

// Records, each time it is drawn, the flag of the camera drawing it and its parent then.
class DrawProbe : public cocos2d::Node {
public:
    static DrawProbe* create() {
        auto* probe = new DrawProbe();
        probe->init();
        probe->setContentSize(cocos2d::Size(10, 10));
        probe->autorelease();
        return probe;
    }
    void draw(cocos2d::Renderer*, const cocos2d::Mat4&, uint32_t) override {
        const cocos2d::Camera* camera = cocos2d::Camera::getVisitingCamera();
        drawnBy.push_back(camera != nullptr ? camera->getCameraFlag() : 0);
        parents.push_back(getParent());
    }
    std::vector<unsigned short> drawnBy;
    std::vector<cocos2d::Node*> parents;
};

// A running 960 × 640 scene whose notification centre goes with the director.
class WindowTest : public bvtest::RunningSceneTest {
protected:
    void TearDown() override {
        NSUI::NSNotificationCenter::destroyInstance();
        RunningSceneTest::TearDown();
    }
    // Frames enough for the centre's start-up delay and a few one-per-tick deliveries.
    static void drain(int frames = 12) {
        for (int i = 0; i < frames; ++i) {
            frame(0.6f);
        }
    }
};

}  // namespace rendertest
