#include "toolkit/widgets/NSResponseWindow.h"

#include "engine/base/Director.h"

using namespace cocos2d;

namespace NSUI {

namespace {
constexpr int kResponseWindowZOrder = 10000;
}

NSResponseWindow* NSResponseWindow::create() {
    auto* window = new NSResponseWindow();
    if (!window->init()) {
        delete window;
        return nullptr;
    }
    window->autorelease();
    return window;
}

NSResponseWindow::~NSResponseWindow() {
    Node::cleanup();
}

bool NSResponseWindow::init() {
    if (!Layer::init()) {
        return false;
    }
    setLocalZOrder(kResponseWindowZOrder);
    setTouchEnabled(true);
    setTouchMode(Touch::DispatchMode::ONE_BY_ONE);
    setSwallowsTouches(true);
    setContentSize(Director::getInstance()->getWinSize());
    return true;
}

bool NSResponseWindow::onTouchBegan(Touch* touch, Event* /*event*/) {
    const Vec2 point = convertToNodeSpace(touch->getLocation());
    const Size& size = getContentSize();
    return point.x > 0 && point.x < size.width && point.y > 0 && point.y < size.height;
}

}  // namespace NSUI
