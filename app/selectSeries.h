#pragma once

#include <sys/types.h>

#include <string>

#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Vector.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/NSLayout.h"
#include "toolkit/widgets/NSTableViewDelegate.h"

namespace cocos2d {
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

// The series chooser over the viewer screen: a series page with the series of one patient and
// a patient page with the home screen's patients and a name filter, in one window. It asks the
// home screen for its patient table (NOTIFY_SERIES_PICKER_REQUEST, answered with
// NOTIFY_SERIES_PICKER_DATA to the chooser's group), opens on the series of the patient selected
// there, and announces the chosen series with NOTIFY_SERIES_CHOSEN (text: the series key) to the
// group of its owner. Main thread only.
class selectSeries : public NSUI::NSLayout, public NSUI::NSTableViewDelegate {
public:
    // A patient row, copied from the home screen's table.
    class listObject : public cocos2d::Ref, public NSUI::UIJson {
    public:
        static listObject* create();

        std::string patientID;
        std::string patientIDHospital;
        std::string name;
        // At most 30 characters.
        std::string studyDesc;
        std::string seriesTime;
        // rowIdBase + the row's index in the home screen's table: the order filtered rows go
        // back in.
        int rowId = 0;
    };

    // A series row.
    class studyObject : public cocos2d::Ref, public NSUI::UIJson {
    public:
        static studyObject* create();

        std::string seriesID;
        std::string seriesNumber;
        std::string seriesTime;
        std::string patientID;
        int imageCount = 0;
        int columns = 0;
        int rows = 0;
        // At most 30 characters.
        std::string seriesDesc;
        std::string modality;
        // The series key.
        std::string folder;
    };

    static constexpr int kRowIdBase = 10000;
    static constexpr int kDescriptionLength = 30;

    CREATE_FUNC(selectSeries);

    bool init() override;
    // Builds the window from "selectSeries.csb" on the series page. Mode 0: a child window that
    // closing removes; otherwise a scene that closing pops.
    bool initWithMode(int mode);
    void onEnterTransitionDidFinish() override;
    // Stops observing and detaches the chooser from its database request, so that no late
    // answer reaches it.
    void cleanup() override;

    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    void onStudiesLoaded(NSUI::NSDBDataModel* model);
    void onButtonClick(cocos2d::Ref* sender);
    void onFilterFieldEvent(cocos2d::Ref* field, int event);
    // Shows only the patients whose upper-cased name contains `text`; "" shows all again.
    void applyFilter(cocos2d::ui::Button* button, const std::string& text);

    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t index,
                                        cocos2d::Ref* item) override;
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const cocos2d::Size& size) override;

    // "YYYYMMDD HHMMSS" as "YYYY-MM-DD HH:MM:SS"; any other text as it is.
    static std::string formatSeriesTime(const std::string& time);

    void setOwner(void* group) { chosenGroup = group; }
    void* getOwner() const { return chosenGroup; }
    NSUI::NSListView* getPatientTable() const { return patientTable; }
    NSUI::NSListView* getSeriesTable() const { return seriesTable; }
    const cocos2d::Vector<listObject*>& getHiddenRows() const { return hiddenRows; }
    bool isSeriesPage() const;

protected:
    selectSeries() = default;
    ~selectSeries() override;

    void close();
    void requestSeries(const std::string& patientId);
    void showPatientPage(bool patients);
    void restoreHiddenRows();

    NSUI::NSListView* patientTable = nullptr;
    NSUI::NSListView* seriesTable = nullptr;
    bool firstEnter = true;
    int rowIdBase = kRowIdBase;
    cocos2d::Vector<listObject*> hiddenRows;
    int mode = 0;
    // The group NOTIFY_SERIES_CHOSEN is posted to (the opener).
    void* chosenGroup = nullptr;
    cocos2d::RefPtr<dicomDB> database;
};
