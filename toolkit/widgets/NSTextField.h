#pragma once

#include <functional>
#include <string>

#include "engine/base/IMEDelegate.h"
#include "engine/base/Types.h"
#include "engine/math/Geometry.h"
#include "engine/math/Vec2.h"
#include "engine/renderer/ClippingProtocol.h"
#include "toolkit/core/NSTranslatable.h"
#include "toolkit/widgets/NSRichText.h"

namespace cocos2d {
class Sprite;
namespace ui {
class Scale9Sprite;
}
}  // namespace cocos2d

namespace NSUI {

// Editable text fed by the engine's IME: every typed character is an element of the rich text,
// so the caret can stand between any two of them. Shows a placeholder while empty, a mask per
// character in password mode, a blinking cursor while attached, and optionally a nine-slice
// edit background that follows the focus. Input can be limited in length (characters) and
// filtered to numbers. A clipping rectangle (node space, empty by default) limits what it draws.
class NSTextField : public NSRichText,
                    public cocos2d::IMEDelegate,
                    public cocos2d::ClippingProtocol,
                    public NSTranslatable {
public:
    enum EventType : int {
        INSERT_TEXT = 0,
        DELETE_BACKWARD = 1,
        SIZE_CHANGED = 3,
        ENTER = 4,
        ATTACH_WITH_IME = 5,
        DETACH_WITH_IME = 6,
    };

    // Input filters; each tests the whole current text, not the caret position.
    enum InputMode : int {
        // "-" only into an empty field, else digits.
        SIGNED_INTEGER = 0,
        DIGITS = 1,
        // "-" only into an empty field, "." once into a non-empty field, else digits.
        SIGNED_DECIMAL = 2,
        // "." into a non-empty field not ending in ".", else digits.
        DOTTED_NUMBER = 3,
        ANY_TEXT = 4,
    };

    using EventCallback = std::function<void(cocos2d::Ref*, EventType)>;

    // Tag of the cursor sprite among the container's children.
    static const int kCursorTag = 9824;

    // Autoreleased; null when init fails.
    static NSTextField* create(const cocos2d::Size& size);
    static NSTextField* createWithPlaceHolder(const std::string& placeholder,
                                              const cocos2d::Size& size);

    ~NSTextField() override;

    bool initWithPlaceHolder(const std::string& placeholder, const cocos2d::Size& size);

    // An empty text stores " " but draws nothing. Shown only while the field shows no text.
    void setPlaceHolder(const std::string& placeholder);
    const std::string& getPlaceHolder() const { return placeholderText; }
    // Replaces the text without an event; the caret ends after it.
    void setString(const std::string& s);
    // The typed text, unmasked.
    const std::string& getString() const { return text; }

    // A language table translates the typed text into the placeholder.
    std::string translationKey() const override { return text; }
    void applyTranslation(const std::string& translated) override { setPlaceHolder(translated); }

    // Style setters re-render what the field shows.
    void setFontSize(int size);
    void setTextColor(const cocos2d::Color3B& color);
    void setPlaceHolderFontSize(int size);
    void setPlaceHolderColor(const cocos2d::Color3B& color);
    void setMaxHeight(int height) override;
    void setBackgroundImages(const std::string& normal, const std::string& focused);
    void setLightCursor();
    void setEventCallback(const EventCallback& callback);
    // Touches that focus the field are claimed, so they do not reach the widgets below.
    void setSwallowTouches();
    using cocos2d::ui::Widget::setSwallowTouches;
    void showEditBackground();

    // Attaches to the IME with the caret at the end of the text.
    void startEditing();
    void insertTextAtCursor(const std::string& s);
    // Replaces the elements with one per character of `s`, scrolled to the top.
    void setStyledText(const std::string& s, const std::string& fontName, int fontSize,
                       const cocos2d::Color3B& color);

    // Also keeps the edit background just below the field.
    virtual void setZOrder(int z);

    void onExit() override;
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onKeyReleased(cocos2d::EventKeyboard::KeyCode keyCode, cocos2d::Event* event) override;
    // A began touch that a parent takes over still moves the focus.
    bool interceptTouchEvent(TouchEventType event, cocos2d::ui::Widget* sender,
                             cocos2d::Touch* touch) override;
    void visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
               uint32_t parentFlags) override;

    using cocos2d::ui::Widget::hitTest;
    // Whether the world point lies in (0, 0, width, maxHeight) of the field, edges included.
    virtual bool hitTest(const cocos2d::Vec2& worldPoint);

    bool attachWithIME() override;
    bool detachWithIME() override;

    int hasEditBackground = 0;
    cocos2d::ui::Scale9Sprite* editBackground = nullptr;
    cocos2d::Sprite* cursorSprite = nullptr;
    cocos2d::Vec2 cursorPosition;
    int cursorIndex = 0;
    bool placeholderShown = false;
    bool limitLength = false;
    // In characters; tested before an insertion, so one insertion may pass it.
    int maxLength = 0;
    bool passwordMode = false;
    std::string passwordMask = "*";
    std::string text;
    std::string placeholderText = " ";
    std::string textFontName;
    std::string placeholderFontName;
    int textFontSize = 25;
    int placeholderFontSize = 25;
    cocos2d::Color3B textColor = cocos2d::Color3B::BLUE;
    cocos2d::Color3B placeholderColor = cocos2d::Color3B::GRAY;
    EventCallback eventCallback;
    bool swallowTouches = false;
    std::string cursorImage = "UIRes/cursorBlack.png";
    std::string focusedImage = "editfocus.png";
    std::string normalImage = "editnormal.png";
    // The area that focuses the field, in node space; a point on its border is outside.
    cocos2d::Rect touchRect;
    int inputMode = ANY_TEXT;

protected:
    NSTextField();

    void onSizeChanged() override;

    bool canAttachWithIME() override { return true; }
    bool canDetachWithIME() override { return true; }
    void didDetachWithIME() override;
    void insertText(const char* chars, size_t length) override;
    void deleteBackward() override;
    const std::string& getContentText() override { return text; }

private:
    void notify(EventType event);
    bool acceptsInput(const std::string& input) const;
    // Re-renders the placeholder or the text after a style change.
    void refresh();
    void placeEditBackground(const std::string& image);
    // Editing ends: keys off, normal background, no blink, cursor hidden.
    void stopEditing();
    // removeAllElements, which also removes the cursor sprite.
    void clearElements();
    void hideCursor();
    void blinkCursor();
    int characterCount() const;

    // Set while our own detach runs, to tell it from another delegate taking the IME over.
    bool detaching = false;
};

// The event codes of a text field's callback.
using TextFieldEvent = NSTextField::EventType;

}  // namespace NSUI
