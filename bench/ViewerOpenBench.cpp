// The viewer screen opening a series from the study list, in a real window, for the example
// study (40 CT slices of 256 x 256, imported from the shipped archive) and a 500-slice 512 x 512
// CT written here with DCMTK, both imported into a study library of their own: from the touch on
// the series row's open end to the end of the first frame that draws the shown slice with its
// pixels. Each open is a first one (no series cache, no voxel cache), then a reopen with both
// caches in place. Two references from the same cache state, in the same run: the series loader
// alone (the scan when the cache is missing, the reader, and the load of the slice the screen
// shows; the whole series beside it) and a bare image viewer filling the window over the same
// reader. Then one wheel step through the window's event queue over the screen's viewer to the
// end of the frame that draws the next slice, next to a frame of the same screen with nothing to
// do.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/ViewerScreenLink.h"
#include "app/studyList.h"
#include "engine/2d/Scene.h"
#include "engine/backend/GLViewImpl.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "engine/renderer/ScreenCapture.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/io/isDcmScan.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "studydb/importDcm.h"
#include "studydb/sniffer.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/core/ZipRoutines.h"
#include "toolkit/widgets/NSListView.h"
#include "viewerscreen/imageViewerPC.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr float kWidth = 1280.0f;
constexpr float kHeight = 800.0f;
constexpr int kCtSlices = 500;
constexpr int kCtSide = 512;
// Frames of waiting before an open or a step counts as failed.
constexpr int kFrameLimit = 3000;
// Waits of 20 ms for the import to file every image.
constexpr int kImportWaits = 30000;

enum Study { kExample = 0, kCt500 = 1 };

struct Library {
    std::string work;
    std::string dicomRoot;
    // Series folder (relative to the DICOM root, as the study list keeps it) of each study.
    std::string folder[2];
    std::string patient[2];
    // The slice the screen shows first, as the reference loads it.
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
    std::string folder = library().dicomRoot + library().folder[study];
    return folder.back() == '/' ? folder : folder + "/";
}

// The series caches go, so that the next open scans and loads as a first one does.
void dropCaches(Study study) {
    isImageSDK::removeFolderBuffer(folderOf(study));
}

struct LibrarySeries {
    std::string patient;
    int images = 0;
};

// Every series in the library by its path, with its patient and image count.
std::map<std::string, LibrarySeries> seriesInLibrary() {
    dicomDB* db = dataService::getInstance()->getDatabase();
    NSUI::NSDBDataModel rows;
    {
        std::lock_guard<std::recursive_mutex> guard(db->getLock());
        db->getConnection().getRecords(
            "select series.path, study.patientID, count(image.ID) from series, study, image "
            "where image.seriesID = series.ID and series.studyID = study.ID group by series.ID",
            &rows);
    }
    std::map<std::string, LibrarySeries> found;
    for (int i = 0; i < rows.getRowCount(); ++i) {
        found[rows.getValue(i, 0)] = {rows.getValue(i, 1), std::stoi(rows.getValue(i, 2))};
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
    std::map<std::string, LibrarySeries> series;
    for (int i = 0; i < kImportWaits; ++i) {
        frame();
        series = seriesInLibrary();
        int images = 0;
        for (const auto& entry : series) {
            images += entry.second.images;
        }
        if (images >= 40 + kCtSlices) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    importer->shutdown();
    importer->release();
    for (const auto& [path, found] : series) {
        const int study = found.images == 40 ? kExample : found.images == kCtSlices ? kCt500 : -1;
        if (study >= 0) {
            lib.folder[study] = path;
            lib.patient[study] = found.patient;
        }
    }
    return !lib.folder[kExample].empty() && !lib.folder[kCt500].empty();
}

// The viewer's shown slice record has its pixels: the frame just drawn showed them.
bool shownSliceDrawn(isImageSDK::isViewerImage* viewer) {
    const isImageSDK::isSliceInfo* shown = viewer != nullptr ? viewer->getShownSlice() : nullptr;
    return shown != nullptr && shown->loaded;
}

imageViewerPC* runningScreen() {
    cocos2d::Scene* running = cocos2d::Director::getInstance()->getRunningScene();
    return running != nullptr ? dynamic_cast<imageViewerPC*>(running->getChildByName("imageViewPC"))
                              : nullptr;
}

// The image viewer of the screen's active cell (its light-box's current tile), null before the
// screen shows one or while the light-box waits for its layout, a frame that draws nothing.
isImageSDK::isViewerImage* activeViewer(imageViewerPC* screen) {
    isImageSDK::isViewerMulti* multi = screen != nullptr ? screen->currentMultiViewer() : nullptr;
    isImageSDK::KeyViewProperty* cell = multi != nullptr ? multi->getActiveProperty() : nullptr;
    isImageSDK::isViewerBrowser* browser =
        cell != nullptr ? isImageSDK::isViewerMulti::browserOf(cell) : nullptr;
    if (browser == nullptr || browser->isLayoutDue() || !browser->isVisible()) {
        return nullptr;
    }
    return browser->getCurrentTile() != nullptr
               ? browser->getCurrentTile()
               : (browser->getTiles().empty() ? nullptr : browser->getTiles().front());
}

// The study list of the study's patient on a scene of its own, its rows in.
studyList* showStudyList(Study study) {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    studyList* list = studyList::create();
    list->setContentSize(cocos2d::Size(kWidth, kHeight));
    list->initWithPC(true);
    list->setPatient(library().patient[study]);
    scene->addChild(list);
    cocos2d::Director::getInstance()->replaceScene(scene);
    for (int i = 0; i < kFrameLimit && !(list->isRowsLoaded() && !list->isLoading()); ++i) {
        frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return list->isRowsLoaded() ? list : nullptr;
}

// Touches the open end of the study's series row, as the user does.
bool touchSeriesRow(studyList* list, Study study) {
    NSUI::NSListView* rows = list->getRowTable();
    for (ssize_t i = 0; i < rows->getItemCount(); ++i) {
        const studyList::listObject* row = list->getRow(i);
        NSUI::NSTableViewCell* cell = rows->cellAtIndex(i);
        if (row != nullptr && row->type == 1 && row->folder == library().folder[study] &&
            cell != nullptr) {
            list->tableCellTouched(rows, cell,
                                   cocos2d::Vec2(rows->getContentSize().width - 10.0f,
                                                 cell->getContentSize().height / 2.0f));
            return true;
        }
    }
    return false;
}

// Frames until the screen's viewer has drawn its shown slice; that viewer, or null. Counts the
// frames in `frames`.
isImageSDK::isViewerImage* framesUntilDrawn(int& frames) {
    for (int i = 0; i < kFrameLimit; ++i) {
        turn();
        ++frames;
        isImageSDK::isViewerImage* viewer = activeViewer(runningScreen());
        if (shownSliceDrawn(viewer)) {
            return viewer;
        }
    }
    return nullptr;
}

// Whether the middle third of the viewer, read back from the next frame, shows an image rather
// than the empty background: a tenth of it brighter than near black. Untimed: it keeps the
// figures honest about what was drawn.
bool showsAnImage(const cocos2d::Node* viewer) {
    const cocos2d::Size size = viewer->getContentSize();
    const cocos2d::Vec2 corner =
        viewer->convertToWorldSpace(cocos2d::Vec2(size.width / 3, size.height / 3));
    bool captured = false;
    cocos2d::Image picture;
    cocos2d::utils::captureScreen(
        [&](bool ok, const std::string& path) { captured = ok && picture.initWithImageFile(path); },
        library().work + "shown.png", static_cast<int>(corner.x), static_cast<int>(corner.y),
        static_cast<int>(size.width / 3), static_cast<int>(size.height / 3));
    for (int i = 0; i < 3 && !captured; ++i) {
        frame();
    }
    if (!captured || picture.getData() == nullptr) {
        return false;
    }
    const int channels = picture.hasAlpha() ? 4 : 3;
    const long pixels = static_cast<long>(picture.getWidth()) * picture.getHeight();
    long bright = 0;
    for (long i = 0; i < pixels; ++i) {
        bright += picture.getData()[i * channels] > 20 ? 1 : 0;
    }
    return pixels > 0 && bright * 10 >= pixels;
}

// Back to the study list; the screen lets its series go.
void closeScreen() {
    cocos2d::Director::getInstance()->popScene();
    for (int i = 0; i < 4; ++i) {
        frame();
    }
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

// Waits until the series shown has every slice in and its voxel cache written, so that the
// reopen finds it.
void waitForVoxelCache(Study study) {
    for (int i = 0; i < kFrameLimit; ++i) {
        isImageSDK::isBinReader* reader = imageViewerPC::readerOf(library().folder[study]);
        if (reader == nullptr || reader->isLoadComplete()) {
            return;
        }
        frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void ScreenOpenToFirstSlice(benchmark::State& state) {
    const auto study = static_cast<Study>(state.range(0));
    const bool cached = state.range(1) != 0;
    studyList* list = showStudyList(study);
    if (list == nullptr) {
        state.SkipWithError("the study list did not show the patient");
        return;
    }
    int frames = 0;
    bool checked = false;
    for (auto _ : state) {
        if (!cached) {
            dropCaches(study);
        }
        const auto start = Clock::now();
        isImageSDK::isViewerImage* viewer =
            touchSeriesRow(list, study) ? framesUntilDrawn(frames) : nullptr;
        state.SetIterationTime(secondsSince(start));
        if (viewer == nullptr) {
            closeScreen();
            state.SkipWithError("the shown slice was not drawn");
            return;
        }
        library().shownIndex[study] = viewer->getImageActor()->getSliceIndex();
        if (!checked && !showsAnImage(viewer)) {
            closeScreen();
            state.SkipWithError("the screen drew no image");
            return;
        }
        checked = true;
        if (!cached) {
            waitForVoxelCache(study);
        }
        closeScreen();
    }
    state.counters["frames"] = double(frames) / double(state.iterations());
}

// The cache state of a first open or a reopen, then the series cache (scanned when missing) and
// a reader loading the series: what both references start from.
isImageSDK::isBinReader* openReader(Study study) {
    const std::string folder = folderOf(study);
    std::string cache = isImageSDK::getFolderBufferPath(folder);
    if (cache.empty() || !isImageSDK::isPrebinValid(cache)) {
        isImageSDK::isDcmScan().createBuffer(folder);
        cache = isImageSDK::getFolderBufferPath(folder);
    }
    isImageSDK::isBinReader* reader = isImageSDK::isBinReader::create();
    if (cache.empty() || !reader->setSource(folder, cache)) {
        reader->release();
        return nullptr;
    }
    reader->update();
    return reader;
}

// The bare image viewer over the reader's output, filling the window, to its drawn slice.
void ImageViewerOpenToFirstSlice(benchmark::State& state) {
    const auto study = static_cast<Study>(state.range(0));
    const bool cached = state.range(1) != 0;
    cocos2d::Director::getInstance()->replaceScene(cocos2d::Scene::create());
    frame();
    int frames = 0;
    for (auto _ : state) {
        if (!cached) {
            dropCaches(study);
        }
        const auto start = Clock::now();
        isImageSDK::isBinReader* reader = openReader(study);
        isImageSDK::isViewerImage* viewer = nullptr;
        bool shown = false;
        if (reader != nullptr) {
            viewer = isImageSDK::isViewerImage::create();
            viewer->setContentSize(cocos2d::Size(kWidth, kHeight));
            cocos2d::Director::getInstance()->getRunningScene()->addChild(viewer);
            viewer->setImageData(reader->getOutputImage());
            for (int i = 0; i < kFrameLimit && !shown; ++i) {
                turn();
                ++frames;
                shown = shownSliceDrawn(viewer);
            }
        }
        state.SetIterationTime(secondsSince(start));
        while (shown && !cached && !reader->isLoadComplete()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
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
        if (!shown) {
            state.SkipWithError("the shown slice was not drawn");
            return;
        }
    }
    state.counters["frames"] = double(frames) / double(state.iterations());
}

// The loader alone: the slice the screen showed put first and awaited; the whole series is
// timed beside it.
void LoaderOwnFirstSlice(benchmark::State& state) {
    const auto study = static_cast<Study>(state.range(0));
    const bool cached = state.range(1) != 0;
    const int index = library().shownIndex[study];
    if (index < 0) {
        state.SkipWithError("the screen's open runs first");
        return;
    }
    double whole = 0.0;
    for (auto _ : state) {
        if (!cached) {
            dropCaches(study);
        }
        const auto start = Clock::now();
        isImageSDK::isBinReader* reader = openReader(study);
        if (reader == nullptr) {
            state.SkipWithError("the series did not open");
            return;
        }
        isImageSDK::isSliceInfo* slice = reader->getOutputImage()->getSlice(index);
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

// The pointer over the middle of the viewer, so that the wheel reaches it.
void pointAt(const cocos2d::Node* viewer) {
    const cocos2d::Vec2 centre = viewer->convertToWorldSpace(
        cocos2d::Vec2(viewer->getContentSize().width / 2, viewer->getContentSize().height / 2));
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = static_cast<Sint32>(centre.x);
    motion.motion.y = static_cast<Sint32>(kHeight - centre.y);
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

// With step false, the same frames of the same screen with no event: what a frame costs.
void wheelFrames(benchmark::State& state, bool step) {
    studyList* list = showStudyList(kCt500);
    int opening = 0;
    isImageSDK::isViewerImage* viewer =
        list != nullptr && touchSeriesRow(list, kCt500) ? framesUntilDrawn(opening) : nullptr;
    if (viewer == nullptr) {
        closeScreen();
        state.SkipWithError("the series was not shown");
        return;
    }
    // Once the load completes the screen lays its viewers out again: the tile is looked up anew.
    waitForVoxelCache(kCt500);
    viewer = framesUntilDrawn(opening);
    if (viewer == nullptr) {
        closeScreen();
        state.SkipWithError("the series was not shown after its load");
        return;
    }
    pointAt(viewer);
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
    closeScreen();
}

// Each study opened first with no caches, then again with both in place.
void openCases(benchmark::internal::Benchmark* bench) {
    bench->ArgNames({"ct500", "cached"})
        ->Args({kExample, 0})
        ->Args({kExample, 1})
        ->Args({kCt500, 0})
        ->Args({kCt500, 1})
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
}

void ScreenWheelStepToFrame(benchmark::State& state) {
    wheelFrames(state, true);
}

void ReferencePlainFrame(benchmark::State& state) {
    wheelFrames(state, false);
}

}  // namespace

BENCHMARK(ScreenOpenToFirstSlice)->Apply(openCases);
BENCHMARK(LoaderOwnFirstSlice)->Apply(openCases);
BENCHMARK(ImageViewerOpenToFirstSlice)->Apply(openCases);
BENCHMARK(ScreenWheelStepToFrame)->Unit(benchmark::kMillisecond);
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
    // As the program does: the study list opens the viewer screen.
    setViewerScreenOpener(&imageViewerPC::open);

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
        benchsupport::addLoadContext();
        benchmark::RunSpecifiedBenchmarks();
        benchsupport::printLoadAtEnd();
        benchmark::Shutdown();
    } else {
        status = 1;
    }

    setViewerScreenOpener(nullptr);
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
