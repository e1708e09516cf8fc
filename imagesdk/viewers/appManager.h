#pragma once

#include <vector>

#include "engine/base/Macros.h"
#include "engine/base/Ref.h"
#include "engine/math/Geometry.h"
#include "imagesdk/data/ProtocolList.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

class isImageData;
class isViewerMulti;

// Layout codes of the hanging protocols (protocolTypeCode gives them from the type names).
enum ProtocolType : int {
    PROTOCOL_NONE = 0,
    PROTOCOL_2DVIEW = 1,
    PROTOCOL_BROWSER2D = 2,
    PROTOCOL_MPR3D = 3,
    PROTOCOL_MPR = 4,
    PROTOCOL_MPR2 = 5,
    PROTOCOL_2DSLICE = 6,
    PROTOCOL_COMPARE2D = 7,
    PROTOCOL_COMPARE4D = 8,
};

// One cell of a fixed protocol arrangement, in the region's own coordinates.
struct ProtocolCell {
    int viewType;
    cocos2d::Rect rect;
};

// The cells of the multi-planar protocols (mpr3d, mpr, mpr2) in a W x H region, in the order
// they are added; empty for the other codes.
std::vector<ProtocolCell> protocolCells(int code, float width, float height);

// The grid of the comparison layouts for n cells: as square as the region's aspect allows,
// with fixed grids for 1, 2, 3, 4, 6, 8 and 9 cells.
void compareGrid(int n, float width, float height, int& cols, int& rows);
// Cell k of that grid, row 0 at the top, cells 2 units apart.
cocos2d::Rect compareCell(int k, int cols, int rows, float width, float height);

// One screen region: its multi-viewer, the series shown in it and the hanging protocol that
// arranges them. The series are retained while they are in the list, so the region never
// points at a series its screen has let go. Main thread only.
class appManager : public cocos2d::Ref, public NSUI::UIJson, public NSUI::NSNotificationKey {
public:
    CREATE_FUNC(appManager);

    ~appManager() override;
    virtual bool init();
    // Empties the series list, takes the multi-viewer out of the screen and releases it, and
    // removes the manager's observers. The window manager calls it when the region goes.
    virtual void teardown();

    isViewerMulti* getViewerMulti() const { return _multi; }
    const cocos2d::Rect& getRect() const { return _rect; }
    // The window manager places the region here; the multi-viewer follows separately.
    void setRect(const cocos2d::Rect& rect) { _rect = rect; }
    int getProtocolCode() const { return _protocolCode; }
    const std::vector<isImageData*>& getSeriesList() const { return _seriesList; }

    // Shows the series alone in one Slice viewer.
    void setImageData(isImageData* data);
    // Sizes and keys the multi-viewer for the rectangle and shows the series side by side.
    void setSeriesList(const std::vector<isImageData*>& list, const cocos2d::Rect& rect);
    // Sizes and keys the multi-viewer and applies the protocol to the series; a series that is
    // no volume falls back to one Slice viewer.
    void setImageDataWithProtocol(isImageData* data, const cocos2d::Rect& rect, int code);
    // Nothing without a multi-viewer or series, for code 0 or for the current code.
    void applyProtocol(int code);

    // 9135: the data's text names a protocol type.
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    // Phases of the one series of the region; -1 unless the list holds exactly one series. A
    // series without phases, or with its 4D mode off, is one phase.
    int getCurrentPhase();
    bool hasNextPhase();
    int getPhaseCount();
    void setPhase(int n);

    // Filled by the viewer screen when a series is loaded.
    ProtocolQuery& getProtocolQuery() { return _query; }

protected:
    appManager() = default;

private:
    void placeMultiViewer(const cocos2d::Rect& rect);
    void replaceSeries(const std::vector<isImageData*>& list);
    void releaseSeries();
    void layoutCompare();
    void layoutCompare4D();
    void addCompareCells(const std::vector<isImageData*>& cells, bool linked);
    isImageData* onlySeries();

    cocos2d::Rect _rect;
    std::vector<isImageData*> _seriesList;
    isViewerMulti* _multi = nullptr;
    int _protocolCode = PROTOCOL_NONE;
    ProtocolQuery _query;
};

}  // namespace isImageSDK
