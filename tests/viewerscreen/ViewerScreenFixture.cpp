#include "tests/viewerscreen/ViewerScreenFixture.h"

#include <filesystem>
#include <memory>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSharedObjects.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/io/isDcmScan.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/Latch.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "viewerscreen/SeriesLoadJob.h"
#include "viewerscreen/imageViewerPC.h"

namespace viewerscreentest {

void ViewerScreenTest::SetUp() {
    SceneServiceTest::SetUp();
    // Held for the test, as the application delegate holds it for the program's run.
    config = AppConfig::getInstance();
    config->retain();
    config->setWinSize(cocos2d::Size(kWidth, kHeight));
    config->getDesignSize() = cocos2d::Size(kWidth, kHeight);
}

void ViewerScreenTest::TearDown() {
    SceneServiceTest::TearDown();
    releaseProtocols();
    config->release();
}

void ViewerScreenTest::releaseAfterScene() {
    isImageSDK::releaseSharedObjects();
}

void ViewerScreenTest::writeVolume(const std::string& key, int count, int side,
                                   double pixelSpacing) {
    std::filesystem::create_directories(root() + key);
    bvtest::DicomFixture fixture;
    fixture.pixels = bvtest::DicomFixture::Pixels::S16;
    fixture.rows = static_cast<std::uint16_t>(side);
    fixture.columns = static_cast<std::uint16_t>(side);
    fixture.pixelSpacing = {pixelSpacing, pixelSpacing};
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
    return bvtest::runFramesUntil(condition, 60.0, 0.05f);
}

void ViewerScreenTest::pumpFrames(int frames) {
    bvtest::runFrames(frames, 0.6f);
}

bool ViewerScreenTest::pumpUntilLoaded(imageViewerPC* screen,
                                       const std::function<void()>& atLoaded) {
    bool loaded = false;
    int observer = 0;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        &observer, screen,
        [&](cocos2d::Ref*, unsigned, NSUI::NSNotificationData*) {
            loaded = true;
            atLoaded();
        },
        isImageSDK::NOTIFY_SERIES_LOADED);
    const bool done = pumpUntil([&] { return loaded && settled(screen); });
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&observer);
    return done;
}

void ViewerScreenTest::deliverBeforeAnySliceIsLoaded(imageViewerPC* screen,
                                                     const std::function<void()>& whileHeld) {
    // The loaders wait before storing any slice until the screen has been looked at, so no
    // schedule can complete the load first.
    const auto gate = std::make_shared<bvtest::Latch>();
    auto* loaded = new LoadedSeries(screen->loadGeneration);
    for (const std::string& key : screen->seriesList) {
        const std::string folder = root() + key;
        // The cache folder is made on first use of its path.
        isImageSDK::getFolderBufferPath(folder);
        isImageSDK::isDcmScan().createBuffer(folder);
        isImageSDK::isBinReader* reader = isImageSDK::isBinReader::create();
        reader->setNotificationKey(screen->key, nullptr);
        reader->setName(key);
        reader->setBeforeEachSlice([gate] { gate->wait(); });
        loaded->readers.emplace_back(key, reader);
        if (!reader->setSource(folder, isImageSDK::getFolderBufferPath(folder))) {
            loaded->release();
            FAIL() << "no series cache for " << key;
        }
        reader->getOutput();
    }
    for (const auto& entry : loaded->readers) {
        entry.second->execute();
    }
    auto* data = NSUI::NSNotificationData::create();
    data->setObject(loaded);
    loaded->release();
    screen->onNotification(nullptr, isImageSDK::NOTIFY_SERIES_LOADED, data);
    whileHeld();
    gate->open();
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
