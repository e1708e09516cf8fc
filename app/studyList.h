#pragma once

#include <sys/types.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DeleteGuard.h"
#include "app/OwnedJobs.h"
#include "engine/2d/Layer.h"
#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Vector.h"
#include "engine/ui/Widget.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/NSTableViewDelegate.h"
#include "toolkit/widgets/UIControlBase.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace cocos2d {
class Scene;
namespace ui {
class CheckBox;
}
}  // namespace cocos2d

namespace NSUI {
class NSDBDataModel;
class NSListView;
}  // namespace NSUI

// The studies and series of one patient of the local library: each study a title row followed
// by its series rows in series-number order. Touching a series row shows up to six thumbnails
// of it and offers the hanging protocols that suit the selection in a strip under the rows;
// the right end of a series row, or a protocol, opens the viewer screen. A swipe from a series
// row's left edge offers delete, send and share. Files that arrive while the list is open add
// series rows or raise their image counts.
//
// Two forms: the home screen of a wide window keeps one list beside its patient table and
// re-targets it with setPatient; otherwise each touched patient gets a scene of its own
// (createScene). Main thread only, but for the job bodies, which run on the list's own threads
// (joined by cleanup). The protocol strip is in studyListProtocols.cpp, the thumbnails in
// studyListThumbnails.cpp.
class studyList : public cocos2d::Layer,
                  public NSUI::NSTableViewDelegate,
                  public NSUI::UIJson,
                  public NSUI::UIControlGenerater,
                  public NSUI::UIControlBase {
public:
    // One row: a study title row (type 0) or a series row (type 1).
    class listObject : public cocos2d::Ref, public NSUI::UIJson {
    public:
        static listObject* create();

        int type = -1;
        std::string studyID;
        std::string studyDate;
        std::string studyIDHospital;
        std::string studyDesc;
        std::string seriesID;
        std::string seriesNumber;
        std::string seriesTime;
        std::string exposure;
        std::string patientID;
        int imageCount = 0;
        int columns = 0;
        int rows = 0;
        std::string institution;
        std::string seriesDesc;
        std::string modality;
        // Relative to the DICOM root.
        std::string folder;
    };

    // One protocol of the strip.
    class protocalObject : public cocos2d::Ref {
    public:
        static protocalObject* create(const std::string& file, const std::string& title,
                                      const std::string& type);

        std::string file;
        std::string title;
        std::string type;
    };

    // Tag of the list in the scene of createScene.
    static constexpr int kSceneTag = 100;
    static constexpr float kStripHeight = 100.0f;
    // Width of the end of a series row that opens the viewer.
    static constexpr float kOpenZone = 64.0f;
    // Pop-ups stand above the tables and the thumbnails.
    static constexpr int kPopupZOrder = 10000;
    // Seconds without a new image of the series on show before its thumbnails are made again.
    static constexpr float kThumbnailSettle = 0.5f;

    CREATE_FUNC(studyList);
    // The pushed form: a list the size of the window (tag kSceneTag) in a new scene; the caller
    // gives it the patient and pushes the scene.
    static cocos2d::Scene* createScene();

    bool init() override;
    // Builds the screen from "studyListPC.csb" (pc) or "studyList.csb"; without the layout, or
    // without its placeholder "list", the list stays empty.
    bool initWithPC(bool pc);
    // Shows another patient. While a request is under way the latest patient asked for is kept
    // and requested when the running request ends.
    void setPatient(const std::string& patientId);

    void onEnterTransitionDidFinish() override;
    void onExit() override;
    // Detaches the list from the database's requests and the notification centre and waits for
    // its jobs.
    void cleanup() override;

    void onStudiesLoaded(NSUI::NSDBDataModel* model);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    void onButtonClick(cocos2d::Ref* sender);
    void onMultiSelectChanged(cocos2d::Ref* sender, int event);

    // Inserts a row under the study whose ID is `key`, before the first series row of that
    // study whose series number sorts after the row's; a study row (its own ID as key) goes to
    // the end. Nothing without a row table or with an empty key.
    void insertRow(const std::string& key, listObject* row);
    // Removes a series row, and its study's title row when it was the study's last series;
    // deletes the series on a worker, which calls `finished` when done. The swipe menu's delete
    // goes through a DeleteGuard first.
    void deleteRow(ssize_t index, std::function<void()> finished = {});
    // What the DICOM node screen's send bar and task rows call a series: its number, modality
    // and description.
    static std::string sendLabel(const listObject& row);
    bool isDeletionRunning() const { return deleteGuard.isRunning(); }

    // Protocol strip.
    void updateProtocols();

    // Thumbnails of a series row: shown at once when the series folder has them, else made on a
    // worker and shown when it reports NOTIFY_THUMBNAIL_READY. Asked while the job runs, the
    // latest request waits for the job's end and is served then.
    void showSeriesThumbnails(listObject* row);
    // Shows the thumbnails of a series folder (DICOM root + key + "/"); an empty path hides them.
    void showThumbnails(const std::string& path);
    static bool hasThumbnails(const std::string& path);

    // Job bodies (flat JSON texts as arguments), on the list's threads.
    static void deleteSeriesJob(dicomDB* db, const std::string& json);
    // A delete button's press: remembers the series of its row when the press begins.
    void onDeletePress(cocos2d::Ref* sender, cocos2d::ui::Widget::TouchEventType event);
    // Makes up to six thumbnails of evenly spaced images of the series; clears `busy` at the end,
    // then posts NOTIFY_THUMBNAIL_READY with the folder.
    static void makeThumbnailsJob(dicomDB* db, const std::string& json,
                                  const std::shared_ptr<std::atomic<bool>>& busy);
    // Row numbers of the images shown as thumbnails of a series of `count` images.
    static std::vector<int> thumbnailRows(int count);

    // Table delegate.
    void tableCellTouched(NSUI::NSTableView* table, NSUI::NSTableViewCell* cell,
                          const cocos2d::Vec2& point) override;
    void tableCellLeftMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) override;
    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t index,
                                        cocos2d::Ref* item) override;
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const cocos2d::Size& size) override;

    NSUI::NSListView* getRowTable() const { return rowTable; }
    NSUI::NSListView* getProtocolStrip() const { return protocolStrip; }
    listObject* getRow(ssize_t index) const;
    const std::string& getPatientId() const { return patientId; }
    const std::string& getQueuedPatientId() const { return queuedPatientId; }
    const std::string& getThumbnailFolder() const { return thumbnailFolder; }
    bool isLoading() const { return loading; }
    bool isRowsLoaded() const { return rowsLoaded; }
    // A thumbnail job runs or its answer has not been taken yet: a request now waits for it.
    bool isThumbnailJobBusy() const {
        return thumbnailJobBusy->load() || !thumbnailJobFolder.empty();
    }
    // A thumbnail request waits for the running job, or a remake for the arrivals to pause.
    bool hasThumbnailWork() const { return !queuedThumbnailPath.empty() || !remakePath.empty(); }
    ssize_t getPendingCount() const { return pendingStudies.size(); }
    // Waits for the list's jobs (tests, cleanup).
    void joinJobs() { jobs.joinAll(); }

protected:
    studyList() = default;
    ~studyList() override;

    // The task service's study database.
    static dicomDB* serviceDatabase();
    void requestStudies();
    // The full path of a series folder, ending in one "/" (the database keeps keys with or
    // without it).
    std::string seriesPath(const std::string& folder) const;
    // A file filed while the list is open (text: the file's JSON; object: the new-series rows).
    void applyReceivedFile(NSUI::NSNotificationData* data);
    void fillSeriesRow(const NSUI::NSDBDataModel& model);
    void refreshRow(listObject* row);
    void clearRows();
    // Serves a thumbnail request: queued while a job runs; else shown from the folder's pictures
    // unless `remake`, or made by a new job.
    void requestThumbnails(const std::string& seriesId, const std::string& path, bool remake);
    void serveQueuedThumbnails();
    // A new image of the row's series: when it is the series on show, its thumbnails are made
    // again once the images stop arriving for kThumbnailSettle.
    void followShownSeries(const listObject* row);
    // Hides the thumbnails and forgets the folder on show, the job's folder and what waits.
    void forgetThumbnails();
    // The selected rows that are series rows, in selection order.
    std::vector<listObject*> selectedSeries() const;
    // The row of the row table's selected cell, or null.
    listObject* focusedRow() const;
    void openProtocol(const protocalObject* protocol);
    // The DICOM node screen with the row's series as what to send (none without a row).
    void openDicomNodes(const listObject* row);
    void fillProtocolCell(NSUI::NSTableViewCell* cell, const protocalObject* protocol,
                          const cocos2d::Size& size);
    void loadCellLayout(NSUI::NSTableViewCell* cell, const std::string& file, int tag,
                        const cocos2d::Size& size);

    // The study database of the list's life, taken at init.
    cocos2d::RefPtr<dicomDB> database;
    NSUI::NSListView* rowTable = nullptr;
    NSUI::NSListView* protocolStrip = nullptr;
    // Retained NOTIFY_DB_STUDIES_READY data that came before the first rows.
    cocos2d::Vector<NSUI::NSNotificationData*> pendingStudies;
    bool rowsLoaded = false;
    bool requestOnEnter = true;
    std::string patientId;
    // The patient asked for while a request ran; "" when none.
    std::string queuedPatientId;
    std::string thumbnailFolder;
    // The folder whose thumbnails a job is making; its NOTIFY_THUMBNAIL_READY is shown.
    std::string thumbnailJobFolder;
    // The request that waits for the running job ("" path when none).
    std::string queuedThumbnailId;
    std::string queuedThumbnailPath;
    bool queuedThumbnailRemake = false;
    // The series on show whose thumbnails are made again when its arrivals pause.
    std::string remakeSeriesId;
    std::string remakePath;
    bool loading = false;
    // Shared with the thumbnail job, which clears it when it ends.
    std::shared_ptr<std::atomic<bool>> thumbnailJobBusy =
        std::make_shared<std::atomic<bool>>(false);
    float stripHeight = kStripHeight;
    OwnedJobs jobs;
    DeleteGuard deleteGuard;
    // The series a delete press began on; a press that ends on another row deletes nothing.
    std::optional<std::string> pressedSeries;
};
