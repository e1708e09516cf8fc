#include "engine/ui/TextField.h"

#include "engine/base/Utils.h"

namespace cocos2d {
namespace ui {

TextField* TextField::create() {
    auto* field = new TextField();
    if (field->init()) {
        field->autorelease();
        return field;
    }
    delete field;
    return nullptr;
}

TextField* TextField::create(const std::string& placeholder, const std::string& fontName,
                             float fontSize) {
    TextField* field = create();
    if (field != nullptr) {
        field->setFontName(fontName);
        field->setFontSize(fontSize);
        field->setPlaceHolder(placeholder);
    }
    return field;
}

bool TextField::init() {
    if (!Widget::init()) {
        return false;
    }
    setTouchEnabled(true);
    return true;
}

void TextField::initRenderer() {
    _textFieldRenderer = Label::create();
    _textFieldRenderer->setSystemFontSize(_fontSize);
    addProtectedChild(_textFieldRenderer, -1, -1);
}

void TextField::setPlaceHolder(const std::string& placeholder) {
    _placeholder = placeholder;
    refreshLabel();
}

void TextField::setPlaceHolderColor(const Color4B& color) {
    _placeholderColor = color;
    refreshLabel();
}

void TextField::setString(const std::string& text) {
    _text = text;
    if (_maxLengthEnabled) {
        std::u32string characters;
        if (StringUtils::UTF8ToUTF32(text, characters) &&
            characters.size() > static_cast<size_t>(_maxLength)) {
            characters.resize(static_cast<size_t>(_maxLength));
            StringUtils::UTF32ToUTF8(characters, _text);
        }
    }
    refreshLabel();
}

void TextField::setFontSize(float size) {
    _fontSize = size;
    _textFieldRenderer->setSystemFontSize(size);
    refreshLabel();
}

void TextField::setFontName(const std::string& name) {
    _fontName = name;
    _textFieldRenderer->setSystemFontName(name);
    refreshLabel();
}

void TextField::setTextColor(const Color4B& color) {
    _textColor = color;
    refreshLabel();
}

void TextField::setPasswordEnabled(bool enabled) {
    _passwordEnabled = enabled;
    refreshLabel();
}

void TextField::setTextHorizontalAlignment(TextHAlignment alignment) {
    _textFieldRenderer->setHorizontalAlignment(alignment);
}

TextHAlignment TextField::getTextHorizontalAlignment() const {
    return _textFieldRenderer->getHorizontalAlignment();
}

void TextField::refreshLabel() {
    if (_text.empty()) {
        _textFieldRenderer->setString(_placeholder);
        _textFieldRenderer->setTextColor(_placeholderColor);
    } else {
        const long count = StringUtils::getCharacterCountInUTF8String(_text);
        _textFieldRenderer->setString(_passwordEnabled ? std::string(count > 0 ? count : 0, '*')
                                                       : _text);
        _textFieldRenderer->setTextColor(_textColor);
    }
    if (_ignoreSize) {
        Widget::setContentSize(_customSize);
    }
    onSizeChanged();
}

void TextField::onSizeChanged() {
    Widget::onSizeChanged();
    if (!_ignoreSize) {
        _textFieldRenderer->setDimensions(_contentSize.width, _contentSize.height);
    }
    _textFieldRenderer->setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    _textFieldRenderer->setPosition(Vec2(_contentSize.width * 0.5f, _contentSize.height * 0.5f));
}

Node* TextField::getVirtualRenderer() {
    return _textFieldRenderer;
}

Size TextField::getVirtualRendererSize() const {
    return _textFieldRenderer->getContentSize();
}

std::string TextField::getDescription() const {
    return "TextField";
}

Widget* TextField::createCloneInstance() {
    return TextField::create();
}

void TextField::copySpecialProperties(Widget* model) {
    auto* field = dynamic_cast<TextField*>(model);
    if (field == nullptr) {
        return;
    }
    setFontName(field->_fontName);
    setFontSize(field->_fontSize);
    setTextColor(field->_textColor);
    setPlaceHolderColor(field->_placeholderColor);
    setPlaceHolder(field->_placeholder);
    setMaxLengthEnabled(field->_maxLengthEnabled);
    setMaxLength(field->_maxLength);
    setPasswordEnabled(field->_passwordEnabled);
    setTextHorizontalAlignment(field->getTextHorizontalAlignment());
    setString(field->_text);
}

}  // namespace ui
}  // namespace cocos2d
