#include "imagesdk/viewers/isSeriesInfoReader.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <utility>

#include "engine/2d/Scene.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/imagesdk/render/WindowFixture.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/UIJson.h"

using cocos2d::RefPtr;
using imagesdktest::NotificationRecorder;
using isImageSDK::isImageData;
using isImageSDK::isSeriesInfoReader;

namespace {

// Tags to write (a value) or to leave out (an empty text) over the fixture's defaults.
using TagValues = std::map<DcmTagKey, std::string>;

std::string writeFile(const bvtest::TempDir& folder, const std::string& name,
                      const TagValues& tags) {
    bvtest::DicomFixture fixture;
    fixture.customise = [tags](DcmDataset& ds) {
        for (const auto& tag : tags) {
            if (tag.second.empty()) {
                ds.findAndDeleteElement(tag.first);
            } else {
                ds.putAndInsertString(tag.first, tag.second.c_str());
            }
        }
    };
    const std::string path = (folder / name).string();
    EXPECT_TRUE(fixture.write(path));
    return path;
}

// Every tag the reader looks at, absent.
TagValues noStudyTexts() {
    TagValues tags;
    for (const DcmTagKey& key :
         {DCM_StudyID, DCM_SeriesNumber, DCM_InstitutionName, DCM_SeriesDate, DCM_StudyDate,
          DCM_AcquisitionDate, DCM_SeriesTime, DCM_StudyTime, DCM_AcquisitionTime, DCM_PatientName,
          DCM_PatientSex, DCM_PatientAge, DCM_PatientBirthDate, DCM_PatientWeight, DCM_ProtocolName,
          DCM_SeriesDescription, DCM_StudyDescription}) {
        tags[key] = "";
    }
    return tags;
}

TagValues with(TagValues tags, const TagValues& values) {
    for (const auto& value : values) {
        tags[value.first] = value.second;
    }
    return tags;
}

bool hasKey(const std::string& json, const char* key) {
    int start = 0;
    int end = 0;
    return NSUI::UIJson::findValue(json, key, start, end);
}

TEST(SeriesInfoText, FromTheFirstFilesTags) {
    bvtest::TempDir folder("seriesinfo");
    const TagValues none = noStudyTexts();
    struct Case {
        const char* name;
        TagValues tags;
        std::map<std::string, std::string> expected;  // key -> value; "-" : absent
    };
    const Case cases[] = {
        {"everything",
         with(none, {{DCM_StudyID, "S7"},
                     {DCM_SeriesNumber, "3"},
                     {DCM_InstitutionName, "Royal, North, Clinic"},
                     {DCM_SeriesDate, "20240102"},
                     {DCM_SeriesTime, "101112"},
                     {DCM_PatientName, "Doe^Jane"},
                     {DCM_PatientSex, "F"},
                     {DCM_PatientAge, "042Y"},
                     {DCM_PatientWeight, "70"},
                     {DCM_ProtocolName, "Chest"}}),
         {{"studyID", "S7"},
          {"seriesID", "3"},
          {"hospital", "Royal_ North_ Clinic"},
          {"seriesTime", "2024.01.02 10:11:12"},
          {"patient", "Doe^Jane"},
          {"patientInfo", "F 042Y W=70"},
          {"imageDesc", "Chest"}}},
        {"suppressed sex and weight, birth date for a missing age",
         with(none, {{DCM_PatientSex, "0000"},
                     {DCM_PatientBirthDate, "19800101"},
                     {DCM_PatientWeight, "0"}}),
         {{"patientInfo", " 19800101"}}},
        {"a date without any time",
         with(none, {{DCM_SeriesDate, "20240102"}, {DCM_StudyDate, "20240101"}}),
         {{"seriesTime", "-"}, {"patientInfo", ""}}},
        {"fallbacks: acquisition date and time, series then study description",
         with(none, {{DCM_AcquisitionDate, "20230405"},
                     {DCM_AcquisitionTime, "235959.123"},
                     {DCM_SeriesDescription, "Axial 5mm"},
                     {DCM_StudyDescription, "CT Head"}}),
         {{"seriesTime", "2023.04.05 23:59:59"}, {"imageDesc", "Axial 5mm"}}},
        {"short texts leave their missing pieces empty",
         with(none, {{DCM_StudyDate, "2024"}, {DCM_StudyTime, "1011"}}),
         {{"seriesTime", "2024.. 10:11:"}}},
        {"a time without a date",
         with(none, {{DCM_StudyTime, "080000"}}),
         {{"seriesTime", " 08:00:00"}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeFile(folder, "f" + std::to_string(n++) + ".dcm", c.tags);
        std::string json;
        ASSERT_TRUE(isSeriesInfoReader::readSeriesInfo(path, json));
        for (const auto& expected : c.expected) {
            if (expected.second == "-") {
                EXPECT_FALSE(hasKey(json, expected.first.c_str())) << expected.first;
            } else {
                EXPECT_EQ(NSUI::UIJson::getString(json, expected.first), expected.second)
                    << expected.first << " in " << json;
            }
        }
    }
    const std::string empty = writeFile(folder, "empty.dcm", none);
    std::string json;
    ASSERT_TRUE(isSeriesInfoReader::readSeriesInfo(empty, json));
    EXPECT_EQ(json, R"({"patientInfo":""})");
    EXPECT_FALSE(isSeriesInfoReader::readSeriesInfo((folder / "missing.dcm").string(), json));
}

class SeriesInfoReaderTest : public rendertest::WindowTest {
protected:
    void TearDown() override {
        isSeriesInfoReader::instance().shutdown();
        WindowTest::TearDown();
    }
    static RefPtr<isImageData> seriesOf(const std::string& path) {
        RefPtr<isImageData> data(isImageData::create());
        const int size[2] = {4, 4};
        const float spacing[2] = {1.0f, 1.0f};
        isImageSDK::isSliceInfo* slice =
            data->addSlice(size, 1, spacing, 1, 0, 0, cocos2d::Mat4::IDENTITY);
        slice->path = path;
        return data;
    }
    // Frames until the readers have handed back, for at most ten seconds.
    static void waitForReaders() {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (isSeriesInfoReader::instance().getRunningCount() > 0 &&
               std::chrono::steady_clock::now() < limit) {
            cocos2d::Director::getInstance()->mainLoop(0.016f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

TEST_F(SeriesInfoReaderTest, TheLabelIsSetAndPostedOnTheMainThreadAndTheDataReleased) {
    bvtest::TempDir folder("seriesinfo");
    const std::string path =
        writeFile(folder, "a.dcm", with(noStudyTexts(), {{DCM_StudyID, "E1"}}));
    RefPtr<isImageData> series = seriesOf(path);
    int group = 0;
    NotificationRecorder posts(isImageSDK::NOTIFY_PATIENT_INFO_TEXT, &group);
    ASSERT_TRUE(isSeriesInfoReader::instance().start(series.get(), &group));
    // One reader per data set and group at a time.
    EXPECT_FALSE(isSeriesInfoReader::instance().start(series.get(), &group));
    EXPECT_EQ(series->getReferenceCount(), 2u);
    waitForReaders();
    posts.drain();
    EXPECT_EQ(series->getReferenceCount(), 1u);
    EXPECT_EQ(NSUI::UIJson::getString(series->getLabel(), "studyID"), "E1");
    ASSERT_EQ(posts.received.size(), 1u);
    EXPECT_EQ(posts.received[0].text, series->getLabel());
}

TEST_F(SeriesInfoReaderTest, AFileThatCannotBeOpenedIsNotTriedAgain) {
    bvtest::TempDir folder("seriesinfo");
    RefPtr<isImageData> series = seriesOf((folder / "gone.dcm").string());
    int group = 0;
    NotificationRecorder posts(isImageSDK::NOTIFY_PATIENT_INFO_TEXT, &group);
    ASSERT_TRUE(isSeriesInfoReader::instance().start(series.get(), &group));
    waitForReaders();
    EXPECT_FALSE(isSeriesInfoReader::instance().start(series.get(), &group));
    posts.drain();
    EXPECT_TRUE(posts.received.empty());
    EXPECT_TRUE(series->getLabel().empty());
    EXPECT_EQ(series->getReferenceCount(), 1u);
    // No slice record or no path: nothing starts.
    RefPtr<isImageData> empty(isImageData::create());
    EXPECT_FALSE(isSeriesInfoReader::instance().start(empty.get(), &group));
    EXPECT_FALSE(isSeriesInfoReader::instance().start(seriesOf("").get(), &group));
}

TEST_F(SeriesInfoReaderTest, ShutdownJoinsTheReadersAndReleasesTheirSeries) {
    bvtest::TempDir folder("seriesinfo");
    const std::string path = writeFile(folder, "b.dcm", noStudyTexts());
    RefPtr<isImageData> series = seriesOf(path);
    int groups[4] = {};
    for (int& group : groups) {
        ASSERT_TRUE(isSeriesInfoReader::instance().start(series.get(), &group));
    }
    isSeriesInfoReader::instance().shutdown();
    EXPECT_EQ(isSeriesInfoReader::instance().getRunningCount(), 0u);
    EXPECT_EQ(series->getReferenceCount(), 1u);
    // Hand-backs still queued find nothing to do.
    for (int i = 0; i < 3; ++i) {
        cocos2d::Director::getInstance()->mainLoop(0.016f);
    }
    EXPECT_EQ(series->getReferenceCount(), 1u);
}

TEST_F(SeriesInfoReaderTest, ViewersReadOnceAndThenTakeTheCachedLabel) {
    bvtest::TempDir folder("seriesinfo");
    const std::string path =
        writeFile(folder, "c.dcm", with(noStudyTexts(), {{DCM_PatientName, "Roe^Ann"}}));
    RefPtr<isImageData> series = seriesOf(path);
    isImageSDK::isViewerImage* first = isImageSDK::isViewerImage::create();
    first->setContentSize(cocos2d::Size(400, 400));
    scene->addChild(first);
    first->setImageData(series.get());
    EXPECT_EQ(isSeriesInfoReader::instance().getRunningCount(), 1u);
    waitForReaders();
    EXPECT_EQ(NSUI::UIJson::getString(series->getLabel(), "patient"), "Roe^Ann");
    isImageSDK::isViewerImage* second = isImageSDK::isViewerImage::create();
    second->setContentSize(cocos2d::Size(400, 400));
    scene->addChild(second);
    second->setImageData(series.get());
    EXPECT_EQ(isSeriesInfoReader::instance().getRunningCount(), 0u);
    scene->removeAllChildren();
    drain(2);
}

// The patient description (sex, age, weight) of a viewer's corner overlay; empty without one.
std::string patientText(isImageSDK::isViewerImage* viewer) {
    isImageSDK::isActorOverlay* overlay = viewer->getActorManager()->getOverlayActor();
    for (isImageSDK::isNodeOverlay* entry : overlay->getOverlays()) {
        auto* text = dynamic_cast<isImageSDK::isNodeOverlayText*>(entry);
        if (text != nullptr && text->getOverlayId() == isImageSDK::NOTIFY_OVERLAY_PATIENT_INFO) {
            return text->getString();
        }
    }
    return std::string();
}

// A reader whose viewer went hands back to its address, where a viewer of another series may
// stand by now: that one keeps its own series' texts.
TEST_F(SeriesInfoReaderTest, TextsOfAGoneViewerNeverReachTheViewerMadeInItsPlace) {
    bvtest::TempDir folder("seriesinfo");
    RefPtr<isImageData> gone =
        seriesOf(writeFile(folder, "d.dcm", with(noStudyTexts(), {{DCM_PatientAge, "041Y"}})));
    RefPtr<isImageData> shown =
        seriesOf(writeFile(folder, "e.dcm", with(noStudyTexts(), {{DCM_PatientAge, "077Y"}})));
    isImageSDK::isViewerImage* viewer = isImageSDK::isViewerImage::create();
    viewer->setContentSize(cocos2d::Size(400, 400));
    scene->addChild(viewer);
    viewer->setImageData(shown.get());
    waitForReaders();
    drain();
    ASSERT_NE(patientText(viewer).find("077Y"), std::string::npos) << patientText(viewer);

    ASSERT_TRUE(isSeriesInfoReader::instance().start(gone.get(), viewer));
    waitForReaders();
    drain();
    EXPECT_NE(patientText(viewer).find("077Y"), std::string::npos) << patientText(viewer);
    EXPECT_EQ(gone->getReferenceCount(), 1u);
}

}  // namespace
