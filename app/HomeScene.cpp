#include "app/HomeScene.h"

#include "app/patientList.h"

cocos2d::Scene* createHomeScene() {
    return patientList::createScene();
}
