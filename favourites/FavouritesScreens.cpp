#include "favourites/FavouritesScreens.h"

#include "app/FavouritesLink.h"
#include "engine/2d/Scene.h"
#include "favourites/favoriteList.h"
#include "toolkit/core/AppConfig.h"

void registerFavouritesScreens() {
    setFavouritesSceneMaker([]() -> cocos2d::Scene* {
        if (!AppConfig::getInstance()->isPhone) {
            return favoriteList::createScene();
        }
        cocos2d::Scene* scene = cocos2d::Scene::create();
        scene->addChild(favoriteListPhone::create());
        scene->enableAndroidReturnKey(true);
        return scene;
    });
}
