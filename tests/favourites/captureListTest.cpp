#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/OwnedJobs.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Base64.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/CheckBox.h"
#include "engine/ui/Scale9Sprite.h"
#include "platform/FileDialogs.h"
#include "studydb/StudyNotifications.h"
#include "tests/favourites/FavouritesFixture.h"
#include "tests/studydb/StudyDbFixture.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"

namespace fs = std::filesystem;
using cocos2d::Size;
using cocos2d::Vec2;
using favtest::FavouritesTest;

namespace {

const char* const kT0 = "2024-05-01 10:00:00";
const char* const kT1 = "2024-05-01 10:05:00";
const char* const kT2 = "2024-05-01 10:05:01";
const char* const kT3 = "2024-05-01 10:09:00";

std::string writable() {
    return cocos2d::FileUtils::getInstance()->getWritablePath();
}

void touchFile(const std::string& path, const std::string& content = "x") {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// Counts the cells it builds per row ID.
class CountingList : public captureList {
public:
    CREATE_FUNC(CountingList);
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const Size& size) override {
        if (listObject* row = rowAt(index)) {
            ++built[row->ID];
        }
        return captureList::tableCellAtIndex(table, index, size);
    }
    std::map<int, int> built;
};

void post(int key, int ID, const std::string& text, int seconds = 0) {
    auto* data = NSUI::NSNotificationData::create();
    data->intValue = ID;
    data->stringValue = text;
    data->intValue2 = seconds;
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, key, data, nullptr, false);
}

}  // namespace

TEST_F(FavouritesTest, LoadingDropsTheEarlierOfTwoTimeRowsAndTidyingDeletesTheTrailingOne) {
    const int first = storeRow(kFavoriteTime, "", "", kT0);
    const int second = storeRow(kFavoriteTime, "", "", kT1);
    const int note = storeRow(kFavoriteText, cocos2d::safeBase64EncodeString("hello"), "", kT2);
    const int trailing = storeRow(kFavoriteTime, "", "", kT3);
    captureList* list = loadedList();
    EXPECT_EQ(kinds(list), (std::vector<int>{kFavoriteTime, kFavoriteText}));
    EXPECT_EQ(list->rowAt(0)->ID, second);
    EXPECT_EQ(list->rowAt(1)->message, "hello");
    EXPECT_EQ(list->rowAt(1)->image, "");
    // The dropped row stays stored; the trailing one is gone from the database too.
    EXPECT_EQ(storedIds(), (std::vector<int>{first, second, note}));
    (void)trailing;
}

TEST_F(FavouritesTest, ThePlaceholderShowsOnlyInAnEmptyListAndNotesReplaceIt) {
    captureList* list = loadedList();
    ASSERT_EQ(kinds(list), (std::vector<int>{kFavoritePlaceholder}));
    EXPECT_FLOAT_EQ(list->tableCellSizeForIndex(list->getTableView(), 0, list->rowAt(0)).height,
                    28.0f);
    EXPECT_TRUE(showsText(captureList::kPlaceholderText));

    // A capture added on the phone keeps the placeholder; a stored note takes its place.
    list->addImageRow(writable() + "shot.jpg", 1.5f, 40);
    EXPECT_EQ(kinds(list), (std::vector<int>{kFavoritePlaceholder, kFavoriteCapture}));

    captureList* fresh = loadedList();
    post(studydb::NOTIFY_FAVORITE_LIST_CHANGED, 7, "");
    post(studydb::NOTIFY_FAVORITE_ADDED, 8, "  two spaces  ");
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return fresh->rowCount() == 2; }));
    EXPECT_EQ(kinds(fresh), (std::vector<int>{kFavoriteTime, kFavoriteText}));
    EXPECT_EQ(fresh->rowAt(1)->message, "  two spaces  ");
    EXPECT_EQ(fresh->rowAt(1)->ID, 8);
}

TEST_F(FavouritesTest, AVoiceNoteStoredByTheDatabaseArrivesWithItsSeconds) {
    captureList* list = loadedList();
    auto* note = NSUI::NSNotificationData::create();
    note->stringValue = "qn/favorite/voice/5.aac";
    note->intValue = 12;
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        nullptr, studydb::NOTIFY_FAVORITE_VOICE_NOTE, note, nullptr, false);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return list->rowCount() == 2; }));
    EXPECT_EQ(kinds(list), (std::vector<int>{kFavoriteTime, kFavoriteVoice}));
    EXPECT_EQ(list->rowAt(1)->message, "12");
    EXPECT_EQ(list->rowAt(1)->image, writable() + "qn/favorite/voice/5.aac");
    EXPECT_EQ(rows("select message from favorite where type=6"),
              (std::vector<std::vector<std::string>>{{"12"}}));
}

TEST_F(FavouritesTest, RowHeightsFollowTheKindAndPictureShape) {
    struct Case {
        int type;
        float scale;
        float height;
    } cases[] = {
        {kFavoriteCapture, 1.0f, 90.0f},   {kFavoriteCapture, 0.99f, 90.0f},
        {kFavoriteCapture, 0.98f, 170.0f}, {kFavoriteDicom, 1.33f, 120.0f},
        {kFavoriteDicom, 0.5f, 200.0f},    {kFavoriteVoice, 1.0f, 40.0f},
    };
    for (const Case& c : cases) {
        storeRow(kFavoriteTime, "", "", kT0);
        storeRow(c.type, c.type == kFavoriteVoice ? "3" : "", "qn/x.dcm", kT0, c.scale);
    }
    storeRow(kFavoriteTime, "", "", kT1);
    storeRow(kFavoriteText, cocos2d::safeBase64EncodeString("ok"), "", kT1);
    const std::string longNote(60, 'w');
    storeRow(kFavoriteText, cocos2d::safeBase64EncodeString("word " + longNote + " " + longNote),
             "", kT1);
    captureList* list = loadedList();
    NSUI::NSListView* table = list->getTableView();
    size_t next = 0;
    for (ssize_t i = 0; i < list->rowCount(); ++i) {
        captureList::listObject* row = list->rowAt(i);
        const Size size = list->tableCellSizeForIndex(table, i, row);
        EXPECT_FLOAT_EQ(size.width, 300.0f);
        if (row->type == kFavoriteTime) {
            EXPECT_FLOAT_EQ(size.height, list->timeLabelSize.height + 20.0f);
        } else if (row->type != kFavoriteText) {
            ASSERT_LT(next, std::size(cases));
            EXPECT_FLOAT_EQ(size.height, cases[next].height) << "case " << next;
            ++next;
        }
    }
    EXPECT_EQ(next, std::size(cases));
    // A short note keeps its natural width and the row the icon height; a long one wraps at 70 %
    // of the list and grows.
    captureList::listObject* shortNote = list->rowAt(list->rowCount() - 2);
    captureList::listObject* longRow = list->rowAt(list->rowCount() - 1);
    EXPECT_LT(shortNote->labelSize.width, 210.0f);
    EXPECT_FLOAT_EQ(shortNote->cellSize.height, 40.0f);
    EXPECT_FLOAT_EQ(longRow->labelSize.width, 210.0f);
    EXPECT_GT(longRow->cellSize.height, 60.0f);
    EXPECT_FLOAT_EQ(longRow->cellSize.height, longRow->labelSize.height + 20.0f);
}

TEST_F(FavouritesTest, AVoiceBubbleGrowsWithTheLogOfItsLengthBetween70And200) {
    struct Case {
        const char* seconds;
        float width;
    } cases[] = {{"0", 70.0f}, {"1", 70.0f}, {"20", std::log(21.0f) * 40.0f}, {"1000", 200.0f}};
    storeRow(kFavoriteTime, "", "", kT0);
    for (const Case& c : cases) {
        storeRow(kFavoriteVoice, c.seconds, "qn/favorite/voice/1.aac", kT0);
    }
    captureList* list = loadedList();
    NSUI::NSListView* table = list->getTableView();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const ssize_t index = static_cast<ssize_t>(i) + 1;
        NSUI::NSTableViewCell* cell =
            list->tableCellAtIndex(table, index, Size(300.0f, list->iconSize));
        auto* bubble = cell->getChildByTag(captureList::kBubbleTag);
        ASSERT_NE(bubble, nullptr);
        EXPECT_NEAR(bubble->getContentSize().width, cases[i].width, 0.01f) << cases[i].seconds;
        EXPECT_NEAR(list->rowAt(index)->voiceBubble.size.width, cases[i].width, 0.01f);
    }
}

TEST_F(FavouritesTest, AReloadRebuildsTheRowOnlyWhileItIsInView) {
    std::vector<int> ids;
    storeRow(kFavoriteTime, "", "", kT0);
    for (int i = 0; i < 30; ++i) {
        ids.push_back(storeRow(kFavoriteText, cocos2d::safeBase64EncodeString("n"), "", kT0));
    }
    CountingList* list = CountingList::create();
    list->setContentSize(Size(300.0f, 480.0f));
    list->loadFavorites();
    scene->addChild(list);
    ASSERT_TRUE(studydbtest::pumpUntil([list] { return list->rowCount() > 0; }));
    frames();
    // The list shows its end: the last row is in view, the first is not.
    const int inView = ids.back();
    const int outOfView = ids.front();
    const int before = list->built[inView];
    const int beforeOut = list->built[outOfView];
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    centre->postString(nullptr, studydb::NOTIFY_CAPTURE_LIST_RELOAD, std::to_string(outOfView),
                       list, false);
    centre->postString(nullptr, studydb::NOTIFY_CAPTURE_LIST_RELOAD, std::to_string(inView), list,
                       false);
    // Posted to another group: not this list's.
    centre->postString(nullptr, studydb::NOTIFY_CAPTURE_LIST_RELOAD, std::to_string(inView),
                       nullptr, false);
    // Deliveries of this kind go one per frame, behind whatever the database posted meanwhile:
    // wait for the row in view, then give the other posts their frames too.
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return list->built[inView] > before; }));
    frames(6);
    EXPECT_EQ(list->built[outOfView], beforeOut);
    EXPECT_EQ(list->built[inView], before + 1);
}

// Leaving the list while a thumbnail is still being made does not wait for it: the file here
// is a pipe nobody writes, so its reading blocks until the test lets it go.
TEST_F(FavouritesTest, LeavingTheListDoesNotWaitForAThumbnailBeingMade) {
    fs::create_directories(writable() + "qn/favorite");
    const std::string pipe = writable() + "qn/favorite/slow.dcm";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    storeRow(kFavoriteTime, "", "", kT0);
    const int ID = storeRow(kFavoriteDicom, "", "qn/favorite/slow.dcm", kT0, 2.0f);
    CountingList* list = CountingList::create();
    list->setContentSize(Size(300.0f, 480.0f));
    list->loadFavorites();
    scene->addChild(list);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return list->built[ID] >= 1; }));

    // Should the leave wait for the worker, this lets the worker go after a while, so that the
    // test ends and fails instead of hanging.
    std::atomic<bool> left{false};
    std::atomic<bool> rescued{false};
    std::thread guard([&] {
        for (int i = 0; i < 2000 && !left; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        rescued = !left;
        const int writer = open(pipe.c_str(), O_WRONLY);
        if (writer >= 0) {
            close(writer);
        }
    });
    list->removeFromParent();
    left = true;
    guard.join();
    EXPECT_FALSE(rescued) << "leaving the list waited for the thumbnail worker";
    OwnedJobs::leftBehind().joinAll();
    EXPECT_FALSE(fs::exists(writable() + "qn/favorite/slow.png"));
}

TEST_F(FavouritesTest, AFavouriteWithoutThumbnailGetsOneFromTheWorker) {
    bvtest::DicomFixture fixture;
    fixture.columns = 16;
    fixture.rows = 8;
    const std::string dicom = writable() + "qn/favorite/a.dcm";
    fs::create_directories(writable() + "qn/favorite");
    ASSERT_TRUE(fixture.write(dicom));
    storeRow(kFavoriteTime, "", "", kT0);
    const int ID = storeRow(kFavoriteDicom, "", "qn/favorite/a.dcm", kT0, 2.0f);
    CountingList* list = CountingList::create();
    list->setContentSize(Size(300.0f, 480.0f));
    list->loadFavorites();
    scene->addChild(list);
    const std::string png = writable() + "qn/favorite/a.png";
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return fs::exists(png); }));
    // The reload the worker posts builds the row again, now with its thumbnail.
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return list->built[ID] >= 2; }));
    list->joinThumbnailJobs();
    EXPECT_FALSE(fs::exists(png + ".part.png"));
    cocos2d::Image image;
    ASSERT_TRUE(image.initWithImageFile(png));
    EXPECT_EQ(image.getWidth(), 16);
    // Looked up on every check: the row's cell may be built again meanwhile.
    const auto picture = [list]() -> cocos2d::Sprite* {
        NSUI::NSTableViewCell* cell = list->getTableView()->cellAtIndex(1);
        return cell != nullptr
                   ? dynamic_cast<cocos2d::Sprite*>(cell->getChildByTag(captureList::kPictureTag))
                   : nullptr;
    };
    cocos2d::Texture2D* fallback =
        cocos2d::Director::getInstance()->getTextureCache()->addImage("res/sprite.png");
    ASSERT_TRUE(studydbtest::pumpUntil(
        [&] { return picture() != nullptr && picture()->getTexture() != fallback; }));
    EXPECT_TRUE(
        list->getTableView()->cellAtIndex(1)->getChildByTag(captureList::kBadgeTag)->isVisible());
}

TEST_F(FavouritesTest, OneThumbnailWorkerPerFileAndNothingWrittenForAnUnreadableFile) {
    ThumbnailsInProgress& progress = ThumbnailsInProgress::instance();
    EXPECT_TRUE(progress.begin("/f/a.dcm"));
    EXPECT_FALSE(progress.begin("/f/a.dcm"));
    EXPECT_TRUE(progress.begin("/f/b.dcm"));
    progress.end("/f/a.dcm");
    EXPECT_TRUE(progress.begin("/f/a.dcm"));
    progress.end("/f/a.dcm");
    progress.end("/f/b.dcm");

    const std::string broken = writable() + "broken.dcm";
    touchFile(broken, "not a DICOM file");
    std::string job;
    NSUI::UIJson::setString(job, "file", broken);
    NSUI::UIJson::setString(job, "id", "3");
    EXPECT_FALSE(captureList::makeThumbnail(job, nullptr));
    EXPECT_FALSE(fs::exists(writable() + "broken.png"));
    EXPECT_FALSE(fs::exists(writable() + "broken.png.part.png"));
    EXPECT_TRUE(progress.begin(broken));
    progress.end(broken);
}
