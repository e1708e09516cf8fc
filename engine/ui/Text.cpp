#include "engine/ui/Text.h"

#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"

namespace cocos2d {
namespace ui {

namespace {
constexpr float kPressedScaleOffset = 0.5f;
}

Text* Text::create() {
    auto* text = new Text();
    if (text->init()) {
        text->autorelease();
        return text;
    }
    delete text;
    return nullptr;
}

Text* Text::create(const std::string& string, const std::string& fontName, float fontSize) {
    auto* text = new Text();
    if (text->init(string, fontName, fontSize)) {
        text->autorelease();
        return text;
    }
    delete text;
    return nullptr;
}

bool Text::init() {
    return Widget::init();
}

bool Text::init(const std::string& text, const std::string& fontName, float fontSize) {
    if (!Widget::init()) {
        return false;
    }
    setFontName(fontName);
    setFontSize(fontSize);
    setString(text);
    return true;
}

void Text::initRenderer() {
    _labelRenderer = Label::create();
    addProtectedChild(_labelRenderer, -1, -1);
}

void Text::setString(const std::string& text) {
    if (text == _labelRenderer->getString()) {
        return;
    }
    _labelRenderer->setString(text);
    labelChanged();
}

const std::string& Text::getString() const {
    return _labelRenderer->getString();
}

long Text::getStringLength() const {
    return StringUtils::getCharacterCountInUTF8String(_labelRenderer->getString());
}

void Text::setFontSize(float size) {
    _fontSize = size;
    _labelRenderer->setSystemFontSize(size);
    labelChanged();
}

void Text::setFontName(const std::string& name) {
    _fontName = name;
    _type = !name.empty() && FileUtils::getInstance()->isFileExist(name) ? Type::TTF : Type::SYSTEM;
    // A system-font label also takes font files through the file utilities.
    _labelRenderer->setSystemFontName(name);
    labelChanged();
}

void Text::setTextColor(const Color4B& color) {
    _labelRenderer->setTextColor(color);
}

const Color4B& Text::getTextColor() const {
    return _labelRenderer->getTextColor();
}

void Text::enableShadow(const Color4B& shadowColor, const Size& offset, int blurRadius) {
    _labelRenderer->enableShadow(shadowColor, offset, blurRadius);
}

void Text::disableEffect() {
    _labelRenderer->disableEffect();
}

bool Text::isShadowEnabled() const {
    return _labelRenderer->isShadowEnabled();
}

void Text::setTextAreaSize(const Size& size) {
    _labelRenderer->setDimensions(size.width, size.height);
    if (!_ignoreSize) {
        _customSize = size;
    }
    labelChanged();
}

const Size& Text::getTextAreaSize() const {
    return _labelRenderer->getDimensions();
}

void Text::setTextHorizontalAlignment(TextHAlignment alignment) {
    _labelRenderer->setHorizontalAlignment(alignment);
}

TextHAlignment Text::getTextHorizontalAlignment() const {
    return _labelRenderer->getHorizontalAlignment();
}

void Text::setTextVerticalAlignment(TextVAlignment alignment) {
    _labelRenderer->setVerticalAlignment(alignment);
}

TextVAlignment Text::getTextVerticalAlignment() const {
    return _labelRenderer->getVerticalAlignment();
}

void Text::setTouchScaleChangeEnabled(bool enabled) {
    _touchScaleChangeEnabled = enabled;
}

void Text::labelChanged() {
    if (_ignoreSize) {
        Widget::setContentSize(_customSize);
    } else {
        placeLabel();
    }
}

void Text::ignoreContentAdaptWithSize(bool ignore) {
    if (ignore) {
        _labelRenderer->setDimensions(0.0f, 0.0f);
    }
    Widget::ignoreContentAdaptWithSize(ignore);
}

void Text::onSizeChanged() {
    Widget::onSizeChanged();
    if (!_ignoreSize) {
        _labelRenderer->setDimensions(_contentSize.width, _contentSize.height);
    }
    placeLabel();
}

void Text::placeLabel() {
    _labelRenderer->setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    _labelRenderer->setPosition(Vec2(_contentSize.width * 0.5f, _contentSize.height * 0.5f));
}

void Text::onPressStateChangedToNormal() {
    _labelRenderer->setScale(1.0f);
}

void Text::onPressStateChangedToPressed() {
    if (_touchScaleChangeEnabled) {
        _labelRenderer->setScale(1.0f + kPressedScaleOffset);
    }
}

void Text::onPressStateChangedToDisabled() {}

Node* Text::getVirtualRenderer() {
    return _labelRenderer;
}

Size Text::getVirtualRendererSize() const {
    return _labelRenderer->getContentSize();
}

std::string Text::getDescription() const {
    return "Label";
}

Widget* Text::createCloneInstance() {
    return Text::create();
}

void Text::copySpecialProperties(Widget* model) {
    auto* text = dynamic_cast<Text*>(model);
    if (text == nullptr) {
        return;
    }
    setFontName(text->_fontName);
    setFontSize(text->_fontSize);
    setTextColor(text->getTextColor());
    setTextAreaSize(text->getTextAreaSize());
    setTextHorizontalAlignment(text->getTextHorizontalAlignment());
    setTextVerticalAlignment(text->getTextVerticalAlignment());
    setTouchScaleChangeEnabled(text->_touchScaleChangeEnabled);
    if (text->isShadowEnabled()) {
        enableShadow();
    }
    setString(text->getString());
}

}  // namespace ui
}  // namespace cocos2d
