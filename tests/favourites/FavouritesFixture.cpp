#include "tests/favourites/FavouritesFixture.h"

#include <functional>

#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/ui/Text.h"
#include "imagesdk/viewers/isSeriesInfoReader.h"
#include "studydb/dicomDB.h"
#include "tests/studydb/StudyDbFixture.h"
#include "tests/support/lib/FramePump.h"
#include "toolkit/widgets/NSListView.h"

namespace favtest {

void FavouritesTest::TearDown() {
    // The viewers' study-text readers end before the director they hand back to.
    isImageSDK::isSeriesInfoReader::instance().shutdown();
    SceneServiceTest::TearDown();
}

int FavouritesTest::storeRow(int type, const std::string& message, const std::string& image,
                             const std::string& updateTime, float scale) {
    std::lock_guard<std::recursive_mutex> guard(db()->getLock());
    const int ID = db()->getMaxId("favorite", "ID") + 1;
    EXPECT_TRUE(db()->getConnection().executeSql(
        "insert into favorite(ID,type,message,icon,image,valid,updateTime,scale) values "
        "(?,?,?,'',?,1,?,?)",
        {ID, type, message, image, updateTime, scale}));
    return ID;
}

captureList* FavouritesTest::loadedList(float width, float height) {
    captureList* list = captureList::create();
    list->setContentSize(cocos2d::Size(width, height));
    list->loadFavorites();
    scene->addChild(list);
    // Rows arrive with the database's answer: until then the table is empty (not even the
    // placeholder shows).
    EXPECT_TRUE(studydbtest::pumpUntil([list] { return list->rowCount() > 0; }));
    frames();
    return list;
}

std::vector<int> FavouritesTest::kinds(captureList* list) {
    std::vector<int> result;
    for (ssize_t i = 0; i < list->rowCount(); ++i) {
        result.push_back(list->rowAt(i)->type);
    }
    return result;
}

std::vector<int> FavouritesTest::storedIds() {
    std::vector<int> ids;
    for (const auto& row : rows("select ID from favorite order by ID")) {
        ids.push_back(std::stoi(row[0]));
    }
    return ids;
}

bool FavouritesTest::showsText(const std::string& text) {
    std::function<bool(cocos2d::Node*)> search = [&](cocos2d::Node* node) {
        if (!node->isVisible()) {
            return false;
        }
        if (auto* label = dynamic_cast<cocos2d::ui::Text*>(node)) {
            if (label->getString() == text) {
                return true;
            }
        }
        if (auto* label = dynamic_cast<cocos2d::Label*>(node)) {
            if (label->getString() == text) {
                return true;
            }
        }
        for (cocos2d::Node* child : node->getChildren()) {
            if (search(child)) {
                return true;
            }
        }
        return false;
    };
    cocos2d::Scene* running = cocos2d::Director::getInstance()->getRunningScene();
    return running != nullptr && search(running);
}

void FavouritesTest::frames(int count) {
    bvtest::runFrames(count, 0.05f);
}

}  // namespace favtest
