#include "imagesdk/viewers/isViewer.h"

#include "imagesdk/data/isNotifyKeys.h"

namespace isImageSDK {

namespace {

struct ViewTypeRow {
    const char* label;
    int commandKey;
};

constexpr ViewTypeRow viewTypeRows[] = {
    {"Slice", NOTIFY_VIEW_SLICE},
    {"Axial", NOTIFY_VIEW_AXIAL},
    {"Sagittal", NOTIFY_VIEW_SAGITTAL},
    {"Coronal", NOTIFY_VIEW_CORONAL},
    {"Oblique", NOTIFY_VIEW_OBLIQUE},
    {"VR", 0},
    {"MIP", 0},
    {"Slice", 0},
};

bool isKnownViewType(int type) {
    return type >= VIEW_SLICE && type <= VIEW_NONE;
}

}  // namespace

const char* viewTypeLabel(int type) {
    return isKnownViewType(type) ? viewTypeRows[type].label : "Slice";
}

int viewTypeCommandKey(int type) {
    return isKnownViewType(type) ? viewTypeRows[type].commandKey : 0;
}

void isViewer::setViewType(int) {}

void isViewer::retainViewer() {}

void isViewer::releaseViewer() {}

void isViewer::setImageData(isImageData*) {}

isImageData* isViewer::getImageData() {
    return nullptr;
}

void isViewer::setSecondData(cocos2d::Ref*) {}

cocos2d::Ref* isViewer::getSecondData() {
    return nullptr;
}

void isViewer::setViewerVisible(bool) {}

}  // namespace isImageSDK
