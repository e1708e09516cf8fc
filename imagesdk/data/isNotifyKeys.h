#pragma once

#include "toolkit/core/NSNotifyKeys.h"

// The notification keys of the image library and of the viewers built on it. Keys travel through
// NSUI::NSNotificationCenter, or as direct calls of the receiver's notification handler with the
// same key and data. The comment above a key gives its data and, where it matters, its queue:
// "next tick" posts are all delivered at the next pass (steps and state changes), the others one
// per pass, oldest first (gesture totals and bursts). A post reaches only observers of its own
// group: the render window inside one window, the light-box browser from its tiles, the
// multi-viewer for commands to one region, the viewer screen for the multi-viewer's re-posts,
// and no group for commands to every render window and events for the screens.
namespace isImageSDK {

// Application band.

// The series readers of a load are made and registered with isSharedObjects: no data; int -1 when
// the scan or a reader failed. Group: the viewer screen that asked for the load.
constexpr int NOTIFY_SERIES_LOADED = 2000;
// No voxel memory to be had for an image data; no sender, no data, no group.
constexpr int NOTIFY_OUT_OF_MEMORY = 2035;

// Viewer band: keys not listed are not used.

// Commands from the viewer screen, its menus, the quick tool strip and the tool disk down to a
// region (group: the multi-viewer).

// None; the render window calls its own handler, the multi-viewer re-posts it to the screen.
constexpr int NOTIFY_WHEEL_UP = 9001;
// None; as the wheel-up key.
constexpr int NOTIFY_WHEEL_DOWN = 9002;
constexpr int NOTIFY_VIEW_CMD_9003 = 9003;
constexpr int NOTIFY_PHASE_SET = 9005;
// Text "1" (maximum, shown as MIP) or "2" (mean); the multi-viewer turns it into the int and float
// slab mode.
constexpr int NOTIFY_SLAB_MODE = 9006;
constexpr int NOTIFY_VIEW_CMD_9007 = 9007;
// Text "0": slab thickness 0, one sample, the slices' own thickness.
constexpr int NOTIFY_SLAB_ORIGINAL = 9008;
// Float angle: degrees about the vertical axis (image viewers), radians about the camera's up axis
// (volume viewers).
constexpr int NOTIFY_ROTATE_VIEW = 9009;
constexpr int NOTIFY_VIEW_OBLIQUE = 9010;
// None; the multi-viewer replaces the cell's viewer, then posts the active-cell key.
constexpr int NOTIFY_VIEW_AXIAL = 9011;
// None; as the axial key.
constexpr int NOTIFY_VIEW_SAGITTAL = 9012;
// None; as the axial key.
constexpr int NOTIFY_VIEW_CORONAL = 9013;
constexpr int NOTIFY_VIEW_MPR3D = 9014;
// None; as the axial key.
constexpr int NOTIFY_VIEW_VR = 9015;
// None; as the axial key.
constexpr int NOTIFY_VIEW_MIP = 9016;
constexpr int NOTIFY_VIEW_SLICE = 9017;
constexpr int NOTIFY_VIEW_CYCLE = 9018;
constexpr int NOTIFY_BROWSER_PAGE = 9019;
constexpr int NOTIFY_CHOOSE_PATIENT = 9020;
constexpr int NOTIFY_VIEW_SYNC_9021 = 9021;
// None; browser grid 1x1.
constexpr int NOTIFY_GRID_1X1 = 9022;
// None; browser grid 1x2.
constexpr int NOTIFY_GRID_1X2 = 9023;
// None; browser grid 2x1.
constexpr int NOTIFY_GRID_2X1 = 9024;
// None; browser grid 2x2.
constexpr int NOTIFY_GRID_2X2 = 9025;
// None; automatic browser grid.
constexpr int NOTIFY_GRID_AUTO = 9026;
// None; the multi-viewer also sends the by-touch key with the same data to the series' viewers.
constexpr int NOTIFY_WW_DEFAULT = 9027;
constexpr int NOTIFY_EDIT_WW_OPEN = 9028;
constexpr int NOTIFY_WW_APPLY = 9029;
constexpr int NOTIFY_WW_BY_TOUCH_TILE = 9030;
// None; window/level curve 0, linear.
constexpr int NOTIFY_OPACITY_LINEAR = 9031;
// None; window/level curve 1, log10.
constexpr int NOTIFY_OPACITY_LOG10 = 9032;
// None; window/level curve 2, inverse log10.
constexpr int NOTIFY_OPACITY_LOG10_INVERSE = 9033;
// JSON "ww", "wl".
constexpr int NOTIFY_WW_PRESET = 9034;
// None; turns interactor mode 4 back to 0.
constexpr int NOTIFY_VIEW_CMD_9035 = 9035;
// Text: colour-table file name.
constexpr int NOTIFY_CLUT_SET = 9036;
constexpr int NOTIFY_CAPTURE_SCREEN = 9037;
constexpr int NOTIFY_CAPTURE_ALL = 9038;
constexpr int NOTIFY_CAPTURE_VIEW = 9039;
// None; interactor mode 0.
constexpr int NOTIFY_TOOL_SELECT = 9040;
// None; interactor mode 4.
constexpr int NOTIFY_WW_BY_MOUSE = 9041;
// None; interactor mode 6.
constexpr int NOTIFY_TOOL_ZOOM = 9042;
// None; interactor mode 5.
constexpr int NOTIFY_TOOL_MOVE = 9043;
// None; interactor mode 1.
constexpr int NOTIFY_TOOL_ROTATE = 9044;
// None; interactor mode 8.
constexpr int NOTIFY_TILE_CMD_9045 = 9045;
constexpr int NOTIFY_FLIP_X = 9046;
constexpr int NOTIFY_FLIP_Y = 9047;
constexpr int NOTIFY_FLIP_ROTATE = 9048;
// None; interactor mode 7.
constexpr int NOTIFY_DOCUMENT_BUTTON = 9049;
// None; interactor mode 10.
constexpr int NOTIFY_ROI_LINE = 9050;
// None; interactor mode 11.
constexpr int NOTIFY_ROI_POINT = 9051;
// None; interactor mode 12.
constexpr int NOTIFY_ROI_ANGLE = 9052;
// None; interactor mode 13.
constexpr int NOTIFY_ROI_CIRCLE = 9053;
// None; interactor mode 14.
constexpr int NOTIFY_ROI_POLYGON = 9054;
// None; interactor mode 15.
constexpr int NOTIFY_ROI_LABEL = 9055;
// None; interactor mode 16.
constexpr int NOTIFY_ROI_SELECT = 9056;
// Second int value: reference id of the ROI to remove; multi-viewer to tiles.
constexpr int NOTIFY_ROI_REMOVE = 9057;

// Cine and overlay buttons.

constexpr int NOTIFY_CINE_TOGGLE = 9058;
constexpr int NOTIFY_CINE_BUTTON = 9059;
constexpr int NOTIFY_OVERLAY_PRIOR = 9060;
constexpr int NOTIFY_OVERLAY_NEXT = 9061;
constexpr int NOTIFY_CINE_STATE_A = 9062;
constexpr int NOTIFY_CINE_STATE_B = 9063;
constexpr int NOTIFY_CINE_STATE_C = 9064;
// None; called directly by the viewer screen: cine play, volume spin.
constexpr int NOTIFY_CINE_PLAY = 9065;
// None; direct: cine prior (slower while playing).
constexpr int NOTIFY_CINE_PRIOR = 9066;
// None; direct: cine next (faster while playing).
constexpr int NOTIFY_CINE_NEXT = 9067;
// Int 1 playing, 0 stopped; browser or volume viewer to the multi-viewer, re-posted to the screen.
constexpr int NOTIFY_CINE_PLAYING = 9068;
constexpr int NOTIFY_ORIENT_BUTTON = 9069;

// The full DICOM information.

constexpr int NOTIFY_DCM_INFO_HIDE = 9070;
constexpr int NOTIFY_DCM_INFO_SHOW = 9071;
constexpr int NOTIFY_DCM_INFO_OPEN = 9072;

// Interaction steps (all next tick) and gesture totals (one per tick), inside one render window.

// JSON "x", "y" ("%.4f") pixels: one pan step of the interactor; next tick.
constexpr int NOTIFY_SYNC_POSITION = 9073;
// Float zoom factor of one zoom-drag step, 1.05 (in) or 0.95 (out), from the interactor or the
// right mouse button (int 1: the focus point is not panned into view); next tick.
constexpr int NOTIFY_SYNC_ZOOM = 9074;
// Float zoom factor of one two-finger pinch step, any size; next tick.
constexpr int NOTIFY_SYNC_ZOOM_ALT = 9075;
// JSON "ww", "wl" ("%.2f"): one window/level step; next tick.
constexpr int NOTIFY_INTERACT_9076 = 9076;
// Int signed slice count: one paging step; next tick.
constexpr int NOTIFY_INTERACT_9077 = 9077;
// Float horizontal drag total of slice paging since the touch began, 0 at the end; next tick.
constexpr int NOTIFY_INTERACT_9078 = 9078;
constexpr int NOTIFY_CINE_SPEED = 9079;
// JSON "x", "y" ("%.4f") pan total; relayed through the controller.
constexpr int NOTIFY_SYNC_PAN = 9080;
// Float zoom total; viewers add JSON "focal2center", "focal_x", "focal_y", "focal_z", "validFocal",
// "zoomRatio"; relayed through the controller.
constexpr int NOTIFY_SYNC_FOCAL_ZOOM = 9081;
constexpr int NOTIFY_INTERACT_9082 = 9082;
constexpr int NOTIFY_INTERACT_9083 = 9083;

// Overlay texts; 9090 to 9098 and 9140 name overlay texts and are not posted.

// JSON "t", "r", "b", "l": the corner overlay texts.
constexpr int NOTIFY_OVERLAY_CORNERS = 9084;
// JSON "x", "y", "z" ("%.2f"); the poster cancels its queued record first.
constexpr int NOTIFY_PICK_VALUE = 9085;
// JSON "ww", "wl": window width and level changed.
constexpr int NOTIFY_WWWL_TEXT = 9086;
// JSON "index", "count".
constexpr int NOTIFY_SLICE_POSITION = 9087;
// Text "Slice", "Axial", "Sagittal", "Coronal", "Oblique", "VR" or "MIP".
constexpr int NOTIFY_ORIENT_LABEL = 9088;
constexpr int NOTIFY_OVERLAY_STUDY_ID = 9090;
constexpr int NOTIFY_OVERLAY_SERIES_ID = 9091;
constexpr int NOTIFY_OVERLAY_SLICE = 9092;
constexpr int NOTIFY_OVERLAY_LINE_9093 = 9093;
constexpr int NOTIFY_OVERLAY_HOSPITAL = 9094;
constexpr int NOTIFY_OVERLAY_SERIES_TIME = 9095;
constexpr int NOTIFY_OVERLAY_PATIENT = 9096;
constexpr int NOTIFY_OVERLAY_PATIENT_INFO = 9097;
constexpr int NOTIFY_OVERLAY_IMAGE_DESC = 9098;
// JSON "studyID", "seriesID", "hospital", "seriesTime", "patient", "patientInfo", "imageDesc";
// object = the series they were read from; fills the overlay texts of a window showing it.
constexpr int NOTIFY_PATIENT_INFO_TEXT = 9099;

// Viewer, actor and quick-tool events.

// JSON "x", "y", "z" ("%.6f") focal point, to linked viewers of another view type.
constexpr int NOTIFY_VIEW_CMD_9100 = 9100;
// JSON "x", "y", "z" ("%.6f") focal point, to the tiles.
constexpr int NOTIFY_TILE_CMD_9101 = 9101;
// JSON "nx1" to "nz3", "x", "y", "z": the cross-reference line.
constexpr int NOTIFY_CROSSLINE_UPDATE = 9102;
constexpr int NOTIFY_FOCUS_FRAME = 9103;
// None; one per tick, the poster cancels its queued record first.
constexpr int NOTIFY_CAMERA_CHANGED = 9104;
// None; once per frame from the render window's visit.
constexpr int NOTIFY_WINDOW_VISIT = 9106;
constexpr int NOTIFY_LABEL_MOVED = 9107;
constexpr int NOTIFY_LABEL_EDITED = 9108;
constexpr int NOTIFY_LABEL_TEXT_DONE = 9109;
constexpr int NOTIFY_ROI_TO_VIEW = 9110;
constexpr int NOTIFY_TEXT_NODE_TO_VIEW = 9111;
// JSON "index".
constexpr int NOTIFY_SLICE_INDEX = 9112;
// JSON "orient".
constexpr int NOTIFY_SLICE_ORIENT = 9113;
constexpr int NOTIFY_ROI_DATA_CHANGED = 9114;
// Int +1 a shape was added or a handle selected, -1 a selection cleared, no group; receivers
// ask the viewer whether a shape is still selected.
constexpr int NOTIFY_ROI_COUNT_CHANGED = 9115;
// None; at a gesture's start, re-posted by the multi-viewer to the screen.
constexpr int NOTIFY_VIEW_ACTIVATED = 9116;
// Object: the region's application manager; no group.
constexpr int NOTIFY_ACTIVE_APPMANAGER = 9117;
// No group; the viewer screen and the window manager react.
constexpr int NOTIFY_QUICK_TOOL_OPEN = 9118;
constexpr int NOTIFY_QUICK_TOOL_ANCHOR = 9119;
// Second int value: reference id of the viewer, at clean-up; no group.
constexpr int NOTIFY_VIEWER_REMOVED = 9120;
// JSON "x", "y", "w", "h" ("%.6f"); the key object names the viewer; no group, every render window.
constexpr int NOTIFY_QUICK_MAXIMIZE = 9121;
// Maximise state; the viewer screen and the window manager react.
constexpr int NOTIFY_QUICK_TOOL_STATE = 9122;
// Int > 0 links, else unlinks; no group, every render window and browser.
constexpr int NOTIFY_QUICK_LINK = 9123;
// No group, every render window.
constexpr int NOTIFY_QUICK_FAVORITE = 9124;
// Buffer: the cropped slice record, not owned by the data; no group.
constexpr int NOTIFY_VIEW_CAPTURED = 9125;
// Text: file path; int 100 asks for the file's own scale, else the float is the scale.
constexpr int NOTIFY_FAVORITE_SAVED = 9126;
constexpr int NOTIFY_FAVORITE_CMD = 9127;

// Loading.

// Second int value: the request id (folded hash of the slice file name); group the requester; next
// tick.
using NSUI::NOTIFY_SLICE_READY;
// Float loaded / slices, int index the folded hash of the data name; sender the reader; next tick.
constexpr int NOTIFY_LOAD_PROGRESS = 9131;
// Float fraction for the overlay line.
constexpr int NOTIFY_OVERLAY_LOAD_PERCENT = 9132;
// The series load has ended: data whose notification key is the reader's, int the count of
// slices that could not be decoded (0 when every slice loaded and the voxel cache was written;
// no voxel cache is written otherwise); sender the reader; not next tick.
constexpr int NOTIFY_SERIES_CACHED = 9133;

// Layout, protocol, phase and reformat.

// Int 1 when the active cell is a volume viewer, else 0.
constexpr int NOTIFY_ACTIVE_CELL_VOLUME = 9134;
// Text: protocol type name.
constexpr int NOTIFY_PROTOCOL_SELECTED = 9135;
// Text: window layout "1x1", "1x2", "2x1", "1x3" or "3x1".
constexpr int NOTIFY_WINDOW_LAYOUT = 9136;
constexpr int NOTIFY_PHASE_CHOSEN = 9137;
constexpr int NOTIFY_QUICK_REFORMAT = 9138;
// Buffer: new slice record, taken over by the receiver; text series identity; int positions still
// to come; no group.
constexpr int NOTIFY_SAVE_REFORMAT = 9139;
constexpr int NOTIFY_OVERLAY_FIXED_LABEL = 9140;

}  // namespace isImageSDK
