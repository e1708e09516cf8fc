#pragma once

#include <string>

#include "engine/base/Ref.h"

namespace cocos2d {
namespace ui {

// Space kept around a widget by the layout that places it, in points.
class Margin {
public:
    Margin() = default;
    Margin(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
    void setMargin(float l, float t, float r, float b);
    bool equals(const Margin& other) const;

    static const Margin ZERO;

    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

// How a widget wants its parent layout to place it. The parameter kind must match the parent's
// layout type: linear parameters serve the vertical and horizontal layouts, relative ones the
// relative and overlay layouts.
class LayoutParameter : public Ref {
public:
    enum class Type { NONE, LINEAR, RELATIVE };

    static LayoutParameter* create();
    Type getLayoutType() const { return _layoutParameterType; }
    void setMargin(const Margin& margin) { _margin = margin; }
    const Margin& getMargin() const { return _margin; }
    // A new autoreleased parameter of the same kind and values.
    virtual LayoutParameter* clone();

protected:
    LayoutParameter() = default;
    virtual LayoutParameter* createCloneInstance();
    virtual void copyProperties(LayoutParameter* model);

    Margin _margin;
    Type _layoutParameterType = Type::NONE;
};

// Widgets that carry a layout parameter.
class LayoutParameterProtocol {
public:
    virtual ~LayoutParameterProtocol() = default;
    virtual LayoutParameter* getLayoutParameter() const = 0;
};

class LinearLayoutParameter : public LayoutParameter {
public:
    // Cross-axis placement inside a vertical (LEFT, RIGHT, CENTER_HORIZONTAL) or horizontal
    // (TOP, BOTTOM, CENTER_VERTICAL) layout; NONE keeps the layout's default (left / top).
    enum class LinearGravity { NONE, LEFT, TOP, RIGHT, BOTTOM, CENTER_VERTICAL, CENTER_HORIZONTAL };

    static LinearLayoutParameter* create();
    void setGravity(LinearGravity gravity) { _linearGravity = gravity; }
    LinearGravity getGravity() const { return _linearGravity; }

protected:
    LinearLayoutParameter();
    LayoutParameter* createCloneInstance() override;
    void copyProperties(LayoutParameter* model) override;

    LinearGravity _linearGravity = LinearGravity::NONE;
};

class RelativeLayoutParameter : public LayoutParameter {
public:
    // 1-9 place the widget against its parent (top left .. bottom right, row by row); 10-21
    // place it beside the sibling named by the relative-to name (above, left of, right of,
    // below; each with three alignments).
    enum class RelativeAlign {
        NONE = 0,
        PARENT_TOP_LEFT,
        PARENT_TOP_CENTER_HORIZONTAL,
        PARENT_TOP_RIGHT,
        PARENT_LEFT_CENTER_VERTICAL,
        CENTER_IN_PARENT,
        PARENT_RIGHT_CENTER_VERTICAL,
        PARENT_LEFT_BOTTOM,
        PARENT_BOTTOM_CENTER_HORIZONTAL,
        PARENT_RIGHT_BOTTOM,
        LOCATION_ABOVE_LEFTALIGN,
        LOCATION_ABOVE_CENTER,
        LOCATION_ABOVE_RIGHTALIGN,
        LOCATION_LEFT_OF_TOPALIGN,
        LOCATION_LEFT_OF_CENTER,
        LOCATION_LEFT_OF_BOTTOMALIGN,
        LOCATION_RIGHT_OF_TOPALIGN,
        LOCATION_RIGHT_OF_CENTER,
        LOCATION_RIGHT_OF_BOTTOMALIGN,
        LOCATION_BELOW_LEFTALIGN,
        LOCATION_BELOW_CENTER,
        LOCATION_BELOW_RIGHTALIGN
    };

    static RelativeLayoutParameter* create();
    void setAlign(RelativeAlign align) { _relativeAlign = align; }
    RelativeAlign getAlign() const { return _relativeAlign; }
    // The sibling (by its parameter's relative name) that alignments 10-21 refer to.
    void setRelativeToWidgetName(const std::string& name) { _relativeWidgetName = name; }
    const std::string& getRelativeToWidgetName() const { return _relativeWidgetName; }
    // The name other siblings use to refer to this widget.
    void setRelativeName(const std::string& name) { _relativeLayoutName = name; }
    const std::string& getRelativeName() const { return _relativeLayoutName; }

protected:
    RelativeLayoutParameter();
    LayoutParameter* createCloneInstance() override;
    void copyProperties(LayoutParameter* model) override;

    RelativeAlign _relativeAlign = RelativeAlign::NONE;
    std::string _relativeWidgetName;
    std::string _relativeLayoutName;
};

}  // namespace ui
}  // namespace cocos2d
