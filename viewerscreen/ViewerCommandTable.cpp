#include "viewerscreen/ViewerCommandTable.h"

#include "imagesdk/data/isNotifyKeys.h"

namespace {

using namespace isImageSDK;
using A = ViewerAction;

constexpr bool kGated = true;
constexpr bool kNextFrame = true;

// In the order buttons are matched: the first row of a name wins.
const ViewerCommand kCommands[] = {
    {"btnCmdChoosePatient", A::ChoosePatient, NOTIFY_CHOOSE_PATIENT, 0, false, false},
    {"btnCmdWindowArrow", A::WindowMenu, 0, 0, false, false},
    {"btnCmdWindow", A::WindowMenu, 0, 0, false, false},
    {"btnCmdProtocalArrow", A::ProtocolMenu, 0, 0, false, false},
    {"btnCmdProtocal", A::ProtocolMenu, 0, 0, false, false},
    {"btnCmdFavorite", A::Favorites, 0, 0, false, false},
    {"favorite", A::Favorites, 0, 0, false, false},
    {"document", A::Run, NOTIFY_DOCUMENT_BUTTON, 0, false, false},
    {"goBack", A::GoBack, 0, 0, false, false},
    {"btnCmdOriS", A::Run, NOTIFY_ORIENT_BUTTON, 1, false, kGated},
    {"btnCmdOriI", A::Run, NOTIFY_ORIENT_BUTTON, 2, false, kGated},
    {"btnCmdOriA", A::Run, NOTIFY_ORIENT_BUTTON, 3, false, kGated},
    {"btnCmdOriP", A::Run, NOTIFY_ORIENT_BUTTON, 4, false, kGated},
    {"btnCmdOriR", A::Run, NOTIFY_ORIENT_BUTTON, 5, false, kGated},
    {"btnCmdOriL", A::Run, NOTIFY_ORIENT_BUTTON, 6, false, kGated},
    {"btnTile1x1", A::Post, NOTIFY_GRID_1X1, 0, false, kGated},
    {"btnTile1x2", A::Post, NOTIFY_GRID_1X2, 0, false, kGated},
    {"btnTile2x1", A::Post, NOTIFY_GRID_2X1, 0, false, kGated},
    {"btnTile2x2", A::Post, NOTIFY_GRID_2X2, 0, false, kGated},
    {"btnTileAuto", A::PostAutoGrid, NOTIFY_GRID_AUTO, 0, false, kGated},
    {"btnViewAxial", A::PostView, NOTIFY_VIEW_AXIAL, 0, false, kGated},
    {"btnViewSagittal", A::PostView, NOTIFY_VIEW_SAGITTAL, 0, false, kGated},
    {"btnViewCoronal", A::PostView, NOTIFY_VIEW_CORONAL, 0, false, kGated},
    {"btnViewVR", A::PostView, NOTIFY_VIEW_VR, 0, false, kGated},
    {"btnCmdAngle", A::Post, NOTIFY_ROI_ANGLE, 0, kNextFrame, kGated},
    {"btnCmdPolygon", A::Post, NOTIFY_ROI_POLYGON, 0, kNextFrame, kGated},
    {"btnCmdPoint", A::Post, NOTIFY_ROI_POINT, 0, kNextFrame, kGated},
    {"btnCmdCircle", A::Post, NOTIFY_ROI_CIRCLE, 0, kNextFrame, kGated},
    {"btnROILabel", A::Post, NOTIFY_ROI_LABEL, 0, kNextFrame, kGated},
    {"btnROISelection", A::Post, NOTIFY_ROI_SELECT, 0, kNextFrame, kGated},
    {"btnCmdLine", A::Post, NOTIFY_ROI_LINE, 0, kNextFrame, kGated},
    {"btnCmdSelection", A::Run, NOTIFY_TOOL_SELECT, 0, false, kGated},
    {"arrow", A::Run, NOTIFY_TOOL_SELECT, 0, false, kGated},
    {"btnCmdMove", A::Run, NOTIFY_TOOL_MOVE, 0, false, false},
    {"btnCmdZoom", A::Run, NOTIFY_TOOL_ZOOM, 0, false, false},
    {"btnCmdFlipX", A::Run, NOTIFY_FLIP_X, 0, false, false},
    {"btnCmdFlipY", A::Run, NOTIFY_FLIP_Y, 0, false, false},
    {"btnCmdCapture", A::CaptureMenu, 0, 0, false, kGated},
    {"btnCmdRemoveROI", A::Run, NOTIFY_ROI_REMOVE, 0, false, kGated},
    {"remove", A::Run, NOTIFY_ROI_REMOVE, 0, false, kGated},
    {"btnCmdRotate", A::Run, NOTIFY_TOOL_ROTATE, 0, false, false},
    {"btnCmdPlay", A::Run, NOTIFY_CINE_PLAY, 0, false, false},
    {"btnCmdPrior", A::Run, NOTIFY_CINE_PRIOR, 0, false, false},
    {"btnCmdNext", A::Run, NOTIFY_CINE_NEXT, 0, false, false},
    {"btnCmdWL", A::WindowLevelMenu, 0, 0, false, false},
    {"btnCmdClut", A::ClutMenu, 0, 0, false, false},
    {"btnCmdWLOpaticy", A::OpacityMenu, 0, 0, false, false},
    {"layout", A::ToolDiskLayout, 0, 0, false, false},
    {"btnFlip", A::FlipMenu, 0, 0, false, false},
    {"btnSlab", A::SlabMenu, 0, 0, false, false},
    {"btnCmdSlab", A::SlabMenu, 0, 0, false, false},
    {"view", A::ViewCycle, NOTIFY_VIEW_CYCLE, 0, false, false},
    {"wwwl", A::ToolDiskWindowLevel, 0, 0, false, false},
    {"roi", A::ToolDiskROI, 0, 0, false, false},
    {"btn4DPrior", A::PhasePrior, 0, 0, false, false},
    {"btn4DNext", A::PhaseNext, 0, 0, false, false},
    {"btn4DMenu", A::PhaseMenu, 0, 0, false, false},
};

}  // namespace

const ViewerCommand* findViewerCommand(const std::string& name, bool playing) {
    for (const ViewerCommand& command : kCommands) {
        if (name == command.name && !(playing && command.gated)) {
            return &command;
        }
    }
    return nullptr;
}
