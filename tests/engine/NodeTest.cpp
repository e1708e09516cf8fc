#include "engine/2d/Node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "SceneGraphFixture.h"
#include "engine/2d/ProtectedNode.h"
#include "engine/base/Touch.h"

using namespace cocos2d;

namespace {

using NodeTest = SceneGraphTest;

void expectNear(const Vec2& actual, const Vec2& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-3f);
    EXPECT_NEAR(actual.y, expected.y, 1e-3f);
}

struct TransformCase {
    const char* what;
    Vec2 anchor;
    bool ignoreAnchor;
    float scaleX;
    float scaleY;
    float rotation;
    Vec2 local;
    Vec2 world;
};

TEST_F(NodeTest, NodeToWorldFollowsAnchorScaleAndClockwiseRotation) {
    // Content 100 x 50 at (200, 100) under a parent at (10, 20).
    const TransformCase cases[] = {
        {"plain", Vec2(0, 0), false, 1, 1, 0, Vec2(0, 0), Vec2(210, 120)},
        {"anchor centre", Vec2(0.5f, 0.5f), false, 1, 1, 0, Vec2(0, 0), Vec2(160, 95)},
        {"anchor ignored", Vec2(0.5f, 0.5f), true, 1, 1, 0, Vec2(0, 0), Vec2(210, 120)},
        {"scaled about the anchor", Vec2(0.5f, 0.5f), false, 2, 3, 0, Vec2(100, 50),
         Vec2(310, 195)},
        {"quarter turn clockwise", Vec2(0.5f, 0.5f), false, 2, 2, 90, Vec2(0, 0), Vec2(160, 220)},
    };
    for (const TransformCase& c : cases) {
        SCOPED_TRACE(c.what);
        Node* parent = Node::create();
        parent->setPosition(10, 20);
        Node* node = Node::create();
        node->setContentSize(Size(100, 50));
        node->setAnchorPoint(c.anchor);
        node->setIgnoreAnchorPointForPosition(c.ignoreAnchor);
        node->setPosition(200, 100);
        node->setScale(c.scaleX, c.scaleY);
        node->setRotation(c.rotation);
        parent->addChild(node);
        expectNear(node->convertToWorldSpace(c.local), c.world);
        expectNear(node->convertToNodeSpace(c.world), c.local);
    }
}

TEST_F(NodeTest, ConversionsRoundTripThroughSkewedRotatedNestedNodes) {
    Node* root = Node::create();
    root->setPosition(30, -40);
    root->setRotation(33);
    Node* mid = Node::create();
    mid->setSkewX(12);
    mid->setSkewY(-7);
    mid->setScale(1.5f, 0.5f);
    mid->setContentSize(Size(40, 60));
    mid->setAnchorPoint(Vec2(0.25f, 0.75f));
    root->addChild(mid);
    Node* leaf = Node::create();
    leaf->setPosition(5, 6);
    leaf->setRotation(-48);
    mid->addChild(leaf);
    for (const Vec2& p : {Vec2(0, 0), Vec2(13, -7), Vec2(-100, 250)}) {
        expectNear(leaf->convertToNodeSpace(leaf->convertToWorldSpace(p)), p);
        expectNear(mid->convertToNodeSpaceAR(mid->convertToWorldSpaceAR(p)), p);
    }
    // AR: the anchor point is the origin.
    expectNear(mid->convertToWorldSpaceAR(Vec2::ZERO), root->convertToWorldSpace(Vec2::ZERO));
    const Mat4 product = leaf->getNodeToWorldTransform() * leaf->getWorldToNodeTransform();
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(product.m[i], Mat4::IDENTITY.m[i], 1e-4f);
    }
}

TEST_F(NodeTest, TouchConversionUsesGlOrientationAndBoundingBoxCoversTheRotatedNode) {
    Node* node = Node::create();
    node->setPosition(100, 100);
    auto* touch = new Touch();
    touch->setTouchInfo(0, 110, 520);
    expectNear(node->convertTouchToNodeSpace(touch), Vec2(10, 20));
    touch->setLocation(Vec2(150, 150));
    expectNear(touch->getLocationInView(), Vec2(150, 490));
    expectNear(touch->getPreviousLocation(), Vec2(110, 120));
    expectNear(touch->getStartLocation(), Vec2(110, 120));
    touch->release();

    node->setContentSize(Size(100, 50));
    node->setRotation(90);
    const Rect box = node->getBoundingBox();
    EXPECT_NEAR(box.origin.x, 100, 1e-3f);
    EXPECT_NEAR(box.origin.y, 0, 1e-3f);
    EXPECT_NEAR(box.size.width, 50, 1e-3f);
    EXPECT_NEAR(box.size.height, 100, 1e-3f);
}

TEST_F(NodeTest, RotationAnglesAndQuaternionAgree) {
    Node* a = Node::create();
    a->setRotation3D(Vec3(10, 20, 30));
    Node* b = Node::create();
    b->setRotationQuat(a->getRotationQuat());
    const Vec3 angles = b->getRotation3D();
    EXPECT_NEAR(angles.x, 10, 1e-3f);
    EXPECT_NEAR(angles.y, 20, 1e-3f);
    EXPECT_NEAR(angles.z, 30, 1e-3f);
    EXPECT_NEAR(b->getRotation(), 30, 1e-3f);
    a->setPositionZ(7);
    EXPECT_EQ(a->getPosition3D(), Vec3(0, 0, 7));
}

TEST_F(NodeTest, DeepLookupSearchesPreOrderDepthFirstInChildOrder) {
    Node* root = Node::create();
    root->setName("target");
    Node* a = Node::create();
    Node* a1 = Node::create();
    Node* a1x = Node::create();
    Node* b = Node::create();
    root->addChild(a, 5);
    root->addChild(b, -5);
    a->addChild(a1);
    a1->addChild(a1x);
    a1x->setName("target");
    a1x->setTag(7);
    b->setName("target");
    b->setTag(7);
    a->setTag(3);

    // Before any drawing the children keep the order they were added in.
    EXPECT_EQ(root->getChildByNameDeep("target"), a1x);
    EXPECT_EQ(root->getChildByTagDeep(7), a1x);
    EXPECT_EQ(root->getChildByTagDeep(3), a);
    EXPECT_EQ(a1x->getChildByNameDeep("target"), nullptr);
    EXPECT_EQ(root->getChildByNameDeep(""), nullptr);
    EXPECT_EQ(root->getChildByName("target"), b);

    root->sortAllChildren();
    EXPECT_EQ(root->getChildByNameDeep("target"), b);
}

TEST_F(NodeTest, ChildrenSortByLocalZThenArrivalAndCanBeRaisedAboveLaterSiblings) {
    Node* parent = Node::create();
    Node* a = Node::create();
    Node* b = Node::create();
    Node* c = Node::create();
    parent->addChild(a, 5);
    parent->addChild(b, -1);
    parent->addChild(c, 5);
    parent->sortAllChildren();
    EXPECT_EQ(parent->getChildren().at(0), b);
    EXPECT_EQ(parent->getChildren().at(1), a);
    EXPECT_EQ(parent->getChildren().at(2), c);

    parent->updateChildrenToHighZOrder();
    EXPECT_EQ(b->getLocalZOrder(), 6);
    EXPECT_EQ(a->getLocalZOrder(), 7);
    EXPECT_EQ(c->getLocalZOrder(), 8);
    Node* later = Node::create();
    parent->addChild(later, 5);
    parent->sortAllChildren();
    EXPECT_EQ(parent->getChildren().at(0), later);
    EXPECT_EQ(parent->getChildren().at(3), c);
}

TEST_F(NodeTest, NodeHasOneParentAndRemovalDetachesIt) {
    Node* p1 = Node::create();
    Node* p2 = Node::create();
    Node* child = Node::create();
    p1->addChild(child, 0, 42);
    p2->addChild(child);
    EXPECT_EQ(child->getParent(), p1);
    EXPECT_EQ(p2->getChildrenCount(), 0);
    EXPECT_EQ(p1->getChildByTag(42), child);
    child->removeFromParent();
    EXPECT_EQ(child->getParent(), nullptr);
    EXPECT_EQ(p1->getChildrenCount(), 0);
    p1->addChild(p1);
    EXPECT_EQ(p1->getChildrenCount(), 0);
}

TEST_F(NodeTest, CascadedOpacityAndColourMultiplyDownTheTree) {
    Node* parent = Node::create();
    auto* widget = ProtectedNode::create();
    Node* inner = Node::create();
    widget->addProtectedChild(inner);
    parent->addChild(widget);
    parent->setCascadeOpacityEnabled(true);
    widget->setCascadeOpacityEnabled(true);
    parent->setOpacity(128);
    widget->setOpacity(128);
    EXPECT_EQ(widget->getDisplayedOpacity(), 64);
    EXPECT_EQ(inner->getDisplayedOpacity(), 64);
    EXPECT_EQ(widget->getOpacity(), 128);

    parent->setCascadeColorEnabled(true);
    parent->setColor(Color3B(255, 0, 128));
    widget->setColor(Color3B(128, 255, 255));
    EXPECT_EQ(widget->getDisplayedColor(), Color3B(128, 0, 128));
    parent->setCascadeOpacityEnabled(false);
    EXPECT_EQ(widget->getDisplayedOpacity(), 128);
}

TEST_F(NodeTest, CameraFlagsAreAListThatChildrenCanShare) {
    Node* parent = Node::create();
    Node* child = Node::create();
    parent->addChild(child);
    EXPECT_EQ(parent->getCameraFlags(), std::vector<unsigned short>{1});
    parent->setCameraMask(3);
    parent->setCameraMask(3);
    EXPECT_EQ(child->getCameraFlags(), (std::vector<unsigned short>{1, 3}));
    parent->removeCameraMask(1, false);
    EXPECT_EQ(parent->getCameraFlags(), std::vector<unsigned short>{3});
    EXPECT_EQ(parent->getCameraMask(), 3);
    EXPECT_TRUE(child->hasCameraFlag(1));
    parent->removeCameraMask(3);
    EXPECT_EQ(parent->getCameraMask(), 0);
    EXPECT_EQ(child->getCameraFlags(), std::vector<unsigned short>{1});
}

TEST_F(NodeTest, UserTextAndObjectStayWithTheNode) {
    Node* node = Node::create();
    node->setUserString("series 3");
    EXPECT_EQ(node->getUserString(), "series 3");
    Node* object = Node::create();
    node->setUserObject(object);
    EXPECT_EQ(object->getReferenceCount(), 2u);
    node->setUserObject(nullptr);
    EXPECT_EQ(object->getReferenceCount(), 1u);
}

}  // namespace
