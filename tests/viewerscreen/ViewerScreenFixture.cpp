#include "tests/viewerscreen/ViewerScreenFixture.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isSharedObjects.h"
#include "imagesdk/io/isBinReader.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "viewerscreen/imageViewerPC.h"

namespace viewerscreentest {

void ViewerScreenTest::SetUp() {
    studydbtest::ServiceTest::SetUp();
    cocos2d::FileUtils::getInstance()->addSearchPath("res/pad");
    cocos2d::Director* director = cocos2d::Director::getInstance();
    director->setWinSize(cocos2d::Size(kWidth, kHeight));
    // Held for the test, as the application delegate holds it for the program's run.
    config = AppConfig::getInstance();
    config->retain();
    config->setWinSize(cocos2d::Size(kWidth, kHeight));
    config->getDesignSize() = cocos2d::Size(kWidth, kHeight);
    scene = cocos2d::Scene::create();
    director->runWithScene(scene);
    director->mainLoop(0.0f);
}

void ViewerScreenTest::TearDown() {
    cocos2d::Director::getInstance()->purgeDirector();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    isImageSDK::releaseSharedObjects();
    studydbtest::ServiceTest::TearDown();
    NSUI::NSNotificationCenter::destroyInstance();
    releaseProtocols();
    config->release();
}

void ViewerScreenTest::writeVolume(const std::string& key, int count) {
    std::filesystem::create_directories(root() + key);
    bvtest::DicomFixture fixture;
    fixture.pixels = bvtest::DicomFixture::Pixels::S16;
    fixture.rows = 16;
    fixture.columns = 16;
    fixture.writeSeries(root() + key + "/", count, 2.0);
}

void ViewerScreenTest::writeFlat(const std::string& key, int count) {
    std::filesystem::create_directories(root() + key);
    bvtest::DicomFixture fixture;
    fixture.pixels = bvtest::DicomFixture::Pixels::S16;
    fixture.rows = 16;
    fixture.columns = 16;
    fixture.imagePosition.clear();
    for (int i = 1; i <= count; ++i) {
        fixture.instanceNumber = i;
        fixture.sopInstanceUID.clear();
        fixture.write(root() + key + "/f" + std::to_string(i) + ".dcm");
    }
}

imageViewerPC* ViewerScreenTest::pushScreen(const std::string& seriesText,
                                            const std::string& protocol) {
    cocos2d::Scene* made = imageViewerPC::createScene(seriesText);
    auto* screen = dynamic_cast<imageViewerPC*>(made->getChildByName("imageViewPC"));
    if (screen) {
        screen->setProtocol(protocol);
    }
    cocos2d::Director::getInstance()->pushScene(made);
    return screen;
}

bool ViewerScreenTest::pumpUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        cocos2d::Director::getInstance()->mainLoop(0.05f);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void ViewerScreenTest::pumpFrames(int frames) {
    for (int i = 0; i < frames; ++i) {
        cocos2d::Director::getInstance()->mainLoop(0.6f);
    }
}

bool ViewerScreenTest::settled(imageViewerPC* screen) {
    if (screen->waitingForCache || screen->seriesList.empty()) {
        return false;
    }
    for (const std::string& key : screen->seriesList) {
        isImageSDK::isBinReader* reader = imageViewerPC::readerOf(key);
        if (!reader || !reader->isLoadComplete()) {
            return false;
        }
    }
    return true;
}

}  // namespace viewerscreentest
