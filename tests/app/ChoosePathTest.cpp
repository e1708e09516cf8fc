#include "app/choosePath.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "studydb/importDcm.h"
#include "studydb/sniffer.h"
#include "tests/app/AppFixture.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/studydb/LockingChild.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSTextField.h"

namespace fs = std::filesystem;

namespace {

class ChoosePathTest : public ::testing::Test {
protected:
    void SetUp() override {
        dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
        // The service's tick starts discovery passes.
        const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort());
        NSUI::sniffer::setDefaultPorts(udp, udp);
        cocos2d::Director::getInstance()->setWinSize(cocos2d::Size(1920, 1080));
        cocos2d::FileUtils::getInstance()->setSearchPaths({"res/pad", "UIRes"});
        // The home screen the chooser returns to imports the example study on a first run; the
        // library here holds only the patient the test imports.
        AppConfig::getInstance();
        NSUI::setEncodedUserDefault("app_init_db", "0");
        database = dataService::getInstance()->getDatabase();
    }

    void TearDown() override {
        cocos2d::Director::getInstance()->endScenes();
        NSUI::sniffer::stop();
        dataService::destroyInstance();
    }

    // Imports one patient's series of three images into the library.
    void importStudy() {
        bvtest::DicomFixture fixture;
        ASSERT_EQ(fixture.writeSeries(source.str(), 3, 1.0).size(), 3u);
        importDcm* importer = importDcm::create();
        importer->retain();
        importer->setDicomRoot(database->getDicomRoot());
        importer->importPath(source.str(), false);
        ASSERT_TRUE(apptest::pumpUntil([&] { return !patientKeys().empty(); }));
        importer->shutdown();
        importer->release();
    }

    // The patients' database keys, as the home screen's request answers them.
    std::vector<std::string> patientKeys() {
        bool answered = false;
        std::vector<std::string> keys;
        database->requestPatients([&](NSUI::NSDBDataModel* rows) {
            for (int row = 0; rows != nullptr && row < rows->getRowCount(); ++row) {
                keys.push_back(rows->getValue(row, 0));
            }
            answered = true;
        });
        apptest::pumpUntil([&] { return answered; }, 5.0);
        return keys;
    }

    choosePath* show() {
        cocos2d::Scene* scene = choosePath::createScene();
        cocos2d::Director::getInstance()->runWithScene(scene);
        apptest::pumpFrames(1);
        for (cocos2d::Node* child : scene->getChildren()) {
            if (auto* chooser = dynamic_cast<choosePath*>(child)) {
                return chooser;
            }
        }
        return nullptr;
    }

    // Shows the chooser and begins the move to target, a copy when forceCopy; the chooser, or
    // nullptr when none is shown.
    choosePath* beginMove(const std::string& target, bool forceCopy) {
        choosePath* chooser = show();
        if (chooser != nullptr) {
            chooser->setForceCopy(forceCopy);
            chooser->getPathField()->setString(target);
            chooser->onClick(button(chooser, "btnBegin"));
        }
        return chooser;
    }

    static cocos2d::ui::Button* button(choosePath* chooser, const std::string& name) {
        return dynamic_cast<cocos2d::ui::Button*>(chooser->getChildByNameDeep(name));
    }

    apptest::FreshWritable writable;
    apptest::LoopbackOnly network;
    bvtest::TempDir source{"movesource"};
    bvtest::TempDir elsewhere{"movetarget"};
    dicomDB* database = nullptr;
};

TEST_F(ChoosePathTest, RefusesTargetsThatAreNotAnotherFolder) {
    choosePath* chooser = show();
    ASSERT_NE(chooser, nullptr);
    const std::string current = NSUI::getEncodedUserDefault("app_dicom_path", "");
    ASSERT_EQ(current, database->getDicomRoot());
    const struct {
        std::string path;
        std::string status;
    } cases[] = {
        {current, "Please select a different path."},
        {current + "inner/", "Please select a different path."},
        {fs::path(current).parent_path().parent_path().string(), "Please select a different path."},
        {"/a", "Path is not valid."},
        // Three characters typed: the separator the chooser adds does not make them four.
        {"/ab", "Path is not valid."},
        {"", "Path is not valid."},
    };
    for (const auto& c : cases) {
        chooser->getPathField()->setString(c.path);
        chooser->onClick(button(chooser, "btnBegin"));
        EXPECT_EQ(chooser->getStatus(), c.status) << c.path;
        EXPECT_EQ(chooser->getState(), -1) << c.path;
    }
    EXPECT_TRUE(database->ready());
    EXPECT_EQ(chooser->getPathField()->cursorImage, "UIRes/cursor.png")
        << "a light caret on the dark field";
}

TEST_F(ChoosePathTest, MovedLibraryReopensAtTheNewPlaceAndRunsTheRequestsMadeWhileClosed) {
    for (const bool forceCopy : {false, true}) {
        SCOPED_TRACE(forceCopy ? "copy" : "rename");
        if (patientKeys().empty()) {
            importStudy();
        }
        const std::vector<std::string> keys = patientKeys();
        ASSERT_EQ(keys.size(), 1u);
        const std::string old = database->getDicomRoot();
        const std::string target =
            (elsewhere / (forceCopy ? "copied" : "renamed") / "library").string() + "/";
        choosePath* chooser = beginMove(target, forceCopy);
        ASSERT_NE(chooser, nullptr);
        ASSERT_EQ(chooser->getState(), 1);

        // While closed or moving, "goBack" is disabled and refused.
        std::set<int> seen;
        ASSERT_TRUE(apptest::pumpUntil([&] {
            const int state = chooser->getState();
            seen.insert(state);
            if (state == 1 || state == 2 || state == 4) {
                EXPECT_FALSE(button(chooser, "goBack")->isEnabled());
                chooser->onClick(button(chooser, "goBack"));
                // Nothing reopened the library behind the move's back.
                EXPECT_EQ(database->ready(), state == 1);
            }
            return state == -1;
        }));
        EXPECT_EQ(chooser->getStatus(), "Dicom DB is moved to " + target);
        EXPECT_EQ(NSUI::getEncodedUserDefault("app_dicom_path", ""), target);
        EXPECT_TRUE(button(chooser, "goBack")->isEnabled());
        EXPECT_FALSE(fs::exists(old));
        EXPECT_TRUE(fs::exists(target + "dicomDB"));

        // A request made while the library is closed waits for the reopening.
        int patients = -1;
        database->requestPatients([&](NSUI::NSDBDataModel* rows) {
            patients = rows != nullptr ? rows->getRowCount() : 0;
        });
        apptest::pumpFrames(5);
        EXPECT_EQ(patients, -1);

        chooser->onClick(button(chooser, "goBack"));
        EXPECT_TRUE(database->ready());
        EXPECT_EQ(database->getDicomRoot(), target);
        ASSERT_TRUE(apptest::pumpUntil([&] { return patients != -1; }));
        EXPECT_EQ(patients, 1);
        int seriesRows = 0;
        database->requestStudies(
            [&](NSUI::NSDBDataModel* rows) {
                for (int row = 0; row < rows->getRowCount(); ++row) {
                    seriesRows += rows->getValue(row, 0) == "study" ? 0 : 1;
                }
            },
            keys[0], this);
        ASSERT_TRUE(apptest::pumpUntil([&] { return seriesRows > 0; }));
        EXPECT_EQ(seriesRows, 1);
        cocos2d::Director::getInstance()->endScenes();
    }
}

// Closed for the move, the library stays this process's: a second copy started then cannot take
// the folder the mover is about to remove. Both a rename and a copy end with the library reopened
// at the new place under this process's lock.
TEST_F(ChoosePathTest, TheLibraryStaysLockedFromTheCloseToTheReopeningAtTheNewPlace) {
    importStudy();
    for (const bool forceCopy : {false, true}) {
        SCOPED_TRACE(forceCopy ? "copy" : "rename");
        const std::string old = database->getDicomRoot();
        const std::string target =
            (elsewhere / (forceCopy ? "copied" : "renamed") / "library").string() + "/";
        choosePath* chooser = beginMove(target, forceCopy);
        ASSERT_NE(chooser, nullptr);
        ASSERT_EQ(chooser->getState(), 1);
        ASSERT_TRUE(apptest::pumpUntil([&] { return chooser->getState() == 2; }));
        EXPECT_FALSE(database->ready());
        EXPECT_FALSE(bvtest::LockingChild::canTake(old));
        ASSERT_TRUE(apptest::pumpUntil([&] { return chooser->getState() == -1; }));
        ASSERT_EQ(chooser->getStatus(), "Dicom DB is moved to " + target);
        chooser->onClick(button(chooser, "goBack"));
        EXPECT_TRUE(database->ready());
        EXPECT_EQ(database->libraryInUseBy(), 0);
        EXPECT_FALSE(bvtest::LockingChild::canTake(target));
        cocos2d::Director::getInstance()->endScenes();
    }
}

// Another process takes the moved library before "goBack" reopens it: this one neither opens it nor
// starts its node on it.
TEST_F(ChoosePathTest, GoingBackToALibraryAnotherProcessHoldsStartsNoNode) {
    importStudy();
    const std::string target = (elsewhere / "taken" / "library").string() + "/";
    choosePath* chooser = beginMove(target, true);
    ASSERT_NE(chooser, nullptr);
    ASSERT_EQ(chooser->getState(), 1);
    ASSERT_TRUE(apptest::pumpUntil([&] { return chooser->getState() == -1; }));
    ASSERT_EQ(chooser->getStatus(), "Dicom DB is moved to " + target);
    ASSERT_FALSE(database->getServer().isRunning());

    bvtest::LockingChild other(target);
    ASSERT_TRUE(other.held());

    chooser->onClick(button(chooser, "goBack"));
    EXPECT_FALSE(database->ready());
    EXPECT_EQ(database->libraryInUseBy(), static_cast<long>(other.pid()));
    EXPECT_FALSE(database->getServer().isRunning());
    // Imports of the home screen it returns to have no root in the other process's library.
    EXPECT_EQ(database->getDicomRoot(), "");
    EXPECT_TRUE(other.release());
}

// Blocks until `folder` is removed from its parent or moved away; false when it still stands
// after twenty seconds, as when the copy failed and the folder stays. The parent is watched: the
// folder's own removal is told only once nothing holds it open any more.
bool waitUntilRemoved(const std::string& folder) {
    const fs::path path = fs::path(folder).parent_path();
    const int watcher = inotify_init1(IN_CLOEXEC);
    if (watcher < 0) {
        return false;
    }
    const std::string name = path.filename().string();
    const bool watched =
        inotify_add_watch(watcher, path.parent_path().c_str(), IN_DELETE | IN_MOVED_FROM) >= 0;
    bool removed = watched && !fs::exists(path);
    pollfd ready{watcher, POLLIN, 0};
    while (watched && !removed && poll(&ready, 1, 20000) > 0) {
        alignas(inotify_event) char events[4096];
        const ssize_t length = read(watcher, events, sizeof(events));
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            removed = removed || (event->len > 0 && name == event->name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    close(watcher);
    return removed;
}

// The program is killed right after the copy thread has finished, before the screen's next tick:
// the next start must find "app_dicom_path" naming the copied library, not the removed folder.
TEST(ChoosePathInterruptedTest, AProgramKilledAfterTheCopyFindsItsLibraryAtTheNewPlace) {
    const apptest::FreshWritable writable;
    const bvtest::TempDir dirs("interrupted");
    const std::string library = (dirs / "library").string() + "/";
    const std::string target = (dirs / "elsewhere" / "library").string() + "/";
    fs::create_directories(library + "P1/ST1/SE1");
    std::ofstream(library + "P1/ST1/SE1/1.dcm") << "slice";
    NSUI::setEncodedUserDefault("app_dicom_path", library);

    // The whole program side lives in the child, which no destructor follows.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const apptest::LoopbackOnly network;
        dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
        const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort());
        NSUI::sniffer::setDefaultPorts(udp, udp);
        cocos2d::Director::getInstance()->setWinSize(cocos2d::Size(1920, 1080));
        cocos2d::FileUtils::getInstance()->setSearchPaths({"res/pad", "UIRes"});
        if (!dataService::getInstance()->getDatabase()->ready()) {
            _exit(2);
        }
        cocos2d::Scene* scene = choosePath::createScene();
        cocos2d::Director::getInstance()->runWithScene(scene);
        choosePath* chooser = nullptr;
        for (cocos2d::Node* node : scene->getChildren()) {
            chooser = chooser != nullptr ? chooser : dynamic_cast<choosePath*>(node);
        }
        if (chooser == nullptr) {
            _exit(3);
        }
        chooser->setForceCopy(true);
        chooser->getPathField()->setString(target);
        chooser->onClick(chooser->getChildByNameDeep("btnBegin"));
        if (!apptest::pumpUntil([&] { return chooser->getState() == 4; })) {
            _exit(4);
        }
        // No more frames: the copy thread ends while the screen never ticks again.
        if (!waitUntilRemoved(library)) {
            _exit(5);
        }
        kill(getpid(), SIGKILL);
        _exit(6);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "child ended with " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);

    cocos2d::UserDefault::destroyInstance();
    const std::string recorded = NSUI::getEncodedUserDefault("app_dicom_path", "");
    EXPECT_EQ(recorded, target);
    EXPECT_TRUE(fs::exists(recorded + "P1/ST1/SE1/1.dcm"));
    EXPECT_TRUE(fs::exists(recorded + "dicomDB"));
    EXPECT_FALSE(fs::exists(library));
}

}  // namespace
