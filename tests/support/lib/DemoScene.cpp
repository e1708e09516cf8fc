#include "tests/support/lib/DemoScene.h"

#include <vector>

#include "engine/2d/DrawNode.h"
#include "engine/2d/Label.h"
#include "engine/2d/Layer.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/platform/Image.h"
#include "engine/renderer/TextureCache.h"

namespace bvtest {

using namespace cocos2d;

Scene* createDemoScene(const Size& size) {
    Scene* scene = Scene::createWithSize(size);
    scene->addChild(LayerColor::create(Color4B(0, 0, 255, 255), size.width, size.height));

    DrawNode* shapes = DrawNode::create();
    shapes->drawSolidRect(Vec2(10, 10), Vec2(60, 60), Color4F(1, 0, 0, 1));
    shapes->drawSolidRect(Vec2(10, 60), Vec2(60, 110), Color4F(1, 1, 0, 1));
    scene->addChild(shapes);

    std::vector<unsigned char> green(20 * 20 * 4);
    for (size_t i = 0; i < green.size(); i += 4) {
        green[i + 1] = 255;
        green[i + 3] = 255;
    }
    Image image;
    image.initWithRawData(green.data(), static_cast<ssize_t>(green.size()), 20, 20, 8);
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(&image, "demo-green");
    Sprite* sprite = Sprite::createWithTexture(texture);
    sprite->setPosition(Vec2(200, 50));
    scene->addChild(sprite);

    Label* label = Label::createWithSystemFont("Brimvale", "", 24);
    label->setPosition(Vec2(160, 180));
    scene->addChild(label);
    return scene;
}

}  // namespace bvtest
