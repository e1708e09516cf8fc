#pragma once

#include <string>

namespace cocos2d {
namespace ui {
class ImageView;
}
}  // namespace cocos2d

namespace NSUI {

// Puts a picture file into an image view. UIHttpPhisical hands its tagged picture downloads to
// one (the widgets' UIControlGenerater), so that the network layer needs no widget.
class UIImageLoader {
public:
    virtual ~UIImageLoader() = default;

    // The picture into `view` unscaled.
    virtual void loadImageView(cocos2d::ui::ImageView* view, const std::string& path) = 0;
};

}  // namespace NSUI
