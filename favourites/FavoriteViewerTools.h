#pragma once

#include <list>
#include <string>

#include "imagesdk/data/WindowLevelPreset.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace cocos2d {
class Node;
class Rect;
}  // namespace cocos2d

namespace isImageSDK {
class appManager;
class isImageData;
class isViewerMulti;
}  // namespace isImageSDK

namespace NSUI {
class NSNotificationData;
}

class toolDisk;

// What the desktop and the phone favourite viewers share: reading and showing the file, the
// message panel, the tool disk, the tag list, and the window/level entry whose answers only the
// opener's key applies.
namespace favouriteViewer {

// The layout of the message shown instead of an image.
constexpr const char* kMessageLayout = "noSupport.csb";

// The image data of a favourite file (retained for the caller), or null when the file gives no
// slice; `kind` receives the preset kind of its first slice.
isImageSDK::isImageData* readFile(const std::string& path, int* kind);

// Shows `data` in the host's single-slice region. The first file makes the viewer over `rect`,
// adds it to `host` and hands the viewer's window/level entry requests to `onEditOpen`, observed
// for `observer` (what the host removes its observers by); a later one shows in that viewer again.
// Returns the viewer, null when the region made none.
isImageSDK::isViewerMulti* showImage(cocos2d::Node* host, void* observer,
                                     isImageSDK::appManager* region,
                                     isImageSDK::isViewerMulti* viewer,
                                     isImageSDK::isImageData* data, const cocos2d::Rect& rect,
                                     const NSUI::NSNotificationCallback& onEditOpen);

// Shows `text` in the host's message panel `name` (made at `zOrder` on first use, centred above
// the tool rows); an empty text hides it. False when there is no panel to show or hide.
bool showMessage(cocos2d::Node* host, const char* name, int zOrder, const std::string& text);

// The host's tool disk (made hidden at the origin on first use) aimed at `viewer`; an empty disk
// takes the presets, a disk that has some keeps them.
toolDisk* toolDiskOf(cocos2d::Node* host, isImageSDK::isViewerMulti* viewer,
                     const std::list<isImageSDK::WindowLevelPreset>& presets);

// The DICOM tags of the active image: a pushed scene on a phone, a window on the host otherwise.
// Nothing for a path of two characters or less.
void openTagList(cocos2d::Node* host, isImageSDK::isViewerMulti* viewer);

// The window/level entry filled with the active viewer's values, answering under `key`; nothing
// when the host already shows one.
void openWindowLevelEntry(cocos2d::Node* host, isImageSDK::isViewerMulti* viewer, unsigned key);

// Applies an entry's answer ("ww" and "wl") when it carries `key`; false otherwise.
bool applyWindowLevel(isImageSDK::isViewerMulti* viewer, NSUI::NSNotificationData* data,
                      unsigned key);

}  // namespace favouriteViewer
