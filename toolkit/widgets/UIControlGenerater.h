#pragma once

#include <deque>
#include <memory>
#include <string>

#include "engine/math/Geometry.h"
#include "engine/math/Vec2.h"
#include "toolkit/net/UIImageLoader.h"

namespace cocos2d {
class Node;
class Sprite;
class Texture2D;
namespace ui {
class ImageView;
}
}  // namespace cocos2d

namespace NSUI {

class NSTextField;

// One picture to put into an image view or a sprite.
struct ImageLoadRecord {
    // Picture file, also the texture-cache key.
    std::string path;
    // Retained by the loader from queueing until the picture is applied.
    cocos2d::Node* target = nullptr;
    // True: `target` is a ui::ImageView; false: a Sprite.
    bool isImageView = true;
    // 0: the picture unscaled; 1: the target also scaled to fit `boxSize` keeping the aspect.
    int mode = 0;
    cocos2d::Size boxSize;
    // Extra factor for the horizontal scale of a fitted sprite.
    float scaleXFactor = 1.0f;
};

// Mixin that puts picture files into image views and sprites. A picture the texture cache
// already holds is applied at once by the fitted loads; the others wait in a queue and are
// loaded one at a time through the cache's asynchronous loading, each applied when it arrives.
// The carrier calls loadNextImage periodically. Main thread only.
class UIControlGenerater : public UIImageLoader {
public:
    UIControlGenerater();
    // Releases every waiting and in-flight target; a load still in flight no longer reaches
    // this loader.
    ~UIControlGenerater() override;

    UIControlGenerater(const UIControlGenerater&) = delete;
    UIControlGenerater& operator=(const UIControlGenerater&) = delete;

    // The picture into `view`, scaled to fit `box`.
    void loadImageViewFitted(cocos2d::ui::ImageView* view, const std::string& path,
                             const cocos2d::Size& box);
    // The picture into `sprite`, scaled to fit `box`, the horizontal scale times `factor`.
    void loadSpriteImage(cocos2d::Sprite* sprite, const std::string& path, const cocos2d::Size& box,
                         float factor);
    // The picture into `view` unscaled; always queued.
    void loadImageView(cocos2d::ui::ImageView* view, const std::string& path) override;

    // Starts the next waiting load when none is in flight.
    void loadNextImage();
    // Completion of the load in flight; the picture is looked up again by its path.
    void onImageLoaded(cocos2d::Texture2D* texture);

    // An autoreleased text field 150 wide and `fontSize` high showing `placeholder`, its text
    // in `fontSize`; null when it cannot be made.
    NSTextField* createTextField(const std::string& placeholder, const cocos2d::Vec2& position,
                                 int fontSize, const cocos2d::Vec2& anchorPoint);

protected:
    // Waiting requests, oldest first.
    std::deque<ImageLoadRecord> queue;
    // The request whose load is in flight; its target is null when none is.
    ImageLoadRecord current;

private:
    void enqueue(ImageLoadRecord record);
    static void apply(const ImageLoadRecord& record);

    // Completions handed to the texture cache hold it weakly, so that one arriving after this
    // loader is gone finds it expired.
    std::shared_ptr<UIControlGenerater*> _self;
};

}  // namespace NSUI
