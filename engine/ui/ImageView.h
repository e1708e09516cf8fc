#pragma once

#include <string>

#include "engine/ui/Widget.h"

namespace cocos2d {
namespace ui {

class Scale9Sprite;

// A widget that shows one image. Its size follows the image unless nine-slicing is on or
// content adapt is turned off, in which case the image stretches to the size given.
class ImageView : public Widget {
public:
    static ImageView* create();
    // Null when the file cannot be loaded.
    static ImageView* create(const std::string& file, TextureResType type = TextureResType::LOCAL);
    bool init() override;
    virtual bool init(const std::string& file, TextureResType type = TextureResType::LOCAL);

    // An empty or unloadable file leaves the current image.
    void loadTexture(const std::string& file, TextureResType type = TextureResType::LOCAL);
    const std::string& getTextureFile() const { return _textureFile; }
    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return _scale9Enabled; }
    void setCapInsets(const Rect& capInsets);
    const Rect& getCapInsets() const { return _capInsets; }
    void ignoreContentAdaptWithSize(bool ignore) override;

    Node* getVirtualRenderer() override;
    Size getVirtualRendererSize() const override { return _imageTextureSize; }
    std::string getDescription() const override;

protected:
    ImageView() = default;

    void initRenderer() override;
    void onSizeChanged() override;
    Widget* createCloneInstance() override;
    void copySpecialProperties(Widget* model) override;
    void placeRenderer();

    Scale9Sprite* _imageRenderer = nullptr;
    std::string _textureFile;
    bool _scale9Enabled = false;
    Rect _capInsets;
    Size _imageTextureSize;
};

}  // namespace ui
}  // namespace cocos2d
