#pragma once

#include <string>
#include <vector>

#include "engine/base/Event.h"
#include "engine/base/EventListener.h"
#include "engine/base/Touch.h"
#include "toolkit/widgets/NSLayout.h"

namespace cocos2d {
namespace ui {
class ImageView;
}
}  // namespace cocos2d

namespace NSUI {

class NSInteractorImage;

// A clipped panel that shows one picture and lets the user zoom and pan it: the wheel zooms,
// a left drag pans, a right drag zooms (vertical moves only), and touches go through an image
// interactor (one-finger drag pans, pinch zooms, two-finger pan moves). Mouse handling and new
// touch gestures work only while the view is touch-enabled, which init turns on. Main thread
// only.
class NSSpriteView : public NSLayout {
public:
    static NSSpriteView* create();

    bool init() override;
    void cleanup() override;

    // Every press is consumed; the wheel and drags act on the picture.
    bool onMouseScroll(float x, float y, float scrollY) override;
    bool onMouseDown(float x, float y) override;
    bool onMouseMove(float x, float y) override;

    virtual void onTouchesBegan(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event* event);
    virtual void onTouchesMoved(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event* event);
    virtual void onTouchesEnded(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event* event);
    virtual void onTouchesCancelled(const std::vector<cocos2d::Touch*>& touches,
                                    cocos2d::Event* event);

    // Centres the picture and loads it fitted to the view's size; a file that does not exist
    // shows "UIRes/noPicture.png" at scale 1, and that name becomes the image path.
    void setImage(const std::string& path);
    // The path last given to setImage (or the missing-picture name); empty before the first.
    const std::string& getImagePath() const { return imagePath; }
    void panBy(float dx, float dy);

    cocos2d::ui::ImageView* getImageView() const { return imageView; }
    NSInteractorImage* getInteractor() const { return interactor; }

protected:
    NSSpriteView() = default;
    ~NSSpriteView() override;

    NSInteractorImage* interactor = nullptr;
    cocos2d::EventListenerTouchAllAtOnce* touchListener = nullptr;
    cocos2d::ui::ImageView* imageView = nullptr;
    std::string imagePath;

private:
    void releaseTouchHandling();
};

}  // namespace NSUI
