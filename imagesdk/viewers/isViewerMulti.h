#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/base/Vector.h"
#include "engine/math/Geometry.h"
#include "engine/ui/Layout.h"
#include "imagesdk/render/isNodeObject.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

class appManager;
class isImageData;
class isViewer;
class isViewerBrowser;
class isViewerVR;

// The cells of one screen region: light-box browsers for the plane view types and volume
// viewers for VR and MIP, each bound to its series by a KeyViewProperty and placed in its own
// rectangle. One cell is active. Viewer commands of the region come here, as posts with the
// multi-viewer as group or as direct runCommand calls, and go on to the cells they concern;
// what the cells report goes on to the parent node (the viewer screen). Main thread only.
class isViewerMulti : public cocos2d::ui::Layout,
                      public isNodeObject,
                      public NSUI::UIJson,
                      public NSUI::NSNotificationKey {
public:
    // The slice position, zoom and camera centre of syncWithPartner.
    enum SyncFlags { SYNC_SLICE = 1, SYNC_ZOOM = 2, SYNC_CENTER = 4, SYNC_ALL = 7 };

    using Properties = std::vector<KeyViewProperty*>;

    // Autoreleased; null when init fails.
    static isViewerMulti* create();

    bool init() override;
    // Removes the observers and lets the properties go; the cell nodes go with the engine's
    // own teardown.
    void cleanup() override;
    void onEnterTransitionDidFinish() override;
    // Every cell keeps its place and size as fractions of the container.
    void setContentSize(const cocos2d::Size& size) override;

    virtual void onNotification(int key, NSUI::NSNotificationData* data, cocos2d::Ref* sender);
    virtual void runCommand(int key, NSUI::NSNotificationData* data);
    virtual void runCommandInt(int key, int value);
    virtual void runCommandFloat(int key, float value);
    virtual void registerObservers();
    virtual void notificationCallback(cocos2d::Ref* sender, unsigned key,
                                      NSUI::NSNotificationData* data);

    // One cell of a view type for a series, in the container's own coordinates. No cell for a
    // missing series, for a non-volume series with a type other than Slice, or for a type
    // above MIP.
    void addViewer(int viewType, bool linked, const cocos2d::Rect& rect, isImageData* series);
    void removeAllViewers();

    KeyViewProperty* findPartner(KeyViewProperty* property);
    void syncWithPartner(KeyViewProperty* property, KeyViewProperty* partner, int flags);
    Properties collectLinkedViewers(KeyViewProperty* property);
    Properties collectLinkedOrthogonalViewers(KeyViewProperty* property);
    Properties collectSameTypeViewers(KeyViewProperty* property);
    Properties collectSameSeriesViewers(KeyViewProperty* property, isImageData* series);
    Properties collectSecondDataViewers(KeyViewProperty* property, isImageData* series);
    Properties collectSyncedViewersOfType(int viewType);
    KeyViewProperty* findPropertyOfViewer(isViewer* viewer);

    // VIEW_SLICE without an active cell, VIEW_NONE for an active cell without a viewer.
    int getCurrentViewType();
    // The active cell (a browser's current tile) in the parent's coordinates.
    bool getCurrentViewerRect(cocos2d::Rect& out);
    void setWindowLevel(float width, float level);
    bool getWindowLevel(float& width, float& level);
    // out[0] the shown slice, out[1] the slice count (-1 without a plane); plane types only.
    bool getSliceIndex(int out[2]);
    std::string getCurrentImageFile();
    void setPhase(int n);
    void showAddSeriesButton();

    // Every property, in ascending binding key and then insertion order.
    Properties allProperties() const;
    KeyViewProperty* getActiveProperty() const { return _active; }
    void setOwner(appManager* owner) { _owner = owner; }
    appManager* getOwner() const { return _owner; }
    // Whether the active cell plays a cine or spins.
    bool isActiveCellPlaying();

    static isViewerBrowser* browserOf(KeyViewProperty* property);
    static isViewerVR* volumeViewerOf(KeyViewProperty* property);

protected:
    isViewerMulti() = default;
    ~isViewerMulti() override;

private:
    static std::uint64_t bindingKey(isImageData* series, cocos2d::Ref* secondData);
    cocos2d::Node* nodeOf(isViewer* viewer) const;
    void onAddSeriesClicked(cocos2d::Ref* sender);
    void releaseProperties();
    void repostToParent(int key, NSUI::NSNotificationData* data, bool nextPass);
    NSUI::NSNotificationData* focalData(isViewerBrowser* browser);
    void broadcastFocus(KeyViewProperty* target);
    void followSlice(KeyViewProperty* target);
    void switchToPlane(KeyViewProperty* target, int wanted);
    void switchToVolume(KeyViewProperty* target, int key);
    void postActiveCellVolume(int value, bool nextPass);
    void routeWheel(int key, KeyViewProperty* target);
    void browserHandler(KeyViewProperty* property, int key, NSUI::NSNotificationData* data);
    void volumeHandler(KeyViewProperty* property, int key, NSUI::NSNotificationData* data);

    std::map<std::uint64_t, cocos2d::Vector<KeyViewProperty*>> _bindings;
    KeyViewProperty* _active = nullptr;
    appManager* _owner = nullptr;
};

}  // namespace isImageSDK
