#include "imagesdk/io/isDcmScan.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SeriesFolder.h"
#include "dcmsdk/DcmCallbacks.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/io/PrebinFile.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/NSNotificationCenter.h"

using imagesdktest::drainNotifications;
using imagesdktest::SeriesFolder;
using imagesdktest::ValueRecorder;
using isImageSDK::DcmFileInfo;
using isImageSDK::isDcmScan;
using isImageSDK::PrebinContents;
using isImageSDK::PrebinFile;
using isImageSDK::PrebinReadResult;

namespace {

// One scanned file as the decision sees it: world position, directions and shape.
struct Record {
    const char* name;
    float z;
    int instance;
    float x = 0.0f;
    float normalX = 0.0f;
    int width = 8;
    float spacingX = 1.0f;
};

std::unique_ptr<DcmFileInfo> makeRecord(const Record& r) {
    auto info = std::make_unique<DcmFileInfo>();
    info->name = r.name;
    info->file.width = r.width;
    info->file.height = 8;
    info->file.spacingX = r.spacingX;
    info->file.spacingY = 1.0f;
    info->file.instanceNumber = static_cast<std::int16_t>(r.instance);
    // Stored by rows: row direction, column direction, normal and position are the columns.
    const float rows[16] = {1, 0, r.normalX, r.x, 0, 1, 0, 0, 0, 0, 1, r.z, 0, 0, 0, 1};
    std::copy(rows, rows + 16, info->file.matrixRows);
    return info;
}

struct DecisionCase {
    const char* name;
    std::vector<Record> records;
    bool volume;
    std::vector<std::string> order;
};

class ScanDecisionTest : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(ScanDecisionTest, VolumeOnlyForOneEvenStackInStackingOrder) {
    const DecisionCase& c = GetParam();
    std::vector<std::unique_ptr<DcmFileInfo>> owned;
    std::vector<DcmFileInfo*> records;
    for (const Record& r : c.records) {
        owned.push_back(makeRecord(r));
        records.push_back(owned.back().get());
    }
    EXPECT_EQ(isDcmScan::arrangeVolume(records), c.volume);
    std::vector<std::string> order;
    for (const DcmFileInfo* info : records) {
        order.push_back(info->name);
    }
    EXPECT_EQ(order, c.order);
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, ScanDecisionTest,
    ::testing::Values(
        DecisionCase{"EvenStack", {{"a", 0, 1}, {"b", 1, 2}, {"c", 2, 3}}, true, {"a", "b", "c"}},
        DecisionCase{"ScannedOutOfOrder",
                     {{"c", 2, 3}, {"a", 0, 1}, {"d", 3, 4}, {"b", 1, 2}},
                     true,
                     {"a", "b", "c", "d"}},
        DecisionCase{"GapWithinTolerance",
                     {{"a", 0, 1}, {"b", 1, 2}, {"c", 2, 3}, {"d", 3.005f, 4}},
                     true,
                     {"a", "b", "c", "d"}},
        DecisionCase{"GapBeyondTolerance",
                     {{"a", 0, 1}, {"b", 1, 2}, {"c", 2, 3}, {"d", 3.02f, 4}},
                     false,
                     {"a", "b", "c", "d"}},
        DecisionCase{"SamePosition", {{"a", 5, 1}, {"b", 5, 2}}, false, {"a", "b"}},
        DecisionCase{"InstancesRunAgainstTheNormal",
                     {{"a", 3, 1}, {"b", 2, 2}, {"c", 1, 3}, {"d", 0, 4}},
                     true,
                     {"d", "c", "b", "a"}},
        // Equal distances but the stack turns back: two phases over the same two places.
        DecisionCase{"TwoPhasesOverTwoPlaces",
                     {{"a", 0, 1}, {"b", 1, 2}, {"c", 0, 3}, {"d", 1, 4}},
                     false,
                     {"a", "b", "c", "d"}},
        DecisionCase{"ThreePhasesInterleaved",
                     {{"a", 0, 1}, {"b", 0, 2}, {"c", 0, 3}, {"d", 1, 4}, {"e", 1, 5}, {"f", 1, 6}},
                     false,
                     {"a", "b", "c", "d", "e", "f"}},
        DecisionCase{"EqualInstanceNumbersKeepScanOrder",
                     {{"a", 0, 7}, {"b", 1, 7}, {"c", 2, 7}},
                     true,
                     {"a", "b", "c"}},
        DecisionCase{"OrientationChanges",
                     {{"a", 0, 1}, {"b", 1, 2, 0.0f, 0.0002f}, {"c", 2, 3}},
                     false,
                     {"a", "b", "c"}},
        DecisionCase{"OrientationWithinTolerance",
                     {{"a", 0, 1}, {"b", 1, 2, 0.0f, 0.00005f}, {"c", 2, 3}},
                     true,
                     {"a", "b", "c"}},
        DecisionCase{"OffTheStackingLine",
                     {{"a", 0, 1}, {"b", 1, 2, 0.02f}, {"c", 2, 3}},
                     false,
                     {"a", "b", "c"}},
        DecisionCase{"PixelSpacingDiffers",
                     {{"a", 0, 1}, {"b", 1, 2, 0.0f, 0.0f, 8, 1.002f}},
                     false,
                     {"a", "b"}},
        DecisionCase{"PixelSpacingWithinTolerance",
                     {{"a", 0, 1}, {"b", 1, 2, 0.0f, 0.0f, 8, 1.0005f}},
                     true,
                     {"a", "b"}},
        DecisionCase{"MixedSeriesOfTwoSizes",
                     {{"a", 0, 1}, {"b", 1, 2, 0.0f, 0.0f, 16}, {"c", 2, 3}},
                     false,
                     {"a", "b", "c"}}),
    [](const ::testing::TestParamInfo<DecisionCase>& info) {
        return std::string(info.param.name);
    });

class ScanFolderTest : public ::testing::Test {
protected:
    void SetUp() override { NSUI::NSNotificationCenter::getInstance(); }

    bool scan() {
        isDcmScan scanner;
        scanner.createBuffer(folder.path);
        return PrebinFile::read(folder.prebinPath(), folder.path, contents) ==
               PrebinReadResult::Loaded;
    }
    std::string write(const std::string& name, const bvtest::DicomFixture& fixture) {
        const std::string path = folder.path + name;
        std::string error;
        EXPECT_TRUE(fixture.write(path, &error)) << error;
        return path;
    }

    SeriesFolder folder;
    bvtest::DicomFixture fixture;
    PrebinContents contents;
};

TEST_F(ScanFolderTest, AnEvenSeriesBecomesAVolumeWithItsSpacing) {
    fixture.writeSeries(folder.path, 6, 2.5);
    ASSERT_TRUE(scan());
    ASSERT_TRUE(contents.volume);
    EXPECT_EQ(contents.volumeInfo.sliceCount, 6);
    EXPECT_NEAR(contents.volumeInfo.sliceSpacing, 2.5f, 1e-4f);
    EXPECT_EQ(contents.names, (std::vector<std::string>{"IM0001.dcm", "IM0002.dcm", "IM0003.dcm",
                                                        "IM0004.dcm", "IM0005.dcm", "IM0006.dcm"}));
}

TEST_F(ScanFolderTest, ASeriesNumberedAgainstItsNormalIsWrittenInReverse) {
    fixture.writeSeries(folder.path, 3, -2.0);
    ASSERT_TRUE(scan());
    ASSERT_TRUE(contents.volume);
    EXPECT_EQ(contents.names, (std::vector<std::string>{"IM0003.dcm", "IM0002.dcm", "IM0001.dcm"}));
    EXPECT_EQ(contents.slices.front().instanceNumber, 3);
}

struct SeriesCase {
    const char* name;
    std::function<void(bvtest::DicomFixture&, int)> alter;
};

class ScanForcedSeriesTest : public ScanFolderTest,
                             public ::testing::WithParamInterface<SeriesCase> {};

// Any one file that cannot be placed in a stack makes the folder a series, kept in scan order.
TEST_P(ScanForcedSeriesTest, OneOddFileKeepsTheFolderAnUnsortedSeries) {
    for (int i = 0; i < 4; ++i) {
        bvtest::DicomFixture slice = fixture;
        slice.instanceNumber = 4 - i;
        slice.imagePosition = {0.0, 0.0, double(i)};
        GetParam().alter(slice, i);
        write("f" + std::to_string(i) + ".dcm", slice);
    }
    ASSERT_TRUE(scan());
    EXPECT_FALSE(contents.volume);
    EXPECT_EQ(contents.names, (std::vector<std::string>{"f0.dcm", "f1.dcm", "f2.dcm", "f3.dcm"}));
}

INSTANTIATE_TEST_SUITE_P(
    OddFiles, ScanForcedSeriesTest,
    ::testing::Values(SeriesCase{"MultiFrame",
                                 [](bvtest::DicomFixture& f, int i) { f.frames = i == 2 ? 2 : 1; }},
                      SeriesCase{"NoPosition",
                                 [](bvtest::DicomFixture& f, int i) {
                                     if (i == 1) {
                                         f.imagePosition.clear();
                                     }
                                 }},
                      SeriesCase{"NoOrientation",
                                 [](bvtest::DicomFixture& f, int i) {
                                     if (i == 3) {
                                         f.imageOrientation = {1, 0, 0, 0, 1};
                                     }
                                 }},
                      SeriesCase{"PositionNotFinite",
                                 [](bvtest::DicomFixture& f, int i) {
                                     if (i == 2) {
                                         f.customise = [](DcmDataset& set) {
                                             set.putAndInsertString(DCM_ImagePositionPatient,
                                                                    "0\\NaN\\2");
                                         };
                                     }
                                 }},
                      SeriesCase{"ParallelDirections",
                                 [](bvtest::DicomFixture& f, int i) {
                                     if (i == 1) {
                                         f.imageOrientation = {0, 1, 0, 0, 1, 0};
                                     }
                                 }},
                      SeriesCase{"NoInstanceNumber",
                                 [](bvtest::DicomFixture& f, int i) {
                                     if (i == 0) {
                                         f.customise = [](DcmDataset& set) {
                                             set.findAndDeleteElement(DCM_InstanceNumber);
                                         };
                                     }
                                 }}),
    [](const ::testing::TestParamInfo<SeriesCase>& info) { return std::string(info.param.name); });

TEST_F(ScanFolderTest, OneFileIsASeries) {
    fixture.writeSeries(folder.path, 1, 1.0);
    ASSERT_TRUE(scan());
    EXPECT_FALSE(contents.volume);
    EXPECT_EQ(contents.records.size(), 1u);
}

TEST_F(ScanFolderTest, TwoPhasesInSubfoldersFormASeries) {
    std::filesystem::create_directories(folder.path + "p1");
    std::filesystem::create_directories(folder.path + "p2");
    fixture.writeSeries(folder.path + "p1", 3, 1.0);
    fixture.writeSeries(folder.path + "p2", 3, 1.0);
    ASSERT_TRUE(scan());
    EXPECT_FALSE(contents.volume);
    EXPECT_EQ(contents.names,
              (std::vector<std::string>{"p1/IM0001.dcm", "p2/IM0001.dcm", "p1/IM0002.dcm",
                                        "p2/IM0002.dcm", "p1/IM0003.dcm", "p2/IM0003.dcm"}));
}

TEST_F(ScanFolderTest, UnreadableFilesAreSkipped) {
    fixture.writeSeries(folder.path, 3, 1.0);
    std::ofstream(folder.path + "notes.txt") << "not a DICOM file";
    ASSERT_TRUE(scan());
    ASSERT_TRUE(contents.volume);
    EXPECT_EQ(contents.volumeInfo.sliceCount, 3);
}

std::mutex readerLogMutex;
std::vector<std::string> readerLog;

void keepReaderLog(const char* text) {
    std::lock_guard<std::mutex> guard(readerLogMutex);
    readerLog.emplace_back(text);
}

TEST_F(ScanFolderTest, TheSeriesThumbnailsAreNotReadAsDicom) {
    fixture.writeSeries(folder.path, 3, 1.0);
    const std::string png = "\x89PNG\r\n\x1a\n not an image of the series";
    for (const char* name : {"thrumb0", "thrumb1", "thrumb2", "thrumb3.part", ".hidden"}) {
        std::ofstream(folder.path + name, std::ios::binary) << png;
    }
    readerLog.clear();
    const dcmSDK::LogCallback previous = dcmSDK::getLogCallback();
    dcmSDK::setLogCallback(keepReaderLog);
    const bool scanned = scan();
    dcmSDK::setLogCallback(previous);
    ASSERT_TRUE(scanned);
    ASSERT_TRUE(contents.volume);
    EXPECT_EQ(contents.volumeInfo.sliceCount, 3);
    std::lock_guard<std::mutex> guard(readerLogMutex);
    for (const std::string& line : readerLog) {
        EXPECT_EQ(line.find("thrumb"), std::string::npos) << line;
        EXPECT_EQ(line.find(".hidden"), std::string::npos) << line;
    }
}

TEST_F(ScanFolderTest, AFolderWithoutDicomLeavesNoCache) {
    std::ofstream(folder.path + "a.txt") << "text";
    std::ofstream(folder.path + "b.bin") << std::string(200, '\0');
    EXPECT_FALSE(scan());
    EXPECT_FALSE(std::filesystem::exists(folder.prebinPath()));
}

// The progress values as posted: listing, reading, deciding; each value once.
std::vector<int> expectedProgress(int files) {
    std::vector<int> values = {2};
    auto add = [&](int value) {
        if (values.back() != value) {
            values.push_back(value);
        }
    };
    for (int t = 0; t < files; ++t) {
        add(static_cast<int>(2.0 + 10.0 * t / files));
    }
    for (int s = 0; s < files; ++s) {
        add(static_cast<int>(12.0 + 80.0 * s / files));
    }
    for (int value : {94, 97, 99}) {
        add(value);
    }
    return values;
}

struct ProgressCase {
    const char* name;
    int files;
};

class ScanProgressTest : public ScanFolderTest,
                         public ::testing::WithParamInterface<ProgressCase> {};

// Above 50 files the scan runs on four threads; the values still rise in order.
TEST_P(ScanProgressTest, ProgressRisesThroughListingReadingAndDeciding) {
    const int files = GetParam().files;
    fixture.rows = 2;
    fixture.columns = 2;
    fixture.writeSeries(folder.path, files, 1.0);
    ValueRecorder progress(NSUI::NOTIFY_ACTIVITY_PROGRESS);
    ASSERT_TRUE(scan());
    drainNotifications();
    EXPECT_EQ(progress.intValues(), expectedProgress(files));
    for (const ValueRecorder::Received& r : progress.received) {
        EXPECT_EQ(r.sender, nullptr);
    }
    ASSERT_TRUE(contents.volume);
    ASSERT_EQ(contents.volumeInfo.sliceCount, files);
    for (int i = 0; i < files; ++i) {
        EXPECT_EQ(contents.slices[size_t(i)].instanceNumber, i + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScanProgressTest,
                         ::testing::Values(ProgressCase{"Five", 5}, ProgressCase{"Fifty", 50},
                                           ProgressCase{"FiftyOneOnFourThreads", 51},
                                           ProgressCase{"TwoHundredOnFourThreads", 203}),
                         [](const ::testing::TestParamInfo<ProgressCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ScanFolderTest, RecordHoldsTheFileValues) {
    fixture.modality = "PT";
    fixture.pet = true;
    fixture.writeRescale = true;
    fixture.rescaleSlope = 0.5;
    fixture.rescaleIntercept = 0.0;
    fixture.studyID = "ST7";
    fixture.seriesNumber = "12";
    fixture.pixelSpacing = {0.7, 0.8};
    write("a.dcm", fixture);
    ASSERT_TRUE(scan());
    ASSERT_EQ(contents.records.size(), 1u);
    const isImageSDK::DcmFileRecord& r = contents.records[0];
    EXPECT_EQ(r.modality, 1);
    EXPECT_EQ(r.pixelType, isImageSDK::PIXEL_FLOAT32);
    EXPECT_FLOAT_EQ(r.spacingX, 0.8f);
    EXPECT_FLOAT_EQ(r.spacingY, 0.7f);
    EXPECT_FLOAT_EQ(r.rescaleSlope, 0.5f);
    EXPECT_FLOAT_EQ(r.windowWidth, 20000.0f);
    EXPECT_FLOAT_EQ(r.windowCentre, 10000.0f);
    EXPECT_EQ(isImageSDK::recordText(r.studyID), "ST7");
    EXPECT_EQ(isImageSDK::recordText(r.seriesNumber), "12");
    EXPECT_EQ(r.units, 1);
    EXPECT_EQ(r.decayCorrection, 2);
    EXPECT_NEAR(r.halfLife, 6586.2f, 0.01f);
    EXPECT_EQ(r.geometryValid, 1);
    EXPECT_EQ(r.headFeetCode, 0);
}

// The cache record takes the same care as the single-file reader: nothing unusable is kept as
// if it had been read.
TEST_F(ScanFolderTest, RecordKeepsNoUnusableValue) {
    fixture.pixels = bvtest::DicomFixture::Pixels::S16;
    fixture.customise = [](DcmDataset& set) {
        set.putAndInsertString(DCM_ImageOrientationPatient, "0\\0\\0\\0\\0\\0");
        set.putAndInsertString(DCM_PixelSpacing, "0\\0.5");
        set.putAndInsertString(DCM_RescaleSlope, "0");
        set.putAndInsertString(DCM_RescaleIntercept, "NaN");
        set.putAndInsertString(DCM_WindowCenter, "level");
        set.putAndInsertString(DCM_WindowWidth, "-1");
    };
    write("a.dcm", fixture);
    ASSERT_TRUE(scan());
    ASSERT_EQ(contents.records.size(), 1u);
    const isImageSDK::DcmFileRecord& r = contents.records[0];
    EXPECT_EQ(r.geometryValid, 0);
    for (const float value : r.matrixRows) {
        EXPECT_TRUE(std::isfinite(value));
    }
    EXPECT_FLOAT_EQ(r.spacingX, 1.0f);
    EXPECT_FLOAT_EQ(r.spacingY, 1.0f);
    EXPECT_FLOAT_EQ(r.rescaleSlope, 1.0f);
    EXPECT_FLOAT_EQ(r.rescaleIntercept, 0.0f);
    EXPECT_EQ(r.pixelType, isImageSDK::PIXEL_INT16);
    EXPECT_FLOAT_EQ(r.windowWidth, 255.0f);
    EXPECT_FLOAT_EQ(r.windowCentre, 128.0f);
}

TEST_F(ScanFolderTest, FramesBelowOneAreSkipped) {
    bvtest::DicomFixture none = fixture;
    none.customise = [](DcmDataset& set) { set.putAndInsertString(DCM_NumberOfFrames, "0"); };
    write("zero.dcm", none);
    write("good.dcm", fixture);
    ASSERT_TRUE(scan());
    EXPECT_EQ(contents.names, std::vector<std::string>{"good.dcm"});
}

// Files in the cache folder that belong to this folder's cache, written or half written.
int cacheFilesOf(const SeriesFolder& folder) {
    const std::filesystem::path prebin(folder.prebinPath());
    const std::string stem = prebin.stem().string();
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(prebin.parent_path())) {
        count += entry.path().filename().string().rfind(stem, 0) == 0 ? 1 : 0;
    }
    return count;
}

// Reading progress values (12 and above, below the deciding stage's 94): with 80 files each
// file started posts a value of its own, so their number is the number of files read.
int filesStarted(const ValueRecorder& progress) {
    int count = 0;
    for (int value : progress.intValues()) {
        count += value >= 12 && value < 94 ? 1 : 0;
    }
    return count;
}

// Another thread raises the flag once `kLetThrough` checks have been let through (the first
// comes after the listing, before any file); the scan threads asking later wait for it, as if
// their next file were still on its way from the disk.
TEST_F(ScanFolderTest, AScanStoppedFromAnotherThreadReadsNoFurtherFileAndWritesNoCache) {
    constexpr int kFiles = 80;
    constexpr int kLetThrough = 10;
    fixture.rows = 2;
    fixture.columns = 2;
    fixture.writeSeries(folder.path, kFiles, 1.0);
    ValueRecorder progress(NSUI::NOTIFY_ACTIVITY_PROGRESS);

    std::atomic<bool> stop{false};
    std::atomic<int> checks{0};
    std::mutex mutex;
    std::condition_variable raised;
    isDcmScan scanner([&] {
        if (checks.fetch_add(1) < kLetThrough) {
            return false;
        }
        std::unique_lock<std::mutex> lock(mutex);
        raised.wait(lock, [&] { return stop.load(); });
        return true;
    });
    std::thread screen([&] {
        while (checks.load() <= kLetThrough) {
            std::this_thread::yield();
        }
        std::lock_guard<std::mutex> lock(mutex);
        stop.store(true);
        raised.notify_all();
    });
    scanner.createBuffer(folder.path);
    screen.join();
    drainNotifications();

    EXPECT_TRUE(scanner.wasStopped());
    EXPECT_EQ(filesStarted(progress), kLetThrough - 1);
    // Each of the four threads asks once more at most, and stops on the answer.
    EXPECT_LE(checks.load(), kLetThrough + 4);
    const std::vector<int> values = progress.intValues();
    for (int value : {94, 97, 99}) {
        EXPECT_EQ(std::count(values.begin(), values.end(), value), 0) << value;
    }
    EXPECT_EQ(cacheFilesOf(folder), 0);

    // Nothing of the stopped scan stands in the way of the next one.
    isDcmScan whole([] { return false; });
    whole.createBuffer(folder.path);
    EXPECT_FALSE(whole.wasStopped());
    ASSERT_EQ(PrebinFile::read(folder.prebinPath(), folder.path, contents),
              PrebinReadResult::Loaded);
    ASSERT_TRUE(contents.volume);
    EXPECT_EQ(contents.volumeInfo.sliceCount, kFiles);
}

// A scan stopped before it reads a file leaves the cache it found, whole, and posts nothing.
TEST_F(ScanFolderTest, AScanStoppedBeforeReadingLeavesTheCacheAsItWas) {
    fixture.writeSeries(folder.path, 4, 1.0);
    ASSERT_TRUE(scan());
    std::ifstream before(folder.prebinPath(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(before)),
                            std::istreambuf_iterator<char>());
    std::filesystem::create_directories(folder.path + "more");
    fixture.writeSeries(folder.path + "more/", 3, 1.0);
    ValueRecorder progress(NSUI::NOTIFY_ACTIVITY_PROGRESS);

    isDcmScan scanner([] { return true; });
    scanner.createBuffer(folder.path);
    drainNotifications();

    EXPECT_TRUE(scanner.wasStopped());
    EXPECT_TRUE(progress.intValues().empty());
    std::ifstream after(folder.prebinPath(), std::ios::binary);
    EXPECT_EQ(
        std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()),
        bytes);
    EXPECT_EQ(cacheFilesOf(folder), 1);
}

}  // namespace
