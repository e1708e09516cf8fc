#pragma once

#include "engine/math/Geometry.h"
#include "imagesdk/data/isObject.h"

namespace isImageSDK {

class isImageData;
class isViewer;

// The multi-viewer's binding of one viewer: the series it shows, its rectangle inside the
// multi-viewer, and the viewer itself. The record owns a reference to each of them, so releasing
// the record releases the viewer unless another owner still holds it. Main thread only.
class KeyViewProperty : public isObject {
public:
    // Autoreleased; null when init fails.
    static KeyViewProperty* create();

    ~KeyViewProperty() override;
    // No series, second data or viewer.
    bool init() override;
    // Releases series, second data and viewer.
    void cleanup() override;

    // Each setter retains the new object before it releases the old one, so rebinding the
    // same object is safe.
    void setSeries(isImageData* data);
    isImageData* getSeries() const { return series; }
    void setSecondData(cocos2d::Ref* data);
    cocos2d::Ref* getSecondData() const { return secondData; }
    // Owned through the viewer's retainViewer and releaseViewer.
    void setViewer(isViewer* newViewer);
    isViewer* getViewer() const { return viewer; }
    // The bound viewer's type, VIEW_NONE without a viewer.
    int getViewType() const;

    cocos2d::Rect rect;

protected:
    KeyViewProperty() = default;

private:
    isImageData* series = nullptr;
    cocos2d::Ref* secondData = nullptr;
    isViewer* viewer = nullptr;
};

}  // namespace isImageSDK
