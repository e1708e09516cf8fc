#pragma once

#include <string>

#include "engine/base/Macros.h"
#include "engine/ui/Button.h"
#include "imagesdk/render/isNodeObject.h"
#include "imagesdk/render/isNodeOverlay.h"
#include "toolkit/core/UIJson.h"

namespace NSUI {
class NSNotificationData;
}  // namespace NSUI

namespace isImageSDK {

// A cine button of a window's corner overlay: play/pause (NOTIFY_CINE_BUTTON), previous
// (NOTIFY_OVERLAY_PRIOR) or next (NOTIFY_OVERLAY_NEXT). A touch posts its command to the image
// node of its group; the image node answers with the play state, which swaps the play and pause
// images, and with the visibility of the three buttons (shown for multi-frame slices only).
// Main thread only.
class isNodeOverlaySprite : public cocos2d::ui::Button,
                            public isNodeOverlay,
                            public isNodeObject,
                            public NSUI::UIJson {
public:
    static constexpr const char* kPlayImage = "imageSDK/play.png";
    static constexpr const char* kPauseImage = "imageSDK/pause.png";

    // Its reported content size stays 0 x 0 until setButtonSize.
    CREATE_FUNC(isNodeOverlaySprite);

    bool init() override;
    // Removes the observers.
    void cleanup() override;

    // The posts of `group` the button follows and posts to, and the node it stays above.
    void setGroup(cocos2d::Node* group) { this->group = group; }
    cocos2d::Node* getGroup() const { return group; }

    // Binds the button to its command, observes the state keys that belong to it and loads its
    // images.
    void bindNotification(const std::string& normalImage, const std::string& pressedImage,
                          unsigned id, const std::string& disabledImage);
    bool isBound() const { return bound != 0; }

    // Scales the image to `size` points high (four fifths of it on the desktop) and reports a
    // content size of size × 1.5 by size, so that layouts leave room around it.
    void setButtonSize(int size);
    int getButtonSize() const { return size; }
    int getImageHeight() const { return imageHeight; }
    void setScaleFactor(float factor) { scaleFactor = factor; }

    const cocos2d::Size& getContentSize() const override;

    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;

protected:
    isNodeOverlaySprite() = default;

    void onNotification(unsigned key, NSUI::NSNotificationData* data);
    void observe(int key);
    void relayout();

    unsigned char bound = 0;
    cocos2d::Node* group = nullptr;
    int size = 10;
    int imageHeight = 10;
    cocos2d::Size reportedSize;
    float scaleFactor = 1.0f;
};

}  // namespace isImageSDK
