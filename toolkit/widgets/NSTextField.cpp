#include "toolkit/widgets/NSTextField.h"

#include <algorithm>
#include <vector>

#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "engine/base/Touch.h"
#include "engine/base/Utils.h"
#include "engine/platform/GLView.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Scale9Sprite.h"
#include "toolkit/widgets/UIScrollViewBase.h"

namespace NSUI {

namespace {

const char* const kBlinkKey = "NSTextField.blink";
const float kBlinkInterval = 0.5f;
const int kCursorZOrder = 120;

// The characters of `s`, each as its own UTF-8 string; false when `s` is not valid UTF-8.
bool splitCharacters(const std::string& s, std::vector<std::string>* characters) {
    characters->clear();
    std::u32string codePoints;
    if (!cocos2d::StringUtils::UTF8ToUTF32(s, codePoints)) {
        return false;
    }
    for (char32_t codePoint : codePoints) {
        std::string character;
        if (!cocos2d::StringUtils::UTF32ToUTF8(std::u32string(1, codePoint), character)) {
            return false;
        }
        characters->push_back(character);
    }
    return true;
}

bool allDigits(const std::string& s) {
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

NSTextField::NSTextField() = default;

NSTextField::~NSTextField() = default;

NSTextField* NSTextField::create(const cocos2d::Size& size) {
    return createWithPlaceHolder("", size);
}

NSTextField* NSTextField::createWithPlaceHolder(const std::string& placeholder,
                                                const cocos2d::Size& size) {
    auto* field = new NSTextField();
    if (!field->initWithPlaceHolder(placeholder, size)) {
        delete field;
        return nullptr;
    }
    field->autorelease();
    if (!placeholder.empty()) {
        field->setPlaceHolder(placeholder);
    }
    return field;
}

bool NSTextField::initWithPlaceHolder(const std::string& placeholder, const cocos2d::Size& size) {
    if (!NSRichText::init()) {
        return false;
    }
    placeholderText = placeholder;
    setContentSize(size);
    touchRect = cocos2d::Rect(0.0f, 0.0f, size.width, size.height);
    setPlaceHolder(placeholder);
    placeholderShown = true;
    setTouchEnabled(true);
    return true;
}

void NSTextField::setPlaceHolder(const std::string& placeholder) {
    placeholderText = placeholder.empty() ? std::string(" ") : placeholder;
    if (!elements.empty() && !placeholderShown) {
        return;
    }
    setStyledText(placeholder, placeholderFontName, placeholderFontSize, placeholderColor);
    placeholderShown = true;
}

void NSTextField::setString(const std::string& s) {
    // `s` may be `text` itself.
    const std::string replacement = s;
    text.clear();
    cursorIndex = 0;
    clearElements();
    insertTextAtCursor(replacement);
}

void NSTextField::setFontSize(int size) {
    textFontSize = size;
    refresh();
}

void NSTextField::setTextColor(const cocos2d::Color3B& color) {
    textColor = color;
    refresh();
}

void NSTextField::setPlaceHolderFontSize(int size) {
    placeholderFontSize = size;
    setPlaceHolder(std::string(placeholderText));
}

void NSTextField::setPlaceHolderColor(const cocos2d::Color3B& color) {
    placeholderColor = color;
    setPlaceHolder(std::string(placeholderText));
}

void NSTextField::setMaxHeight(int height) {
    NSRichText::setMaxHeight(height);
    refresh();
}

void NSTextField::refresh() {
    if (placeholderShown) {
        setPlaceHolder(std::string(placeholderText));
    } else {
        setString(text);
    }
}

void NSTextField::setBackgroundImages(const std::string& normal, const std::string& focused) {
    normalImage = normal;
    focusedImage = focused;
}

void NSTextField::setLightCursor() {
    cursorImage = "UIRes/cursor.png";
}

void NSTextField::setEventCallback(const EventCallback& callback) {
    eventCallback = callback;
}

void NSTextField::setSwallowTouches() {
    swallowTouches = true;
}

void NSTextField::showEditBackground() {
    hasEditBackground = 1;
    editBackground =
        cocos2d::ui::Scale9Sprite::create(cocos2d::Rect(5.0f, 5.0f, 40.0f, 40.0f), normalImage);
    // A missing image leaves the field without a background rather than without a field.
    if (editBackground == nullptr) {
        return;
    }
    const cocos2d::Size& size = getContentSize();
    editBackground->setAnchorPoint(cocos2d::Vec2(0.5f, 0.0f));
    editBackground->setPosition(cocos2d::Vec2(size.width * 0.5f, -8.0f));
    editBackground->setContentSize(cocos2d::Size(size.width + 14.0f, size.height + 15.0f));
    setZOrder(10);
    editBackground->setLocalZOrder(getLocalZOrder() + 1);
    addChild(editBackground);
}

void NSTextField::placeEditBackground(const std::string& image) {
    if (editBackground == nullptr) {
        return;
    }
    editBackground->setTexture(image);
    const cocos2d::Size& size = getContentSize();
    editBackground->setPosition(cocos2d::Vec2(size.width * 0.5f, -8.0f));
    editBackground->setContentSize(cocos2d::Size(size.width + 14.0f, size.height + 15.0f));
    editBackground->setLocalZOrder(getLocalZOrder() + 1);
}

void NSTextField::startEditing() {
    attachWithIME();
    cursorIndex = placeholderShown ? 0 : static_cast<int>(elements.size());
    cursorPosition = getCaretPosition(cursorIndex);
    hideCursor();
}

int NSTextField::characterCount() const {
    if (placeholderShown) {
        return 0;
    }
    return static_cast<int>(cocos2d::StringUtils::getCharacterCountInUTF8String(text));
}

void NSTextField::insertTextAtCursor(const std::string& s) {
    // Elements and text stay one to one, so text that is not UTF-8 is not taken.
    std::vector<std::string> inserted;
    if (!splitCharacters(s, &inserted)) {
        return;
    }
    const std::string insertedText = s;
    std::vector<std::string> characters;
    if (!placeholderShown) {
        splitCharacters(text, &characters);
    }
    const int count = static_cast<int>(characters.size());
    const int caret = std::clamp(cursorIndex, 0, count);
    std::string before;
    std::string after;
    for (int i = 0; i < count; ++i) {
        (i < caret ? before : after) += characters[static_cast<size_t>(i)];
    }

    hideCursor();
    cocos2d::ui::Layout* inner = container->getInnerContainer();
    const bool showedText = !placeholderShown;
    cocos2d::Vec2 innerPosition;
    cocos2d::Size innerSize;
    if (placeholderShown) {
        clearElements();
        placeholderShown = false;
        cursorIndex = 0;
    } else {
        innerPosition = inner->getPosition();
        innerSize = inner->getContentSize();
    }
    cursorIndex = std::max(0, std::min(cursorIndex, static_cast<int>(elements.size())));

    for (const std::string& character : inserted) {
        auto* element = NSRichElementText::create(
            static_cast<int>(elements.size()) + 1, passwordMode ? passwordMask : character,
            textFontName, static_cast<float>(textFontSize), textColor, 255);
        insertElement(element, cursorIndex, false);
        ++cursorIndex;
    }
    formatText();

    const float innerHeight = inner->getContentSize().height;
    if (showedText && innerHeight > static_cast<float>(maxHeight)) {
        inner->setPositionY(innerPosition.y - (innerHeight - innerSize.height));
    }
    cursorPosition = getCaretPosition(cursorIndex);
    if (cursorPosition.y + inner->getPositionY() < 0.0f) {
        inner->setPositionY(-cursorPosition.y);
    }
    text = before + insertedText + after;
}

void NSTextField::setStyledText(const std::string& s, const std::string& fontName, int fontSize,
                                const cocos2d::Color3B& color) {
    clearElements();
    std::vector<std::string> characters;
    splitCharacters(s, &characters);
    for (const std::string& character : characters) {
        auto* element =
            NSRichElementText::create(static_cast<int>(elements.size()) + 1, character, fontName,
                                      static_cast<float>(fontSize), color, 255);
        pushBackElement(element, false);
    }
    formatText();
    const float x = container->getInnerContainer()->getPositionX();
    container->jumpToDestination(cocos2d::Vec2(x, 0.0f));
}

bool NSTextField::hitTest(const cocos2d::Vec2& worldPoint) {
    const cocos2d::Vec2 p = convertToNodeSpace(worldPoint);
    return p.x >= 0.0f && p.x <= getContentSize().width && p.y >= 0.0f &&
           p.y <= static_cast<float>(maxHeight);
}

void NSTextField::setZOrder(int z) {
    setLocalZOrder(z);
    if (editBackground != nullptr) {
        editBackground->setLocalZOrder(z - 1);
    }
}

void NSTextField::insertText(const char* chars, size_t length) {
    if (chars == nullptr) {
        return;
    }
    std::string input(chars, length);
    const size_t newline = input.find('\n');
    if (newline != std::string::npos) {
        input.erase(newline);
    }
    // Text that is not UTF-8 would split into broken characters: it is dropped like any
    // other rejected input.
    if (input.empty() || cocos2d::StringUtils::getCharacterCountInUTF8String(input) < 0) {
        return;
    }
    if (limitLength && characterCount() >= maxLength) {
        return;
    }
    if (!acceptsInput(input)) {
        return;
    }
    insertTextAtCursor(input);
    notify(INSERT_TEXT);
}

bool NSTextField::acceptsInput(const std::string& input) const {
    switch (inputMode) {
    case SIGNED_INTEGER:
        return input == "-" ? text.empty() : allDigits(input);
    case DIGITS:
        return allDigits(input);
    case SIGNED_DECIMAL:
        if (input == "-") {
            return text.empty();
        }
        if (input == ".") {
            return !text.empty() && text.find('.') == std::string::npos;
        }
        return allDigits(input);
    case DOTTED_NUMBER:
        if (input == ".") {
            return !text.empty() && text.back() != '.';
        }
        return allDigits(input);
    default:
        return true;
    }
}

void NSTextField::deleteBackward() {
    const int count = static_cast<int>(elements.size());
    if (placeholderShown || count == 0 || cursorIndex <= 0) {
        return;
    }
    if (cursorIndex > count) {
        cursorIndex = count;
    }
    hideCursor();
    cocos2d::ui::Layout* inner = container->getInnerContainer();
    const cocos2d::Vec2 innerPosition = inner->getPosition();
    const cocos2d::Size innerSize = inner->getContentSize();

    removeElement(cursorIndex - 1);
    std::vector<std::string> characters;
    splitCharacters(text, &characters);
    if (cursorIndex - 1 < static_cast<int>(characters.size())) {
        characters.erase(characters.begin() + (cursorIndex - 1));
    }
    text.clear();
    for (const std::string& character : characters) {
        text += character;
    }
    --cursorIndex;

    const float innerHeight = inner->getContentSize().height;
    if (innerHeight > static_cast<float>(maxHeight)) {
        inner->setPositionY(innerPosition.y - (innerHeight - innerSize.height));
    }
    if (elements.empty()) {
        setStyledText(placeholderText, placeholderFontName, placeholderFontSize, placeholderColor);
        placeholderShown = true;
        text.clear();
        cursorIndex = 0;
    }
    cursorPosition = getCaretPosition(cursorIndex);
    const float height = getContentSize().height;
    const float fontSize = static_cast<float>(textFontSize);
    if (cursorPosition.y > height - inner->getPositionY() - fontSize) {
        inner->setPositionY(height - fontSize - cursorPosition.y + 1.0f);
    }
    notify(DELETE_BACKWARD);
}

bool NSTextField::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* /*event*/) {
    if (touch == nullptr) {
        return false;
    }
    const cocos2d::Vec2 p = convertToNodeSpace(touch->getLocation());
    const bool hit = p.x > touchRect.getMinX() && p.x < touchRect.getMaxX() &&
                     p.y > touchRect.getMinY() && p.y < touchRect.getMaxY();
    _hitted = hit;
    if (hit) {
        attachWithIME();
        const int index = getCaretIndexAtTouch(touch);
        cursorIndex = index < 0 ? 0 : index;
        cursorPosition = getCaretPosition(cursorIndex);
        hideCursor();
    } else {
        detachWithIME();
    }
    return swallowTouches && hit;
}

bool NSTextField::interceptTouchEvent(TouchEventType event, cocos2d::ui::Widget* /*sender*/,
                                      cocos2d::Touch* touch) {
    if (event == TouchEventType::BEGAN) {
        onTouchBegan(touch, nullptr);
    }
    return false;
}

void NSTextField::onKeyReleased(cocos2d::EventKeyboard::KeyCode keyCode,
                                cocos2d::Event* /*event*/) {
    if (keyCode == cocos2d::EventKeyboard::KeyCode::KEY_KP_ENTER) {
        notify(ENTER);
    }
}

void NSTextField::onSizeChanged() {
    NSRichText::onSizeChanged();
    notify(SIZE_CHANGED);
}

void NSTextField::onExit() {
    detachWithIME();
    NSRichText::onExit();
}

void NSTextField::visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
                        uint32_t parentFlags) {
    if (!isVisible()) {
        return;
    }
    const bool clip = isVisitableByVisitingCamera();
    if (clip) {
        beginScissor(renderer);
    }
    NSRichText::visit(renderer, parentTransform, parentFlags);
    if (clip) {
        endScissor(renderer);
    }
}

bool NSTextField::attachWithIME() {
    placeEditBackground(focusedImage);
    if (!IMEDelegate::attachWithIME()) {
        return false;
    }
    if (cocos2d::GLView* view = cocos2d::Director::getInstance()->getOpenGLView()) {
        view->setIMEKeyboardState(true);
        schedule([this](float) { blinkCursor(); }, kBlinkInterval, CC_REPEAT_FOREVER,
                 kBlinkInterval, kBlinkKey);
    }
    setKeyboardEnabled(true);
    notify(ATTACH_WITH_IME);
    return true;
}

bool NSTextField::detachWithIME() {
    setKeyboardEnabled(false);
    placeEditBackground(normalImage);
    detaching = true;
    const bool detached = IMEDelegate::detachWithIME();
    detaching = false;
    if (detached) {
        if (cocos2d::GLView* view = cocos2d::Director::getInstance()->getOpenGLView()) {
            view->setIMEKeyboardState(false);
        }
    }
    // Before the callback, which may remove the field.
    unschedule(kBlinkKey);
    hideCursor();
    notify(DETACH_WITH_IME);
    return detached;
}

void NSTextField::didDetachWithIME() {
    // Another field took the IME over: this one stops blinking and taking keys. Its own
    // detach, when it comes, reports the end of editing.
    if (!detaching) {
        stopEditing();
    }
}

void NSTextField::stopEditing() {
    setKeyboardEnabled(false);
    placeEditBackground(normalImage);
    unschedule(kBlinkKey);
    hideCursor();
}

void NSTextField::clearElements() {
    removeAllElements();
    // The cursor went with the container's other nodes.
    cursorSprite = nullptr;
}

void NSTextField::notify(EventType event) {
    if (eventCallback) {
        eventCallback(this, event);
    }
}

void NSTextField::hideCursor() {
    cursorSprite = dynamic_cast<cocos2d::Sprite*>(container->getChildByTag(kCursorTag));
    if (cursorSprite != nullptr) {
        cursorSprite->setVisible(false);
    }
}

void NSTextField::blinkCursor() {
    cursorSprite = dynamic_cast<cocos2d::Sprite*>(container->getChildByTag(kCursorTag));
    if (cursorSprite == nullptr) {
        cursorSprite = cursorImage.empty() ? nullptr : cocos2d::Sprite::create(cursorImage);
        // A missing image still gives a cursor node, so the blink keeps its state.
        if (cursorSprite == nullptr) {
            cursorSprite = cocos2d::Sprite::create();
        }
        cursorSprite->setVisible(false);
        cursorSprite->setAnchorPoint(cocos2d::Vec2(0.0f, 0.0f));
        cursorSprite->setScaleX(1.0f);
        cursorSprite->setLocalZOrder(kCursorZOrder);
        cursorSprite->setTag(kCursorTag);
        container->addChild(cursorSprite);
    }
    if (cursorSprite->isVisible()) {
        cursorSprite->setVisible(false);
        return;
    }
    if (!placeholderShown) {
        cursorSprite->setPosition(cursorPosition);
    } else if (fixedHeight) {
        float height = static_cast<float>(textFontSize);
        if (!elements.empty() && elements.front()->renderer != nullptr) {
            height = elements.front()->renderer->getContentSize().height;
        }
        cursorSprite->setPosition(cocos2d::Vec2(2.0f, static_cast<float>(maxHeight) - height));
    } else {
        cursorSprite->setPosition(cocos2d::Vec2(2.0f, 0.0f));
    }
    cursorSprite->setVisible(true);
}

}  // namespace NSUI
