#pragma once

#include <string>
#include <vector>

#include "engine/base/Macros.h"
#include "engine/math/Vec3.h"
#include "imagesdk/render/isActorObject.h"
#include "imagesdk/render/isActorROIShapes.h"
#include "toolkit/core/NSNotificationData.h"

namespace isImageSDK {

// The measurement shapes one render window shows. The ROIs themselves live in the ROI manager,
// each under the key of the data set, orientation and slice it was drawn on; the container
// shows exactly those under the key of what its window shows now, rebuilds its shapes (in the
// manager's order, numbered from 1) whenever the image actor posts a new slice or orientation,
// makes new ROIs for the drawing tools, picks the shape nearest to a touch and removes shapes.
// Main thread only.
class isActorROI : public isActorObject {
public:
    CREATE_FUNC(isActorROI);

    ~isActorROI() override;
    void cleanup() override;
    bool init() override;
    void attachToWindow(isRenderWindowBase* window) override;
    // Also drops the shapes, which are actors of their own in the same window: a container
    // taken out of its window (the actor manager's releaseAll) leaves nothing drawn there.
    void detachNodes() override;

    // Each drops the shapes when the value changes; reloadROIs brings the new set.
    void setDataName(const std::string& name);
    void setOrientation(int orientation);
    void setSliceIndex(int index);
    const std::string& getDataName() const { return dataName; }
    int getOrientation() const { return orientation; }
    int getSliceIndex() const { return sliceIndex; }

    // Folded FNV-1a hash of "name,orientation,index"; cached until one of them changes.
    int getROISetKey();
    // Rebuilds the shapes from the ROI manager's entries under the current key.
    void reloadROIs();

    // New ROIs for the drawing tools, registered with the ROI manager, their drag handle
    // selected.
    isActorROILabel* addLabel(const cocos2d::Vec3& anchor, const cocos2d::Vec3& textPoint);
    isActorROILine* addLine(const cocos2d::Vec3& from, const cocos2d::Vec3& to);
    isActorROIPoint* addPoint(const cocos2d::Vec3& at);
    isActorROIAngle* addAngle(const cocos2d::Vec3& at);
    isActorROICircle* addCircle(const cocos2d::Vec3& centre, const cocos2d::Vec3& rim);
    isActorROIPolygon* addPolygon(const cocos2d::Vec3& first, const cocos2d::Vec3& second);

    // The shape whose nearest handle lies closest to the ray, within 15 screen pixels (world
    // units for a perspective camera); the earlier shape on a tie. Selects that handle.
    isActorROIBase* pickROI(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction);
    // Drops the shape and its ROI; the number it had is reused when it was the last one.
    void removeROI(isActorROIBase* shape);
    void removeROIById(std::uint64_t id);
    void setAllVisible(bool visible);

    const std::vector<isActorROIBase*>& getShapes() const { return shapes; }
    int getNextNumber() const { return nextNumber; }

    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

protected:
    isActorROI() = default;

private:
    void dropShapes();
    // Binds, attaches, numbers and lists a shape for the ROI.
    void adopt(isActorROIBase* shape, ROIData* roi);
    template <typename Shape, typename Data> Shape* addShape(Shape* shape, Data* roi, int handle);
    void postSelection(isActorROIBase* shape);

    std::string dataName;
    int orientation = -1;
    int sliceIndex = 0;
    int cachedKey = 0;
    std::vector<isActorROIBase*> shapes;
    int nextNumber = 1;
};

}  // namespace isImageSDK
