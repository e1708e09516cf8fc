#pragma once

#include <list>
#include <string>

#include "imagesdk/data/WindowLevelPreset.h"

namespace cocos2d {
class Node;
}

namespace isImageSDK {
class isImageData;
class isViewerMulti;
}  // namespace isImageSDK

namespace NSUI {
class NSNotificationData;
}

class toolDisk;

// What the desktop and the phone favourite viewers share: reading the file, the tool disk, the
// tag list, and the window/level entry whose answers only the opener's key applies.
namespace favouriteViewer {

// The image data of a favourite file (retained for the caller), or null when the file gives no
// slice; `kind` receives the preset kind of its first slice.
isImageSDK::isImageData* readFile(const std::string& path, int* kind);

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
