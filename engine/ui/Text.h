#pragma once

#include <string>

#include "engine/2d/Label.h"
#include "engine/ui/Widget.h"

namespace cocos2d {
namespace ui {

// A text widget: a label drawn with a TTF file (when the font name is an existing file) or a
// system font. Its size follows the text unless a text area is set. With touch scale change on,
// the text grows by half while pressed.
class Text : public Widget {
public:
    enum class Type { SYSTEM, TTF };

    static Text* create();
    static Text* create(const std::string& text, const std::string& fontName, float fontSize);
    bool init() override;
    virtual bool init(const std::string& text, const std::string& fontName, float fontSize);

    void setString(const std::string& text);
    const std::string& getString() const;
    // Characters (code points) of the text.
    long getStringLength() const;

    void setFontSize(float size);
    float getFontSize() const { return _fontSize; }
    // A file name that exists selects that TTF; anything else names a system font.
    void setFontName(const std::string& name);
    const std::string& getFontName() const { return _fontName; }
    Type getType() const { return _type; }

    void setTextColor(const Color4B& color);
    const Color4B& getTextColor() const;
    void enableShadow(const Color4B& shadowColor = Color4B::BLACK, const Size& offset = Size(2, -2),
                      int blurRadius = 0);
    void disableEffect();
    bool isShadowEnabled() const;

    // A fixed box for the text (it wraps to the width); Size::ZERO follows the text again.
    void setTextAreaSize(const Size& size);
    const Size& getTextAreaSize() const;
    void setTextHorizontalAlignment(TextHAlignment alignment);
    TextHAlignment getTextHorizontalAlignment() const;
    void setTextVerticalAlignment(TextVAlignment alignment);
    TextVAlignment getTextVerticalAlignment() const;

    void setTouchScaleChangeEnabled(bool enabled);
    bool isTouchScaleChangeEnabled() const { return _touchScaleChangeEnabled; }

    Node* getVirtualRenderer() override;
    Size getVirtualRendererSize() const override;
    Label* getLabelRenderer() const { return _labelRenderer; }
    std::string getDescription() const override;
    void ignoreContentAdaptWithSize(bool ignore) override;

protected:
    Text() = default;

    void initRenderer() override;
    void onPressStateChangedToNormal() override;
    void onPressStateChangedToPressed() override;
    void onPressStateChangedToDisabled() override;
    void onSizeChanged() override;
    Widget* createCloneInstance() override;
    void copySpecialProperties(Widget* model) override;
    void labelChanged();
    void placeLabel();

    Label* _labelRenderer = nullptr;
    std::string _fontName;
    float _fontSize = 10.0f;
    Type _type = Type::SYSTEM;
    bool _touchScaleChangeEnabled = false;
};

}  // namespace ui
}  // namespace cocos2d
