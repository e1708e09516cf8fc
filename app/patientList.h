#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DeleteGuard.h"
#include "app/OwnedJobs.h"
#include "engine/2d/Layer.h"
#include "engine/base/Macros.h"
#include "engine/ui/EditBoxDelegate.h"
#include "engine/ui/Widget.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/net/UIHttpPhisical.h"
#include "toolkit/widgets/NSTableViewDelegate.h"
#include "toolkit/widgets/UIControlBase.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace cocos2d {
class Scene;
namespace ui {
class Button;
}
}  // namespace cocos2d

namespace NSUI {
class NSDBDataModel;
class NSListView;
class NSNotificationData;
class NSTextField;
}  // namespace NSUI

class dicomDB;
class importDcm;

// The home screen: the patients of the local library, newest first, with a name filter, the
// buttons that lead to the other screens, an empty-state help and the live updates of received
// files. A touched patient opens in the study list, beside the table on a wide window. The
// actions that leave the screen or change the library (imports, deletion, sharing, the DICOM
// node screen, the silent login) are in patientListActions.cpp. Main thread only, but for the
// job bodies, which run on the threads they name.
class patientList : public cocos2d::Layer,
                    public NSUI::NSTableViewDelegate,
                    public NSUI::UIJson,
                    public NSUI::UIControlGenerater,
                    public NSUI::UIControlBase,
                    public NSUI::UILocalConfig,
                    public cocos2d::ui::EditBoxDelegate,
                    public NSUI::UIHttpPhisical {
public:
    // One patient row.
    class listObject : public cocos2d::Ref, public NSUI::UIJson {
    public:
        static listObject* create();

        // From row `row` of a patient-list answer.
        void fillFromModel(NSUI::NSDBDataModel* model, int row);
        // From the announcement of a filed file (a flat JSON text).
        void fillFromRecord(const std::string& json);

        std::string patientID;
        std::string patientIDHospital;
        std::string name;
        std::string birthday;
        std::string sex;
        std::string updateTime;
        std::string studyDesc;
        std::string seriesDate;
        // Relative to the DICOM root.
        std::string folder;
        int studyCount = 0;
        int seriesCount = 0;
        int imageCount = 0;
        int orderKey = 0;
        bool newFiles = false;
    };

    // Tags and names of the nodes the screen makes on demand.
    static constexpr int kRecordTag = 100;
    static constexpr int kPromptTag = 100001;
    static constexpr int kWifiWarningTag = 9001;
    static constexpr int kFirstOrderKey = 10000;
    static constexpr float kRowHeight = 100.0f;
    static constexpr float kTopBarHeight = 60.0f;
    static constexpr float kWideWindow = 1800.0f;
    // Pop-ups stand above the table and the study list.
    static constexpr int kPopupZOrder = 10000;

    // A scene holding a new home screen; null when it cannot be made.
    static cocos2d::Scene* createScene();
    CREATE_FUNC(patientList);

    bool init() override;
    void cleanup() override;
    void onExit() override;
    void onEnterTransitionDidFinish() override;

    void onPatientsLoaded(NSUI::NSDBDataModel* rows);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    void onButtonClick(cocos2d::Ref* sender);

    // Name filter.
    void onFilterFieldEvent(cocos2d::Ref* field, int event);
    void applyFilter(cocos2d::ui::Button* filterButton, const std::string& upperText);

    void updateEmptyState();
    void updateLoginIcon();
    void updateFavoriteBadge(int value);
    // `nodeFailure`: why the storage node is not listening, empty while it listens.
    void updatePeerCount(int peers, const std::string& nodeFailure = std::string());
    // The bar says `reason` when given, else asks to check the network.
    void setWifiWarning(bool show, const std::string& reason = std::string());
    bool isWideWindow() const;

    // What importPath makes of a path: "file:///storage..." loses its "file://"; a folder, an
    // archive (".zip" in any case), any other file, or nothing.
    enum class ImportKind { Missing, Folder, File, Archive };
    struct ImportTarget {
        ImportKind kind = ImportKind::Missing;
        std::string path;
    };
    static ImportTarget classifyImport(std::string path);
    // What the DICOM node screen's send bar and task rows call a patient: name and ID.
    static std::string sendLabel(const listObject& row);
    // Imports a folder, a single file or a zip archive; a missing path does nothing. One
    // archive at a time: a second one while the first is unpacked is refused with a message.
    void importPath(std::string path, bool deleteAfter);
    // Deletes the patient of a row: at once on the screen, the files on a worker thread, which
    // calls `finished` when done. The delete buttons go through a DeleteGuard first.
    void deleteRow(int index, std::function<void()> finished = {});
    bool isDeletionRunning() const { return deleteGuard.isRunning(); }
    void autoLogin();
    // The query/retrieve screen, as a pop-up over this screen (a pushed scene on a phone).
    void openRemoteSearch();
    void onResponse(NSUI::UIHttpResponse* response) override;
    // Only the phone form has an edit box.
    void editBoxReturn(cocos2d::ui::EditBox* editBox) override;

    // Job bodies. The unzip job posts NOTIFY_IMPORT_FINISHED with 1, kUnzipNoRoom when the
    // archive does not fit the free disk space, or 0 for any other failure; the web resources
    // are unpacked into `folder`, which is removed again when the archive cannot be unpacked.
    static void unzipJob(const std::string& archive, const std::string& folder);
    static void unpackWebResourcesJob(const std::string& source, const std::string& folder);
    // Removes the series caches below the job's folder, then the patient from the database.
    static void deletePatientJob(const std::string& json, dicomDB* database);

    // Table delegate.
    void tableCellTouched(NSUI::NSTableView* table, NSUI::NSTableViewCell* cell,
                          const cocos2d::Vec2& point) override;
    void tableCellLeftMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) override;
    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t index,
                                        cocos2d::Ref* item) override;
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const cocos2d::Size& size) override;

    NSUI::NSListView* getTable() const { return table; }
    NSUI::NSTextField* getFilterField() const { return filterField; }
    const cocos2d::Vector<listObject*>& getHiddenRows() const { return hiddenRows; }
    listObject* getRow(ssize_t index) const;
    const std::string& getDicomRoot() const { return dicomRoot; }
    bool isArchiveImportRunning() const { return archiveImportRunning; }

protected:
    patientList() = default;
    ~patientList() override;

    void buildTable(cocos2d::Node* layout, cocos2d::Node* placeholder);
    void buildFilterField(cocos2d::Node* placeholder);
    void bindButtons(cocos2d::Node* layout);
    void observeFirstGroup();
    void observeSecondGroup();
    void onPatientReceived(const std::string& json);
    void onPatientChanged(const std::string& patientId);
    void onImportFinished(int result);
    void openPatient(const std::string& patientId);
    // Selects a row in view and, on a wide window, shows its patient beside the table.
    void selectRow(ssize_t index);
    // Removes a row; when it was the selected one, the row that takes its place is selected.
    void removeRow(ssize_t index);
    void prepareExampleData();
    void showHelp(bool show);
    void showPrompts(bool show);
    // The row of a button of the swipe panel, else the selected row; -1 without one.
    int rowIndexFor(cocos2d::Ref* sender, bool fromButton) const;
    // A delete button's press: remembers the patient its row has when the press begins.
    void onDeletePress(cocos2d::Ref* sender, cocos2d::ui::Widget::TouchEventType event);
    void share(int row);
    void openDicomNodes(int row, bool receivePanel);
    void showNotAvailable();
    // What the buttons that act on the selected patient say when none is selected.
    void showNoSelection();
    // The node button's image: red while the storage node is not listening.
    const char* nodeIcon() const;

    NSUI::NSListView* table = nullptr;
    importDcm* importer = nullptr;
    std::string dicomRoot;
    std::string pendingUnzip;
    std::string webResourceFolder;
    cocos2d::Vector<listObject*> hiddenRows;
    int nextOrderKey = kFirstOrderKey;
    cocos2d::Node* helpPanel = nullptr;
    bool firstEnter = true;
    NSUI::NSTextField* filterField = nullptr;
    bool archiveImportRunning = false;
    bool nodeDown = false;
    // Cleared when the screen goes, for answers that arrive later.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    // The jobs read only what they were given, so they never touch a screen that has gone.
    OwnedJobs jobs;
    DeleteGuard deleteGuard;
    // The patient a delete press began on; a press that ends on another one deletes nothing.
    std::optional<std::string> pressedPatient;
};
