#include "imagesdk/data/isSharedObjects.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/ROIData.h"
#include "imagesdk/data/isFilterObject.h"
#include "imagesdk/data/isROIManager.h"

using isImageSDK::isFilterObject;
using isImageSDK::isSharedObjects;

namespace {

class SharedObjectsTest : public ::testing::Test {
protected:
    void TearDown() override {
        isImageSDK::releaseSharedObjects();
        for (isFilterObject* object : owned) {
            object->release();
        }
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    isFilterObject* named(const std::string& name) {
        isFilterObject* object = isFilterObject::create();
        object->setName(name);
        owned.push_back(object);
        return object;
    }

    std::vector<isFilterObject*> owned;
};

TEST_F(SharedObjectsTest, RegisteringTwiceKeepsOneEntry) {
    isSharedObjects* registry = isSharedObjects::getInstance();
    isFilterObject* reader = named("series-1");
    EXPECT_FALSE(registry->addObject(reader));
    EXPECT_TRUE(registry->addObject(reader));
    EXPECT_EQ(reader->getReferenceCount(), 2u);
    EXPECT_EQ(registry->getObject("series-1"), reader);
    EXPECT_EQ(registry->getObject("series-2"), nullptr);
    EXPECT_EQ(registry->getObject("series-"), nullptr);
}

TEST_F(SharedObjectsTest, SameNameFindsAndRemovesTheFirstRegistered) {
    isSharedObjects* registry = isSharedObjects::getInstance();
    isFilterObject* first = named("key");
    isFilterObject* second = named("key");
    registry->addObject(first);
    registry->addObject(second);

    EXPECT_EQ(registry->getObject("key"), first);
    registry->removeObject("key");
    EXPECT_EQ(first->getReferenceCount(), 1u);
    EXPECT_EQ(registry->getObject("key"), second);
    registry->removeObject("unknown");
    EXPECT_EQ(second->getReferenceCount(), 2u);
}

TEST_F(SharedObjectsTest, ShutdownDropsEveryReferenceAndStartsAfresh) {
    isSharedObjects* registry = isSharedObjects::getInstance();
    isFilterObject* reader = named("a");
    registry->addObject(reader);
    isImageSDK::ROILine* line = isImageSDK::ROILine::create();
    line->retain();
    isImageSDK::isROIManager::getInstance()->addROI(line);
    const unsigned lineCount = line->getReferenceCount();
    ASSERT_FALSE(loadProtocols().empty());

    isImageSDK::releaseSharedObjects();
    EXPECT_EQ(reader->getReferenceCount(), 1u);
    EXPECT_EQ(line->getReferenceCount(), lineCount - 1);
    line->release();
    EXPECT_EQ(isSharedObjects::getInstance()->getObject("a"), nullptr);
    EXPECT_TRUE(isImageSDK::isROIManager::getInstance()->rois.empty());

    isImageSDK::releaseSharedObjects();
    isImageSDK::releaseSharedObjects();
}

TEST_F(SharedObjectsTest, WorkerRegistersWhileTheMainThreadLooksUp) {
    std::vector<isFilterObject*> readers;
    for (int i = 0; i < 200; ++i) {
        readers.push_back(named("reader-" + std::to_string(i)));
    }
    std::thread worker([&readers] {
        for (isFilterObject* reader : readers) {
            isSharedObjects::getInstance()->addObject(reader);
        }
    });
    int found = 0;
    while (found < 200) {
        if (isSharedObjects::getInstance()->getObject("reader-" + std::to_string(found))) {
            ++found;
        }
    }
    worker.join();
    for (int i = 0; i < 200; i += 2) {
        isSharedObjects::getInstance()->removeObject("reader-" + std::to_string(i));
    }
    EXPECT_EQ(readers[0]->getReferenceCount(), 1u);
    EXPECT_EQ(readers[1]->getReferenceCount(), 2u);
}

TEST(ProtocolList, ReadsTheShippedListOnceAndAgainAfterShutdown) {
    const std::vector<std::string> types = {"2dview", "browser2d", "mpr3d",     "mpr",
                                            "mpr2",   "2dslice",   "compare2d", "compare4d"};
    std::list<ProtocolEntry*>& entries = loadProtocols();
    ASSERT_EQ(entries.size(), types.size());
    std::size_t i = 0;
    for (const ProtocolEntry* entry : entries) {
        EXPECT_EQ(entry->type, types[i]);
        EXPECT_FALSE(entry->title.empty());
        EXPECT_EQ(entry->file, "protocal/" + types[i] + ".png");
        ++i;
    }
    const ProtocolEntry* first = entries.front();
    EXPECT_EQ(loadProtocols().front(), first);

    isImageSDK::releaseSharedObjects();
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(loadProtocols().size(), types.size());
    releaseProtocols();
}

}  // namespace
