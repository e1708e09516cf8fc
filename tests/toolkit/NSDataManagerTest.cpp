#include "toolkit/core/NSDataManager.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/ToolkitGlobals.h"

#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr float kFrame = 0.25f;
const char* const kTickKey = "_nsDataManager";

// A source that writes down what the manager does with it.
class RecordingSource : public NSUI::NSDatas {
public:
    static RecordingSource* registerNew(const std::string& name, std::vector<std::string>* log) {
        auto* source = new RecordingSource(name, log);
        source->init();
        NSUI::NSDataManager::getInstance()->items.pushBack(source);
        source->release();
        return source;
    }

    ~RecordingSource() override { log->push_back(name + " gone"); }

    void update(float) override {
        log->push_back(name);
        if (onUpdate) {
            onUpdate();
        }
    }

    void cancelRequests() override {
        log->push_back(name + " cancelled");
        NSDatas::cancelRequests();
    }

    std::function<void()> onUpdate;

private:
    RecordingSource(std::string name, std::vector<std::string>* log)
        : name(std::move(name)), log(log) {}

    std::string name;
    std::vector<std::string>* log;
};

class NSDataManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        manager = NSUI::NSDataManager::getInstance();
        ASSERT_NE(manager, nullptr);
    }

    void TearDown() override {
        NSUI::purgeToolkitSingletons();
        frame(0.0f);
    }

    static void frame(float dt) { cocos2d::Director::getInstance()->mainLoop(dt); }

    // The first frame after scheduling only starts the scheduler's clock.
    static void startClock() { frame(0.0f); }

    // Runs frames for `seconds` and returns the times, from the start, at which `log` grew.
    std::vector<float> timesOfEntries(float seconds) {
        std::vector<float> times;
        std::size_t seen = log.size();
        for (float elapsed = kFrame; elapsed <= seconds; elapsed += kFrame) {
            frame(kFrame);
            for (; seen < log.size(); ++seen) {
                times.push_back(elapsed);
            }
        }
        return times;
    }

    static bool tickScheduled(NSUI::NSDataManager* target) {
        return cocos2d::Director::getInstance()->getScheduler()->isScheduled(kTickKey, target);
    }

    NSUI::NSDataManager* manager = nullptr;
    std::vector<std::string> log;
};

TEST_F(NSDataManagerTest, ManagerOutlivesTheFrameThatMadeIt) {
    frame(kFrame);
    EXPECT_EQ(NSUI::NSDataManager::getInstance(), manager);
    EXPECT_EQ(manager->getReferenceCount(), 1u);
    EXPECT_FALSE(tickScheduled(manager));
}

TEST_F(NSDataManagerTest, TicksEverySecondFirstAfterHalfASecond) {
    RecordingSource::registerNew("a", &log);
    RecordingSource::registerNew("b", &log);
    manager->setUpdateEnabled(true);
    startClock();

    const std::vector<float> times = timesOfEntries(4.0f);
    EXPECT_EQ(times, (std::vector<float>{0.5f, 0.5f, 1.5f, 1.5f, 2.5f, 2.5f, 3.5f, 3.5f}));
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "a", "b", "a", "b", "a", "b"}));
}

TEST_F(NSDataManagerTest, EnablingTwiceSchedulesOnceAndDisablingStops) {
    RecordingSource::registerNew("a", &log);
    manager->setUpdateEnabled(true);
    manager->setUpdateEnabled(true);
    startClock();
    EXPECT_EQ(timesOfEntries(2.0f), (std::vector<float>{0.5f, 1.5f}));

    manager->setUpdateEnabled(false);
    manager->setUpdateEnabled(false);
    EXPECT_FALSE(tickScheduled(manager));
    EXPECT_TRUE(timesOfEntries(3.0f).empty());
}

TEST_F(NSDataManagerTest, RemoveAllCancelsReleasesAndStopsTheTick) {
    RecordingSource::registerNew("a", &log);
    RecordingSource* kept = RecordingSource::registerNew("b", &log);
    kept->retain();
    manager->setUpdateEnabled(true);

    manager->removeAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a cancelled", "b cancelled", "a gone"}));
    EXPECT_TRUE(manager->items.empty());
    EXPECT_FALSE(tickScheduled(manager));
    EXPECT_EQ(kept->getReferenceCount(), 1u);
    kept->release();

    log.clear();
    RecordingSource::registerNew("c", &log);
    manager->setUpdateEnabled(true);
    startClock();
    EXPECT_EQ(timesOfEntries(1.0f), (std::vector<float>{0.5f}));
}

TEST_F(NSDataManagerTest, SourcesMayChangeTheRegistryWhileTicking) {
    RecordingSource* first = RecordingSource::registerNew("a", &log);
    RecordingSource::registerNew("b", &log);
    first->onUpdate = [this] {
        if (log.size() == 1) {
            RecordingSource::registerNew("late", &log);
        } else {
            manager->removeAll();
        }
    };
    manager->setUpdateEnabled(true);
    startClock();

    timesOfEntries(2.0f);
    // The second tick still reaches every source it started with, though "a" emptied the list.
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "a", "a cancelled", "b cancelled",
                                             "late cancelled", "b", "late", "a gone", "b gone",
                                             "late gone"}));
    EXPECT_FALSE(tickScheduled(manager));
}

TEST_F(NSDataManagerTest, PurgeDropsManagerSourcesAndTick) {
    RecordingSource::registerNew("a", &log);
    manager->setUpdateEnabled(true);
    NSUI::createSharedFormattingBuffer();
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    centre->retain();
    frame(0.0f);

    NSUI::purgeToolkitSingletons();
    EXPECT_EQ(log, (std::vector<std::string>{"a cancelled", "a gone"}));
    EXPECT_FALSE(NSUI::hasSharedFormattingBuffer());
    EXPECT_EQ(centre->getReferenceCount(), 1u);
    centre->release();

    NSUI::NSDataManager* fresh = NSUI::NSDataManager::getInstance();
    EXPECT_TRUE(fresh->items.empty());
    EXPECT_FALSE(tickScheduled(fresh));
    startClock();
    EXPECT_EQ(timesOfEntries(2.0f), std::vector<float>{});
}

TEST(ToolkitGlobalsTest, ServerUrlIsKept) {
    // The configuration's constructor sets the site base; tests of this process may have made one.
    const std::string before = NSUI::getServerUrl();
    NSUI::setServerUrl("http://127.0.0.1:8042/api/");
    EXPECT_EQ(NSUI::getServerUrl(), "http://127.0.0.1:8042/api/");
    NSUI::setServerUrl("");
    EXPECT_EQ(NSUI::getServerUrl(), "");
    NSUI::setServerUrl(before);
}

}  // namespace
