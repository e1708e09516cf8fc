#include "engine/ui/Layout.h"

#include <algorithm>
#include <vector>

#include "engine/2d/Camera.h"
#include "engine/2d/Layer.h"
#include "engine/base/Macros.h"
#include "engine/ui/Scale9Sprite.h"

namespace cocos2d {
namespace ui {

namespace {

constexpr int kBackGroundColorZ = -2;
constexpr int kBackGroundImageZ = -1;

using RelativeAlign = RelativeLayoutParameter::RelativeAlign;

// The widget's size as its parent sees it.
Size scaledSize(const Widget* widget) {
    const Size& size = widget->getContentSize();
    return Size(size.width * widget->getScaleX(), size.height * widget->getScaleY());
}

Margin marginOf(const Widget* widget) {
    const LayoutParameter* parameter = widget->getLayoutParameter();
    return parameter != nullptr ? parameter->getMargin() : Margin::ZERO;
}

}  // namespace

Layout* Layout::create() {
    auto* layout = new Layout();
    if (layout->init()) {
        layout->autorelease();
        return layout;
    }
    delete layout;
    return nullptr;
}

bool Layout::init() {
    if (!Widget::init()) {
        return false;
    }
    ignoreContentAdaptWithSize(false);
    setContentSize(Size::ZERO);
    setAnchorPoint(Vec2::ZERO);
    return true;
}

Layout::~Layout() = default;

void Layout::addBackGroundColorRenderer() {
    if (_colorRender != nullptr) {
        return;
    }
    _colorRender =
        LayerColor::create(Color4B(_backGroundColor.r, _backGroundColor.g, _backGroundColor.b, 255),
                           _contentSize.width, _contentSize.height);
    _colorRender->setAnchorPoint(Vec2::ZERO);
    _colorRender->setPosition(Vec2::ZERO);
    _colorRender->setOpacity(_backGroundColorOpacity);
    addProtectedChild(_colorRender, kBackGroundColorZ, -1);
}

void Layout::setBackGroundColorType(BackGroundColorType type) {
    if (_colorType == type) {
        return;
    }
    _colorType = type;
    if (_colorType == BackGroundColorType::SOLID) {
        addBackGroundColorRenderer();
    } else if (_colorRender != nullptr) {
        removeProtectedChild(_colorRender, true);
        _colorRender = nullptr;
    }
}

void Layout::setBackGroundColor(const Color3B& color) {
    _backGroundColor = color;
    if (_colorRender != nullptr) {
        _colorRender->setColor(color);
    }
}

void Layout::setBackGroundColorOpacity(uint8_t opacity) {
    _backGroundColorOpacity = opacity;
    if (_colorRender != nullptr) {
        _colorRender->setOpacity(opacity);
    }
}

void Layout::enableBKColor(bool on, const Color3B& color, float opacityFactor) {
    if (!on) {
        setBackGroundColorType(BackGroundColorType::NONE);
        return;
    }
    setBackGroundColorType(BackGroundColorType::SOLID);
    setBackGroundColor(color);
    const float factor = std::clamp(opacityFactor, 0.0f, 1.0f);
    setBackGroundColorOpacity(static_cast<uint8_t>(factor * 255.0f + 0.5f));
}

void Layout::setBackGroundImage(const std::string& file, TextureResType) {
    if (file.empty()) {
        removeBackGroundImage();
        return;
    }
    if (_backGroundImage == nullptr) {
        Scale9Sprite* image = Scale9Sprite::create(_backGroundImageCapInsets, file);
        if (image == nullptr) {
            return;
        }
        _backGroundImage = image;
        _backGroundImage->setScale9Enabled(_backGroundScale9Enabled);
        addProtectedChild(_backGroundImage, kBackGroundImageZ, -1);
    } else if (!_backGroundImage->setTexture(file)) {
        return;
    }
    _backGroundImageFileName = file;
    _backGroundImageTextureSize = _backGroundImage->getOriginalSize();
    _backGroundImage->setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    _backGroundImage->setPosition(Vec2(_contentSize.width * 0.5f, _contentSize.height * 0.5f));
    _backGroundImage->setContentSize(_backGroundScale9Enabled ? _contentSize
                                                              : _backGroundImageTextureSize);
}

void Layout::removeBackGroundImage() {
    if (_backGroundImage == nullptr) {
        return;
    }
    removeProtectedChild(_backGroundImage, true);
    _backGroundImage = nullptr;
    _backGroundImageFileName.clear();
    _backGroundImageTextureSize = Size::ZERO;
}

void Layout::setBackGroundImageScale9Enabled(bool enabled) {
    _backGroundScale9Enabled = enabled;
    if (_backGroundImage != nullptr) {
        _backGroundImage->setScale9Enabled(enabled);
        _backGroundImage->setContentSize(enabled ? _contentSize : _backGroundImageTextureSize);
    }
}

void Layout::setBackGroundImageCapInsets(const Rect& capInsets) {
    _backGroundImageCapInsets = capInsets;
    if (_backGroundImage != nullptr) {
        _backGroundImage->setCapInsets(capInsets);
    }
}

void Layout::setClippingEnabled(bool enabled) {
    _clippingEnabled = enabled;
    setClippingRect(enabled ? Rect(0.0f, 0.0f, _contentSize.width, _contentSize.height)
                            : Rect::ZERO);
}

void Layout::setLayoutType(Type type) {
    _layoutType = type;
    for (Node* child : _children) {
        if (auto* widget = dynamic_cast<Widget*>(child)) {
            supplyTheLayoutParameterLackToChild(widget);
        }
    }
    _doLayoutDirty = true;
}

void Layout::supplyTheLayoutParameterLackToChild(Widget* child) {
    const LayoutParameter* current = child->getLayoutParameter();
    switch (_layoutType) {
    case Type::VERTICAL:
    case Type::HORIZONTAL:
    case Type::HORIZONTAL_RIGHT:
        if (current == nullptr || current->getLayoutType() != LayoutParameter::Type::LINEAR) {
            child->setLayoutParameter(LinearLayoutParameter::create());
        }
        break;
    case Type::RELATIVE:
        if (current == nullptr || current->getLayoutType() != LayoutParameter::Type::RELATIVE) {
            child->setLayoutParameter(RelativeLayoutParameter::create());
        }
        break;
    default:
        break;
    }
}

void Layout::addChild(Node* child) {
    addChild(child, child->getLocalZOrder(), child->getTag());
}

void Layout::addChild(Node* child, int localZOrder) {
    addChild(child, localZOrder, child->getTag());
}

void Layout::addChild(Node* child, int localZOrder, int tag) {
    if (auto* widget = dynamic_cast<Widget*>(child)) {
        supplyTheLayoutParameterLackToChild(widget);
    }
    Widget::addChild(child, localZOrder, tag);
    _doLayoutDirty = true;
}

void Layout::addChild(Node* child, int localZOrder, const std::string& name) {
    if (auto* widget = dynamic_cast<Widget*>(child)) {
        supplyTheLayoutParameterLackToChild(widget);
    }
    Widget::addChild(child, localZOrder, name);
    _doLayoutDirty = true;
}

void Layout::removeChild(Node* child, bool cleanup) {
    Widget::removeChild(child, cleanup);
    _doLayoutDirty = true;
}

void Layout::removeAllChildren() {
    removeAllChildrenWithCleanup(true);
}

void Layout::removeAllChildrenWithCleanup(bool cleanup) {
    Widget::removeAllChildrenWithCleanup(cleanup);
    _doLayoutDirty = true;
}

void Layout::onSizeChanged() {
    Widget::onSizeChanged();
    if (_clippingEnabled) {
        setClippingRect(Rect(0.0f, 0.0f, _contentSize.width, _contentSize.height));
    }
    if (_colorRender != nullptr) {
        _colorRender->setContentSize(_contentSize);
    }
    if (_backGroundImage != nullptr) {
        _backGroundImage->setPosition(Vec2(_contentSize.width * 0.5f, _contentSize.height * 0.5f));
        if (_backGroundScale9Enabled) {
            _backGroundImage->setContentSize(_contentSize);
        }
    }
    _doLayoutDirty = true;
}

void Layout::forceDoLayout() {
    requestDoLayout();
    doLayout();
}

void Layout::doLayout() {
    if (!_doLayoutDirty) {
        return;
    }
    sortAllChildren();
    switch (_layoutType) {
    case Type::VERTICAL:
        layoutLinearVertical();
        break;
    case Type::HORIZONTAL:
        layoutLinearHorizontal(false);
        break;
    case Type::HORIZONTAL_RIGHT:
        layoutLinearHorizontal(true);
        break;
    case Type::RELATIVE:
        layoutRelative(false);
        break;
    case Type::OVERLAY:
        layoutRelative(true);
        break;
    default:
        break;
    }
    _doLayoutDirty = false;
}

void Layout::layoutLinearVertical() {
    const Size layoutSize = getLayoutSize();
    float topBoundary = layoutSize.height;
    for (Node* child : _children) {
        auto* widget = dynamic_cast<Widget*>(child);
        auto* parameter = widget != nullptr
                              ? dynamic_cast<LinearLayoutParameter*>(widget->getLayoutParameter())
                              : nullptr;
        if (parameter == nullptr) {
            continue;
        }
        const Vec2& anchor = widget->getAnchorPoint();
        const Size size = scaledSize(widget);
        const Margin& margin = parameter->getMargin();
        float x = anchor.x * size.width + margin.left;
        switch (parameter->getGravity()) {
        case LinearLayoutParameter::LinearGravity::RIGHT:
            x = layoutSize.width - (1.0f - anchor.x) * size.width - margin.right;
            break;
        case LinearLayoutParameter::LinearGravity::CENTER_HORIZONTAL:
            x = layoutSize.width * 0.5f - size.width * (0.5f - anchor.x);
            break;
        default:
            break;
        }
        const float y = topBoundary - margin.top - (1.0f - anchor.y) * size.height;
        widget->setPosition(Vec2(x, y));
        topBoundary = y - anchor.y * size.height - margin.bottom;
    }
}

void Layout::layoutLinearHorizontal(bool alignRight) {
    const Size layoutSize = getLayoutSize();
    std::vector<std::pair<Widget*, LinearLayoutParameter*>> row;
    float rowWidth = 0.0f;
    for (Node* child : _children) {
        auto* widget = dynamic_cast<Widget*>(child);
        auto* parameter = widget != nullptr
                              ? dynamic_cast<LinearLayoutParameter*>(widget->getLayoutParameter())
                              : nullptr;
        if (parameter != nullptr) {
            row.emplace_back(widget, parameter);
            const Margin& margin = parameter->getMargin();
            rowWidth += margin.left + scaledSize(widget).width + margin.right;
        }
    }
    float leftBoundary = alignRight ? layoutSize.width - rowWidth : 0.0f;
    for (auto& [widget, parameter] : row) {
        const Vec2& anchor = widget->getAnchorPoint();
        const Size size = scaledSize(widget);
        const Margin& margin = parameter->getMargin();
        float y = layoutSize.height - margin.top - (1.0f - anchor.y) * size.height;
        switch (parameter->getGravity()) {
        case LinearLayoutParameter::LinearGravity::BOTTOM:
            y = anchor.y * size.height + margin.bottom;
            break;
        case LinearLayoutParameter::LinearGravity::CENTER_VERTICAL:
            y = layoutSize.height * 0.5f - size.height * (0.5f - anchor.y);
            break;
        default:
            break;
        }
        const float x = leftBoundary + margin.left + anchor.x * size.width;
        widget->setPosition(Vec2(x, y));
        leftBoundary = x + (1.0f - anchor.x) * size.width + margin.right;
    }
}

void Layout::layoutRelative(bool keepUnaligned) {
    const Size layoutSize = getLayoutSize();
    std::vector<std::pair<Widget*, RelativeLayoutParameter*>> pending;
    for (Node* child : _children) {
        auto* widget = dynamic_cast<Widget*>(child);
        auto* parameter = widget != nullptr
                              ? dynamic_cast<RelativeLayoutParameter*>(widget->getLayoutParameter())
                              : nullptr;
        if (parameter != nullptr &&
            !(keepUnaligned && parameter->getAlign() == RelativeAlign::NONE)) {
            pending.emplace_back(widget, parameter);
        }
    }
    auto findSibling = [&](const std::string& name) -> Widget* {
        for (Node* child : _children) {
            auto* widget = dynamic_cast<Widget*>(child);
            auto* parameter =
                widget != nullptr
                    ? dynamic_cast<RelativeLayoutParameter*>(widget->getLayoutParameter())
                    : nullptr;
            if (parameter != nullptr && !name.empty() && parameter->getRelativeName() == name) {
                return widget;
            }
        }
        return nullptr;
    };

    // Widgets placed beside a sibling wait until that sibling is placed; a missing sibling or
    // a cycle leaves the waiting widgets where they are.
    std::vector<Widget*> placed;
    float rowBoundary = 0.0f;
    bool progress = true;
    while (!pending.empty() && progress) {
        progress = false;
        for (auto it = pending.begin(); it != pending.end();) {
            Widget* widget = it->first;
            const RelativeLayoutParameter* parameter = it->second;
            const int align = static_cast<int>(parameter->getAlign());
            Widget* sibling = nullptr;
            if (align >= static_cast<int>(RelativeAlign::LOCATION_ABOVE_LEFTALIGN)) {
                sibling = findSibling(parameter->getRelativeToWidgetName());
                if (sibling == nullptr) {
                    it = pending.erase(it);
                    continue;
                }
                if (std::find(placed.begin(), placed.end(), sibling) == placed.end() &&
                    std::any_of(pending.begin(), pending.end(),
                                [&](const auto& entry) { return entry.first == sibling; })) {
                    ++it;
                    continue;
                }
            }
            const Vec2& anchor = widget->getAnchorPoint();
            const Size size = scaledSize(widget);
            const Margin& margin = parameter->getMargin();
            const float left = anchor.x * size.width + margin.left;
            const float right = layoutSize.width - (1.0f - anchor.x) * size.width - margin.right;
            const float centreX = layoutSize.width * 0.5f - size.width * (0.5f - anchor.x);
            const float top = layoutSize.height - (1.0f - anchor.y) * size.height - margin.top;
            const float bottom = anchor.y * size.height + margin.bottom;
            const float centreY = layoutSize.height * 0.5f - size.height * (0.5f - anchor.y);
            Vec2 position = widget->getPosition();
            switch (parameter->getAlign()) {
            case RelativeAlign::NONE:
                position = Vec2(rowBoundary + left, top);
                rowBoundary = position.x + (1.0f - anchor.x) * size.width + margin.right;
                break;
            case RelativeAlign::PARENT_TOP_LEFT:
                position = Vec2(left, top);
                break;
            case RelativeAlign::PARENT_TOP_CENTER_HORIZONTAL:
                position = Vec2(centreX, top);
                break;
            case RelativeAlign::PARENT_TOP_RIGHT:
                position = Vec2(right, top);
                break;
            case RelativeAlign::PARENT_LEFT_CENTER_VERTICAL:
                position = Vec2(left, centreY);
                break;
            case RelativeAlign::CENTER_IN_PARENT:
                position = Vec2(centreX, centreY);
                break;
            case RelativeAlign::PARENT_RIGHT_CENTER_VERTICAL:
                position = Vec2(right, centreY);
                break;
            case RelativeAlign::PARENT_LEFT_BOTTOM:
                position = Vec2(left, bottom);
                break;
            case RelativeAlign::PARENT_BOTTOM_CENTER_HORIZONTAL:
                position = Vec2(centreX, bottom);
                break;
            case RelativeAlign::PARENT_RIGHT_BOTTOM:
                position = Vec2(right, bottom);
                break;
            default: {
                const Margin siblingMargin = marginOf(sibling);
                const float sLeft = sibling->getLeftBoundary();
                const float sRight = sibling->getRightBoundary();
                const float sBottom = sibling->getBottomBoundary();
                const float sTop = sibling->getTopBoundary();
                const float alignLeft = sLeft + anchor.x * size.width + margin.left;
                const float alignRight = sRight - (1.0f - anchor.x) * size.width - margin.right;
                const float alignCentreX = (sLeft + sRight) * 0.5f + (anchor.x - 0.5f) * size.width;
                const float alignTop = sTop - (1.0f - anchor.y) * size.height - margin.top;
                const float alignBottom = sBottom + anchor.y * size.height + margin.bottom;
                const float alignCentreY =
                    (sBottom + sTop) * 0.5f + (anchor.y - 0.5f) * size.height;
                const float above =
                    sTop + siblingMargin.top + margin.bottom + anchor.y * size.height;
                const float below =
                    sBottom - siblingMargin.bottom - margin.top - (1.0f - anchor.y) * size.height;
                const float leftOf =
                    sLeft - siblingMargin.left - margin.right - (1.0f - anchor.x) * size.width;
                const float rightOf =
                    sRight + siblingMargin.right + margin.left + anchor.x * size.width;
                switch (parameter->getAlign()) {
                case RelativeAlign::LOCATION_ABOVE_LEFTALIGN:
                    position = Vec2(alignLeft, above);
                    break;
                case RelativeAlign::LOCATION_ABOVE_CENTER:
                    position = Vec2(alignCentreX, above);
                    break;
                case RelativeAlign::LOCATION_ABOVE_RIGHTALIGN:
                    position = Vec2(alignRight, above);
                    break;
                case RelativeAlign::LOCATION_LEFT_OF_TOPALIGN:
                    position = Vec2(leftOf, alignTop);
                    break;
                case RelativeAlign::LOCATION_LEFT_OF_CENTER:
                    position = Vec2(leftOf, alignCentreY);
                    break;
                case RelativeAlign::LOCATION_LEFT_OF_BOTTOMALIGN:
                    position = Vec2(leftOf, alignBottom);
                    break;
                case RelativeAlign::LOCATION_RIGHT_OF_TOPALIGN:
                    position = Vec2(rightOf, alignTop);
                    break;
                case RelativeAlign::LOCATION_RIGHT_OF_CENTER:
                    position = Vec2(rightOf, alignCentreY);
                    break;
                case RelativeAlign::LOCATION_RIGHT_OF_BOTTOMALIGN:
                    position = Vec2(rightOf, alignBottom);
                    break;
                case RelativeAlign::LOCATION_BELOW_LEFTALIGN:
                    position = Vec2(alignLeft, below);
                    break;
                case RelativeAlign::LOCATION_BELOW_CENTER:
                    position = Vec2(alignCentreX, below);
                    break;
                default:
                    position = Vec2(alignRight, below);
                    break;
                }
                break;
            }
            }
            widget->setPosition(position);
            placed.push_back(widget);
            it = pending.erase(it);
            progress = true;
        }
    }
}

void Layout::visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) {
    if (!_visible) {
        return;
    }
    adaptRenderers();
    doLayout();
    const bool clip = _clippingEnabled && isVisitableByVisitingCamera();
    if (clip) {
        beginScissor(renderer);
    }
    Widget::visit(renderer, parentTransform, parentFlags);
    if (clip) {
        endScissor(renderer);
    }
}

std::string Layout::getDescription() const {
    return "Layout";
}

Widget* Layout::createCloneInstance() {
    return Layout::create();
}

void Layout::copySpecialProperties(Widget* model) {
    auto* layout = dynamic_cast<Layout*>(model);
    if (layout == nullptr) {
        return;
    }
    setBackGroundImageScale9Enabled(layout->_backGroundScale9Enabled);
    setBackGroundImageCapInsets(layout->_backGroundImageCapInsets);
    setBackGroundImage(layout->_backGroundImageFileName);
    setBackGroundColorType(layout->_colorType);
    setBackGroundColor(layout->_backGroundColor);
    setBackGroundColorOpacity(layout->_backGroundColorOpacity);
    setClippingType(layout->_clippingType);
    setLayoutType(layout->_layoutType);
    _clippingEnabled = layout->_clippingEnabled;
}

}  // namespace ui
}  // namespace cocos2d
