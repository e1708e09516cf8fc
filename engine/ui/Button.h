#pragma once

#include <string>

#include "engine/2d/Label.h"
#include "engine/ui/Widget.h"

namespace cocos2d {
namespace ui {

class Scale9Sprite;

// A pressable widget with up to three images (normal, pressed, disabled) and a title. Without
// images its size is the title's. The pressed image shows while the touch stays on the button
// (the normal one, zoomed, when there is no pressed image and the pressed action is on); the
// disabled image shows while the button is disabled. A touch released on it is a click.
class Button : public Widget {
public:
    static Button* create();
    static Button* create(const std::string& normalImage, const std::string& selectedImage = "",
                          const std::string& disableImage = "",
                          TextureResType type = TextureResType::LOCAL);
    bool init() override;
    virtual bool init(const std::string& normalImage, const std::string& selectedImage,
                      const std::string& disableImage, TextureResType type = TextureResType::LOCAL);

    // An empty name clears that image; an unloadable file leaves it unchanged.
    void loadTextures(const std::string& normal, const std::string& selected,
                      const std::string& disabled, TextureResType type = TextureResType::LOCAL);
    void loadTextureNormal(const std::string& normal, TextureResType type = TextureResType::LOCAL);
    void loadTexturePressed(const std::string& selected,
                            TextureResType type = TextureResType::LOCAL);
    void loadTextureDisabled(const std::string& disabled,
                             TextureResType type = TextureResType::LOCAL);
    const std::string& getNormalFile() const { return _normalFileName; }
    const std::string& getPressedFile() const { return _clickedFileName; }
    const std::string& getDisabledFile() const { return _disabledFileName; }

    void setScale9Enabled(bool enabled);
    bool isScale9Enabled() const { return _scale9Enabled; }
    void setCapInsets(const Rect& capInsets);
    const Rect& getCapInsets() const { return _capInsets; }

    // Zoom of the pressed state (1 + zoom scale) while the button has no pressed image.
    void setPressedActionEnabled(bool enabled) { _pressedActionEnabled = enabled; }
    bool isPressedActionEnabled() const { return _pressedActionEnabled; }
    void setZoomScale(float scale) { _zoomScale = scale; }
    float getZoomScale() const { return _zoomScale; }

    void setTitleText(const std::string& text);
    const std::string& getTitleText() const;
    void setTitleColor(const Color3B& color);
    Color3B getTitleColor() const;
    void setTitleFontSize(float size);
    float getTitleFontSize() const { return _fontSize; }
    void setTitleFontName(const std::string& fontName);
    const std::string& getTitleFontName() const { return _fontName; }
    void setTitleAlignment(TextHAlignment hAlignment, TextVAlignment vAlignment);
    Label* getTitleRenderer() const { return _titleRenderer; }

    void ignoreContentAdaptWithSize(bool ignore) override;
    Node* getVirtualRenderer() override;
    Size getVirtualRendererSize() const override;
    std::string getDescription() const override;

protected:
    Button() = default;

    void initRenderer() override;
    void onPressStateChangedToNormal() override;
    void onPressStateChangedToPressed() override;
    void onPressStateChangedToDisabled() override;
    void onSizeChanged() override;
    Widget* createCloneInstance() override;
    void copySpecialProperties(Widget* model) override;
    bool loadInto(Scale9Sprite* renderer, const std::string& file, std::string* fileName,
                  Size* textureSize);
    void placeRenderers();
    void showRenderer(Scale9Sprite* renderer);
    void titleChanged();

    Scale9Sprite* _buttonNormalRenderer = nullptr;
    Scale9Sprite* _buttonClickedRenderer = nullptr;
    Scale9Sprite* _buttonDisabledRenderer = nullptr;
    Label* _titleRenderer = nullptr;
    std::string _normalFileName;
    std::string _clickedFileName;
    std::string _disabledFileName;
    Size _normalTextureSize;
    Size _pressedTextureSize;
    Size _disabledTextureSize;
    bool _scale9Enabled = false;
    Rect _capInsets;
    bool _pressedActionEnabled = false;
    float _zoomScale = 0.1f;
    float _fontSize = 14.0f;
    std::string _fontName;
};

}  // namespace ui
}  // namespace cocos2d
