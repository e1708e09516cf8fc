#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/2d/Sprite.h"
#include "engine/audio/SimpleAudioEngine.h"
#include "engine/base/Base64.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/CheckBox.h"
#include "platform/FileDialogs.h"
#include "tests/favourites/FavouritesFixture.h"
#include "tests/studydb/StudyDbFixture.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewMenu.h"

namespace fs = std::filesystem;
using cocos2d::Size;
using cocos2d::Vec2;

namespace {

const char* const kT0 = "2024-05-01 10:00:00";

std::string writable() {
    return cocos2d::FileUtils::getInstance()->getWritablePath();
}

void touchFile(const std::string& path, const std::string& content = "x") {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

class CaptureOperationsTest : public favtest::FavouritesTest {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        favtest::FavouritesTest::SetUp();
    }
    void TearDown() override {
        platform::setFileDialogProvider(nullptr);
        CocosDenshion::SimpleAudioEngine::end();
        favtest::FavouritesTest::TearDown();
        unsetenv("SDL_AUDIODRIVER");
    }

    ssize_t indexOfKind(captureList* list, int kind) {
        for (ssize_t i = 0; i < list->rowCount(); ++i) {
            if (list->rowAt(i)->type == kind) {
                return i;
            }
        }
        return -1;
    }
};

}  // namespace

TEST_F(CaptureOperationsTest, ATickOnARowsBoxMarksTheRow) {
    touchFile(writable() + "qn/cap/1.jpg");
    storeRow(kFavoriteTime, "", "", kT0);
    storeRow(kFavoriteCapture, "", "qn/cap/1.jpg", kT0, 1.5f);
    captureList* list = loadedList();
    NSUI::NSTableViewCell* cell = list->getTableView()->cellAtIndex(1);
    ASSERT_NE(cell, nullptr);
    auto* box = dynamic_cast<cocos2d::ui::CheckBox*>(cell->getChildByTag(captureList::kCheckTag));
    ASSERT_NE(box, nullptr);
    const cocos2d::Size& boxSize = box->getContentSize();
    const Vec2 centre = box->convertToWorldSpace(Vec2(boxSize.width / 2, boxSize.height / 2));
    cocos2d::InputRouter router;
    router.mouseDown(centre.x, kHeight - centre.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseUp(centre.x, kHeight - centre.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    EXPECT_TRUE(list->rowAt(1)->ticked);

    // Tick all reaches every kind and redraws the boxes in view.
    list->setAllChecked(false);
    EXPECT_FALSE(list->rowAt(1)->ticked);
    cell = list->getTableView()->cellAtIndex(1);
    box = dynamic_cast<cocos2d::ui::CheckBox*>(cell->getChildByTag(captureList::kCheckTag));
    EXPECT_FALSE(box->isSelected());
}

TEST_F(CaptureOperationsTest, RemovingTickedRowsDeletesRecordsPicturesAndRecordings) {
    touchFile(writable() + "qn/cap/1.jpg");
    touchFile(writable() + "qn/fav/a.dcm");
    touchFile(writable() + "qn/fav/a.png");
    touchFile(writable() + "qn/favorite/voice/9.aac");
    storeRow(kFavoriteTime, "", "", kT0);
    storeRow(kFavoriteCapture, "", "qn/cap/1.jpg", kT0);
    storeRow(kFavoriteDicom, "", "qn/fav/a.dcm", kT0);
    storeRow(kFavoriteText, cocos2d::safeBase64EncodeString("note"), "", kT0);
    storeRow(kFavoriteVoice, "4", "qn/favorite/voice/9.aac", kT0);
    captureList* list = loadedList();
    ASSERT_EQ(list->rowCount(), 5);
    list->setAllChecked(true);
    list->removeChecked();
    EXPECT_EQ(kinds(list), (std::vector<int>{kFavoritePlaceholder}));
    EXPECT_TRUE(storedIds().empty());
    for (const char* gone :
         {"qn/cap/1.jpg", "qn/fav/a.dcm", "qn/fav/a.png", "qn/favorite/voice/9.aac"}) {
        EXPECT_FALSE(fs::exists(writable() + gone)) << gone;
    }
}

TEST_F(CaptureOperationsTest, RemovingTheOnlyPictureBetweenTimeRowsLeavesThePlaceholder) {
    touchFile(writable() + "qn/cap/1.jpg");
    storeRow(kFavoriteTime, "", "", kT0);
    const int picture = storeRow(kFavoriteCapture, "", "qn/cap/1.jpg", kT0);
    storeRow(kFavoriteTime, "", "", "2024-05-01 11:00:00");
    // A later note keeps the trailing time row alive while loading.
    const int note =
        storeRow(kFavoriteText, cocos2d::safeBase64EncodeString("n"), "", "2024-05-01 11:00:00");
    captureList* list = loadedList();
    ASSERT_EQ(list->rowCount(), 4);
    std::vector<std::string> chosen;
    list->onRowChosen = [&](const std::string& path, int) { chosen.push_back(path); };
    list->removeRow(note);
    list->removeRow(picture);
    EXPECT_EQ(kinds(list), (std::vector<int>{kFavoritePlaceholder}));
    EXPECT_TRUE(storedIds().empty());
    EXPECT_FALSE(fs::exists(writable() + "qn/cap/1.jpg"));
    // After the note went, the first row (a time row) was offered and nothing was reported.
    EXPECT_TRUE(chosen.empty());
}

TEST_F(CaptureOperationsTest, SharingCopiesTheTickedFilesAndReportsAFailedCopy) {
    touchFile(writable() + "qn/cap/1.jpg", "jpeg");
    touchFile(writable() + "qn/fav/a.dcm", "dicom");
    touchFile(writable() + "qn/fav/a.png", "thumb");
    storeRow(kFavoriteTime, "", "", kT0);
    storeRow(kFavoriteCapture, "", "qn/cap/1.jpg", kT0);
    storeRow(kFavoriteDicom, "", "qn/fav/a.dcm", kT0);
    storeRow(kFavoriteText, cocos2d::safeBase64EncodeString("n"), "", kT0);
    captureList* list = loadedList();
    bvtest::TempDir target;
    int asked = 0;
    platform::setFileDialogProvider([&](const platform::FileDialogRequest&) {
        ++asked;
        return std::optional<std::string>(target.str());
    });
    // Nothing ticked: the folder is asked for, nothing copied.
    EXPECT_TRUE(list->shareChecked());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(fs::is_empty(target.str()));

    list->setAllChecked(true);
    EXPECT_TRUE(list->shareChecked());
    EXPECT_TRUE(fs::exists(target.str() + "1.jpg"));
    EXPECT_TRUE(fs::exists(target.str() + "a.dcm"));
    EXPECT_FALSE(fs::exists(target.str() + "a.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(target.str()), fs::directory_iterator()), 2);

    fs::remove(writable() + "qn/cap/1.jpg");
    EXPECT_FALSE(list->shareChecked());
    EXPECT_TRUE(showsText("Some files could not be copied."));
}

TEST_F(CaptureOperationsTest, TouchingAPictureOpensItAndTheSwipeMenuSkipsTimeRows) {
    touchFile(writable() + "qn/cap/1.jpg");
    storeRow(kFavoriteTime, "", "", kT0);
    storeRow(kFavoriteCapture, "", "qn/cap/1.jpg", kT0);
    captureList* list = loadedList();
    std::vector<std::pair<std::string, int>> chosen;
    list->onRowChosen = [&](const std::string& path, int kind) { chosen.push_back({path, kind}); };
    NSUI::NSListView* table = list->getTableView();
    NSUI::NSTableViewCell* cell = table->cellAtIndex(1);
    ASSERT_NE(cell, nullptr);
    cocos2d::Node* picture = cell->getChildByTag(captureList::kPictureTag);
    ASSERT_NE(picture, nullptr);
    const Vec2 corner = picture->getPosition();
    // Left of and below the top-right corner by less than the 50-point minimum: inside.
    list->tableCellTouched(table, cell, corner - Vec2(45.0f, 45.0f));
    list->tableCellTouched(table, cell, corner + Vec2(1.0f, -5.0f));
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], std::make_pair(writable() + "qn/cap/1.jpg", int(kFavoriteCapture)));

    auto* menu = NSUI::NSTableViewMenu::create();
    menu->setContentSize(Size(100.0f, 40.0f));
    menu->index = 0;
    list->tableCellLeftMenu(table, menu);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(menu->getChildByName("del"), nullptr);
    auto* pictureMenu = NSUI::NSTableViewMenu::create();
    pictureMenu->setContentSize(Size(100.0f, 40.0f));
    pictureMenu->index = 1;
    list->tableCellLeftMenu(table, pictureMenu);
    ASSERT_NE(pictureMenu->getChildByName("del"), nullptr);
    list->onTrashClicked(pictureMenu->getChildByName("del"));
    EXPECT_EQ(kinds(list), (std::vector<int>{kFavoritePlaceholder}));
}

TEST_F(CaptureOperationsTest, TheSpeakerAnimatesOverTheNoteAndSurvivesItsCellBeingRebuilt) {
    const std::string recording = writable() + "qn/favorite/voice/1.aac";
    touchFile(recording, "RIFF");
    storeRow(kFavoriteTime, "", "", kT0);
    storeRow(kFavoriteVoice, "2", "qn/favorite/voice/1.aac", kT0);
    captureList* list = loadedList();
    TimeOfDay now{1000, 500000};
    list->clock = [&now] { return now; };
    NSUI::NSListView* table = list->getTableView();
    const ssize_t voice = 1;
    NSUI::NSTableViewCell* cell = table->cellAtIndex(voice);
    ASSERT_NE(cell, nullptr);
    const cocos2d::Rect bubble = list->rowAt(voice)->voiceBubble;

    // Left of the bubble: neither played nor animated.
    list->tableCellTouched(table, cell, Vec2(bubble.origin.x - 5.0f, 20.0f));
    EXPECT_EQ(list->playingRow(), nullptr);

    list->tableCellTouched(table, cell, Vec2(bubble.origin.x + 5.0f, 20.0f));
    ASSERT_EQ(list->playingRow(), list->rowAt(voice));
    std::vector<std::string> seen;
    cocos2d::Director* director = cocos2d::Director::getInstance();
    for (int i = 0; i < 4; ++i) {
        director->mainLoop(0.2f);
        ASSERT_NE(list->playingIcon(), nullptr);
        seen.push_back(list->playingIcon()->getUserString());
    }
    // The first step of the schedule marks its start; the frames then cycle 2, 3, 1.
    EXPECT_EQ(std::vector<std::string>(seen.end() - 3, seen.end()),
              (std::vector<std::string>{"2", "3", "1"}));

    // The cell is built again (recycled or refreshed): the icon found is the new one, on the
    // frame the animation is at.
    const std::string frame = list->playingIcon()->getUserString();
    table->updateCellAtIndex(voice);
    ASSERT_NE(list->playingIcon(), nullptr);
    EXPECT_EQ(list->playingIcon()->getUserString(), frame);
    director->mainLoop(0.2f);
    EXPECT_NE(list->playingIcon()->getUserString(), frame);

    // Past the length in whole seconds the animation ends on the first frame.
    now.seconds += 3;
    director->mainLoop(0.2f);
    EXPECT_EQ(list->playingRow(), nullptr);
    cocos2d::Node* icon = table->cellAtIndex(voice)->getChildByTag(captureList::kSpeakerTag);
    EXPECT_EQ(icon->getUserString(), "1");
}
