#include "viewerscreen/SeriesLoadJob.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isBinReader.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/FramePump.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace {

// The screen a load reports to: it keeps every result and every stage text.
class LoadObserver : public cocos2d::Ref {
public:
    LoadObserver() {
        NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getInstance();
        center->addObserver(
            this, this,
            [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
                results.push_back(cocos2d::RefPtr<LoadedSeries>::retained(
                    dynamic_cast<LoadedSeries*>(data->object)));
                codes.push_back(data->intValue);
                dataKeys.push_back(data->key);
            },
            isImageSDK::NOTIFY_SERIES_LOADED);
        center->addObserver(
            this, nullptr,
            [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
                stages.push_back(data->stringValue);
            },
            NSUI::NOTIFY_ACTIVITY_TEXT);
    }
    ~LoadObserver() override { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }

    std::vector<cocos2d::RefPtr<LoadedSeries>> results;
    std::vector<int> codes;
    std::vector<unsigned> dataKeys;
    std::vector<std::string> stages;
};

void pump(const std::function<bool()>& done) {
    bvtest::runFramesUntil(done, 20.0, 0.1f);
}

void drain() {
    bvtest::runFrames(12, 0.6f);
}

class SeriesLoadJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = cocos2d::FileUtils::getInstance()->getWritablePath() + "dicom/";
        std::filesystem::create_directories(root);
        isImageSDK::getFolderBufferPath(root);
    }
    void TearDown() override {
        drain();
        for (const std::string& key : written) {
            isImageSDK::removeFolderBuffer(root + key);
        }
        std::filesystem::remove_all(root);
    }

    void writeSeries(const std::string& key, int count) {
        std::filesystem::create_directories(root + key);
        bvtest::DicomFixture fixture;
        fixture.rows = 8;
        fixture.columns = 8;
        fixture.writeSeries(root + key + "/", count, 2.0);
        written.push_back(key);
    }

    SeriesLoadRequest request(const std::vector<std::string>& keys) {
        SeriesLoadRequest made;
        made.keys = keys;
        made.dicomRoot = root;
        made.notificationKey = 4242;
        made.group = &observer;
        made.generation = 7;
        return made;
    }

    void run(const SeriesLoadRequest& made) {
        std::thread job([made] { runSeriesLoad(made); });
        job.join();
    }

    std::string root;
    std::vector<std::string> written;
    LoadObserver observer;
};

}  // namespace

TEST_F(SeriesLoadJobTest, ScansEachFolderAndHandsOverItsReadersInListOrder) {
    writeSeries("patient/b", 3);
    writeSeries("patient/a", 5);
    run(request({"patient/b", "patient/a"}));
    pump([this] { return !observer.results.empty(); });
    ASSERT_EQ(observer.results.size(), 1u);
    EXPECT_EQ(observer.codes[0], 0);
    EXPECT_EQ(observer.dataKeys[0], 4242u);
    LoadedSeries* loaded = observer.results[0].get();
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->generation, 7u);
    ASSERT_EQ(loaded->readers.size(), 2u);
    EXPECT_EQ(loaded->readers[0].first, "patient/b");
    EXPECT_EQ(loaded->readers[1].first, "patient/a");
    const int counts[] = {3, 5};
    for (int i = 0; i < 2; ++i) {
        isImageSDK::isBinReader* reader = loaded->readers[i].second;
        EXPECT_EQ(reader->getName(), loaded->readers[i].first);
        EXPECT_EQ(reader->key, 4242u);
        ASSERT_NE(reader->getOutputImage(), nullptr);
        EXPECT_EQ(reader->getOutputImage()->getNumberOfSlices(), counts[i]);
    }
    // The stage texts are delivered one per pass behind the loaders' progress posts, so the
    // second may still be queued when the loads complete.
    pump([this, loaded] {
        return loaded->readers[0].second->isLoadComplete() &&
               loaded->readers[1].second->isLoadComplete() && observer.stages.size() >= 2;
    });
    EXPECT_TRUE(loaded->readers[1].second->isLoadComplete());
    EXPECT_EQ(observer.stages, (std::vector<std::string>{"Scan Dicoms", "Loading dicoms"}));
}

TEST_F(SeriesLoadJobTest, AFolderThatGivesNoSeriesFailsTheWholeLoad) {
    writeSeries("good", 2);
    std::filesystem::create_directories(root + "junk");
    std::ofstream(root + "junk/readme.txt") << "not an image";
    written.push_back("junk");
    for (const std::vector<std::string>& keys :
         {std::vector<std::string>{"junk"}, std::vector<std::string>{"good", "junk"},
          std::vector<std::string>{"missing"}}) {
        observer.results.clear();
        observer.codes.clear();
        run(request(keys));
        pump([this] { return !observer.results.empty(); });
        ASSERT_EQ(observer.codes.size(), 1u) << keys.back();
        EXPECT_EQ(observer.codes[0], -1) << keys.back();
        EXPECT_TRUE(observer.results[0]->readers.empty()) << keys.back();
    }
}

TEST_F(SeriesLoadJobTest, ACancelledLoadPostsNothingAndAnEmptyListPostsNoReaders) {
    writeSeries("one", 2);
    SeriesLoadRequest cancelled = request({"one"});
    cancelled.cancelled->store(true);
    run(cancelled);
    drain();
    EXPECT_TRUE(observer.results.empty());

    run(request({}));
    pump([this] { return !observer.results.empty(); });
    ASSERT_EQ(observer.results.size(), 1u);
    EXPECT_EQ(observer.codes[0], 0);
    EXPECT_TRUE(observer.results[0]->readers.empty());
}

TEST_F(SeriesLoadJobTest, AResultNobodyTakesReleasesItsReaders) {
    writeSeries("alone", 2);
    SeriesLoadRequest made = request({"alone"});
    int otherScreen = 0;
    made.group = &otherScreen;
    run(made);
    drain();
    EXPECT_TRUE(observer.results.empty());
}
