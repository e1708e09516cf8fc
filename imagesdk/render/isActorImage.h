#pragma once

#include <string>
#include <vector>

#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "engine/math/Mat4.h"
#include "engine/math/Vec3.h"
#include "imagesdk/render/isActorObject.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotificationKey.h"

namespace isImageSDK {

class isClut;
class isImageData;
class isImagePlane;
class isImageReslice2D;
class isImageSlice;
class isNodeImage;
class isRegionCrop;
class isSliceInfo;

// One two-dimensional slice of an image data set in a render window: an orthogonal plane
// (axial, sagittal or coronal, stepped by index) or an oblique cut by a matrix, optionally a
// minimum, maximum, mean or summed slab, of the current phase of a multi-phase set. It owns the
// reslicing filters, the lookup table and the image node, and publishes the slice position,
// orientation, slab thickness, location text and window/level in its window's group (posts
// NOTIFY_OVERLAY_SLICE, NOTIFY_SLICE_POSITION, NOTIFY_SLICE_INDEX, NOTIFY_SLICE_ORIENT,
// NOTIFY_OVERLAY_LINE_9093, NOTIFY_WWWL_TEXT, NOTIFY_OVERLAY_LOAD_PERCENT). It answers the ROI
// statistics requests of its window and runs region crops of the shown stack. Main thread only.
class isActorImage : public isActorObject, public NSUI::NSNotificationKey {
public:
    CREATE_FUNC(isActorImage);

    ~isActorImage() override;
    // Cancels and joins running crops, removes the observers and releases filters, node and data.
    void cleanup() override;
    bool init() override;
    void attachToWindow(isRenderWindowBase* window) override;
    // Also shows or hides the image node.
    void setActive(bool active) override;

    // Binds the data (retained; null unbinds) and shows its middle axial slice.
    void setImageData(isImageData* data);
    isImageData* getImageData() const { return imageData; }
    // The bound set itself, or the phase shown of a phase chain (null when out of range).
    isImageData* getCurrentPhaseData() const;
    // Ignored unless 0 <= n < phase count; keeps the slice or oblique cut shown.
    void setPhase(int n);
    // Shows the bound phase itself whatever the chain's current phase, as a cell of a layout
    // that gives every phase a cell of its own does; a new binding ends it.
    void showOwnPhase();

    // Orthogonal mode only; an index off the plane hides the image.
    void setSliceIndex(int n);
    void setAxialView();
    void setSagittalView();
    void setCoronalView();
    // Axial view, middle slice.
    void resetView();
    // The plane's frame in world space; switches to the oblique cut.
    void setObliqueMatrix(const cocos2d::Mat4& matrix);
    // Orthogonal mode only: the slice through the world point.
    void setSliceAtPoint(const cocos2d::Vec3& point);

    void setSlabThickness(float thickness);
    // 0 minimum, 1 maximum, 2 mean, 3 sum; needs data.
    void setSlabMode(int mode);

    void setWindowLevel(float width, float centre);
    // A drag: deltas scaled by the pixel type; a PET window with its lower edge at or below 1
    // stays anchored at zero, and no width goes below 2.
    void adjustWindowLevel(float widthDelta, float centreDelta);
    float getWindowWidth() const;
    float getWindowCentre() const;
    // 768 bytes: 256 RGB triples.
    void setColorTable(const unsigned char* rgb);
    // 0 linear, 1 logarithmic, 2 inverse logarithmic.
    void setLutCurve(int curve);

    // The stored value under a world point on the displayed slice and frame.
    bool getPixelValue(const cocos2d::Vec3& point, float* value);
    // The displayed slice record; null without data or output.
    isSliceInfo* getSliceInfo();
    isSliceInfo* getOutputSliceInfo() { return getSliceInfo(); }
    cocos2d::Vec3 getSliceCenter();
    // Corners at the first and last pixel centres, in row order then back; false without a
    // record.
    bool getSliceCorners(cocos2d::Vec3 corners[4]);
    bool hasValidSlice();
    // Re-publishes slab thickness, location text and window/level.
    void postViewInfo();
    // Crops the region with these world corners out of every slice of the shown stack, with
    // the shown slab, into new slice records posted as NOTIFY_SAVE_REFORMAT.
    void startReformat(const cocos2d::Vec3& p0, const cocos2d::Vec3& p1, const cocos2d::Vec3& p2,
                       const cocos2d::Vec3& p3);

    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    bool isOrthogonal() const { return orthogonal; }
    // 0 axial, 1 sagittal, 2 coronal.
    int getViewOrientation() const { return orientation; }
    int getSliceIndex() const { return sliceIndex; }
    float getSlabThickness() const { return slabThickness; }
    int getSlabMode() const { return slabMode; }
    const std::string& getLocationText() const { return locationText; }
    // Positions of the orthogonal plane; 0 without data.
    int getNumberOfPositions();
    isNodeImage* getImageNode() const { return imageNode; }
    isClut* getClut() const { return clut; }
    isImagePlane* getPlane() const { return plane; }
    isImageReslice2D* getReslice() const { return reslice; }
    isImageSlice* getSliceFilter() const { return sliceFilter; }
    // Crops started and not yet released (finished ones are dropped at the next start).
    std::size_t getCropCount() const { return crops.size(); }
    isRegionCrop* getCrop(std::size_t n) const { return crops[n].get(); }

protected:
    // Out of line: the crops' type is only declared here.
    isActorImage();

private:
    void setOrthogonalView(int axis);
    void returnToOrthogonal();
    void updateLocationText(const isSliceInfo* record);
    void postSlicePosition(int index, int count);
    void postText(int key, const std::string& text, bool nextPass);
    void postSlab();
    void feedActiveFilter(isImageData* phase);
    void releaseFilters();

    isImageData* imageData = nullptr;
    isClut* clut = nullptr;
    isNodeImage* imageNode = nullptr;
    isImageSlice* sliceFilter = nullptr;
    isImageReslice2D* reslice = nullptr;
    isImagePlane* plane = nullptr;
    bool orthogonal = true;
    bool ownPhase = false;
    int orientation = 0;
    int sliceIndex = 0;
    float slabThickness = 1.0f;
    int slabMode = 2;
    bool posting = false;
    std::string locationText;
    cocos2d::Mat4 obliqueMatrix = cocos2d::Mat4::IDENTITY;
    cocos2d::Vec3 regionCorners[4];
    std::vector<cocos2d::RefPtr<isRegionCrop>> crops;
};

}  // namespace isImageSDK
