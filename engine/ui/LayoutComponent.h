#pragma once

#include "engine/base/Ref.h"
#include "engine/math/Vec2.h"
#include "engine/ui/LayoutParameter.h"

namespace cocos2d {

class Node;

namespace ui {

// Placement of a node inside its parent's content size, applied by Helper::doLayout: the
// layout-file data that lets a screen follow the size its owner gives it.
//
// Per axis, the size comes first: stretched (parent extent less both margins), else a percent
// of the parent's extent when enabled, else the node's own. Then the position of the anchor:
//  - edge LEFT / BOTTOM: margin + anchor × size from the low side;
//  - edge RIGHT / TOP: the same from the high side (parent extent − margin − (1 − anchor) × size);
//  - edge CENTER: the node centred in the parent;
//  - edge NONE: a percent of the parent's extent when percent position is on; else a stretched
//    node sits against the low margin, and any other keeps its position.
class LayoutComponent : public Ref {
public:
    enum class HorizontalEdge { NONE, LEFT, RIGHT, CENTER };
    enum class VerticalEdge { NONE, BOTTOM, TOP, CENTER };

    static LayoutComponent* create();

    void setHorizontalEdge(HorizontalEdge edge) { _horizontalEdge = edge; }
    HorizontalEdge getHorizontalEdge() const { return _horizontalEdge; }
    void setVerticalEdge(VerticalEdge edge) { _verticalEdge = edge; }
    VerticalEdge getVerticalEdge() const { return _verticalEdge; }

    // Margins to the parent's edges, in points.
    void setMargin(const Margin& margin) { _margin = margin; }
    const Margin& getMargin() const { return _margin; }

    void setPositionPercentXEnabled(bool enabled) { _positionPercentXEnabled = enabled; }
    bool isPositionPercentXEnabled() const { return _positionPercentXEnabled; }
    void setPositionPercentYEnabled(bool enabled) { _positionPercentYEnabled = enabled; }
    bool isPositionPercentYEnabled() const { return _positionPercentYEnabled; }
    // Fractions (0..1) of the parent's size.
    void setPercentPosition(const Vec2& percent) { _percentPosition = percent; }
    const Vec2& getPercentPosition() const { return _percentPosition; }

    void setPercentWidthEnabled(bool enabled) { _percentWidthEnabled = enabled; }
    bool isPercentWidthEnabled() const { return _percentWidthEnabled; }
    void setPercentHeightEnabled(bool enabled) { _percentHeightEnabled = enabled; }
    bool isPercentHeightEnabled() const { return _percentHeightEnabled; }
    void setPercentContentSize(const Vec2& percent) { _percentContentSize = percent; }
    const Vec2& getPercentContentSize() const { return _percentContentSize; }

    void setStretchWidthEnabled(bool enabled) { _stretchWidthEnabled = enabled; }
    bool isStretchWidthEnabled() const { return _stretchWidthEnabled; }
    void setStretchHeightEnabled(bool enabled) { _stretchHeightEnabled = enabled; }
    bool isStretchHeightEnabled() const { return _stretchHeightEnabled; }

    // Applies the placement to `owner` inside its parent; nothing without a parent.
    void refreshLayout(Node* owner) const;

    void copyFrom(const LayoutComponent& other);

private:
    LayoutComponent() = default;

    HorizontalEdge _horizontalEdge = HorizontalEdge::NONE;
    VerticalEdge _verticalEdge = VerticalEdge::NONE;
    Margin _margin;
    bool _positionPercentXEnabled = false;
    bool _positionPercentYEnabled = false;
    Vec2 _percentPosition;
    bool _percentWidthEnabled = false;
    bool _percentHeightEnabled = false;
    Vec2 _percentContentSize;
    bool _stretchWidthEnabled = false;
    bool _stretchHeightEnabled = false;
};

// A node that can carry layout-component data (widgets, and the plain nodes and sprites that
// layout files make).
class LayoutComponentHolder {
public:
    virtual ~LayoutComponentHolder();
    LayoutComponent* getLayoutComponent() const { return _layoutComponent; }
    // Retained; null removes it.
    void setLayoutComponent(LayoutComponent* component);

private:
    LayoutComponent* _layoutComponent = nullptr;
};

}  // namespace ui
}  // namespace cocos2d
