#pragma once

#include <string>
#include <vector>

#include "engine/base/Macros.h"
#include "imagesdk/render/isActorObject.h"

namespace cocos2d {
class Ref;
}  // namespace cocos2d

namespace NSUI {
class NSLayout;
class NSNotificationData;
}  // namespace NSUI

namespace isImageSDK {

class isNodeOverlay;
class isNodeOverlaySprite;
class isNodeOverlayText;

// The texts drawn over a render window: the orientation letters at the middle of the four edges
// and four corner groups of text rows (study information, window/level, slice position, ...)
// plus the cine buttons. Owners decide which lines go where; the actor lays them out, sizes them
// from the window and the screen's DPI, and fills the edge letters (NOTIFY_OVERLAY_CORNERS) and
// the study texts (NOTIFY_PATIENT_INFO_TEXT) from its window's posts. Corners and edges are
// named by the relative-alignment codes: 1 top-left, 3 top-right, 7 bottom-left, 9 (and any
// other) bottom-right; 2 top, 8 bottom, 4 left, 6 right. Main thread only.
class isActorOverlay : public isActorObject {
public:
    // One corner group: its layout and its rows, the last being where texts go.
    struct CornerGroup {
        int rowCount = 0;
        int textCount = 0;
        NSUI::NSLayout* group = nullptr;
        std::vector<NSUI::NSLayout*> rows;
        NSUI::NSLayout* currentRow = nullptr;
    };

    CREATE_FUNC(isActorOverlay);

    ~isActorOverlay() override;
    bool init() override;
    // Clears, then follows the edge letters and study texts posted in the window's group.
    void attachToWindow(isRenderWindowBase* window) override;
    void cleanup() override;

    // Takes the nodes out of the window and forgets the edge texts and the groups.
    void clear();
    // clear, but the edge letters stay: they follow the camera, not the owner's choice of lines,
    // so an owner rebuilding its lines must not lose them until the view next changes.
    void clearCorners();
    // 9084 fills the edge letters; 9099 the study texts, when its object is the series the
    // window shows.
    void onEdgeTextNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    void createEdgeTexts(const std::string& top, const std::string& bottom, const std::string& left,
                         const std::string& right);
    // The corner's record, its group and first row made on first use.
    CornerGroup& getCornerGroup(int corner);
    isNodeOverlayText* addCornerText(int corner, const std::string& text);
    isNodeOverlayText* addTopLeftText(const std::string& text) { return addCornerText(1, text); }
    isNodeOverlayText* addBottomLeftText(const std::string& text) { return addCornerText(7, text); }
    isNodeOverlayText* addTopRightText(const std::string& text) { return addCornerText(3, text); }
    // Starts a new row in corner 1, 3 or 7 (nothing for others).
    void createCornerPanels(int corner);
    void addBottomLeftPanel() { createCornerPanels(7); }
    // A cine button in the top-right corner's current row.
    isNodeOverlaySprite* addPlayButton();
    // Deep search by name in the top-left, bottom-left, top-right, bottom-right groups.
    cocos2d::Node* findText(const std::string& name) const;
    // Shows or hides the first text findText gives.
    void setTextVisible(const std::string& name, bool visible);
    void setVisible(bool visible) override;
    // Sizes everything again from the window's width and the screen's DPI.
    void relayout();
    // Fills the study texts (ids 9090, 9091, 9094-9098) from the JSON object.
    void setStudyInfo(const std::string& json);

    int getCellWidth() const { return cellWidth; }
    int getFontSize() const { return fontSize; }
    int getLineHeight() const { return lineHeight; }
    isNodeOverlayText* getEdgeText(int edge) const;
    const std::vector<isNodeOverlay*>& getOverlays() const { return overlays; }

    // Font size for a screen: 4 mm of type, 20 to 30 points.
    static int fontSizeForDpi(int dpi);
    // Half the content width, 100 when that is below 1.
    static int cellWidthFor(float contentWidth);

protected:
    isActorOverlay() = default;

    CornerGroup& recordOf(int corner);
    NSUI::NSLayout* groupLayout(int corner) const;
    NSUI::NSLayout* makeRow(int corner, CornerGroup& record);
    void sizeGroup(CornerGroup& record) const;

    NSUI::NSLayout* topLeft = nullptr;
    NSUI::NSLayout* bottomLeft = nullptr;
    NSUI::NSLayout* topRight = nullptr;
    NSUI::NSLayout* bottomRight = nullptr;
    CornerGroup cornerTopLeft;
    CornerGroup cornerTopRight;
    CornerGroup cornerBottomLeft;
    CornerGroup cornerBottomRight;
    std::vector<isNodeOverlay*> overlays;
    isNodeOverlayText* edgeTop = nullptr;
    isNodeOverlayText* edgeBottom = nullptr;
    isNodeOverlayText* edgeLeft = nullptr;
    isNodeOverlayText* edgeRight = nullptr;
    int cellWidth = 100;
    int fontSize = 30;
    int lineHeight = 34;
};

}  // namespace isImageSDK
