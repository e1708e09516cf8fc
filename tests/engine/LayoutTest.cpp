#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Layer.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Layout.h"
#include "engine/ui/LayoutComponent.h"
#include "tests/engine/SceneGraphFixture.h"

using namespace cocos2d;
using ui::Layout;
using ui::RelativeLayoutParameter;
using ui::Widget;
using Align = RelativeLayoutParameter::RelativeAlign;

namespace {

Widget* box(float width, float height, const Vec2& anchor = Vec2::ANCHOR_MIDDLE) {
    Widget* widget = Widget::create();
    widget->ignoreContentAdaptWithSize(false);
    widget->setContentSize(Size(width, height));
    widget->setAnchorPoint(anchor);
    return widget;
}

Layout* panel(Layout::Type type, float width, float height) {
    Layout* layout = Layout::create();
    layout->setLayoutType(type);
    layout->setContentSize(Size(width, height));
    return layout;
}

RelativeLayoutParameter* relative(Align align, const ui::Margin& margin,
                                  const std::string& name = "", const std::string& to = "") {
    auto* parameter = RelativeLayoutParameter::create();
    parameter->setAlign(align);
    parameter->setMargin(margin);
    parameter->setRelativeName(name);
    parameter->setRelativeToWidgetName(to);
    return parameter;
}

class LayoutTest : public SceneGraphTest {};

}  // namespace

TEST_F(LayoutTest, RelativeAlignmentsAgainstTheParentKeepMargins) {
    // A 20 x 10 widget (anchor middle) in a 200 x 100 layout, margins 1 left, 2 top, 3 right,
    // 4 bottom; centred axes ignore the margins.
    const ui::Margin margin(1.0f, 2.0f, 3.0f, 4.0f);
    struct Case {
        Align align;
        Vec2 expected;
    } cases[] = {
        {Align::PARENT_TOP_LEFT, {11.0f, 93.0f}},
        {Align::PARENT_TOP_CENTER_HORIZONTAL, {100.0f, 93.0f}},
        {Align::PARENT_TOP_RIGHT, {187.0f, 93.0f}},
        {Align::PARENT_LEFT_CENTER_VERTICAL, {11.0f, 50.0f}},
        {Align::CENTER_IN_PARENT, {100.0f, 50.0f}},
        {Align::PARENT_RIGHT_CENTER_VERTICAL, {187.0f, 50.0f}},
        {Align::PARENT_LEFT_BOTTOM, {11.0f, 9.0f}},
        {Align::PARENT_BOTTOM_CENTER_HORIZONTAL, {100.0f, 9.0f}},
        {Align::PARENT_RIGHT_BOTTOM, {187.0f, 9.0f}},
    };
    for (Layout::Type type : {Layout::Type::RELATIVE, Layout::Type::OVERLAY}) {
        for (const Case& c : cases) {
            Layout* layout = panel(type, 200.0f, 100.0f);
            Widget* widget = box(20.0f, 10.0f);
            widget->setLayoutParameter(relative(c.align, margin));
            layout->addChild(widget);
            layout->forceDoLayout();
            EXPECT_EQ(widget->getPosition(), c.expected)
                << "type " << static_cast<int>(type) << " align " << static_cast<int>(c.align);
        }
    }
}

TEST_F(LayoutTest, RelativeAlignmentsBesideASiblingWhateverTheChildOrder) {
    // Sibling: 40 x 20 at the centre of a 200 x 100 layout, so it spans (80, 40)-(120, 60);
    // its own margin is 5 on every side. The placed widget is 10 x 10, anchor bottom-left,
    // margin 1 on every side.
    struct Case {
        Align align;
        Vec2 expected;
    } cases[] = {
        {Align::LOCATION_ABOVE_LEFTALIGN, {81.0f, 66.0f}},
        {Align::LOCATION_ABOVE_CENTER, {95.0f, 66.0f}},
        {Align::LOCATION_ABOVE_RIGHTALIGN, {109.0f, 66.0f}},
        {Align::LOCATION_LEFT_OF_TOPALIGN, {64.0f, 49.0f}},
        {Align::LOCATION_LEFT_OF_CENTER, {64.0f, 45.0f}},
        {Align::LOCATION_LEFT_OF_BOTTOMALIGN, {64.0f, 41.0f}},
        {Align::LOCATION_RIGHT_OF_TOPALIGN, {126.0f, 49.0f}},
        {Align::LOCATION_RIGHT_OF_CENTER, {126.0f, 45.0f}},
        {Align::LOCATION_RIGHT_OF_BOTTOMALIGN, {126.0f, 41.0f}},
        {Align::LOCATION_BELOW_LEFTALIGN, {81.0f, 24.0f}},
        {Align::LOCATION_BELOW_CENTER, {95.0f, 24.0f}},
        {Align::LOCATION_BELOW_RIGHTALIGN, {109.0f, 24.0f}},
    };
    for (bool siblingFirst : {true, false}) {
        for (const Case& c : cases) {
            Layout* layout = panel(Layout::Type::RELATIVE, 200.0f, 100.0f);
            Widget* anchor = box(40.0f, 20.0f);
            anchor->setLayoutParameter(
                relative(Align::CENTER_IN_PARENT, ui::Margin(5.0f, 5.0f, 5.0f, 5.0f), "base"));
            Widget* widget = box(10.0f, 10.0f, Vec2::ZERO);
            widget->setLayoutParameter(
                relative(c.align, ui::Margin(1.0f, 1.0f, 1.0f, 1.0f), "", "base"));
            layout->addChild(siblingFirst ? anchor : widget);
            layout->addChild(siblingFirst ? widget : anchor);
            layout->forceDoLayout();
            EXPECT_EQ(widget->getPosition(), c.expected)
                << "align " << static_cast<int>(c.align) << " sibling first " << siblingFirst;
        }
    }
}

TEST_F(LayoutTest, AMissingSiblingOrACycleLeavesTheWidgetsWhereTheyAre) {
    Layout* layout = panel(Layout::Type::RELATIVE, 200.0f, 100.0f);
    Widget* lost = box(10.0f, 10.0f);
    lost->setPosition(Vec2(7.0f, 8.0f));
    lost->setLayoutParameter(relative(Align::LOCATION_BELOW_CENTER, ui::Margin(), "", "nobody"));
    Widget* a = box(10.0f, 10.0f);
    a->setPosition(Vec2(1.0f, 2.0f));
    a->setLayoutParameter(relative(Align::LOCATION_ABOVE_CENTER, ui::Margin(), "a", "b"));
    Widget* b = box(10.0f, 10.0f);
    b->setPosition(Vec2(3.0f, 4.0f));
    b->setLayoutParameter(relative(Align::LOCATION_ABOVE_CENTER, ui::Margin(), "b", "a"));
    for (Widget* widget : {lost, a, b}) {
        layout->addChild(widget);
    }
    layout->forceDoLayout();
    EXPECT_EQ(lost->getPosition(), Vec2(7.0f, 8.0f));
    EXPECT_EQ(a->getPosition(), Vec2(1.0f, 2.0f));
    EXPECT_EQ(b->getPosition(), Vec2(3.0f, 4.0f));
}

TEST_F(LayoutTest, UnalignedChildrenRowUpInRelativeAndStayPutInOverlay) {
    for (Layout::Type type : {Layout::Type::RELATIVE, Layout::Type::OVERLAY}) {
        Layout* layout = panel(type, 100.0f, 30.0f);
        Widget* first = box(20.0f, 10.0f, Vec2::ZERO);
        Widget* second = box(30.0f, 10.0f, Vec2::ZERO);
        Node* free = Node::create();
        free->setPosition(Vec2(50.0f, 5.0f));
        first->setPosition(Vec2(70.0f, 0.0f));
        second->setPosition(Vec2(80.0f, 0.0f));
        layout->addChild(first);
        layout->addChild(second);
        layout->addChild(free);
        layout->forceDoLayout();
        EXPECT_EQ(free->getPosition(), Vec2(50.0f, 5.0f));
        if (type == Layout::Type::RELATIVE) {
            EXPECT_EQ(first->getPosition(), Vec2(0.0f, 20.0f));
            EXPECT_EQ(second->getPosition(), Vec2(20.0f, 20.0f));
        } else {
            EXPECT_EQ(first->getLayoutParameter(), nullptr);
            EXPECT_EQ(first->getPosition(), Vec2(70.0f, 0.0f));
            EXPECT_EQ(second->getPosition(), Vec2(80.0f, 0.0f));
        }
    }
}

TEST_F(LayoutTest, LinearLayoutsStackRowAndRightAlignWithMarginsAndGravity) {
    struct Case {
        Layout::Type type;
        ui::LinearLayoutParameter::LinearGravity gravity;
        Vec2 first;
        Vec2 second;
    } cases[] = {
        // 100 x 60 layout; children 20 x 10 and 30 x 20 (anchor middle), margins 2 on every side.
        {Layout::Type::VERTICAL,
         ui::LinearLayoutParameter::LinearGravity::NONE,
         {12.0f, 53.0f},
         {17.0f, 34.0f}},
        {Layout::Type::VERTICAL,
         ui::LinearLayoutParameter::LinearGravity::RIGHT,
         {88.0f, 53.0f},
         {83.0f, 34.0f}},
        {Layout::Type::VERTICAL,
         ui::LinearLayoutParameter::LinearGravity::CENTER_HORIZONTAL,
         {50.0f, 53.0f},
         {50.0f, 34.0f}},
        {Layout::Type::HORIZONTAL,
         ui::LinearLayoutParameter::LinearGravity::NONE,
         {12.0f, 53.0f},
         {41.0f, 48.0f}},
        {Layout::Type::HORIZONTAL,
         ui::LinearLayoutParameter::LinearGravity::BOTTOM,
         {12.0f, 7.0f},
         {41.0f, 12.0f}},
        {Layout::Type::HORIZONTAL,
         ui::LinearLayoutParameter::LinearGravity::CENTER_VERTICAL,
         {12.0f, 30.0f},
         {41.0f, 30.0f}},
        {Layout::Type::HORIZONTAL_RIGHT,
         ui::LinearLayoutParameter::LinearGravity::NONE,
         {54.0f, 53.0f},
         {83.0f, 48.0f}},
    };
    for (const Case& c : cases) {
        Layout* layout = panel(c.type, 100.0f, 60.0f);
        Widget* first = box(20.0f, 10.0f);
        Widget* second = box(30.0f, 20.0f);
        for (Widget* widget : {first, second}) {
            auto* parameter = ui::LinearLayoutParameter::create();
            parameter->setGravity(c.gravity);
            parameter->setMargin(ui::Margin(2.0f, 2.0f, 2.0f, 2.0f));
            widget->setLayoutParameter(parameter);
            layout->addChild(widget);
        }
        layout->forceDoLayout();
        EXPECT_EQ(first->getPosition(), c.first)
            << "type " << static_cast<int>(c.type) << " gravity " << static_cast<int>(c.gravity);
        EXPECT_EQ(second->getPosition(), c.second)
            << "type " << static_cast<int>(c.type) << " gravity " << static_cast<int>(c.gravity);
    }
}

TEST_F(LayoutTest, LinearLayoutsSupplyParametersAndRelayoutWhenAChildChanges) {
    Layout* row = panel(Layout::Type::HORIZONTAL, 100.0f, 20.0f);
    Widget* a = box(10.0f, 20.0f, Vec2::ZERO);
    Widget* b = box(10.0f, 20.0f, Vec2::ZERO);
    row->addChild(a);
    row->addChild(b);
    ASSERT_NE(dynamic_cast<ui::LinearLayoutParameter*>(a->getLayoutParameter()), nullptr);
    row->forceDoLayout();
    EXPECT_EQ(b->getPosition(), Vec2(10.0f, 0.0f));
    a->setContentSize(Size(25.0f, 20.0f));
    EXPECT_FALSE(row->isLayoutDirty());
    row->requestDoLayout();
    Scene* scene = Scene::create();
    scene->addChild(row);
    show(scene);
    EXPECT_EQ(b->getPosition(), Vec2(25.0f, 0.0f));
}

TEST_F(LayoutTest, DoLayoutAppliesEdgesPercentsAndStretchToTheWholeTree) {
    struct Case {
        const char* name;
        void (*setUp)(ui::LayoutComponent*);
        Size expectedSize;
        Vec2 expectedPosition;
    } cases[] = {
        {"left/bottom",
         [](ui::LayoutComponent* c) {
             c->setHorizontalEdge(ui::LayoutComponent::HorizontalEdge::LEFT);
             c->setVerticalEdge(ui::LayoutComponent::VerticalEdge::BOTTOM);
             c->setMargin(ui::Margin(10.0f, 0.0f, 0.0f, 5.0f));
         },
         {40.0f, 20.0f},
         {30.0f, 15.0f}},
        {"right/top",
         [](ui::LayoutComponent* c) {
             c->setHorizontalEdge(ui::LayoutComponent::HorizontalEdge::RIGHT);
             c->setVerticalEdge(ui::LayoutComponent::VerticalEdge::TOP);
             c->setMargin(ui::Margin(0.0f, 6.0f, 10.0f, 0.0f));
         },
         {40.0f, 20.0f},
         {370.0f, 284.0f}},
        {"centre",
         [](ui::LayoutComponent* c) {
             c->setHorizontalEdge(ui::LayoutComponent::HorizontalEdge::CENTER);
             c->setVerticalEdge(ui::LayoutComponent::VerticalEdge::CENTER);
         },
         {40.0f, 20.0f},
         {200.0f, 150.0f}},
        {"percent position",
         [](ui::LayoutComponent* c) {
             c->setPercentPosition(Vec2(0.25f, 0.5f));
             c->setPositionPercentXEnabled(true);
         },
         {40.0f, 20.0f},
         {100.0f, 7.0f}},
        {"percent size",
         [](ui::LayoutComponent* c) {
             c->setPercentContentSize(Vec2(0.5f, 0.1f));
             c->setPercentWidthEnabled(true);
             c->setPercentHeightEnabled(true);
         },
         {200.0f, 30.0f},
         {3.0f, 7.0f}},
        {"stretch",
         [](ui::LayoutComponent* c) {
             c->setStretchWidthEnabled(true);
             c->setStretchHeightEnabled(true);
             c->setMargin(ui::Margin(10.0f, 20.0f, 30.0f, 40.0f));
         },
         {360.0f, 240.0f},
         {190.0f, 160.0f}},
        {"stretch right",
         [](ui::LayoutComponent* c) {
             c->setStretchWidthEnabled(true);
             c->setHorizontalEdge(ui::LayoutComponent::HorizontalEdge::RIGHT);
             c->setMargin(ui::Margin(10.0f, 0.0f, 30.0f, 0.0f));
         },
         {360.0f, 20.0f},
         {190.0f, 7.0f}},
    };
    for (const Case& c : cases) {
        Node* root = Node::create();
        root->setContentSize(Size(400.0f, 300.0f));
        Layout* holder = Layout::create();
        holder->setContentSize(Size(400.0f, 300.0f));
        root->addChild(holder);
        Widget* widget = box(40.0f, 20.0f);
        widget->setPosition(Vec2(3.0f, 7.0f));
        auto* component = ui::LayoutComponent::create();
        c.setUp(component);
        widget->setLayoutComponent(component);
        holder->addChild(widget);
        ui::Helper::doLayout(root);
        EXPECT_EQ(widget->getContentSize(), c.expectedSize) << c.name;
        EXPECT_EQ(widget->getPosition(), c.expectedPosition) << c.name;
    }
}

TEST_F(LayoutTest, DoLayoutLaysOutParentsBeforeTheirChildren) {
    Layout* root = Layout::create();
    root->setContentSize(Size(500.0f, 400.0f));
    Layout* bar = Layout::create();
    auto* barLayout = ui::LayoutComponent::create();
    barLayout->setStretchWidthEnabled(true);
    barLayout->setVerticalEdge(ui::LayoutComponent::VerticalEdge::TOP);
    bar->setContentSize(Size(10.0f, 60.0f));
    bar->setLayoutComponent(barLayout);
    root->addChild(bar);
    Widget* close = box(40.0f, 40.0f);
    auto* closeLayout = ui::LayoutComponent::create();
    closeLayout->setHorizontalEdge(ui::LayoutComponent::HorizontalEdge::RIGHT);
    closeLayout->setMargin(ui::Margin(0.0f, 0.0f, 10.0f, 0.0f));
    close->setLayoutComponent(closeLayout);
    bar->addChild(close);
    ui::Helper::doLayout(root);
    EXPECT_EQ(bar->getContentSize(), Size(500.0f, 60.0f));
    EXPECT_EQ(bar->getPosition(), Vec2(0.0f, 340.0f));
    EXPECT_EQ(close->getPosition().x, 470.0f);
}

TEST_F(LayoutTest, BackgroundColourFollowsEnableBKColorAndTheLayoutSize) {
    Layout* layout = panel(Layout::Type::ABSOLUTE, 80.0f, 40.0f);
    layout->enableBKColor(true, Color3B::WHITE, 0.7f);
    ASSERT_NE(layout->getBackGroundColorRenderer(), nullptr);
    EXPECT_EQ(layout->getBackGroundColorType(), Layout::BackGroundColorType::SOLID);
    EXPECT_EQ(layout->getBackGroundColorOpacity(), 179);
    EXPECT_EQ(layout->getBackGroundColorRenderer()->getContentSize(), Size(80.0f, 40.0f));
    layout->setContentSize(Size(90.0f, 10.0f));
    EXPECT_EQ(layout->getBackGroundColorRenderer()->getContentSize(), Size(90.0f, 10.0f));
    layout->enableBKColor(true, Color3B::BLACK, 2.0f);
    EXPECT_EQ(layout->getBackGroundColorOpacity(), 255);
    layout->enableBKColor(false, Color3B::BLACK, 1.0f);
    EXPECT_EQ(layout->getBackGroundColorRenderer(), nullptr);
    EXPECT_EQ(layout->getBackGroundColorType(), Layout::BackGroundColorType::NONE);
}

TEST_F(LayoutTest, ClippingRectangleFollowsTheSize) {
    Layout* layout = panel(Layout::Type::ABSOLUTE, 80.0f, 40.0f);
    layout->setClippingEnabled(true);
    EXPECT_EQ(layout->getClippingRect(), Rect(0.0f, 0.0f, 80.0f, 40.0f));
    layout->setContentSize(Size(30.0f, 20.0f));
    EXPECT_EQ(layout->getClippingRect(), Rect(0.0f, 0.0f, 30.0f, 20.0f));
    layout->setClippingEnabled(false);
    EXPECT_EQ(layout->getClippingRect().size, Size::ZERO);
}

TEST_F(LayoutTest, PercentPositionsFollowTheParentSize) {
    Layout* parent = panel(Layout::Type::ABSOLUTE, 200.0f, 100.0f);
    Widget* child = box(10.0f, 10.0f);
    child->setPositionType(Widget::PositionType::PERCENT);
    child->setPositionPercent(Vec2(0.5f, 0.5f));
    parent->addChild(child);
    Scene* scene = Scene::create();
    scene->addChild(parent);
    show(scene);
    EXPECT_EQ(child->getPosition(), Vec2(100.0f, 50.0f));
    parent->setContentSize(Size(768.0f, 80.0f));
    EXPECT_EQ(child->getPosition(), Vec2(384.0f, 40.0f));
}

TEST_F(LayoutTest, SubstringsCountCharactersNotBytes) {
    struct Case {
        std::string text;
        size_t start;
        size_t length;
        std::string expected;
    } cases[] = {
        {"abc", 1, 5, "bc"},
        {"\xe4\xbd\xa0\xe5\xa5\xbd!", 1, 1, "\xe5\xa5\xbd"},
        {"\xe4\xbd\xa0\xe5\xa5\xbd!", 0, 2, "\xe4\xbd\xa0\xe5\xa5\xbd"},
        {"abc", 3, 1, ""},
        {"\xff", 0, 1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::Helper::getSubStringOfUTF8String(c.text, c.start, c.length), c.expected)
            << c.text;
    }
}
