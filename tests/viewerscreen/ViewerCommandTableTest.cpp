#include "viewerscreen/ViewerCommandTable.h"

#include <gtest/gtest.h>

#include <string>

#include "imagesdk/data/isNotifyKeys.h"

using namespace isImageSDK;

namespace {

struct Row {
    const char* name;
    ViewerAction action;
    int key;
    int value;
    bool nextFrame;
};

}  // namespace

TEST(ViewerCommandTableTest, EachButtonMapsToItsCommand) {
    const Row rows[] = {
        {"btnCmdChoosePatient", ViewerAction::ChoosePatient, NOTIFY_CHOOSE_PATIENT, 0, false},
        {"btnCmdWindowArrow", ViewerAction::WindowMenu, 0, 0, false},
        {"btnCmdProtocal", ViewerAction::ProtocolMenu, 0, 0, false},
        {"favorite", ViewerAction::Favorites, 0, 0, false},
        {"document", ViewerAction::Run, NOTIFY_DOCUMENT_BUTTON, 0, false},
        {"btnCmdOriS", ViewerAction::Run, NOTIFY_ORIENT_BUTTON, 1, false},
        {"btnCmdOriL", ViewerAction::Run, NOTIFY_ORIENT_BUTTON, 6, false},
        {"btnTile2x1", ViewerAction::Post, NOTIFY_GRID_2X1, 0, false},
        {"btnTileAuto", ViewerAction::PostAutoGrid, NOTIFY_GRID_AUTO, 0, false},
        {"btnViewVR", ViewerAction::PostView, NOTIFY_VIEW_VR, 0, false},
        // Measuring tools go out on the next-frame queue, the grids and views on the other.
        {"btnCmdLine", ViewerAction::Post, NOTIFY_ROI_LINE, 0, true},
        {"btnROISelection", ViewerAction::Post, NOTIFY_ROI_SELECT, 0, true},
        {"arrow", ViewerAction::Run, NOTIFY_TOOL_SELECT, 0, false},
        {"remove", ViewerAction::Run, NOTIFY_ROI_REMOVE, 0, false},
        {"btnCmdRotate", ViewerAction::Run, NOTIFY_TOOL_ROTATE, 0, false},
        {"btnCmdPlay", ViewerAction::Run, NOTIFY_CINE_PLAY, 0, false},
        {"btnSlab", ViewerAction::SlabMenu, 0, 0, false},
        {"view", ViewerAction::ViewCycle, NOTIFY_VIEW_CYCLE, 0, false},
        {"roi", ViewerAction::ToolDiskROI, 0, 0, false},
        {"btn4DMenu", ViewerAction::PhaseMenu, 0, 0, false},
    };
    for (const Row& row : rows) {
        const ViewerCommand* command = findViewerCommand(row.name, false);
        ASSERT_NE(command, nullptr) << row.name;
        EXPECT_EQ(command->action, row.action) << row.name;
        EXPECT_EQ(command->key, row.key) << row.name;
        EXPECT_EQ(command->value, row.value) << row.name;
        EXPECT_EQ(command->nextFrame, row.nextFrame) << row.name;
    }
}

TEST(ViewerCommandTableTest, CinePlayBlocksTheGatedRowsOnly) {
    for (const char* name :
         {"btnTile1x1", "btnTileAuto", "btnViewAxial", "btnCmdAngle", "btnCmdLine", "btnCmdOriA",
          "btnCmdCapture", "btnCmdSelection", "arrow", "btnCmdRemoveROI", "remove"}) {
        EXPECT_NE(findViewerCommand(name, false), nullptr) << name;
        EXPECT_EQ(findViewerCommand(name, true), nullptr) << name;
    }
    for (const char* name :
         {"btnCmdMove", "btnCmdZoom", "btnCmdFlipX", "btnCmdFlipY", "btnCmdRotate", "btnCmdPlay",
          "btnCmdPrior", "btnCmdNext", "btnCmdWL", "btnCmdClut", "layout", "wwwl", "goBack",
          "btnCmdWindow", "btn4DNext"}) {
        EXPECT_NE(findViewerCommand(name, true), nullptr) << name;
    }
}

TEST(ViewerCommandTableTest, NamesOutsideTheTableDoNothing) {
    for (const char* name : {"btnCmdToolbox", "", "BTNCMDMOVE", "btnCmdMove ", "sliderSlice"}) {
        EXPECT_EQ(findViewerCommand(name, false), nullptr) << name;
    }
}
