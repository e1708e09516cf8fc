#include "tests/support/lib/WidgetFixtures.h"

#include <fstream>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/Touch.h"
#include "engine/platform/Image.h"

namespace bvtest {

bool writeSolidPng(const std::string& path, int width, int height, const cocos2d::Color4B& colour) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width * height * 4));
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = colour.r;
        pixels[i + 1] = colour.g;
        pixels[i + 2] = colour.b;
        pixels[i + 3] = colour.a;
    }
    cocos2d::Image image;
    return image.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), width, height,
                                 8) &&
           image.saveToFile(path, false);
}

std::string writeWidgetDemoLayout(const std::string& folder) {
    using cocos2d::Color4B;
    writeSolidPng(folder + "btnRed.png", 60, 30, Color4B(255, 0, 0, 255));
    writeSolidPng(folder + "btnYellow.png", 60, 30, Color4B(255, 255, 0, 255));
    writeSolidPng(folder + "btnGreen.png", 60, 30, Color4B(0, 255, 0, 255));
    writeSolidPng(folder + "photo.png", 40, 40, Color4B(0, 0, 255, 255));
    writeSolidPng(folder + "bar.png", 200, 10, Color4B(128, 128, 128, 255));
    writeSolidPng(folder + "progress.png", 200, 10, Color4B(0, 200, 0, 255));
    writeSolidPng(folder + "ball.png", 16, 16, Color4B(255, 0, 255, 255));
    writeSolidPng(folder + "box.png", 20, 20, Color4B(255, 255, 255, 255));
    writeSolidPng(folder + "mark.png", 20, 20, Color4B(0, 0, 0, 255));
    writeSolidPng(folder + "cyan.png", 120, 120, Color4B(0, 255, 255, 255));
    const std::string name = "widgetDemo.csb";
    std::ofstream(folder + name) << R"({
  "version": 1,
  "root": {
    "type": "Layout", "name": "widgetDemo", "size": [320, 240], "anchor": [0, 0],
    "backgroundColor": [40, 40, 40],
    "children": [
      { "type": "Button", "name": "ok", "tag": 11, "normal": "btnRed.png",
        "pressed": "btnYellow.png", "titleText": "demo.ok", "titleFontSize": 12,
        "position": [0, 0], "touchEnabled": true,
        "layout": { "horizontalEdge": "left", "verticalEdge": "top", "margin": [20, 25, 0, 0] } },
      { "type": "Button", "name": "cancel", "normal": "btnGreen.png", "touchEnabled": true,
        "layout": { "horizontalEdge": "right", "verticalEdge": "top", "margin": [0, 25, 20, 0] } },
      { "type": "Text", "name": "title", "text": "demo.title", "fontSize": 20,
        "textColor": [255, 255, 255, 255], "layout": { "percentPosition": [0.5, 0.75] } },
      { "type": "ImageView", "name": "photo", "texture": "photo.png",
        "layout": { "horizontalEdge": "center", "verticalEdge": "center" } },
      { "type": "Slider", "name": "volume", "bar": "bar.png", "progressBar": "progress.png",
        "ball": "ball.png", "percent": 50, "position": [0, 40],
        "layout": { "horizontalEdge": "center" } },
      { "type": "CheckBox", "name": "agree", "background": "box.png", "cross": "mark.png",
        "selected": true, "position": [30, 40] },
      { "type": "Layout", "name": "clip", "clipping": true, "size": [60, 40],
        "position": [230, 90], "zOrder": 5,
        "children": [
          { "type": "ImageView", "name": "big", "texture": "cyan.png", "position": [30, 20] }
        ] }
    ]
  }
}
)";
    return name;
}

void RunningSceneTest::SetUp() {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    director->setWinSize(cocos2d::Size(kWidth, kHeight));
    scene = cocos2d::Scene::create();
    director->runWithScene(scene);
    frame(0.0f);
}

void RunningSceneTest::TearDown() {
    for (cocos2d::Touch* touch : _fingers) {
        touch->release();
    }
    _fingers.clear();
    cocos2d::Director::getInstance()->purgeDirector();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

void RunningSceneTest::frame(float dt) {
    cocos2d::Director::getInstance()->mainLoop(dt);
}

void RunningSceneTest::tap(float x, float y) {
    router.mouseDown(x, kHeight - y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseUp(x, kHeight - y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
}

cocos2d::Touch* RunningSceneTest::finger(int id, float x, float y) {
    for (cocos2d::Touch* touch : _fingers) {
        if (touch->getID() == id) {
            touch->setLocation(cocos2d::Vec2(x, y));
            return touch;
        }
    }
    auto* touch = new cocos2d::Touch();
    touch->setTouchInfo(id, x, kHeight - y);
    _fingers.push_back(touch);
    return touch;
}

}  // namespace bvtest
