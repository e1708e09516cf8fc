#pragma once

#include <string>

#include "engine/base/IMEDelegate.h"
#include "engine/renderer/ClippingProtocol.h"
#include "engine/ui/EditBoxDelegate.h"
#include "engine/ui/Widget.h"

namespace cocos2d {

class Label;

namespace ui {

class Scale9Sprite;

// A one-line text entry on a stretched background image. A click on it starts editing: it
// takes the text input (SDL's, through the IME dispatcher) and shows a caret; typed text is
// appended, backspace removes the last character. Return ends editing and calls the
// delegate's `editBoxReturn`; a touch that begins outside the box ends editing without it.
// Shows the placeholder while the text is empty. Text wider than the box is cut at its edges;
// while editing, the end with the caret shows.
class EditBox : public Widget, public ClippingProtocol, public IMEDelegate {
public:
    enum class InputFlag {
        PASSWORD,
        SENSITIVE,
        INITIAL_CAPS_WORD,
        INITIAL_CAPS_SENTENCE,
        INITIAL_CAPS_ALL_CHARACTERS,
        LOWERCASE_ALL_CHARACTERS
    };

    // Null when the background image cannot be loaded.
    static EditBox* create(const Size& size, const std::string& normalImage,
                           TextureResType texType = TextureResType::LOCAL);
    static EditBox* create(const Size& size, Scale9Sprite* normalSprite);
    ~EditBox() override;

    bool initWithSizeAndBackgroundSprite(const Size& size, Scale9Sprite* normalSprite);

    // Not retained: the delegate outlives the box or clears itself.
    void setDelegate(EditBoxDelegate* delegate) { _delegate = delegate; }
    EditBoxDelegate* getDelegate() const { return _delegate; }

    // Replaces the text without a delegate call.
    void setText(const char* text);
    const char* getText() const { return _text.c_str(); }

    void setFontName(const char* fontName);
    void setFontSize(int fontSize);
    void setFontColor(const Color3B& color);
    void setFontColor(const Color4B& color);
    void setPlaceHolder(const char* placeholder);
    const char* getPlaceHolder() const { return _placeholder.c_str(); }
    void setPlaceholderFontSize(int fontSize);
    void setPlaceholderFontColor(const Color3B& color);
    void setPlaceholderFontColor(const Color4B& color);
    // In characters; 0 or less: no limit.
    void setMaxLength(int maxLength) { _maxLength = maxLength; }
    int getMaxLength() const { return _maxLength; }
    // PASSWORD shows a mask per character; the other flags change nothing on this desktop.
    void setInputFlag(InputFlag inputFlag);

    // Starts editing as a click does; false when another receiver keeps the text input.
    bool openKeyboard();
    bool isEditing() const { return _editing; }

    void setContentSize(const Size& size) override;
    void visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) override;
    bool onTouchBegan(Touch* touch, Event* event) override;
    void onExit() override;

protected:
    EditBox() = default;

    void releaseUpEvent() override;

    bool canAttachWithIME() override { return true; }
    void didAttachWithIME() override;
    bool canDetachWithIME() override { return true; }
    void didDetachWithIME() override;
    void insertText(const char* text, size_t len) override;
    void deleteBackward() override;
    const std::string& getContentText() override { return _text; }

private:
    void endEditing(EditBoxDelegate::EditBoxEndAction action);
    void refreshLabel();
    void placeLabel();

    Scale9Sprite* _background = nullptr;
    Label* _label = nullptr;
    EditBoxDelegate* _delegate = nullptr;
    std::string _text;
    std::string _placeholder;
    std::string _fontName;
    int _fontSize = 20;
    int _placeholderFontSize = 20;
    Color4B _fontColor = Color4B::WHITE;
    Color4B _placeholderColor = Color4B::GRAY;
    int _maxLength = 0;
    bool _password = false;
    bool _editing = false;
    // How the editing in progress ends; another receiver taking the input ends it UNKNOWN.
    EditBoxDelegate::EditBoxEndAction _endAction = EditBoxDelegate::EditBoxEndAction::UNKNOWN;
};

}  // namespace ui
}  // namespace cocos2d
