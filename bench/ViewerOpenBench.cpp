// Opening a series in the image viewer, in a real window, for the example study (40 CT slices of
// 256 x 256, imported from the shipped archive) and a 500-slice 512 x 512 CT written here with
// DCMTK, both imported into a study library of their own: from the open request to the end of
// the first frame that draws the shown slice with its pixels. Each open is a first one (no
// series cache, no voxel cache), then a reopen with both caches in place. The reference, in the
// same run and from the same cache state, is the series loader alone: the scan when the cache is
// missing, the reader, and the load of the slice the viewer shows (and, beside it, of every
// slice). Then one wheel step through the window's event queue to the end of the frame that
// draws the next slice, next to a frame of the same scene with nothing to do.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/backend/GLViewImpl.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/io/isDcmScan.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "studydb/importDcm.h"
#include "studydb/sniffer.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/core/ZipRoutines.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr float kWidth = 1280.0f;
constexpr float kHeight = 800.0f;
constexpr int kCtSlices = 500;
constexpr int kCtSide = 512;
// Frames of waiting before an open or a step counts as failed.
constexpr int kFrameLimit = 20000;

enum Study { kExample = 0, kCt500 = 1 };

struct Library {
    std::string work;
    std::string dicomRoot;
    // Series folder (relative to the DICOM root) of each study.
    std::string folder[2];
    // The slice the viewer shows first, as the reference loads it.
    int shownIndex[2] = {-1, -1};
};

Library& library() {
    static Library value;
    return value;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void frame() {
    cocos2d::Director::getInstance()->mainLoop(1.0f / 60.0f);
}

// The window's events, then a frame: one turn of the application's loop.
void turn() {
    cocos2d::Director::getInstance()->getOpenGLView()->pollEvents();
    frame();
}

std::string folderOf(Study study) {
    return library().dicomRoot + library().folder[study];
}

// The series caches go, so that the next open scans and loads as a first one does.
void dropCaches(Study study) {
    isImageSDK::removeFolderBuffer(folderOf(study));
}

// The series path of every series in the library with its image count.
std::map<std::string, int> seriesInLibrary() {
    dicomDB* db = dataService::getInstance()->getDatabase();
    NSUI::NSDBDataModel rows;
    {
        std::lock_guard<std::recursive_mutex> guard(db->getLock());
        db->getConnection().getRecords("select series.path, count(image.ID) from series, image "
                                       "where image.seriesID = series.ID group by series.ID",
                                       &rows);
    }
    std::map<std::string, int> found;
    for (int i = 0; i < rows.getRowCount(); ++i) {
        found[rows.getValue(i, 0)] = std::stoi(rows.getValue(i, 1));
    }
    return found;
}

// The example study from the shipped archive and the CT written by DCMTK, imported as a user's
// import does; false when either does not reach the library whole.
bool makeLibrary() {
    Library& lib = library();
    const std::string example = lib.work + "source/example/";
    const std::string ct = lib.work + "source/ct/";
    std::filesystem::create_directories(example);
    std::filesystem::create_directories(ct);
    const std::string archive =
        cocos2d::FileUtils::getInstance()->fullPathForFilename("example.zip");
    if (archive.empty() || !NSUI::unzipFile(archive, example, "")) {
        return false;
    }
    bvtest::DicomFixture fixture;
    fixture.rows = kCtSide;
    fixture.columns = kCtSide;
    fixture.pixels = bvtest::DicomFixture::Pixels::U16;
    fixture.bitsStored = 12;
    fixture.writeRescale = true;
    fixture.rescaleIntercept = -1024.0;
    fixture.writeWindow = true;
    fixture.windowCentre = 40.0;
    fixture.windowWidth = 400.0;
    fixture.pixelSpacing = {0.7, 0.7};
    fixture.patientName = "BENCH^CT";
    fixture.patientID = "BENCH-500";
    fixture.studyInstanceUID = "2.25.1776001";
    fixture.seriesInstanceUID = "2.25.1776001.1";
    fixture.writeSeries(ct, kCtSlices, 1.0);

    importDcm* importer = importDcm::create();
    importer->retain();
    importer->setDicomRoot(lib.dicomRoot);
    importer->importPath(example, false);
    importer->importPath(ct, true);
    std::map<std::string, int> series;
    for (int i = 0; i < kFrameLimit * 10; ++i) {
        frame();
        series = seriesInLibrary();
        int images = 0;
        for (const auto& entry : series) {
            images += entry.second;
        }
        if (images >= 40 + kCtSlices) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    importer->shutdown();
    importer->release();
    for (const auto& [path, images] : series) {
        const std::string folder = path.back() == '/' ? path : path + "/";
        if (images == 40) {
            lib.folder[kExample] = folder;
        } else if (images == kCtSlices) {
            lib.folder[kCt500] = folder;
        }
    }
    return !lib.folder[kExample].empty() && !lib.folder[kCt500].empty();
}

// The viewer's shown slice record has its pixels: the frame just drawn showed them.
bool shownSliceDrawn(isImageSDK::isViewerImage* viewer) {
    const isImageSDK::isSliceInfo* shown = viewer->getShownSlice();
    return shown != nullptr && shown->loaded;
}

// The open as the viewer meets it: the series cache (scanned when missing), a reader loading
// the series, its output bound to a viewer filling the window, frames until the shown slice is
// drawn. The viewer and reader are left in `viewer` and `reader`.
bool openInViewer(Study study, isImageSDK::isViewerImage*& viewer,
                  isImageSDK::isBinReader*& reader) {
    const std::string folder = folderOf(study);
    std::string cache = isImageSDK::getFolderBufferPath(folder);
    if (cache.empty() || !isImageSDK::isPrebinValid(cache)) {
        isImageSDK::isDcmScan().createBuffer(folder);
        cache = isImageSDK::getFolderBufferPath(folder);
    }
    reader = isImageSDK::isBinReader::create();
    if (cache.empty() || !reader->setSource(folder, cache)) {
        return false;
    }
    reader->update();
    viewer = isImageSDK::isViewerImage::create();
    viewer->setContentSize(cocos2d::Size(kWidth, kHeight));
    cocos2d::Director::getInstance()->getRunningScene()->addChild(viewer);
    viewer->setImageData(reader->getOutputImage());
    for (int i = 0; i < kFrameLimit; ++i) {
        turn();
        if (shownSliceDrawn(viewer)) {
            library().shownIndex[study] = viewer->getImageActor()->getSliceIndex();
            return true;
        }
    }
    return false;
}

void closeViewer(isImageSDK::isViewerImage* viewer, isImageSDK::isBinReader* reader) {
    if (viewer != nullptr) {
        viewer->removeFromParent();
    }
    for (int i = 0; i < 4; ++i) {
        frame();
    }
    if (reader != nullptr) {
        reader->release();
    }
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

void ViewerOpenToFirstSlice(benchmark::State& state) {
    const auto study = static_cast<Study>(state.range(0));
    const bool cached = state.range(1) != 0;
    for (auto _ : state) {
        if (!cached) {
            dropCaches(study);
        }
        const auto start = Clock::now();
        isImageSDK::isViewerImage* viewer = nullptr;
        isImageSDK::isBinReader* reader = nullptr;
        const bool shown = openInViewer(study, viewer, reader);
        state.SetIterationTime(secondsSince(start));
        // The reopen finds the voxel cache the first open wrote.
        while (shown && !cached && !reader->isLoadComplete()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        closeViewer(viewer, reader);
        if (!shown) {
            state.SkipWithError("the shown slice was not drawn");
            return;
        }
    }
}

// The loader alone from the same state: the scan when the cache is missing, the reader, then
// the slice the viewer showed put first and awaited; the whole series is timed beside it.
void LoaderOwnFirstSlice(benchmark::State& state) {
    const auto study = static_cast<Study>(state.range(0));
    const bool cached = state.range(1) != 0;
    const int index = library().shownIndex[study];
    if (index < 0) {
        state.SkipWithError("the viewer's open runs first");
        return;
    }
    double whole = 0.0;
    for (auto _ : state) {
        if (!cached) {
            dropCaches(study);
        }
        const auto start = Clock::now();
        const std::string folder = folderOf(study);
        std::string cache = isImageSDK::getFolderBufferPath(folder);
        if (cache.empty() || !isImageSDK::isPrebinValid(cache)) {
            isImageSDK::isDcmScan().createBuffer(folder);
            cache = isImageSDK::getFolderBufferPath(folder);
        }
        isImageSDK::isBinReader* reader = isImageSDK::isBinReader::create();
        if (cache.empty() || !reader->setSource(folder, cache)) {
            reader->release();
            state.SkipWithError("the series did not open");
            return;
        }
        reader->update();
        isImageSDK::isImageData* data = reader->getOutputImage();
        isImageSDK::isSliceInfo* slice = data->getSlice(index);
        reader->prioritize(nullptr, slice->path);
        while (!slice->loaded) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        state.SetIterationTime(secondsSince(start));
        while (!reader->isLoadComplete()) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        whole += secondsSince(start);
        // The slice's announcement is delivered before its sender goes.
        for (int i = 0; i < 4; ++i) {
            frame();
        }
        reader->release();
    }
    state.counters["whole_series_ms"] = whole / double(state.iterations()) * 1e3;
}

// The pointer over the window's centre, so that the wheel reaches the viewer under it.
void pointAtCentre() {
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = static_cast<Sint32>(kWidth / 2);
    motion.motion.y = static_cast<Sint32>(kHeight / 2);
    SDL_PushEvent(&motion);
}

// One notch; a positive step (away from the user) moves to the next slice.
void pushWheel(int step) {
    SDL_Event wheel = {};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = step;
    wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&wheel);
}

// With step false, the same frames of the same scene with no event: what a frame costs.
void wheelFrames(benchmark::State& state, bool step) {
    isImageSDK::isViewerImage* viewer = nullptr;
    isImageSDK::isBinReader* reader = nullptr;
    if (!openInViewer(kCt500, viewer, reader)) {
        closeViewer(viewer, reader);
        state.SkipWithError("the series was not shown");
        return;
    }
    while (!reader->isLoadComplete()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pointAtCentre();
    turn();
    isImageSDK::isActorImage* actor = viewer->getImageActor();
    const int count = actor->getNumberOfPositions();
    int notch = 1;
    int frames = 0;
    for (auto _ : state) {
        if (!step) {
            turn();
            ++frames;
            continue;
        }
        const int from = actor->getSliceIndex();
        if (from + notch < 0 || from + notch >= count) {
            notch = -notch;
        }
        pushWheel(notch);
        do {
            turn();
            ++frames;
        } while (actor->getSliceIndex() == from && frames < kFrameLimit);
        if (actor->getSliceIndex() == from || !shownSliceDrawn(viewer)) {
            state.SkipWithError("the wheel did not step the slice");
            break;
        }
    }
    state.counters["frames/step"] = double(frames) / double(state.iterations());
    closeViewer(viewer, reader);
}

void ViewerWheelStepToFrame(benchmark::State& state) {
    wheelFrames(state, true);
}

void ReferencePlainFrame(benchmark::State& state) {
    wheelFrames(state, false);
}

}  // namespace

BENCHMARK(ViewerOpenToFirstSlice)
    ->ArgNames({"ct500", "cached"})
    ->Args({kExample, 0})
    ->Args({kExample, 1})
    ->Args({kCt500, 0})
    ->Args({kCt500, 1})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(LoaderOwnFirstSlice)
    ->ArgNames({"ct500", "cached"})
    ->Args({kExample, 0})
    ->Args({kExample, 1})
    ->Args({kCt500, 0})
    ->Args({kCt500, 1})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ViewerWheelStepToFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(ReferencePlainFrame)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    bvtest::TempDir work("viewerbench");
    work.useAsWritablePath("writable");
    Library& lib = library();
    lib.work = work.str();
    lib.dicomRoot = lib.work + "dicom/";
    std::filesystem::create_directories(lib.dicomRoot);
    NSUI::setEncodedUserDefault("app_dicom_path", lib.dicomRoot);
    // Not a first run: the library holds only what is imported here.
    AppConfig* config = AppConfig::getInstance();
    config->retain();
    NSUI::setEncodedUserDefault("app_init_db", "0");
    config->setWinSize(cocos2d::Size(kWidth, kHeight));
    config->getDesignSize() = cocos2d::Size(kWidth, kHeight);
    dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
    const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort());
    NSUI::sniffer::setDefaultPorts(udp, udp);
    dataService::getInstance();
    cocos2d::FileUtils::getInstance()->addSearchPath("res/pad");
    NSUI::NSNotificationCenter::getInstance();

    cocos2d::GLViewImpl* view =
        cocos2d::GLViewImpl::createWithRect("bench", cocos2d::Rect(0, 0, kWidth, kHeight));
    if (view == nullptr) {
        return 1;
    }
    view->retain();
    cocos2d::Director* director = cocos2d::Director::getInstance();
    director->setOpenGLView(view);
    director->setWinSize(cocos2d::Size(kWidth, kHeight));
    director->runWithScene(cocos2d::Scene::create());
    frame();

    int status = 0;
    if (makeLibrary()) {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    } else {
        status = 1;
    }

    view->end();
    director->setOpenGLView(nullptr);
    view->release();
    director->purgeDirector();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    dataService::destroyInstance();
    NSUI::sniffer::stop();
    config->release();
    return status;
}
