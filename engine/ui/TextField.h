#pragma once

#include <string>

#include "engine/2d/Label.h"
#include "engine/ui/Widget.h"

namespace cocos2d {
namespace ui {

// A text-entry template of layout files: it carries the geometry, font, colours, placeholder
// and limits of a field and shows its placeholder (or its text), but takes no keyboard input.
// Screens put their own editable field in its place.
class TextField : public Widget {
public:
    static TextField* create();
    static TextField* create(const std::string& placeholder, const std::string& fontName,
                             float fontSize);
    bool init() override;

    void setPlaceHolder(const std::string& placeholder);
    const std::string& getPlaceHolder() const { return _placeholder; }
    void setPlaceHolderColor(const Color4B& color);
    const Color4B& getPlaceHolderColor() const { return _placeholderColor; }
    void setString(const std::string& text);
    const std::string& getString() const { return _text; }
    void setFontSize(float size);
    float getFontSize() const { return _fontSize; }
    void setFontName(const std::string& name);
    const std::string& getFontName() const { return _fontName; }
    void setTextColor(const Color4B& color);
    const Color4B& getTextColor() const { return _textColor; }
    void setMaxLengthEnabled(bool enabled) { _maxLengthEnabled = enabled; }
    bool isMaxLengthEnabled() const { return _maxLengthEnabled; }
    void setMaxLength(int length) { _maxLength = length; }
    int getMaxLength() const { return _maxLength; }
    void setPasswordEnabled(bool enabled);
    bool isPasswordEnabled() const { return _passwordEnabled; }
    void setTextHorizontalAlignment(TextHAlignment alignment);
    TextHAlignment getTextHorizontalAlignment() const;

    Node* getVirtualRenderer() override;
    Size getVirtualRendererSize() const override;
    Label* getLabelRenderer() const { return _textFieldRenderer; }
    std::string getDescription() const override;

protected:
    TextField() = default;

    void initRenderer() override;
    void onSizeChanged() override;
    Widget* createCloneInstance() override;
    void copySpecialProperties(Widget* model) override;
    void refreshLabel();

    Label* _textFieldRenderer = nullptr;
    std::string _placeholder;
    std::string _text;
    std::string _fontName;
    float _fontSize = 20.0f;
    Color4B _textColor = Color4B::WHITE;
    Color4B _placeholderColor = Color4B::GRAY;
    bool _maxLengthEnabled = false;
    int _maxLength = 10;
    bool _passwordEnabled = false;
};

}  // namespace ui
}  // namespace cocos2d
