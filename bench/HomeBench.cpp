// The home screen over a library of 10,000 patients (one study, series and image each, written
// by the benchmark straight into the study database): the first paint (the screen takes the
// patient answer, fills its table and draws a headless frame) and one filter keystroke (Enter
// in the filter field, the table refilled and drawn), each next to a plain SQLite select of the
// same rows in the same run. The database's own patient request is measured too.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/patientList.h"
#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "studydb/sniffer.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTextField.h"

namespace {

constexpr int kPatients = 10000;

std::string& workFolder() {
    static std::string folder;
    return folder;
}

const char* const kNames[] = {"ANDERSSON^ANNA", "BERG^BO",     "CHEN^LI",    "DUBOIS^CLAIRE",
                              "EVANS^TOM",      "FISCHER^JAN", "GARCIA^ANA", "HANSEN^ERIK"};

// The library: a study database in its own folder, filled once.
dicomDB* library() {
    static dicomDB* database = [] {
        NSUI::setEncodedUserDefault("app_dicom_path", workFolder() + "dicom/");
        // The configuration marks a first run, whose home screen would import the example
        // study: the library measured holds only the patients written here.
        AppConfig::getInstance();
        NSUI::setEncodedUserDefault("app_init_db", "0");
        dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
        const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort());
        NSUI::sniffer::setDefaultPorts(udp, udp);
        dicomDB* db = dataService::getInstance()->getDatabase();
        std::lock_guard<std::recursive_mutex> guard(db->getLock());
        NSUI::NSDBUtil& connection = db->getConnection();
        connection.beginTransaction();
        for (int i = 1; i <= kPatients; ++i) {
            const std::string id = std::to_string(i);
            const std::string time =
                "2024-01-01 " + std::to_string(10 + i % 10) + ":00:" + std::to_string(10 + i % 50);
            connection.executeSql("insert into patient values(" + id + ",'" + kNames[i % 8] + id +
                                  "','F','19700102','H" + id + "','" + time + "')");
            connection.executeSql("insert into study values(" + id + "," + id + ",'1.2." + id +
                                  "','S" + id + "','CHEST','20240101','101010','" + time + "')");
            connection.executeSql("insert into series values(" + id + "," + id + ",'1.3." + id +
                                  "','20240101','101010','CHEST','AXIAL','" + time + "','P" + id +
                                  "/ST/SE')");
            connection.executeSql("insert into image values(" + id + "," + id + ",'1.4." + id +
                                  "','1','P" + id + "/ST/SE/1.dcm')");
        }
        connection.commit();
        return db;
    }();
    return database;
}

// The database's answer, kept for the paint measurements.
std::unique_ptr<NSUI::NSDBDataModel>& answer() {
    static std::unique_ptr<NSUI::NSDBDataModel> rows;
    return rows;
}

void pump(int frames) {
    for (int i = 0; i < frames; ++i) {
        cocos2d::Director::getInstance()->mainLoop(1.0f / 30.0f);
    }
}

patientList* showEmptyScreen() {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    director->setWinSize(cocos2d::Size(1280.0f, 800.0f));
    cocos2d::Scene* scene = patientList::createScene();
    patientList* screen = nullptr;
    for (cocos2d::Node* child : scene->getChildren()) {
        if (auto* home = dynamic_cast<patientList*>(child)) {
            screen = home;
        }
    }
    if (director->getRunningScene() == nullptr) {
        director->runWithScene(scene);
    } else {
        director->replaceScene(scene);
    }
    // The screen asks the library for its patients as it enters; its answer is awaited and
    // dropped, so that the measured paint starts from an empty table.
    for (int i = 0; i < 3000 && screen->getTable()->getItemCount() < kPatients; ++i) {
        pump(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    screen->getTable()->removeAllItems();
    return screen;
}

// The reference: the same patient columns read by a plain select on a fresh connection.
void BM_PlainSelect(benchmark::State& state) {
    library();
    const std::string file = workFolder() + "dicom/dicomDB";
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db,
                           "select ID,patientIDHospital,name,birthday,sex,updateTime from patient "
                           "order by updateTime desc",
                           -1, &statement, nullptr);
        std::vector<std::string> values;
        values.reserve(kPatients * 6);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < 6; ++c) {
                const auto* text = sqlite3_column_text(statement, c);
                values.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
            }
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        benchmark::DoNotOptimize(values.data());
        if (values.size() != static_cast<size_t>(kPatients) * 6) {
            state.SkipWithError("the select did not give every patient");
        }
    }
}

// The database's patient request, from queueing to the answer on the main thread.
void BM_LibraryPatientRequest(benchmark::State& state) {
    dicomDB* db = library();
    for (auto _ : state) {
        bool done = false;
        int rows = 0;
        db->requestPatients([&](NSUI::NSDBDataModel* model) {
            rows = model->getRowCount();
            answer() = std::make_unique<NSUI::NSDBDataModel>(*model);
            done = true;
        });
        while (!done) {
            cocos2d::Director::getInstance()->mainLoop(0.0f);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (rows != kPatients) {
            state.SkipWithError("the request did not answer every patient");
        }
    }
}

// First paint: a fresh screen takes the answer and draws its first frame.
void BM_HomeFirstPaint(benchmark::State& state) {
    if (!answer()) {
        state.SkipWithError("the library request runs first");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        patientList* screen = showEmptyScreen();
        state.ResumeTiming();
        screen->onPatientsLoaded(answer().get());
        cocos2d::Director::getInstance()->mainLoop(1.0f / 30.0f);
        if (screen->getTable()->getItemCount() != kPatients) {
            state.SkipWithError("the table is not full");
            break;
        }
    }
}

// A filter keystroke: Enter in the filter field, then the next frame; the filter is cleared
// between iterations, outside the timing.
void BM_HomeFilterKeystroke(benchmark::State& state) {
    if (!answer()) {
        state.SkipWithError("the library request runs first");
        return;
    }
    patientList* screen = showEmptyScreen();
    screen->onPatientsLoaded(answer().get());
    pump(1);
    NSUI::NSTextField* field = screen->getFilterField();
    auto* filter = dynamic_cast<cocos2d::ui::Button*>(screen->getChildByNameDeep("filter"));
    for (auto _ : state) {
        field->setString("an");
        screen->onFilterFieldEvent(field, 4);
        cocos2d::Director::getInstance()->mainLoop(1.0f / 30.0f);
        state.PauseTiming();
        if (screen->getHiddenRows().empty()) {
            state.SkipWithError("the filter hid nothing");
            break;
        }
        screen->applyFilter(filter, "");
        state.ResumeTiming();
    }
}

BENCHMARK(BM_PlainSelect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryPatientRequest)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HomeFirstPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HomeFilterKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const bvtest::TempDir work("bvbench");
    workFolder() = work.str();
    work.useAsWritablePath("writable");
    cocos2d::FileUtils::getInstance()->addSearchPath("res/pad");
    NSUI::NSNotificationCenter::getInstance();
    benchmark::Initialize(&argc, argv);
    benchsupport::addLoadContext();
    benchmark::RunSpecifiedBenchmarks();
    benchsupport::printLoadAtEnd();
    benchmark::Shutdown();
    cocos2d::Director::getInstance()->purgeDirector();
    dataService::destroyInstance();
    NSUI::sniffer::stop();
    return 0;
}
