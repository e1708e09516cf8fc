#include <gtest/gtest.h>

#include <vector>

#include "SceneGraphFixture.h"
#include "engine/2d/Camera.h"
#include "engine/base/Director.h"

using cocos2d::Camera;
using cocos2d::Director;
using cocos2d::Node;

namespace {

// Notes, while drawn, whether the visiting camera's view-projection changed for this pass.
class UpdateProbe : public Node {
public:
    static UpdateProbe* create() {
        auto* probe = new UpdateProbe();
        probe->init();
        probe->autorelease();
        return probe;
    }
    void draw(cocos2d::Renderer*, const cocos2d::Mat4&, uint32_t) override {
        seen.push_back(Camera::getVisitingCamera()->isViewProjectionUpdated());
    }
    std::vector<bool> seen;
};

using CameraPassTest = SceneGraphTest;

TEST_F(CameraPassTest, ViewProjectionUpdatedOnlyInPassesAfterAChange) {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    Camera* camera = Camera::createOrthographic(960, 640, -10, 10);
    camera->setCameraFlag(2);
    scene->addChild(camera);
    UpdateProbe* probe = UpdateProbe::create();
    probe->removeCameraMask(1);
    probe->setCameraMask(2);
    scene->addChild(probe);
    show(scene);
    Director::getInstance()->mainLoop(0.0f);
    camera->setPosition(cocos2d::Vec2(5, 0));
    Director::getInstance()->mainLoop(0.0f);
    Director::getInstance()->mainLoop(0.0f);
    // Reading the matrix between passes does not hide the change from the next pass.
    cocos2d::Mat4 shift;
    cocos2d::Mat4::createTranslation(0.1f, 0.0f, 0.0f, &shift);
    camera->setAdditionalProjection(shift);
    camera->getViewProjectionMatrix();
    Director::getInstance()->mainLoop(0.0f);
    EXPECT_EQ(probe->seen, (std::vector<bool>{true, false, true, false, true}));
}

}  // namespace
