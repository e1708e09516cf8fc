#include "imagesdk/io/isBinReader.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "SeriesFolder.h"
#include "VoxelAllocatorGuard.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/io/dcmLoadingThread.h"
#include "imagesdk/io/isDcmScan.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"

using imagesdktest::drainNotifications;
using imagesdktest::SeriesFolder;
using imagesdktest::stepUntil;
using imagesdktest::ValueRecorder;
using imagesdktest::VoxelAllocatorGuard;
using isImageSDK::dcmLoadingThread;
using isImageSDK::isBinReader;
using isImageSDK::isImageData;
using isImageSDK::isSliceInfo;

namespace {

using ReaderPtr = cocos2d::RefPtr<isBinReader>;

// A plain reference-counted object standing for a viewer.
class Requester : public cocos2d::Ref {};

// The sample slice s holds at pixel k.
int sampleOf(int slice, int k) {
    return slice * 100 - 700 + k;
}

// A folder of slices with pixels of their own, scanned into its cache.
class SeriesLoad {
public:
    explicit SeriesLoad(int count, int size = 4,
                        E_TransferSyntax syntax = EXS_LittleEndianExplicit) {
        fixture.pixels = bvtest::DicomFixture::Pixels::S16;
        fixture.rows = static_cast<std::uint16_t>(size);
        fixture.columns = static_cast<std::uint16_t>(size);
        fixture.transferSyntax = syntax;
        for (int s = 0; s < count; ++s) {
            write(s, fixture);
        }
    }

    void write(int s, bvtest::DicomFixture slice, const std::string& name = "") {
        slice.instanceNumber = s + 1;
        slice.imagePosition = {0.0, 0.0, 1.5 * s};
        slice.samples.clear();
        for (int k = 0; k < slice.rows * slice.columns; ++k) {
            slice.samples.push_back(sampleOf(s, k));
        }
        std::string error;
        const std::string file = name.empty() ? "s" + std::to_string(100 + s) + ".dcm" : name;
        EXPECT_TRUE(slice.write(folder.path + file, &error)) << error;
        paths.push_back(folder.path + file);
    }

    void scan() { isImageSDK::isDcmScan().createBuffer(folder.path); }

    ReaderPtr open() {
        ReaderPtr reader(isBinReader::create());
        EXPECT_TRUE(reader->setSource(folder.path, folder.prebinPath()));
        return reader;
    }

    SeriesFolder folder;
    bvtest::DicomFixture fixture;
    std::vector<std::string> paths;
};

isImageData* pull(isBinReader* reader) {
    auto* output = static_cast<isImageData*>(reader->getOutput());
    output->update();
    return output;
}

bool waitForLoad(isBinReader* reader) {
    return stepUntil([reader] { return reader->isLoadComplete(); });
}

// Every slice holds the samples written for it.
void expectSeriesPixels(isImageData* output, int count) {
    ASSERT_EQ(output->getNumberOfSlices(), count);
    int s = 0;
    for (const isSliceInfo* slice : output->slices) {
        ASSERT_TRUE(slice->loaded) << "slice " << s;
        const auto* pixels = static_cast<const std::int16_t*>(slice->data);
        for (int k = 0; k < slice->width * slice->height; ++k) {
            ASSERT_EQ(pixels[k], sampleOf(s, k)) << "slice " << s << " pixel " << k;
        }
        ++s;
    }
}

// Threads of this process, from the kernel's task list.
std::size_t threadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

std::uintmax_t fileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

class BinReaderTest : public ::testing::Test {
protected:
    void SetUp() override { NSUI::NSNotificationCenter::getInstance(); }
};

TEST_F(BinReaderTest, LoadersFillEverySliceWithProgressThenWriteTheVoxelCache) {
    SeriesLoad series(10);
    series.scan();
    ReaderPtr reader = series.open();
    reader->setNotificationKey(77, nullptr);
    ValueRecorder progress(isImageSDK::NOTIFY_LOAD_PROGRESS);
    ValueRecorder complete(isImageSDK::NOTIFY_SERIES_CACHED);

    isImageData* output = pull(reader.get());
    ASSERT_TRUE(output->isVolume());
    ASSERT_TRUE(waitForLoad(reader.get()));
    drainNotifications();

    expectSeriesPixels(output, 10);
    float spacing[3] = {};
    output->getSpacing(spacing);
    EXPECT_FLOAT_EQ(spacing[2], 1.5f);
    EXPECT_EQ(output->getDataName(), "S1,1");
    EXPECT_EQ(output->getSlice(9)->instanceNumber, 10);
    ASSERT_EQ(progress.received.size(), 10u);
    for (size_t i = 0; i < progress.received.size(); ++i) {
        const ValueRecorder::Received& r = progress.received[i];
        EXPECT_FLOAT_EQ(r.floatValue, float(i + 1) / 10.0f);
        EXPECT_EQ(r.indexValue, static_cast<int>(NSUI::foldedHash("S1,1")));
        EXPECT_EQ(r.sender, reader.get());
    }
    ASSERT_EQ(complete.received.size(), 1u);
    EXPECT_EQ(complete.received[0].sender, reader.get());
    EXPECT_EQ(complete.received[0].dataKey, 77u);
    EXPECT_EQ(fileSize(series.folder.rawPath()), 10u * 4 * 4 * 2);
}

TEST_F(BinReaderTest, SecondOpenTakesEverySliceFromTheVoxelCache) {
    SeriesLoad series(6);
    series.scan();
    {
        ReaderPtr first = series.open();
        pull(first.get());
        ASSERT_TRUE(waitForLoad(first.get()));
    }
    drainNotifications();
    ReaderPtr second = series.open();
    ValueRecorder progress(isImageSDK::NOTIFY_LOAD_PROGRESS);
    ValueRecorder complete(isImageSDK::NOTIFY_SERIES_CACHED);
    isImageData* output = pull(second.get());
    EXPECT_TRUE(second->isLoadComplete());
    expectSeriesPixels(output, 6);
    drainNotifications();
    EXPECT_TRUE(progress.received.empty());
    EXPECT_TRUE(complete.received.empty());
}

TEST_F(BinReaderTest, AVoxelCacheOneByteShortIsDeletedAndTheFilesAreReadAgain) {
    SeriesLoad series(6);
    series.scan();
    {
        ReaderPtr first = series.open();
        pull(first.get());
        ASSERT_TRUE(waitForLoad(first.get()));
    }
    drainNotifications();
    const std::uintmax_t whole = fileSize(series.folder.rawPath());
    std::filesystem::resize_file(series.folder.rawPath(), whole - 1);

    ReaderPtr second = series.open();
    ValueRecorder progress(isImageSDK::NOTIFY_LOAD_PROGRESS);
    isImageData* output = pull(second.get());
    ASSERT_TRUE(waitForLoad(second.get()));
    drainNotifications();
    expectSeriesPixels(output, 6);
    EXPECT_EQ(progress.received.size(), 6u);
    EXPECT_EQ(fileSize(series.folder.rawPath()), whole);
}

TEST_F(BinReaderTest, JpegLosslessSlicesLoadToTheSamePixels) {
    SeriesLoad series(5, 8, EXS_JPEGProcess14SV1);
    series.scan();
    ReaderPtr reader = series.open();
    isImageData* output = pull(reader.get());
    ASSERT_TRUE(waitForLoad(reader.get()));
    expectSeriesPixels(output, 5);
}

// CT as scanners write it: unsigned samples, 12 bits stored, intercept -1024. Every loader
// rescales into its own buffer and the volume holds the rescaled values.
TEST_F(BinReaderTest, ScannerCtSlicesLoadRescaledFromEveryLoader) {
    SeriesLoad series(0, 16);
    bvtest::DicomFixture ct = series.fixture;
    ct.pixels = bvtest::DicomFixture::Pixels::U16;
    ct.bitsStored = 12;
    ct.writeRescale = true;
    ct.rescaleIntercept = -1024.0;
    for (int s = 0; s < 12; ++s) {
        ct.instanceNumber = s + 1;
        ct.imagePosition = {0.0, 0.0, 1.5 * s};
        ct.samples.clear();
        for (int k = 0; k < 16 * 16; ++k) {
            ct.samples.push_back(sampleOf(s, k) + 1024);
        }
        ASSERT_TRUE(ct.write(series.folder.path + "ct" + std::to_string(100 + s) + ".dcm"));
    }
    series.scan();
    ReaderPtr reader = series.open();
    isImageData* output = pull(reader.get());
    ASSERT_EQ(output->pixelType, isImageSDK::PIXEL_INT16);
    ASSERT_TRUE(waitForLoad(reader.get()));
    expectSeriesPixels(output, 12);
    EXPECT_EQ(fileSize(series.folder.rawPath()), 12u * 16 * 16 * 2);
}

// Slices of different sizes are a series: one buffer per slice, cached slice after slice.
TEST_F(BinReaderTest, ASeriesOfMixedSizesLoadsAndReopensFromItsCache) {
    SeriesLoad series(3);
    bvtest::DicomFixture larger = series.fixture;
    larger.rows = 6;
    larger.columns = 5;
    series.write(3, larger);
    series.scan();
    {
        ReaderPtr reader = series.open();
        isImageData* output = pull(reader.get());
        EXPECT_FALSE(output->isVolume());
        ASSERT_TRUE(waitForLoad(reader.get()));
        expectSeriesPixels(output, 4);
    }
    EXPECT_EQ(fileSize(series.folder.rawPath()), (3u * 16 + 30) * 2);
    ReaderPtr again = series.open();
    isImageData* output = pull(again.get());
    EXPECT_TRUE(again->isLoadComplete());
    expectSeriesPixels(output, 4);
}

TEST_F(BinReaderTest, AFileNameWithACommaLoads) {
    SeriesLoad series(2);
    series.write(2, series.fixture, "a,b.dcm");
    series.scan();
    ReaderPtr reader = series.open();
    isImageData* output = pull(reader.get());
    ASSERT_TRUE(waitForLoad(reader.get()));
    EXPECT_EQ(output->getNumberOfSlices(), 3);
}

TEST_F(BinReaderTest, AWaitingViewerHearsOnceWhenItsSliceArrives) {
    SeriesLoad series(9);
    series.scan();
    ReaderPtr reader = series.open();
    Requester viewer;
    Requester other;
    ValueRecorder heard(isImageSDK::NOTIFY_SLICE_READY, &viewer);
    ValueRecorder otherHeard(isImageSDK::NOTIFY_SLICE_READY, &other);
    const std::string path = series.paths[7];

    reader->prioritize(&viewer, path);
    reader->prioritize(&viewer, path);
    pull(reader.get());
    ASSERT_TRUE(waitForLoad(reader.get()));
    drainNotifications();
    ASSERT_EQ(heard.received.size(), 1u);
    EXPECT_EQ(heard.received[0].indexValue, static_cast<int>(NSUI::foldedHash(path)));
    EXPECT_EQ(heard.received[0].sender, reader.get());
    EXPECT_TRUE(otherHeard.received.empty());

    // A slice that is already there is announced at once rather than never.
    reader->prioritize(&other, path);
    drainNotifications();
    EXPECT_EQ(otherHeard.received.size(), 1u);
}

TEST_F(BinReaderTest, ANewSourceMidLoadCancelsTheOldLoad) {
    SeriesLoad first(40, 32);
    first.scan();
    SeriesLoad second(12);
    second.scan();
    ReaderPtr reader = first.open();
    pull(reader.get());
    ASSERT_TRUE(reader->setSource(second.folder.path, second.folder.prebinPath()));
    isImageData* output = pull(reader.get());
    ASSERT_TRUE(waitForLoad(reader.get()));
    expectSeriesPixels(output, 12);
}

TEST_F(BinReaderTest, ReleasingTheReaderMidLoadEndsItsLoaders) {
    SeriesLoad series(40, 32);
    series.scan();
    ValueRecorder progress(isImageSDK::NOTIFY_LOAD_PROGRESS);
    ValueRecorder complete(isImageSDK::NOTIFY_SERIES_CACHED);
    // A sanitizer's runtime starts a helper thread of its own with the first thread the process
    // creates: let that happen before the count the loaders are measured against.
    std::thread([] {}).join();
    const std::size_t threadsBefore = threadCount();
    ReaderPtr reader = series.open();
    pull(reader.get());
    ASSERT_GT(threadCount(), threadsBefore);
    reader.reset();
    // Every loader has been joined by the time the last reference is gone.
    EXPECT_EQ(threadCount(), threadsBefore);

    drainNotifications();
    const std::size_t heard = progress.received.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    drainNotifications();
    EXPECT_EQ(progress.received.size(), heard) << "a loader still posts after the release";
    EXPECT_LE(heard, series.paths.size());
    if (heard < series.paths.size()) {
        // A partial load leaves no voxel cache behind.
        EXPECT_FALSE(std::filesystem::exists(series.folder.rawPath()));
        EXPECT_TRUE(complete.received.empty());
    }
}

// Every processor but the screen's own gets a loader, counted in the threads the load starts.
TEST_F(BinReaderTest, ALoadStartsALoaderForEachProcessorButTheScreens) {
    const int loaders = isBinReader::loaderCountFor(std::thread::hardware_concurrency());
    SeriesLoad series(loaders + 3);
    series.scan();
    // A sanitizer's helper thread starts with the process's first thread, not with the load.
    std::thread([] {}).join();
    const std::size_t threadsBefore = threadCount();
    ReaderPtr reader = series.open();
    isImageData* output = pull(reader.get());
    ASSERT_TRUE(waitForLoad(reader.get()));
    EXPECT_EQ(threadCount() - threadsBefore, std::size_t(loaders));
    expectSeriesPixels(output, loaders + 3);
}

TEST_F(BinReaderTest, TheSameSourceAgainKeepsWhatIsLoaded) {
    SeriesLoad series(4);
    series.scan();
    ReaderPtr reader = series.open();
    isImageData* output = pull(reader.get());
    ASSERT_TRUE(waitForLoad(reader.get()));
    EXPECT_TRUE(reader->setSource(series.folder.path, series.folder.prebinPath()));
    output = pull(reader.get());
    EXPECT_TRUE(reader->isLoadComplete());
    expectSeriesPixels(output, 4);
}

TEST_F(BinReaderTest, AFileThatDecodesToAnotherSizeIsNeverLoaded) {
    SeriesLoad series(5);
    series.scan();
    bvtest::DicomFixture changed = series.fixture;
    changed.rows = 5;
    changed.instanceNumber = 3;
    std::string error;
    ASSERT_TRUE(changed.write(series.paths[2], &error)) << error;

    ReaderPtr reader = series.open();
    ValueRecorder progress(isImageSDK::NOTIFY_LOAD_PROGRESS);
    pull(reader.get());
    ASSERT_TRUE(stepUntil([&] { return progress.received.size() >= 4; }));
    drainNotifications();
    EXPECT_EQ(progress.received.size(), 4u);
    EXPECT_FALSE(reader->isLoadComplete());
    EXPECT_FALSE(std::filesystem::exists(series.folder.rawPath()));
}

// Overwrites the start-of-image marker of the first JPEG fragment in a file: the header still
// reads, the pixels no longer decode.
void breakJpegStream(const std::string& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t marker = bytes.find("\xFF\xD8\xFF");
    ASSERT_NE(marker, std::string::npos) << path;
    file.seekp(static_cast<std::streamoff>(marker));
    file.write("\0\0\0", 3);
}

TEST_F(BinReaderTest, ASliceThatCannotBeDecodedFailsAndTheLoadStillEnds) {
    SeriesLoad series(5, 8, EXS_JPEGProcess14SV1);
    breakJpegStream(series.paths[2]);
    series.scan();
    ReaderPtr reader = series.open();
    reader->setNotificationKey(77, nullptr);
    ValueRecorder progress(isImageSDK::NOTIFY_LOAD_PROGRESS);
    ValueRecorder complete(isImageSDK::NOTIFY_SERIES_CACHED);
    isImageData* output = pull(reader.get());
    ASSERT_EQ(output->getNumberOfSlices(), 5);
    ASSERT_TRUE(stepUntil([&] { return reader->isLoadFinished(); }));
    drainNotifications();

    EXPECT_FALSE(reader->isLoadComplete());
    EXPECT_EQ(reader->getFailedSliceCount(), 1);
    int s = 0;
    for (const isSliceInfo* slice : output->slices) {
        EXPECT_EQ(slice->loadFailed, s == 2) << "slice " << s;
        EXPECT_EQ(slice->loaded, s != 2) << "slice " << s;
        ++s;
    }
    EXPECT_EQ(progress.received.size(), 4u);
    ASSERT_EQ(complete.received.size(), 1u);
    EXPECT_EQ(complete.received[0].intValue, 1);
    EXPECT_EQ(complete.received[0].dataKey, 77u);
    // Nothing is cached, so a repaired file is read at the next open.
    EXPECT_FALSE(std::filesystem::exists(series.folder.rawPath()));
}

// A slice the scan could not place keeps that in the series, so no viewer positions it.
TEST_F(BinReaderTest, ASliceWithoutUsableGeometryIsInvalidInTheSeries) {
    SeriesLoad series(2);
    bvtest::DicomFixture unplaced = series.fixture;
    unplaced.customise = [](DcmDataset& set) {
        set.putAndInsertString(DCM_ImagePositionPatient, "0\\inf\\0");
    };
    series.write(2, unplaced);
    series.scan();
    ReaderPtr reader = series.open();
    isImageData* output = pull(reader.get());
    ASSERT_FALSE(output->isVolume());
    ASSERT_EQ(output->getNumberOfSlices(), 3);
    for (const isSliceInfo* slice : output->slices) {
        EXPECT_EQ(slice->geometryValid, slice->path != series.paths[2]) << slice->path;
    }
    ASSERT_TRUE(waitForLoad(reader.get()));
}

struct ShortageCase {
    const char* name;
    bool mixedSizes;
};

class BinReaderShortageTest : public BinReaderTest,
                              public ::testing::WithParamInterface<ShortageCase> {};

TEST_P(BinReaderShortageTest, NoVoxelMemoryLeavesTheOutputEmptyAndSaysSo) {
    SeriesLoad series(4);
    if (GetParam().mixedSizes) {
        bvtest::DicomFixture larger = series.fixture;
        larger.rows = 6;
        series.write(4, larger);
    }
    series.scan();
    ReaderPtr reader = series.open();
    ValueRecorder shortage(isImageSDK::NOTIFY_OUT_OF_MEMORY);
    isImageData* output = nullptr;
    {
        VoxelAllocatorGuard refuseAll([](std::size_t, std::size_t) { return true; });
        output = pull(reader.get());
    }
    EXPECT_EQ(output->getNumberOfSlices(), 0);
    EXPECT_FALSE(reader->isLoadComplete());
    drainNotifications();
    EXPECT_FALSE(shortage.received.empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, BinReaderShortageTest,
                         ::testing::Values(ShortageCase{"Volume", false},
                                           ShortageCase{"Series", true}),
                         [](const ::testing::TestParamInfo<ShortageCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(BinReaderTest, ADamagedCacheFileIsDeletedAndNothingIsBuilt) {
    SeriesLoad series(4);
    series.scan();
    std::filesystem::resize_file(series.folder.prebinPath(), 68 + 100);
    ReaderPtr reader = series.open();
    EXPECT_TRUE(reader->isBufferValid());
    isImageData* output = pull(reader.get());
    EXPECT_EQ(output->getNumberOfSlices(), 0);
    EXPECT_FALSE(std::filesystem::exists(series.folder.prebinPath()));
}

TEST_F(BinReaderTest, AMissingCacheFileIsRefused) {
    SeriesFolder folder;
    ReaderPtr reader(isBinReader::create());
    EXPECT_FALSE(reader->setSource(folder.path, folder.prebinPath()));
    EXPECT_FALSE(reader->isBufferValid());
    EXPECT_FALSE(reader->isLoadComplete());
}

struct OrderCase {
    const char* name;
    std::vector<int> queued;
    int wanted;
    std::vector<int> expected;
};

class LoaderOrderTest : public ::testing::TestWithParam<OrderCase> {};

// Requests carry their slice index; the id of slice i is 1000 + i.
TEST_P(LoaderOrderTest, TheWantedSliceFirstThenItsNeighboursOutwards) {
    const OrderCase& c = GetParam();
    std::vector<NSUI::NSThreadRequest*> queue;
    for (int index : c.queued) {
        auto* request = new NSUI::NSThreadRequest();
        request->userValue1 = index;
        request->requestId = 1000 + index;
        queue.push_back(request);
    }
    const std::vector<NSUI::NSThreadRequest*> owned(queue);
    dcmLoadingThread::orderAround(queue, 1000 + c.wanted);
    std::vector<int> order;
    for (const NSUI::NSThreadRequest* request : queue) {
        order.push_back(static_cast<int>(request->userValue1));
    }
    EXPECT_EQ(order, c.expected);
    for (NSUI::NSThreadRequest* request : owned) {
        request->release();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Queues, LoaderOrderTest,
    ::testing::Values(OrderCase{"Middle", {0, 4, 8, 12, 16}, 8, {8, 4, 12, 0, 16}},
                      OrderCase{"First", {0, 4, 8, 12, 16}, 0, {0, 4, 8, 12, 16}},
                      OrderCase{"Last", {0, 4, 8, 12, 16}, 16, {16, 12, 8, 4, 0}},
                      OrderCase{"NearTheStart", {1, 5, 9, 13, 17, 21}, 5, {5, 1, 9, 13, 17, 21}},
                      OrderCase{"Unsorted", {12, 0, 16, 4, 8}, 4, {4, 0, 8, 12, 16}},
                      OrderCase{"NotQueuedHere", {3, 7, 11}, 8, {11, 7, 3}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

struct LoaderCountCase {
    unsigned cores;
    int loaders;
};

class LoaderCountTest : public ::testing::TestWithParam<LoaderCountCase> {};

// Zero cores is a machine that does not say how many it has.
TEST_P(LoaderCountTest, OneLoaderPerCoreButTheScreensAndNeverFewerThanFour) {
    EXPECT_EQ(isBinReader::loaderCountFor(GetParam().cores), GetParam().loaders);
}

INSTANTIATE_TEST_SUITE_P(Cores, LoaderCountTest,
                         ::testing::Values(LoaderCountCase{0, 4}, LoaderCountCase{1, 4},
                                           LoaderCountCase{2, 4}, LoaderCountCase{4, 4},
                                           LoaderCountCase{5, 4}, LoaderCountCase{6, 5},
                                           LoaderCountCase{8, 7}, LoaderCountCase{16, 15},
                                           LoaderCountCase{64, 63}),
                         [](const ::testing::TestParamInfo<LoaderCountCase>& info) {
                             return std::to_string(info.param.cores) + "Cores";
                         });

}  // namespace
