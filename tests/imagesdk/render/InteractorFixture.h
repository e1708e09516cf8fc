#pragma once

#include <cstdint>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/Touch.h"
#include "imagesdk/render/isInteractorBase.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace imagesdktest {

// A running 960 x 640 scene, the interactors' clock in the test's hand (starting far from 0, so
// the first touch is never a double tap), and fingers in GL coordinates.
class InteractorFixture : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        ms = 1000000;
        isImageSDK::isInteractorBase::setClock([this] {
            return isImageSDK::isInteractorBase::TimeStamp{static_cast<int32_t>(ms / 1000),
                                                           static_cast<int32_t>(ms % 1000 * 1000)};
        });
    }
    void TearDown() override {
        isImageSDK::isInteractorBase::setClock(nullptr);
        // The centre's delivery pass lives in the director's scheduler, which the purge empties;
        // nodes cleaned up by the purge still reach the centre, so it goes afterwards.
        RunningSceneTest::TearDown();
        NSUI::NSNotificationCenter::destroyInstance();
    }

    // A node of the scene standing in for a window: `size` at `origin` (GL points).
    cocos2d::Node* addWindow(float x, float y, float width, float height) {
        cocos2d::Node* window = cocos2d::Node::create();
        window->setContentSize(cocos2d::Size(width, height));
        window->setPosition(x, y);
        scene->addChild(window);
        return window;
    }

    void down(isImageSDK::isInteractorBase* interactor, int id, float x, float y) {
        interactor->touchesBegan({finger(id, x, y)});
    }
    void move(isImageSDK::isInteractorBase* interactor, int id, float x, float y) {
        interactor->touchesMoved({finger(id, x, y)});
    }
    void up(isImageSDK::isInteractorBase* interactor, int id, float x, float y) {
        interactor->touchesEnded({finger(id, x, y)});
    }
    // A one-touch drag from `from` through each of `to`, `stepMs` apart, then the release.
    void drag(isImageSDK::isInteractorBase* interactor, cocos2d::Vec2 from,
              const std::vector<cocos2d::Vec2>& to, int64_t stepMs = 20) {
        down(interactor, 0, from.x, from.y);
        for (const cocos2d::Vec2& p : to) {
            wait(stepMs);
            move(interactor, 0, p.x, p.y);
        }
        const cocos2d::Vec2 last = to.empty() ? from : to.back();
        wait(stepMs);
        up(interactor, 0, last.x, last.y);
    }
    void wait(int64_t milliseconds) { ms += milliseconds; }

    int64_t ms = 0;
};

}  // namespace imagesdktest
