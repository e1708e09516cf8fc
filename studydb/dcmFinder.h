#pragma once

#include <sys/types.h>

#include <array>
#include <functional>
#include <string>

#include "engine/2d/Node.h"
#include "engine/base/Macros.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSTableViewDelegate.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace cocos2d {
class Scene;
namespace ui {
class Button;
}
}  // namespace cocos2d

namespace NSUI {
class NSListView;
class NSNotificationData;
class NSResponseWindow;
class NSTextField;
}  // namespace NSUI

// The query/retrieve screen: finds the studies of a patient on a remote DICOM node, lists each
// study as a patient row with its series under it, and retrieves single series into the
// download folder, from which the study browser files them. The node of a search is kept with
// the search and its rows, so later answers and downloads go where the rows came from. Main
// thread only; the queries and retrievals run in the DICOM task service.
class dcmFinder : public cocos2d::Node,
                  public NSUI::NSTableViewDelegate,
                  public NSUI::UIJson,
                  public NSUI::UIControlGenerater,
                  public NSUI::UILocalConfig {
public:
    // Where a search went: every answer and every download of its rows uses it.
    struct RemoteNode {
        std::string ip;
        std::string port;
        std::string title;
    };

    // One row: a study as a patient row, or one of its series.
    class listObject : public cocos2d::Ref {
    public:
        enum Text {
            kStudyDateTime = 0,
            kInstitution = 1,
            kStudyDescription = 2,
            kPatientName = 3,
            kPatientId = 4,
            kBirthDate = 5,
            kSex = 6,
            kStudyUid = 7,
            kStudyId = 8,
            kModality = 10,
            kSeriesDescription = 11,
            kSeriesUid = 12,
            kSeriesNumber = 13,
            kImageCount = 14,
            kTextCount = 15,
        };

        static listObject* create();

        const std::string& text(Text which) const { return texts[which]; }

        bool isPatient = false;
        // A series whose retrieval has started.
        bool inProgress = false;
        // A series whose download button was pressed.
        bool requested = false;
        std::array<std::string, kTextCount> texts;
        RemoteNode node;
    };

    static constexpr const char* kLayoutFile = "dcmFind.csb";
    static constexpr const char* kSeriesLayoutFile = "dcmFindSeries.csb";
    static constexpr const char* kPatientLayoutFile = "dcmFindPatient.csb";
    // Below the writable path.
    static constexpr const char* kDownloadFolder = "tmp/dicomdown/";
    static constexpr int kSeriesTag = 100;
    static constexpr int kPatientTag = 200;

    // The desktop pop-up holding a new finder over the whole window; null when the layout is
    // missing. Closing the finder removes the pop-up.
    static NSUI::NSResponseWindow* createWindow();
    // The phone form: a scene with a title bar whose back button pops it.
    static cocos2d::Scene* createScene();
    // The finder a pop-up or scene made by the above holds.
    static dcmFinder* finderIn(cocos2d::Node* holder);

    CREATE_FUNC(dcmFinder);

    bool init() override;
    void cleanup() override;

    void onButtonClick(cocos2d::Ref* sender);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    // Called once for every search that is sent (the usage statistic of the shell).
    void setSearchRecorder(const std::function<void()>& recorder) { searchRecorder = recorder; }

    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t index,
                                        cocos2d::Ref* item) override;
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const cocos2d::Size& size) override;

    NSUI::NSListView* getTable() const { return table; }
    listObject* getRow(ssize_t index) const;
    NSUI::NSTextField* getField(const std::string& name) const;
    const RemoteNode& getSearchNode() const { return searchNode; }

protected:
    dcmFinder() = default;
    ~dcmFinder() override;

    // Sizes of the rows and of the area above the list.
    static constexpr float kPatientRowHeight = 70.0f;
    static constexpr float kSeriesRowHeight = 60.0f;
    static constexpr float kPhonePatientRowHeight = 140.0f;
    static constexpr float kPhoneSeriesRowHeight = 80.0f;
    static constexpr float kHeaderHeight = 155.0f;
    static constexpr float kPhoneHeaderHeight = 175.0f;

    // Localises the layout, adds the list and replaces the field templates.
    void setupWidgets();
    void replaceField(const char* name, int inputMode, const char* savedKey);
    void search();
    void download(cocos2d::ui::Button* button);
    void addPatient(cocos2d::Ref* object);
    void addSeries(cocos2d::Ref* object);
    void onRetrievalStarted(const std::string& seriesUid);
    void onRetrievalProgress(const std::string& text);
    // The look of a row's download button follows its record.
    static void showDownloadState(cocos2d::ui::Button* button, const listObject* row);
    // Shows the state of every row in view again.
    void refreshVisibleRows();
    void updateHelp();
    void close();

    cocos2d::Node* layout = nullptr;
    NSUI::NSListView* table = nullptr;
    RemoteNode searchNode;
    std::function<void()> searchRecorder;
};
