#pragma once

#include "engine/base/Macros.h"
#include "engine/base/Types.h"
#include "engine/math/Mat4.h"
#include "imagesdk/render/isActorObject.h"

namespace cocos2d {
class DrawNode;
class Ref;
}  // namespace cocos2d

namespace NSUI {
class NSNotificationData;
}  // namespace NSUI

namespace isImageSDK {

class isNodeLine;

// Draws in one render window the view frame (a coloured border naming the view in a multi-view
// layout), a small focus square, and the cross-reference lines: two lines through the reference
// point along the plane's in-plane axes, with a gap of 30 screen pixels around the point, each in
// the colour of another view. The plane arrives with NOTIFY_CROSSLINE_UPDATE; camera changes
// redraw the lines on the window's next visit. The lines hide half a second after the last
// redraw; the viewer shows them again with setLineVisible(true). Main thread only.
class isActorCrossLine : public isActorObject {
public:
    // The hide job's key on the engine scheduler (target: the actor).
    static constexpr const char* kHideKey = "_is_actor_crossline";
    static constexpr float kHideSeconds = 0.5f;
    // Half-length of each line, in world units.
    static constexpr float kLineReach = 10000.0f;

    CREATE_FUNC(isActorCrossLine);

    ~isActorCrossLine() override;
    bool init() override;
    void cleanup() override;
    void attachToWindow(isRenderWindowBase* window) override;

    // Colour of the frame and the focus square: 0 magenta, 1 orange, 2 blue.
    void setFrameColor(int index);
    void setFrameVisible(bool visible);
    void setLineVisible(bool visible);
    // Shows the focus square on the first call; later calls do nothing.
    void showFocusFrame();

    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    // Draws the lines when a redraw is due (runs on the window's visit).
    void redraw();

    // The screen gap of 30 pixels in world units under the window's camera, at least 2.
    float lineGap() const;

    const cocos2d::Mat4& getReference() const { return reference; }
    isNodeLine* getLineNode() const { return lineNode; }
    cocos2d::DrawNode* getFrameNode() const { return frameNode; }
    cocos2d::DrawNode* getFocusNode() const { return focusNode; }
    bool isLineVisible() const { return lineVisible != 0; }
    bool isRedrawDue() const { return redrawDue != 0; }
    int getFrameColor() const { return frameColor; }

protected:
    isActorCrossLine() = default;

    void drawFrame();
    void hideLines();

    isNodeLine* lineNode = nullptr;
    cocos2d::DrawNode* focusNode = nullptr;
    cocos2d::DrawNode* frameNode = nullptr;
    cocos2d::Mat4 reference;
    unsigned char redrawDue = 0;
    unsigned char frameVisible = 0;
    unsigned char focusShown = 0;
    unsigned char lineVisible = 0;
    cocos2d::Color4F colours[3];
    int frameColor = 0;
};

}  // namespace isImageSDK
