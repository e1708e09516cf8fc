#pragma once

#include <string>

#include "engine/base/Macros.h"
#include "engine/base/Ref.h"
#include "engine/base/Vector.h"
#include "engine/math/Geometry.h"
#include "imagesdk/viewers/appManager.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

// A window layout text of the viewer screen's window menu, read as rows x columns: "1x1",
// "1x2", "2x1", "1x3", "3x1"; any other text is one region.
using WindowLayout = std::string;

// Columns and rows of a window layout.
void windowLayoutGrid(const WindowLayout& layout, int& cols, int& rows);

// Splits the viewer screen's image area into a grid of regions, one application manager each,
// and keeps one region active. It applies a chosen protocol (9135) to the active region,
// changes the grid on a chosen layout (9136) and makes a region active when its add-series
// button or one of its viewers asks (9117). Main thread only.
class winManager : public cocos2d::Ref, public NSUI::UIJson, public NSUI::NSNotificationKey {
public:
    CREATE_FUNC(winManager);

    // Regions are this far apart.
    static constexpr float kRegionGap = 2.0f;
    // Smaller image areas are ignored.
    static constexpr float kMinAreaSide = 10.0f;

    ~winManager() override;
    virtual bool init();
    // Releases every region (each takes its multi-viewer out of the screen), sets the active
    // index to -1 and removes the observers.
    virtual void teardown();
    // Stores both and gives every region the key with no group.
    void setNotificationKey(unsigned key, void* group) override;

    // Stores the image area and lays the regions out again.
    void setRect(const cocos2d::Rect& rect);
    const cocos2d::Rect& getRect() const { return rect; }
    // The active region, its index clamped into range; null without regions.
    appManager* getCurrentAppManager();
    void relayout();
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    // In grid order, row by row from the top.
    cocos2d::Vector<appManager*> regions;
    int activeIndex = 0;
    cocos2d::Rect rect;
    // The viewer screen, the group a chosen protocol is re-posted to; not retained.
    void* screen = nullptr;
    WindowLayout layout = "1x1";

protected:
    winManager() = default;

private:
    appManager* addRegion();
    void removeRegion(int index);
};

}  // namespace isImageSDK
