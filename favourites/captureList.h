#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "app/OwnedJobs.h"
#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "engine/ui/CheckBox.h"
#include "favourites/TimeOfDay.h"
#include "toolkit/widgets/NSLayout.h"
#include "toolkit/widgets/NSTableViewDelegate.h"

namespace NSUI {
class NSDBDataModel;
class NSListView;
class NSNotificationData;
}  // namespace NSUI

// What a favourite row is; the value of column `type` of table `favorite`.
enum FavoriteKind {
    kFavoriteCapture = 1,
    kFavoriteDicom = 2,
    kFavoriteTime = 3,
    kFavoritePlaceholder = 4,
    kFavoriteText = 5,
    kFavoriteVoice = 6,
};

// The notebook of favourites: captured pictures, favourite DICOM images, text and voice notes,
// separated by time rows, oldest at the top. Rows come from the study database (read once,
// then appended as its notifications announce new ones); the list deletes rows through it too.
// A favourite DICOM row without its ".png" thumbnail gets one from a worker the list owns.
// Main thread only, but for the thumbnail workers.
class captureList : public NSUI::NSLayout, public NSUI::NSTableViewDelegate {
public:
    // One row of the list.
    class listObject : public cocos2d::Ref {
    public:
        // The picture, the ".dcm" file or the recording, absolute; empty for other kinds.
        std::string image;
        std::string updateTime;
        int type = 0;
        int ID = 0;
        std::string icon;
        // The note text, or a voice note's length in whole seconds.
        std::string message;
        // Width over height of a picture; 1 for other rows.
        float scale = 0.0f;
        // A text note's row size, measured once (width 0 until then), and its text's size.
        cocos2d::Size cellSize;
        cocos2d::Size labelSize;
        bool ticked = false;
        // Where a voice note's bubble lies in its cell.
        cocos2d::Rect voiceBubble;
    };

    // Tags of a row's children.
    static constexpr int kPictureTag = 100;
    static constexpr int kBadgeTag = 101;
    static constexpr int kCheckTag = 200;
    static constexpr int kLabelTag = 300;
    static constexpr int kBubbleTag = 301;
    static constexpr int kSpeakerTag = 302;
    static constexpr const char* kPlaceholderText = "Record something here.";

    CREATE_FUNC(captureList);
    bool init() override;

    // Makes the table (once) at the list's content size, asks for the rows and starts
    // observing new ones. The owner sizes the list first.
    void loadFavorites();
    // Appends a capture row; it neither replaces the placeholder nor scrolls.
    void addImageRow(const std::string& path, float scale, int ID);

    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t index,
                                        cocos2d::Ref* item) override;
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const cocos2d::Size& size) override;
    void tableCellTouched(NSUI::NSTableView* table, NSUI::NSTableViewCell* cell,
                          const cocos2d::Vec2& point) override;
    void tableCellLeftMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) override;

    // Neighbouring time rows keep the later one, a trailing time row goes, and an empty list
    // shows the placeholder; deleted rows leave the database too.
    void tidyTimeRows();

    // Operations on the rows.
    void selectRow(listObject* row);
    void animateVoicePlay(float dt);
    void setAllChecked(bool state);
    // Copies the ticked pictures into a folder the user chooses. False when a copy failed.
    bool shareChecked();
    void onTrashClicked(cocos2d::Ref* sender);
    void removeRow(int ID);
    void removeChecked();

    void onFavoritesLoaded(NSUI::NSDBDataModel* rows);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    void onCheckChanged(cocos2d::Ref* sender, cocos2d::ui::CheckBox::EventType event);

    void onEnterTransitionDidFinish() override;
    void cleanup() override;

    // Makes the ".png" beside a ".dcm" file, written under a temporary name and renamed; posts
    // the thumbnail-ready key with the row ID to `group`. False when nothing was written.
    static bool makeThumbnail(const std::string& job, void* group);
    static std::string thumbnailPath(const std::string& image);

    NSUI::NSListView* getTableView() const { return tableView; }
    ssize_t rowCount() const;
    listObject* rowAt(ssize_t index) const;
    // The speaker icon of the note being played, while its row is in view.
    cocos2d::Sprite* playingIcon() const;
    listObject* playingRow() const { return playing.get(); }
    // Waits for the thumbnail workers.
    void joinThumbnailJobs() { thumbnailJobs.joinAll(); }

    std::function<void(const std::string& path, int kind)> onRowChosen;
    // The time of day of the voice playback; tests replace it.
    TimeOfDayClock clock = systemTimeOfDay;

    float iconSize = 40.0f;
    int wideImageHeight = 80;
    int tallImageHeight = 160;
    int listWidth = 0;
    int marginV = 10;
    int marginH = 10;
    int checkMargin = 30;
    int timeFontSize = 12;
    int textFontSize = 15;
    cocos2d::Size timeLabelSize;

protected:
    captureList() = default;
    ~captureList() override;

private:
    void appendRow(listObject* row);
    // The row an empty list shows: no ID, no texts.
    void appendPlaceholder();
    void removeRowObject(listObject* row);
    void scrollToEnd();
    void dropPlaceholder();
    listObject* newRow(int type, int ID, const std::string& message, const std::string& image);
    // Rebuilds the cell of each row in view whose index passes the test.
    void rebuildVisible(const std::function<bool(listObject*)>& test, bool firstOnly);
    void buildPictureRow(NSUI::NSTableViewCell* cell, listObject* row, const cocos2d::Size& size);
    void startThumbnail(listObject* row);
    void deleteFromDatabase(int ID);
    void setSpeakerFrame(int frame);

    NSUI::NSListView* tableView = nullptr;
    cocos2d::RefPtr<listObject> playing;
    int playFrame = 1;
    int playSeconds = 0;
    TimeOfDay playStart;
    // The answer of the row request reaches the list only while this lives.
    std::shared_ptr<captureList*> alive;
    OwnedJobs thumbnailJobs;
};

// Files whose thumbnail a worker is writing; one worker per file at a time.
class ThumbnailsInProgress {
public:
    static ThumbnailsInProgress& instance();
    // False when that file already has a worker.
    bool begin(const std::string& file);
    void end(const std::string& file);

private:
    std::mutex lock;
    std::set<std::string> files;
};
