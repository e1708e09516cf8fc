#pragma once

namespace cocos2d {
class Ref;
}

namespace isImageSDK {

class isImageData;

// What a viewer shows. 0 to 4 are the image viewer's planes, 5 and 6 the volume viewer's.
enum ViewType : int {
    VIEW_SLICE = 0,
    VIEW_AXIAL = 1,
    VIEW_SAGITTAL = 2,
    VIEW_CORONAL = 3,
    VIEW_OBLIQUE = 4,
    VIEW_VR = 5,
    VIEW_MIP = 6,
    // A viewer not typed yet, or no viewer at all.
    VIEW_NONE = 7,
};

// The orientation label a viewer's overlay shows for a view type ("Slice" for anything unknown).
const char* viewTypeLabel(int type);
// The command key that switches an image viewer to a view type; 0 for the volume types and
// anything unknown.
int viewTypeCommandKey(int type);

// What the multi-viewer needs of every viewer to create, bind, show and retire it without
// knowing its class. Implementers are reference-counted engine nodes; the operations here do
// nothing so that each viewer overrides only what it supports.
class isViewer {
public:
    virtual ~isViewer() = default;

    virtual void setViewType(int viewType);
    // Ownership of the whole viewer node, for holders of an isViewer pointer.
    virtual void retainViewer();
    virtual void releaseViewer();
    virtual void setImageData(isImageData* data);
    virtual isImageData* getImageData();
    // No viewer keeps a second data object; callers pass null.
    virtual void setSecondData(cocos2d::Ref* data);
    virtual cocos2d::Ref* getSecondData();
    virtual void setViewerVisible(bool visible);

    int type = VIEW_NONE;
    // Set by the light-box browser's link command.
    bool linked = true;
};

}  // namespace isImageSDK
