#include "engine/ui/LayoutComponent.h"

#include "engine/2d/Node.h"
#include "engine/base/Macros.h"

namespace cocos2d {
namespace ui {

namespace {

// One axis of the placement; `edge` is 0 none, 1 low side, 2 high side, 3 centre.
void placeAxis(int edge, float parentExtent, float lowMargin, float highMargin, bool stretch,
               bool percentSize, float sizePercent, bool percentPosition, float positionPercent,
               float anchor, float* size, float* position) {
    if (stretch) {
        *size = parentExtent - lowMargin - highMargin;
    } else if (percentSize) {
        *size = parentExtent * sizePercent;
    }
    switch (edge) {
    case 1:
        *position = lowMargin + anchor * *size;
        break;
    case 2:
        *position = parentExtent - highMargin - (1.0f - anchor) * *size;
        break;
    case 3:
        *position = parentExtent * 0.5f + (anchor - 0.5f) * *size;
        break;
    default:
        if (percentPosition) {
            *position = parentExtent * positionPercent;
        } else if (stretch) {
            *position = lowMargin + anchor * *size;
        }
        break;
    }
}

}  // namespace

LayoutComponent* LayoutComponent::create() {
    auto* component = new LayoutComponent();
    component->autorelease();
    return component;
}

void LayoutComponent::refreshLayout(Node* owner) const {
    Node* parent = owner != nullptr ? owner->getParent() : nullptr;
    if (parent == nullptr) {
        return;
    }
    const Size parentSize = parent->getContentSize();
    const Vec2& anchor = owner->getAnchorPoint();
    Size size = owner->getContentSize();
    Vec2 position = owner->getPosition();
    placeAxis(static_cast<int>(_horizontalEdge), parentSize.width, _margin.left, _margin.right,
              _stretchWidthEnabled, _percentWidthEnabled, _percentContentSize.x,
              _positionPercentXEnabled, _percentPosition.x, anchor.x, &size.width, &position.x);
    placeAxis(static_cast<int>(_verticalEdge), parentSize.height, _margin.bottom, _margin.top,
              _stretchHeightEnabled, _percentHeightEnabled, _percentContentSize.y,
              _positionPercentYEnabled, _percentPosition.y, anchor.y, &size.height, &position.y);
    if (!size.equals(owner->getContentSize())) {
        owner->setContentSize(size);
    }
    owner->setPosition(position);
}

void LayoutComponent::copyFrom(const LayoutComponent& other) {
    _horizontalEdge = other._horizontalEdge;
    _verticalEdge = other._verticalEdge;
    _margin = other._margin;
    _positionPercentXEnabled = other._positionPercentXEnabled;
    _positionPercentYEnabled = other._positionPercentYEnabled;
    _percentPosition = other._percentPosition;
    _percentWidthEnabled = other._percentWidthEnabled;
    _percentHeightEnabled = other._percentHeightEnabled;
    _percentContentSize = other._percentContentSize;
    _stretchWidthEnabled = other._stretchWidthEnabled;
    _stretchHeightEnabled = other._stretchHeightEnabled;
}

LayoutComponentHolder::~LayoutComponentHolder() {
    CC_SAFE_RELEASE(_layoutComponent);
}

void LayoutComponentHolder::setLayoutComponent(LayoutComponent* component) {
    if (component == _layoutComponent) {
        return;
    }
    CC_SAFE_RETAIN(component);
    CC_SAFE_RELEASE(_layoutComponent);
    _layoutComponent = component;
}

}  // namespace ui
}  // namespace cocos2d
