#include "engine/ui/EditBox.h"

#include "engine/2d/Label.h"
#include "engine/base/Director.h"
#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Utils.h"
#include "engine/platform/GLView.h"
#include "engine/ui/Scale9Sprite.h"

namespace cocos2d {
namespace ui {

namespace {

// Room between the background's left edge and the text.
const float kTextInset = 5.0f;
const char* const kCaret = "|";
const char* const kPasswordMask = "*";

void setKeyboardState(bool open) {
    if (GLView* view = Director::getInstance()->getOpenGLView()) {
        view->setIMEKeyboardState(open);
    }
}

// Byte length of the last UTF-8 character of `text`.
size_t lastCharacterLength(const std::string& text) {
    size_t length = 1;
    while (length < text.size() &&
           (static_cast<unsigned char>(text[text.size() - length]) & 0xC0) == 0x80) {
        ++length;
    }
    return length;
}

}  // namespace

EditBox* EditBox::create(const Size& size, const std::string& normalImage,
                         TextureResType /*texType*/) {
    Scale9Sprite* sprite = Scale9Sprite::create(normalImage);
    if (sprite == nullptr) {
        return nullptr;
    }
    return create(size, sprite);
}

EditBox* EditBox::create(const Size& size, Scale9Sprite* normalSprite) {
    auto* box = new EditBox();
    if (box->initWithSizeAndBackgroundSprite(size, normalSprite)) {
        box->autorelease();
        return box;
    }
    delete box;
    return nullptr;
}

EditBox::~EditBox() {
    _delegate = nullptr;
    detachWithIME();
}

bool EditBox::initWithSizeAndBackgroundSprite(const Size& size, Scale9Sprite* normalSprite) {
    if (normalSprite == nullptr || !Widget::init()) {
        return false;
    }
    _background = normalSprite;
    _background->setAnchorPoint(Vec2::ZERO);
    addProtectedChild(_background, -1, -1);
    _label = Label::createWithSystemFont("", _fontName, static_cast<float>(_fontSize));
    if (_label == nullptr) {
        return false;
    }
    _label->setAnchorPoint(Vec2(0.0f, 0.5f));
    addProtectedChild(_label, 1, -1);
    ignoreContentAdaptWithSize(false);
    setContentSize(size);
    setTouchEnabled(true);
    refreshLabel();
    return true;
}

void EditBox::setContentSize(const Size& size) {
    Widget::setContentSize(size);
    setClippingRect(Rect(Vec2::ZERO, size));
    if (_background != nullptr) {
        _background->setContentSize(size);
    }
    placeLabel();
}

void EditBox::placeLabel() {
    if (_label == nullptr) {
        return;
    }
    const Size& size = getContentSize();
    // Text too long for the box slides left while editing, so the caret stays in view.
    const float room = size.width - 2.0f * kTextInset;
    const float overflow = _label->getContentSize().width - room;
    const float x = _editing && overflow > 0.0f ? kTextInset - overflow : kTextInset;
    _label->setPosition(Vec2(x, size.height / 2.0f));
}

void EditBox::visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) {
    if (!isVisible()) {
        return;
    }
    const bool clip = isVisitableByVisitingCamera();
    if (clip) {
        beginScissor(renderer);
    }
    Widget::visit(renderer, parentTransform, parentFlags);
    if (clip) {
        endScissor(renderer);
    }
}

void EditBox::setText(const char* text) {
    _text = text != nullptr ? text : "";
    refreshLabel();
}

void EditBox::setFontName(const char* fontName) {
    _fontName = fontName != nullptr ? fontName : "";
    refreshLabel();
}

void EditBox::setFontSize(int fontSize) {
    _fontSize = fontSize;
    refreshLabel();
}

void EditBox::setFontColor(const Color3B& color) {
    setFontColor(Color4B(color));
}

void EditBox::setFontColor(const Color4B& color) {
    _fontColor = color;
    refreshLabel();
}

void EditBox::setPlaceHolder(const char* placeholder) {
    _placeholder = placeholder != nullptr ? placeholder : "";
    refreshLabel();
}

void EditBox::setPlaceholderFontSize(int fontSize) {
    _placeholderFontSize = fontSize;
    refreshLabel();
}

void EditBox::setPlaceholderFontColor(const Color3B& color) {
    setPlaceholderFontColor(Color4B(color));
}

void EditBox::setPlaceholderFontColor(const Color4B& color) {
    _placeholderColor = color;
    refreshLabel();
}

void EditBox::setInputFlag(InputFlag inputFlag) {
    _password = inputFlag == InputFlag::PASSWORD;
    refreshLabel();
}

bool EditBox::openKeyboard() {
    return attachWithIME();
}

bool EditBox::onTouchBegan(Touch* touch, Event* event) {
    const bool taken = Widget::onTouchBegan(touch, event);
    if (!taken && _editing) {
        endEditing(EditBoxDelegate::EditBoxEndAction::UNKNOWN);
    }
    return taken;
}

void EditBox::releaseUpEvent() {
    Widget::releaseUpEvent();
    openKeyboard();
}

void EditBox::onExit() {
    if (_editing) {
        endEditing(EditBoxDelegate::EditBoxEndAction::UNKNOWN);
    }
    Widget::onExit();
}

void EditBox::didAttachWithIME() {
    _editing = true;
    _endAction = EditBoxDelegate::EditBoxEndAction::UNKNOWN;
    setKeyboardState(true);
    refreshLabel();
    if (_delegate != nullptr) {
        _delegate->editBoxEditingDidBegin(this);
    }
}

void EditBox::didDetachWithIME() {
    if (!_editing) {
        return;
    }
    _editing = false;
    const EditBoxDelegate::EditBoxEndAction action = _endAction;
    _endAction = EditBoxDelegate::EditBoxEndAction::UNKNOWN;
    setKeyboardState(false);
    refreshLabel();
    if (_delegate == nullptr) {
        return;
    }
    // The delegate may take the box down.
    const RefPtr<EditBox> keep = RefPtr<EditBox>::retained(this);
    _delegate->editBoxEditingDidEndWithAction(this, action);
    if (action == EditBoxDelegate::EditBoxEndAction::RETURN && _delegate != nullptr) {
        _delegate->editBoxReturn(this);
    }
}

void EditBox::endEditing(EditBoxDelegate::EditBoxEndAction action) {
    _endAction = action;
    detachWithIME();
}

void EditBox::insertText(const char* text, size_t len) {
    const std::string typed(text, len);
    const size_t newline = typed.find('\n');
    std::string accepted = typed.substr(0, newline);
    if (_maxLength > 0) {
        const long room = _maxLength - StringUtils::getCharacterCountInUTF8String(_text);
        std::u32string characters;
        StringUtils::UTF8ToUTF32(accepted, characters);
        if (room <= 0) {
            characters.clear();
        } else if (static_cast<long>(characters.size()) > room) {
            characters.resize(static_cast<size_t>(room));
        }
        StringUtils::UTF32ToUTF8(characters, accepted);
    }
    const RefPtr<EditBox> keep = RefPtr<EditBox>::retained(this);
    if (!accepted.empty()) {
        _text += accepted;
        refreshLabel();
        if (_delegate != nullptr) {
            _delegate->editBoxTextChanged(this, _text);
        }
    }
    if (newline != std::string::npos && _editing) {
        endEditing(EditBoxDelegate::EditBoxEndAction::RETURN);
    }
}

void EditBox::deleteBackward() {
    if (_text.empty()) {
        return;
    }
    _text.erase(_text.size() - lastCharacterLength(_text));
    refreshLabel();
    if (_delegate != nullptr) {
        const RefPtr<EditBox> keep = RefPtr<EditBox>::retained(this);
        _delegate->editBoxTextChanged(this, _text);
    }
}

void EditBox::refreshLabel() {
    if (_label == nullptr) {
        return;
    }
    std::string shown;
    if (_text.empty() && !_editing) {
        shown = _placeholder;
        _label->setSystemFontSize(static_cast<float>(_placeholderFontSize));
        _label->setTextColor(_placeholderColor);
    } else {
        if (_password) {
            for (long i = StringUtils::getCharacterCountInUTF8String(_text); i > 0; --i) {
                shown += kPasswordMask;
            }
        } else {
            shown = _text;
        }
        if (_editing) {
            shown += kCaret;
        }
        _label->setSystemFontSize(static_cast<float>(_fontSize));
        _label->setTextColor(_fontColor);
    }
    _label->setSystemFontName(_fontName);
    _label->setString(shown);
    placeLabel();
}

}  // namespace ui
}  // namespace cocos2d
