#pragma once

#include "ServiceFixture.h"
#include "studydb/dcmSend.h"

#include <string>

class AppConfig;

namespace cocos2d {
class Node;
}

namespace NSUI {
class NSListView;
class NSResponseWindow;
}  // namespace NSUI

namespace studydbtest {

// The DICOM node screen in its desktop pop-up on a running scene of a headless 960x640 window,
// over the task service of ServiceTest (node on a free loopback port, own address 127.0.0.2).
class NodeScreenTest : public ServiceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the pop-up and runs it on a fresh scene; waits for its first entry.
    void openScreen();
    // Closes the pop-up as the back button does.
    void closeScreen();

    // Clicks the screen's widget of that name.
    void click(const std::string& name);
    // Clicks "del" in the swipe menu of the task row.
    void deleteRow(long row);
    // Clicks the retry button of the task row.
    void retryRow(long row);
    // The text of a widget in the row's layout ("" when it has none or it is hidden).
    std::string rowText(NSUI::NSListView* table, long row, const std::string& name);
    bool rowWidgetShown(NSUI::NSListView* table, long row, const std::string& name);
    // The text of the scene's toast, "" when none is shown.
    std::string toast() const;
    void setField(const std::string& name, const std::string& text);
    std::string buttonTitle(const std::string& name);

    NSUI::NSResponseWindow* window_ = nullptr;
    dcmSend* screen_ = nullptr;
    AppConfig* config_ = nullptr;
};

}  // namespace studydbtest
