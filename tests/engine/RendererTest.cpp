#include "engine/renderer/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "SceneGraphFixture.h"
#include "engine/2d/Camera.h"
#include "engine/2d/Layer.h"
#include "engine/renderer/ClippingProtocol.h"
#include "engine/renderer/CustomCommand.h"
#include "engine/renderer/GroupCommand.h"
#include "engine/renderer/ScissorCommand.h"

using namespace cocos2d;
using Call = RecordingRendererBackend::Call;

namespace {

class RendererTest : public SceneGraphTest {
protected:
    static RecordingRendererBackend* recorder(Renderer& renderer) {
        return static_cast<RecordingRendererBackend*>(renderer.getBackend());
    }
    static RecordingRendererBackend* frameRecorder() {
        return recorder(*Director::getInstance()->getRenderer());
    }
};

std::vector<const RenderCommand*> drawn(const std::vector<CustomCommand>& commands,
                                        std::initializer_list<int> order) {
    std::vector<const RenderCommand*> result;
    for (int i : order) {
        result.push_back(&commands[static_cast<size_t>(i)]);
    }
    return result;
}

TEST_F(RendererTest, QueuesRunNegativeThenOpaqueThenTransparentFarToNearThenZeroThenPositive) {
    Renderer renderer;
    Camera* camera = Camera::create();
    std::vector<CustomCommand> commands(9);
    Mat4 at;
    Mat4::createTranslation(0, 0, 0, &at);
    auto depthAt = [](float z) {
        Mat4 m;
        Mat4::createTranslation(0, 0, z, &m);
        return m;
    };
    Camera::_visitingCamera = camera;
    commands[0].init(3);
    commands[1].init(-2);
    commands[2].init(0);
    commands[3].init(-5);
    commands[4].init(1);
    commands[5].init(0);
    commands[6].init(0, depthAt(-50), Node::FLAGS_RENDER_AS_3D);
    commands[7].init(0, depthAt(20), Node::FLAGS_RENDER_AS_3D);
    commands[8].init(0, depthAt(-50), Node::FLAGS_RENDER_AS_3D);
    Camera::_visitingCamera = nullptr;
    commands[7].setTransparent(false);
    EXPECT_GT(commands[6].getDepth(), commands[7].getDepth());
    for (auto& command : commands) {
        renderer.addCommand(&command);
    }
    renderer.render();

    EXPECT_EQ(recorder(renderer)->getDrawnCommands(), drawn(commands, {3, 1, 7, 6, 8, 2, 5, 4, 0}));
    std::vector<RenderQueueState> states;
    for (const auto& record : recorder(renderer)->getRecords()) {
        if (record.call == Call::QUEUE_STATE) {
            states.push_back(record.state);
        }
    }
    const RenderQueueState flat{false, false, true};
    const RenderQueueState opaque{true, true, false};
    const RenderQueueState transparent{true, false, true};
    // One state per non-empty queue, then the 2D state again for whatever follows.
    EXPECT_EQ(states, (std::vector<RenderQueueState>{flat, opaque, transparent, flat, flat, flat}));

    // Rendering empties the queues.
    recorder(renderer)->clearRecords();
    renderer.render();
    EXPECT_TRUE(recorder(renderer)->getRecords().empty());
}

TEST_F(RendererTest, GroupCommandsRunTheirOwnQueueInPlace) {
    Renderer renderer;
    std::vector<CustomCommand> commands(3);
    GroupCommand group;
    group.init(&renderer, 0);
    commands[0].init(0);
    commands[1].init(5);
    commands[2].init(-5);
    renderer.addCommand(&commands[0]);
    renderer.addCommand(&group);
    renderer.pushGroup(group.getRenderQueueID());
    renderer.addCommand(&commands[1]);
    renderer.addCommand(&commands[2]);
    renderer.popGroup();
    renderer.render();
    EXPECT_EQ(recorder(renderer)->getDrawnCommands(), drawn(commands, {0, 2, 1}));
}

class ClipNode : public Node, public ClippingProtocol {
public:
    static ClipNode* create(const Rect& rect) {
        auto* node = new ClipNode();
        node->init();
        node->autorelease();
        node->setClippingRect(rect);
        return node;
    }
    // The region covers the node and its subtree.
    void visit(Renderer* renderer, const Mat4& parentTransform, uint32_t flags) override {
        beginScissor(renderer);
        Node::visit(renderer, parentTransform, flags);
        endScissor(renderer);
    }
    void draw(Renderer* renderer, const Mat4& transform, uint32_t flags) override {
        command.init(_globalZOrder, transform,
                     flags | (isDepthTestEnabled() ? Node::FLAGS_RENDER_AS_3D : 0));
        renderer->addCommand(&command);
    }
    CustomCommand command;
};

TEST_F(RendererTest, ScissorRegionsNestAndRestoreTheOuterRegion) {
    Scene* scene = Scene::create();
    ClipNode* outer = ClipNode::create(Rect(0, 0, 100, 100));
    outer->setPosition(10, 10);
    ClipNode* inner = ClipNode::create(Rect(0, 0, 100, 100));
    inner->setPosition(50, 50);
    ClipNode* unclipped = ClipNode::create(Rect::ZERO);
    outer->addChild(inner);
    outer->addChild(unclipped);
    scene->addChild(outer);
    show(scene);

    std::vector<std::string> calls;
    for (const auto& record : frameRecorder()->getRecords()) {
        if (record.call == Call::SCISSOR) {
            const auto n = [](float v) { return std::to_string(std::lround(v)); };
            const Rect& r = record.rect;
            calls.push_back(record.color ? "on " + n(r.origin.x) + "," + n(r.origin.y) + " " +
                                               n(r.size.width) + "x" + n(r.size.height)
                                         : "off");
        } else if (record.call == Call::CUSTOM) {
            calls.push_back(record.command == &outer->command   ? "outer"
                            : record.command == &inner->command ? "inner"
                                                                : "unclipped");
        }
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"on 10,10 100x100", "outer", "on 60,60 50x50",
                                               "inner", "on 10,10 100x100", "unclipped", "off"}));
}

TEST_F(RendererTest, PassScissorBoundsEveryCommandOfOneRenderOnly) {
    Renderer renderer;
    CustomCommand flat;
    flat.init(0);
    CustomCommand deep;
    Camera::_visitingCamera = Camera::create();
    deep.init(0, Mat4::IDENTITY, Node::FLAGS_RENDER_AS_3D);
    Camera::_visitingCamera = nullptr;
    ScissorCommand open;
    open.initBegin(0, Rect(0, 0, 500, 500), Mat4::IDENTITY, 0);
    ScissorCommand close;
    close.initEnd(0, Mat4::IDENTITY, 0);
    std::vector<std::string> calls;
    const auto log = [&calls, &deep](Renderer& r) {
        for (const auto& record : recorder(r)->getRecords()) {
            if (record.call == Call::SCISSOR) {
                const Rect& q = record.rect;
                calls.push_back(record.color ? "on " + std::to_string(std::lround(q.origin.x)) +
                                                   " " + std::to_string(std::lround(q.size.width))
                                             : "off");
            } else if (record.call == Call::CUSTOM) {
                calls.push_back(record.command == &deep ? "deep" : "flat");
            }
        }
        recorder(r)->clearRecords();
    };
    renderer.setPassScissor(Rect(100, 0, 200, 300));
    for (RenderCommand* command : std::vector<RenderCommand*>{&open, &flat, &close, &deep}) {
        renderer.addCommand(command);
    }
    renderer.render();
    log(renderer);
    // Inner regions are cut to the pass region, and closing them restores it.
    EXPECT_EQ(calls, (std::vector<std::string>{"on 100 200", "deep", "on 100 200", "flat",
                                               "on 100 200", "off"}));
    calls.clear();
    renderer.addCommand(&flat);
    renderer.render();
    log(renderer);
    EXPECT_EQ(calls, (std::vector<std::string>{"flat"}));
}

TEST_F(RendererTest, DepthTestedClippedNodeDrawsInThe3DQueue) {
    Scene* scene = Scene::create();
    ClipNode* flat = ClipNode::create(Rect::ZERO);
    ClipNode* deep = ClipNode::create(Rect::ZERO);
    deep->enableDepthTest();
    scene->addChild(deep);
    scene->addChild(flat);
    show(scene);
    EXPECT_TRUE(deep->command.is3D());
    EXPECT_FALSE(flat->command.is3D());
    const auto commands = frameRecorder()->getDrawnCommands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], &deep->command);
}

const V3F_C4B_T2F* verticesOf(const RenderCommand* command) {
    return static_cast<const TrianglesCommand*>(command)->getVertices();
}

TEST_F(RendererTest, EachCameraPassClearsDepthAndDrawsWhatItsFlagSees) {
    Scene* scene = Scene::create();
    auto* camera = Camera::create();
    camera->setCameraFlag(2);
    scene->addChild(camera);
    LayerColor* plain = LayerColor::create(Color4B(255, 0, 0, 255), 10, 10);
    LayerColor* seenBy2 = LayerColor::create(Color4B(0, 255, 0, 128), 20, 20);
    seenBy2->removeCameraMask(1);
    seenBy2->setCameraMask(2);
    scene->addChild(plain);
    scene->addChild(seenBy2);
    show(scene);

    std::vector<std::string> calls;
    for (const auto& record : frameRecorder()->getRecords()) {
        switch (record.call) {
        case Call::CLEAR:
            calls.push_back(record.color ? "clear" : "clear depth");
            break;
        case Call::VIEWPORT:
            calls.push_back("viewport");
            break;
        case Call::TRIANGLES:
            calls.push_back(
                verticesOf(record.command)[0].colors == Color4B(255, 0, 0, 255) ? "red" : "green");
            break;
        default:
            break;
        }
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"clear", "viewport", "clear depth", "green",
                                               "viewport", "clear depth", "red"}));
    const auto* green =
        static_cast<const TrianglesCommand*>(frameRecorder()->getDrawnCommands()[0]);
    EXPECT_EQ(green->getVertexCount(), 4);
    EXPECT_EQ(green->getIndexCount(), 6);
    EXPECT_EQ(green->getVertices()[3].vertices, Vec3(20, 20, 0));
    EXPECT_EQ(green->getTextureID(), 0u);
}

class VisitProbe : public LayerColor {
public:
    static VisitProbe* create(std::vector<std::string>* log, const Color4B& color) {
        auto* node = new VisitProbe();
        node->_log = log;
        node->initWithColor(color, 5, 5);
        node->autorelease();
        return node;
    }
    void onBeforeVisit() override { _log->push_back("before"); }
    void onAfterVisit() override { _log->push_back("after"); }

private:
    std::vector<std::string>* _log = nullptr;
};

TEST_F(RendererTest, CameraSkipsSubtreesItDoesNotSeeUnlessTheyLetTheVisitThrough) {
    Scene* scene = Scene::create();
    auto* camera = Camera::create();
    camera->setCameraFlag(2);
    scene->addChild(camera);
    std::vector<std::string> log;
    VisitProbe* holder = VisitProbe::create(&log, Color4B(255, 0, 0, 255));
    LayerColor* inner = LayerColor::create(Color4B(0, 0, 255, 255), 5, 5);
    inner->removeCameraMask(1);
    inner->setCameraMask(2);
    holder->addChild(inner);
    scene->addChild(holder);
    show(scene);
    // Only the default camera's pass reaches the holder; the inner node is never drawn.
    EXPECT_EQ(log, (std::vector<std::string>{"before", "after"}));
    ASSERT_EQ(frameRecorder()->getDrawnCommands().size(), 1u);

    holder->enableCameraVisitThroughtChild();
    log.clear();
    Director::getInstance()->mainLoop(0.0f);
    EXPECT_EQ(log, (std::vector<std::string>{"before", "after", "before", "after"}));
    const auto commands = frameRecorder()->getDrawnCommands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(verticesOf(commands[0])[0].colors, Color4B(0, 0, 255, 255));
    EXPECT_EQ(verticesOf(commands[1])[0].colors, Color4B(255, 0, 0, 255));
}

TEST_F(RendererTest, DefaultCameraMapsWindowPointsOntoThemselves) {
    Scene* scene = Scene::create();
    show(scene);
    Camera* camera = scene->getDefaultCamera();
    for (const Vec2& p : {Vec2(0, 0), Vec2(480, 320), Vec2(959, 17)}) {
        const Vec2 screen = camera->projectGL(Vec3(p.x, p.y, 0));
        EXPECT_NEAR(screen.x, p.x, 1e-2f);
        EXPECT_NEAR(screen.y, p.y, 1e-2f);
        for (float depth : {0.0f, 0.5f, 1.0f}) {
            const Vec3 world = camera->unproject(Vec3(p.x, p.y, depth));
            const Vec2 back = camera->projectGL(world);
            EXPECT_NEAR(back.x, p.x, 0.05f);
            EXPECT_NEAR(back.y, p.y, 0.05f);
        }
    }
    Renderer& renderer = *Director::getInstance()->getRenderer();
    Camera::_visitingCamera = camera;
    Mat4 inside;
    Mat4::createTranslation(100, 100, 0, &inside);
    Mat4 outside;
    Mat4::createTranslation(2000, 100, 0, &outside);
    EXPECT_TRUE(renderer.checkVisibility(inside, Size(10, 10)));
    EXPECT_FALSE(renderer.checkVisibility(outside, Size(10, 10)));
    Camera::_visitingCamera = nullptr;
}

}  // namespace
