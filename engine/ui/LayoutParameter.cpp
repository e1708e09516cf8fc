#include "engine/ui/LayoutParameter.h"

namespace cocos2d {
namespace ui {

const Margin Margin::ZERO = Margin(0.0f, 0.0f, 0.0f, 0.0f);

void Margin::setMargin(float l, float t, float r, float b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
}

bool Margin::equals(const Margin& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
}

LayoutParameter* LayoutParameter::create() {
    auto* parameter = new LayoutParameter();
    parameter->autorelease();
    return parameter;
}

LayoutParameter* LayoutParameter::clone() {
    LayoutParameter* copy = createCloneInstance();
    copy->copyProperties(this);
    return copy;
}

LayoutParameter* LayoutParameter::createCloneInstance() {
    return LayoutParameter::create();
}

void LayoutParameter::copyProperties(LayoutParameter* model) {
    _margin = model->_margin;
}

LinearLayoutParameter::LinearLayoutParameter() {
    _layoutParameterType = Type::LINEAR;
}

LinearLayoutParameter* LinearLayoutParameter::create() {
    auto* parameter = new LinearLayoutParameter();
    parameter->autorelease();
    return parameter;
}

LayoutParameter* LinearLayoutParameter::createCloneInstance() {
    return LinearLayoutParameter::create();
}

void LinearLayoutParameter::copyProperties(LayoutParameter* model) {
    LayoutParameter::copyProperties(model);
    if (auto* linear = dynamic_cast<LinearLayoutParameter*>(model)) {
        _linearGravity = linear->_linearGravity;
    }
}

RelativeLayoutParameter::RelativeLayoutParameter() {
    _layoutParameterType = Type::RELATIVE;
}

RelativeLayoutParameter* RelativeLayoutParameter::create() {
    auto* parameter = new RelativeLayoutParameter();
    parameter->autorelease();
    return parameter;
}

LayoutParameter* RelativeLayoutParameter::createCloneInstance() {
    return RelativeLayoutParameter::create();
}

void RelativeLayoutParameter::copyProperties(LayoutParameter* model) {
    LayoutParameter::copyProperties(model);
    if (auto* relative = dynamic_cast<RelativeLayoutParameter*>(model)) {
        _relativeAlign = relative->_relativeAlign;
        _relativeWidgetName = relative->_relativeWidgetName;
        _relativeLayoutName = relative->_relativeLayoutName;
    }
}

}  // namespace ui
}  // namespace cocos2d
