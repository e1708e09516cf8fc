#pragma once

#include <cstdint>
#include <string>

#include "engine/2d/Node.h"
#include "engine/base/Macros.h"
#include "engine/base/Vector.h"
#include "engine/math/Vec3.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

// The light-box: a grid of image viewers (tiles) showing consecutive slices of one series in
// reading order, row by row from the top. It pages through the stack, plays a cine loop, and
// stands between its tiles and the multi-viewer that holds it (its owner): commands from the
// owner go down to the tiles, what the tiles post to the browser goes up to the owner. A tile's
// controller is the browser, so linked tiles follow each other through it. Main thread only.
class isViewerBrowser : public cocos2d::Node,
                        public isViewer,
                        public NSUI::UIJson,
                        public NSUI::NSNotificationKey {
public:
    CREATE_FUNC(isViewerBrowser);

    // Page steps fire on a fine 0.005 s schedule; the interval counts its ticks.
    static constexpr int kDefaultCineInterval = 60;
    static constexpr int kCineIntervalStep = 20;
    static constexpr int kMinCineInterval = 20;
    static constexpr int kMaxCineInterval = 1500;
    // More tiles than this make the automatic grid shrink.
    static constexpr int kMaxAutoTiles = 25;
    // Shown instead of a grid or view change while a tile is maximised.
    static const char* const kMaximizedRefusal;

    bool init() override;
    // Stops the cine, removes the observers and lets the tiles go.
    void cleanup() override;
    // Lays the tiles out first when a layout is due (that frame draws nothing).
    void visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
               uint32_t parentFlags) override;
    // Stores both and hands them to every tile.
    void setNotificationKey(unsigned key, void* group) override;

    void setViewType(int viewType) override;
    void retainViewer() override;
    void releaseViewer() override;
    // Every tile shows the series.
    void setImageData(isImageData* data) override;
    // The first tile's series.
    isImageData* getImageData() override;
    void setViewerVisible(bool visible) override;

    virtual void onNotification(int key, NSUI::NSNotificationData* data, cocos2d::Ref* sender);
    virtual void notificationCallback(cocos2d::Ref* sender, unsigned key,
                                      NSUI::NSNotificationData* data);

    // Each at least 1; nothing changes when both are current.
    void setGrid(int rows, int cols);
    // A grid that shows the first tile's image near its natural size, at most 25 tiles.
    void computeAutoGrid();

    void setWindowLevel(float width, float level);
    // The first tile's colour table as 256 RGB triples; untouched without one.
    void getClut(unsigned char out[768]);
    // The first tile's zoom ratio; setZoom gives every tile that view scale.
    float getZoom();
    void setZoom(float zoom);
    cocos2d::Vec3 getCameraCenter();
    void setCameraCenter(const cocos2d::Vec3& center);
    // The current tile's slice-plane point; the origin without a slice actor.
    cocos2d::Vec3 getFocalPoint();
    // The first tile's step from one slice to the next.
    cocos2d::Vec3 getSliceStep();
    // Moves the tiles so that the current tile shows the slice through p, its neighbours the
    // slices s apart. The one-argument form takes s from the first tile.
    void setFocalPoint(const cocos2d::Vec3& p);
    void setFocalPoint(const cocos2d::Vec3& p, const cocos2d::Vec3& s);
    // Centres the page on the middle of the stack when the stack is more than twice the page.
    void centerSlices();
    void setFirstSlice(int index);
    // The first tile's slice count; -1 when its actor has no plane, 0 without an actor.
    int getSliceCount();
    bool canStepForward();
    bool canStepBackward();
    // Tile k shows slice first + k, then the owner hears of the page (9019).
    void showPage();
    // Returns the new interval.
    int changeCineSpeed(bool faster);
    void stopCine();
    bool isAnyTileMaximized();
    bool hasSelectedROI();
    // The current tile's rectangle in the owner's coordinates; false without a current tile.
    bool getCurrentTileRect(cocos2d::Rect& out);
    std::string getCurrentImageFile();
    // Hides the paging buttons a layout file may have added.
    void updatePageButtons();
    // Hides the browser until the next visit lays the tiles out.
    void requestLayout();
    void layoutTiles();

    void setOwner(cocos2d::Node* owner) { _owner = owner; }
    cocos2d::Node* getOwner() const { return _owner; }
    const cocos2d::Vector<isViewerImage*>& getTiles() const { return _tiles; }
    isViewerImage* getCurrentTile() const { return _currentTile; }
    int getRows() const { return _rows; }
    int getCols() const { return _cols; }
    int getFirstSlice() const { return _firstSlice; }
    bool isPlaying() const { return _playing; }
    int getCineInterval() const { return _cineInterval; }
    bool isLayoutDue() const { return _needsLayout; }

protected:
    isViewerBrowser() = default;
    ~isViewerBrowser() override;

private:
    isViewerImage* makeTile();
    void toggleCine();
    void cineTick(float dt);
    std::string cineKey() const;
    void stepFirstSlice(int delta);
    void setActiveMark(isViewerImage* tile, bool on);
    void forEachTile(int key, NSUI::NSNotificationData* data);
    void postToOwner(int key, NSUI::NSNotificationData* data, bool nextPass);
    bool refuseWhileMaximized();
    void registerObservers();

    cocos2d::Vector<isViewerImage*> _tiles;
    isViewerImage* _currentTile = nullptr;
    cocos2d::Node* _owner = nullptr;
    int _rows = 1;
    int _cols = 1;
    int _firstSlice = 0;
    bool _playing = false;
    int _tickCounter = 0;
    int _cineInterval = kDefaultCineInterval;
    // The director frame of the last cine page step: a late frame runs many ticks, but the
    // picture moves at most one page per drawn frame.
    unsigned int _lastStepFrame = 0;
    bool _needsLayout = false;
};

}  // namespace isImageSDK
