#include "engine/ui/Button.h"

#include "engine/ui/Scale9Sprite.h"

namespace cocos2d {
namespace ui {

namespace {
constexpr int kNormalZ = -2;
constexpr int kTitleZ = -1;
}  // namespace

Button* Button::create() {
    auto* button = new Button();
    if (button->init()) {
        button->autorelease();
        return button;
    }
    delete button;
    return nullptr;
}

Button* Button::create(const std::string& normalImage, const std::string& selectedImage,
                       const std::string& disableImage, TextureResType type) {
    auto* button = new Button();
    if (button->init(normalImage, selectedImage, disableImage, type)) {
        button->autorelease();
        return button;
    }
    delete button;
    return nullptr;
}

bool Button::init() {
    return init("", "", "");
}

bool Button::init(const std::string& normalImage, const std::string& selectedImage,
                  const std::string& disableImage, TextureResType type) {
    if (!Widget::init()) {
        return false;
    }
    loadTextures(normalImage, selectedImage, disableImage, type);
    setTouchEnabled(true);
    return true;
}

void Button::initRenderer() {
    _buttonNormalRenderer = Scale9Sprite::create();
    _buttonClickedRenderer = Scale9Sprite::create();
    _buttonDisabledRenderer = Scale9Sprite::create();
    for (Scale9Sprite* renderer :
         {_buttonNormalRenderer, _buttonClickedRenderer, _buttonDisabledRenderer}) {
        renderer->setScale9Enabled(false);
        addProtectedChild(renderer, kNormalZ, -1);
    }
    _titleRenderer = Label::create();
    _titleRenderer->setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    _titleRenderer->setSystemFontSize(_fontSize);
    _titleRenderer->setAlignment(TextHAlignment::CENTER, TextVAlignment::CENTER);
    addProtectedChild(_titleRenderer, kTitleZ, -1);
}

bool Button::loadInto(Scale9Sprite* renderer, const std::string& file, std::string* fileName,
                      Size* textureSize) {
    if (file.empty()) {
        fileName->clear();
        *textureSize = Size::ZERO;
        renderer->setVisible(false);
        return true;
    }
    if (!renderer->setTexture(file)) {
        return false;
    }
    renderer->setCapInsets(_capInsets);
    *fileName = file;
    *textureSize = renderer->getOriginalSize();
    return true;
}

void Button::loadTextures(const std::string& normal, const std::string& selected,
                          const std::string& disabled, TextureResType type) {
    loadTextureNormal(normal, type);
    loadTexturePressed(selected, type);
    loadTextureDisabled(disabled, type);
}

void Button::loadTextureNormal(const std::string& normal, TextureResType) {
    if (loadInto(_buttonNormalRenderer, normal, &_normalFileName, &_normalTextureSize)) {
        Widget::setContentSize(_customSize);
        placeRenderers();
    }
}

void Button::loadTexturePressed(const std::string& selected, TextureResType) {
    if (loadInto(_buttonClickedRenderer, selected, &_clickedFileName, &_pressedTextureSize)) {
        placeRenderers();
    }
}

void Button::loadTextureDisabled(const std::string& disabled, TextureResType) {
    if (loadInto(_buttonDisabledRenderer, disabled, &_disabledFileName, &_disabledTextureSize)) {
        placeRenderers();
    }
}

void Button::setScale9Enabled(bool enabled) {
    if (_scale9Enabled == enabled) {
        return;
    }
    _scale9Enabled = enabled;
    for (Scale9Sprite* renderer :
         {_buttonNormalRenderer, _buttonClickedRenderer, _buttonDisabledRenderer}) {
        renderer->setScale9Enabled(enabled);
    }
    Widget::ignoreContentAdaptWithSize(!enabled);
    placeRenderers();
}

void Button::setCapInsets(const Rect& capInsets) {
    _capInsets = capInsets;
    for (Scale9Sprite* renderer :
         {_buttonNormalRenderer, _buttonClickedRenderer, _buttonDisabledRenderer}) {
        renderer->setCapInsets(capInsets);
    }
}

void Button::ignoreContentAdaptWithSize(bool ignore) {
    if (!_scale9Enabled || !ignore) {
        Widget::ignoreContentAdaptWithSize(ignore);
    }
}

void Button::setTitleText(const std::string& text) {
    _titleRenderer->setString(text);
    titleChanged();
}

const std::string& Button::getTitleText() const {
    return _titleRenderer->getString();
}

void Button::setTitleColor(const Color3B& color) {
    const Color4B current = _titleRenderer->getTextColor();
    _titleRenderer->setTextColor(Color4B(color.r, color.g, color.b, current.a));
}

Color3B Button::getTitleColor() const {
    const Color4B& color = _titleRenderer->getTextColor();
    return Color3B(color.r, color.g, color.b);
}

void Button::setTitleFontSize(float size) {
    _fontSize = size;
    _titleRenderer->setSystemFontSize(size);
    titleChanged();
}

void Button::setTitleFontName(const std::string& fontName) {
    _fontName = fontName;
    _titleRenderer->setSystemFontName(fontName);
    titleChanged();
}

void Button::setTitleAlignment(TextHAlignment hAlignment, TextVAlignment vAlignment) {
    _titleRenderer->setAlignment(hAlignment, vAlignment);
    placeRenderers();
}

void Button::titleChanged() {
    if (_normalFileName.empty() && _ignoreSize) {
        Widget::setContentSize(_customSize);
    }
    placeRenderers();
}

Size Button::getVirtualRendererSize() const {
    if (!_normalFileName.empty()) {
        return _normalTextureSize;
    }
    return _titleRenderer->getString().empty() ? Size::ZERO : _titleRenderer->getContentSize();
}

Node* Button::getVirtualRenderer() {
    if (!_bright && !_disabledFileName.empty()) {
        return _buttonDisabledRenderer;
    }
    return _brightStyle == BrightStyle::HIGHLIGHT && !_clickedFileName.empty()
               ? _buttonClickedRenderer
               : _buttonNormalRenderer;
}

void Button::onSizeChanged() {
    Widget::onSizeChanged();
    placeRenderers();
}

void Button::placeRenderers() {
    const Vec2 centre(_contentSize.width * 0.5f, _contentSize.height * 0.5f);
    const Size textureSizes[3] = {_normalTextureSize, _pressedTextureSize, _disabledTextureSize};
    Scale9Sprite* renderers[3] = {_buttonNormalRenderer, _buttonClickedRenderer,
                                  _buttonDisabledRenderer};
    for (int i = 0; i < 3; ++i) {
        renderers[i]->setPosition(centre);
        renderers[i]->setContentSize(_ignoreSize ? textureSizes[i] : _contentSize);
    }
    // The title lies in the button's box by its alignment (centred unless set otherwise).
    const Size titleSize = _titleRenderer->getContentSize();
    float x = centre.x;
    float y = centre.y;
    switch (_titleRenderer->getHorizontalAlignment()) {
    case TextHAlignment::LEFT:
        x = titleSize.width * 0.5f;
        break;
    case TextHAlignment::RIGHT:
        x = _contentSize.width - titleSize.width * 0.5f;
        break;
    default:
        break;
    }
    switch (_titleRenderer->getVerticalAlignment()) {
    case TextVAlignment::TOP:
        y = _contentSize.height - titleSize.height * 0.5f;
        break;
    case TextVAlignment::BOTTOM:
        y = titleSize.height * 0.5f;
        break;
    default:
        break;
    }
    _titleRenderer->setPosition(Vec2(x, y));
    if (!_bright) {
        onPressStateChangedToDisabled();
    } else if (_brightStyle == BrightStyle::HIGHLIGHT) {
        onPressStateChangedToPressed();
    } else {
        onPressStateChangedToNormal();
    }
}

void Button::showRenderer(Scale9Sprite* shown) {
    for (Scale9Sprite* renderer :
         {_buttonNormalRenderer, _buttonClickedRenderer, _buttonDisabledRenderer}) {
        renderer->setVisible(renderer == shown);
        renderer->setScale(1.0f);
    }
    _titleRenderer->setScale(1.0f);
}

void Button::onPressStateChangedToNormal() {
    showRenderer(_normalFileName.empty() ? nullptr : _buttonNormalRenderer);
}

void Button::onPressStateChangedToPressed() {
    if (!_clickedFileName.empty()) {
        showRenderer(_buttonClickedRenderer);
        return;
    }
    showRenderer(_normalFileName.empty() ? nullptr : _buttonNormalRenderer);
    if (_pressedActionEnabled) {
        _buttonNormalRenderer->setScale(1.0f + _zoomScale);
        _titleRenderer->setScale(1.0f + _zoomScale);
    }
}

void Button::onPressStateChangedToDisabled() {
    if (!_disabledFileName.empty()) {
        showRenderer(_buttonDisabledRenderer);
    } else {
        showRenderer(_normalFileName.empty() ? nullptr : _buttonNormalRenderer);
    }
}

std::string Button::getDescription() const {
    return "Button";
}

Widget* Button::createCloneInstance() {
    return Button::create();
}

void Button::copySpecialProperties(Widget* model) {
    auto* button = dynamic_cast<Button*>(model);
    if (button == nullptr) {
        return;
    }
    setScale9Enabled(button->_scale9Enabled);
    setCapInsets(button->_capInsets);
    loadTextures(button->_normalFileName, button->_clickedFileName, button->_disabledFileName);
    setPressedActionEnabled(button->_pressedActionEnabled);
    setZoomScale(button->_zoomScale);
    setTitleFontName(button->_fontName);
    setTitleFontSize(button->_fontSize);
    setTitleColor(button->getTitleColor());
    setTitleAlignment(button->_titleRenderer->getHorizontalAlignment(),
                      button->_titleRenderer->getVerticalAlignment());
    setTitleText(button->getTitleText());
}

}  // namespace ui
}  // namespace cocos2d
