#include "app/FavouritesLink.h"

#include "app/ViewerScreenLink.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"

namespace {

std::function<cocos2d::Scene*()>& maker() {
    static std::function<cocos2d::Scene*()> made;
    return made;
}

}  // namespace

void setFavouritesSceneMaker(std::function<cocos2d::Scene*()> sceneMaker) {
    maker() = std::move(sceneMaker);
}

void openFavourites() {
    cocos2d::Scene* scene = maker() ? maker()() : nullptr;
    if (scene == nullptr) {
        showScreenNotAvailable();
        return;
    }
    cocos2d::Director::getInstance()->pushScene(scene);
}
