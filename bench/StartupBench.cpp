// Start-up of the program in a real window: from the delegate's launch to the end of the first
// drawn frame of the home screen, on a library whose configuration says the first run is over
// (the example study is imported there on the first run). Reference, in the same run: a fresh
// window that draws an empty scene once. Each start gets a writable folder of its own; the
// shutdown is not timed. With no display SDL draws offscreen through Mesa.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "app/AppDelegate.h"
#include "engine/2d/Scene.h"
#include "engine/backend/GLViewImpl.h"
#include "engine/base/Director.h"
#include "engine/base/UserDefault.h"
#include "studydb/LocalNetwork.h"
#include "studydb/dicomDB.h"
#include "studydb/sniffer.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/UILocalConfig.h"

namespace {

using Clock = std::chrono::steady_clock;

cocos2d::GLView* makeWindow(const std::string& title, const cocos2d::Rect& rect) {
    return cocos2d::GLViewImpl::createWithRect(title, rect);
}

// Discovery and echo sweeps stay on loopback; the node and discovery use free ports.
void keepOnLoopback() {
    studydb::LocalNetwork::Source source;
    source.info = [](std::string& host, std::string& addresses) {
        host = "bench";
        addresses = "127.0.0.2";
    };
    source.subnetAddresses = [](std::vector<std::string>& addresses) { addresses.clear(); };
    source.hasColon = [] { return false; };
    studydb::LocalNetwork::setSource(source);
    dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
    const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort());
    NSUI::sniffer::setDefaultPorts(udp, udp);
}

// The view is autoreleased, as for Application::run, which keeps it past the first frame.
cocos2d::GLView* holdWindow() {
    cocos2d::GLView* view = cocos2d::Director::getInstance()->getOpenGLView();
    if (view != nullptr) {
        view->retain();
    }
    return view;
}

void closeWindow(cocos2d::GLView* view) {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    if (view != nullptr) {
        view->end();
        director->setOpenGLView(nullptr);
        view->release();
    }
    director->purgeDirector();
}

void StartupToFirstHomeFrame(benchmark::State& state) {
    keepOnLoopback();
    AppDelegate::setWindowFactory(makeWindow);
    for (auto _ : state) {
        bvtest::TempDir writable("startbench");
        writable.useAsWritablePath();
        cocos2d::UserDefault::destroyInstance();
        NSUI::setEncodedUserDefault("win32_choose_dicom_path", "1");

        AppDelegate app;
        const auto start = Clock::now();
        // As the entry point does: one display connection for the desktop query and the window.
        const bool display = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        app.initGLContextAttrs();
        app.applicationDidFinishLaunching();
        cocos2d::GLView* view = holdWindow();
        // The first frame enters the home screen and draws it.
        cocos2d::Director::getInstance()->mainLoop();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());

        app.applicationWillExit();
        closeWindow(view);
        if (display) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
        cocos2d::UserDefault::destroyInstance();
    }
    AppDelegate::setWindowFactory(nullptr);
}

void ReferenceEmptySceneFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        cocos2d::GLView* view =
            cocos2d::GLViewImpl::createWithRect("reference", cocos2d::Rect(0, 0, 1920, 1080));
        cocos2d::Director* director = cocos2d::Director::getInstance();
        director->setOpenGLView(view);
        holdWindow();
        director->runWithScene(cocos2d::Scene::create());
        director->mainLoop();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        closeWindow(view);
    }
}

}  // namespace

BENCHMARK(StartupToFirstHomeFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(ReferenceEmptySceneFirstFrame)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

BV_BENCHMARK_MAIN()
