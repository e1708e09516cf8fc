#include "online/advice.h"

cocos2d::Scene* advice::createScene() {
    return nullptr;
}
