#include "imagesdk/render/isActorObject.h"
#include "engine/base/Macros.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "WindowFixture.h"
#include "engine/2d/Scene.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isRenderWindowBase.h"

using cocos2d::Node;
using cocos2d::RefPtr;
using isImageSDK::isActorManager;
using isImageSDK::isActorObject;
using isImageSDK::isRenderWindowBase;

namespace {

// An actor with one node of each list.
class ProbeActor : public isActorObject {
public:
    CREATE_FUNC(ProbeActor);
    using isActorObject::addOverlayNode;
};

// A manager whose test hands it actors of any kind.
class ProbeManager : public isActorManager {
public:
    CREATE_FUNC(ProbeManager);
    bool adoptAs(isActorObject* actor, int kind) {
        return adopt(actor, static_cast<ActorKind>(kind));
    }
    isActorObject* actor(int kind) const { return actorOf(static_cast<ActorKind>(kind)); }
};

bool contains(const std::vector<Node*>& list, const Node* node) {
    return std::find(list.begin(), list.end(), node) != list.end();
}

class ActorTest : public rendertest::WindowTest {
protected:
    isRenderWindowBase* addWindow() {
        isRenderWindowBase* window = isRenderWindowBase::create();
        window->setContentSize(cocos2d::Size(200, 200));
        scene->addChild(window);
        return window;
    }
};

TEST_F(ActorTest, NodesAreKeptOnceAndHandedOverOnAttachAndAtOnceAfter) {
    isRenderWindowBase* window = addWindow();
    ProbeActor* actor = ProbeActor::create();
    Node* child = Node::create();
    Node* image = Node::create();
    Node* overlay = Node::create();
    actor->addChildNode(child);
    actor->addChildNode(child);
    actor->addActorNode(image);
    actor->addOverlayNode(overlay);
    EXPECT_EQ(actor->getChildNodes().size(), 1u);
    EXPECT_EQ(image->getTag(), static_cast<int>(actor->getRefID()));
    // Before attaching, the nodes are the actor's alone and visibility is not touched.
    actor->setVisible(false);
    EXPECT_TRUE(image->isVisible());
    EXPECT_EQ(child->getParent(), nullptr);

    actor->attachToWindow(window);
    EXPECT_EQ(child->getParent(), window);
    EXPECT_EQ(image->getParent(), window);
    EXPECT_TRUE(contains(window->getActorNodes(), image));
    EXPECT_TRUE(contains(window->getOverlayNodes(), overlay));
    EXPECT_EQ(overlay->getParent(), nullptr);
    // The window's main camera draws actor nodes, and only it.
    EXPECT_EQ(image->getCameraFlags(),
              std::vector<unsigned short>{window->getMainCamera()->getCameraFlag()});

    Node* late = Node::create();
    actor->addActorNode(late);
    actor->addActorNode(late);
    EXPECT_EQ(std::count(window->getActorNodes().begin(), window->getActorNodes().end(), late), 1);

    // A second window is refused.
    isRenderWindowBase* other = addWindow();
    actor->attachToWindow(other);
    EXPECT_EQ(actor->getWindow(), window);
    EXPECT_EQ(other->getActorNodes().size(), 1u);  // its background only

    actor->setVisible(false);
    EXPECT_FALSE(child->isVisible());
    EXPECT_FALSE(late->isVisible());
}

TEST_F(ActorTest, DetachTakesTheNodesOutOfTheWindowAndCleanupReleasesThem) {
    isRenderWindowBase* window = addWindow();
    RefPtr<ProbeActor> actor = RefPtr<ProbeActor>::retained(ProbeActor::create());
    auto child = RefPtr<Node>::retained(Node::create());
    auto image = RefPtr<Node>::retained(Node::create());
    auto overlay = RefPtr<Node>::retained(Node::create());
    actor->addChildNode(child.get());
    actor->addActorNode(image.get());
    actor->addOverlayNode(overlay.get());
    actor->attachToWindow(window);
    const unsigned int windowRefs = window->getReferenceCount();
    const unsigned int imageRefs = image->getReferenceCount();
    const unsigned int childRefs = child->getReferenceCount();
    const unsigned int overlayRefs = overlay->getReferenceCount();

    actor->detachNodes();
    EXPECT_EQ(child->getParent(), nullptr);
    EXPECT_EQ(image->getParent(), nullptr);
    EXPECT_FALSE(contains(window->getActorNodes(), image.get()));
    EXPECT_FALSE(contains(window->getOverlayNodes(), overlay.get()));
    EXPECT_EQ(actor->getActorNodes().size(), 1u);
    // The window let go of what it held; the actor still holds its own.
    EXPECT_EQ(image->getReferenceCount(), imageRefs - 1);
    EXPECT_EQ(child->getReferenceCount(), childRefs - 1);
    EXPECT_EQ(overlay->getReferenceCount(), overlayRefs);

    actor->cleanup();
    EXPECT_EQ(image->getReferenceCount(), imageRefs - 2);
    EXPECT_EQ(child->getReferenceCount(), childRefs - 2);
    EXPECT_EQ(overlay->getReferenceCount(), overlayRefs - 1);
    EXPECT_EQ(window->getReferenceCount(), windowRefs - 1);
    EXPECT_TRUE(actor->getChildNodes().empty());
}

TEST_F(ActorTest, ManagerMakesNothingWithoutAWindowAndReleaseAllLeavesNoGhost) {
    RefPtr<ProbeManager> manager = RefPtr<ProbeManager>::retained(ProbeManager::create());
    ProbeActor* orphan = ProbeActor::create();
    EXPECT_FALSE(manager->adoptAs(orphan, 4));
    EXPECT_EQ(manager->actor(4), nullptr);

    isRenderWindowBase* window = addWindow();
    manager->setWindow(window);
    auto old = RefPtr<ProbeActor>::retained(ProbeActor::create());
    Node* oldImage = Node::create();
    old->addActorNode(oldImage);
    Node* oldChild = Node::create();
    old->addChildNode(oldChild);
    ASSERT_TRUE(manager->adoptAs(old.get(), 1));
    EXPECT_TRUE(contains(window->getActorNodes(), oldImage));
    const unsigned int oldRefs = old->getReferenceCount();

    // Rebinding to new data: the old actor's nodes leave the window before the actor goes.
    manager->releaseAll();
    EXPECT_EQ(manager->actor(1), nullptr);
    EXPECT_FALSE(contains(window->getActorNodes(), oldImage));
    EXPECT_EQ(oldChild->getParent(), nullptr);
    EXPECT_EQ(old->getReferenceCount(), oldRefs - 1);
    ProbeActor* fresh = ProbeActor::create();
    Node* freshImage = Node::create();
    fresh->addActorNode(freshImage);
    ASSERT_TRUE(manager->adoptAs(fresh, 1));
    EXPECT_EQ(manager->actor(1), fresh);
    EXPECT_EQ(window->getActorNodes().size(), 2u);  // background and the fresh image
    frame(0.0f);

    const unsigned int windowRefs = window->getReferenceCount();
    manager->cleanup();
    EXPECT_EQ(manager->getWindow(), nullptr);
    EXPECT_FALSE(contains(window->getActorNodes(), freshImage));
    // The manager's reference and the fresh actor's are gone.
    EXPECT_EQ(window->getReferenceCount(), windowRefs - 2);
}

}  // namespace
