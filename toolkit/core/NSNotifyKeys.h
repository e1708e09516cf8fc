#pragma once

// The notification keys of the toolkit band (1001 to 1007). Application and data keys (2000 to
// 2044) belong to the subsystems that post them, viewer keys (9001 to 9140) to the image library;
// see docs/message-bus.md. The comment above a key gives its data and its queue.
namespace NSUI {

// intValue: a percentage; from the folder scan and zip packing to the activity indicator.
constexpr int NOTIFY_ACTIVITY_PROGRESS = 1001;
// stringValue: a line of text for the activity indicator.
constexpr int NOTIFY_ACTIVITY_TEXT = 1002;
// No data; sender the activity indicator's action button, no group, next pass.
constexpr int NOTIFY_ACTIVITY_CANCEL = 1003;
// stringValue: path of the captured image; from the capture routine.
constexpr int NOTIFY_CAPTURE_SAVED = 1004;
// stringValue: address of an application package to download.
constexpr int NOTIFY_UPDATE_PANEL_SHOW = 1005;
// stringValue: an address to open.
constexpr int NOTIFY_OPEN_URL = 1006;
// A stored capture: stringValue the picture path, floatValue its width / height, intValue the new
// favourite id; no sender, no group, one per pass.
constexpr int NOTIFY_IMAGE_RATIO_READY = 1007;

// A slice of a series has been loaded: indexValue the request id, group the requester, next pass.
// A viewer key; it is named here because the centre's postLoadedIndex posts it.
constexpr int NOTIFY_SLICE_READY = 9130;

}  // namespace NSUI
