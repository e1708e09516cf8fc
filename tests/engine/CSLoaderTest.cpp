#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/2d/Sprite.h"
#include "engine/platform/FileUtils.h"
#include "engine/renderer/Texture2D.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/CheckBox.h"
#include "engine/ui/Helper.h"
#include "engine/ui/ImageView.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Slider.h"
#include "engine/ui/Text.h"
#include "engine/ui/TextField.h"
#include "tests/engine/SceneGraphFixture.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"

using namespace cocos2d;

namespace {

class CSLoaderTest : public SceneGraphTest {
protected:
    void SetUp() override {
        SceneGraphTest::SetUp();
        FileUtils::getInstance()->addSearchPath(_dir.str(), true);
        _demo = bvtest::writeWidgetDemoLayout(_dir.str());
    }
    void TearDown() override {
        CSLoader::destroyInstance();
        FileUtils::getInstance()->setSearchPaths({});
        SceneGraphTest::TearDown();
    }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(_dir.str() + name) << text;
    }

    template <class T> static T* find(Node* root, const std::string& name) {
        return dynamic_cast<T*>(root->getChildByNameDeep(name));
    }

    bvtest::TempDir _dir;
    std::string _demo;
};

}  // namespace

TEST_F(CSLoaderTest, LoadsTheDemoByNameWithItsWidgetsTextsAndState) {
    Node* root = CSLoader::createNode(_demo);
    ASSERT_NE(root, nullptr);
    EXPECT_NE(dynamic_cast<ui::Layout*>(root), nullptr);
    EXPECT_EQ(root->getName(), "widgetDemo");
    EXPECT_EQ(root->getContentSize(), Size(320.0f, 240.0f));

    auto* ok = find<ui::Button>(root, "ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->getTag(), 11);
    EXPECT_EQ(ok->getTitleText(), "demo.ok");
    EXPECT_EQ(ok->getContentSize(), Size(60.0f, 30.0f));
    EXPECT_TRUE(ok->isTouchEnabled());
    EXPECT_EQ(find<ui::Text>(root, "title")->getString(), "demo.title");
    EXPECT_FLOAT_EQ(find<ui::Text>(root, "title")->getFontSize(), 20.0f);
    EXPECT_EQ(find<ui::ImageView>(root, "photo")->getContentSize(), Size(40.0f, 40.0f));
    auto* volume = find<ui::Slider>(root, "volume");
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->getPercent(), 50);
    EXPECT_EQ(volume->getContentSize(), Size(200.0f, 10.0f));
    EXPECT_TRUE(find<ui::CheckBox>(root, "agree")->isSelected());
    auto* clip = find<ui::Layout>(root, "clip");
    ASSERT_NE(clip, nullptr);
    EXPECT_TRUE(clip->isClippingEnabled());
    EXPECT_EQ(clip->getLocalZOrder(), 5);
    EXPECT_NE(find<ui::ImageView>(clip, "big"), nullptr);
    EXPECT_EQ(find<Node>(root, "missing"), nullptr);
}

TEST_F(CSLoaderTest, LayoutDataPlacesTheWidgetsForAnySizeOfTheRoot) {
    struct Case {
        Size root;
        Vec2 ok;
        Vec2 cancel;
        Vec2 photo;
        Vec2 title;
        float volumeX;
    } cases[] = {
        {{320.0f, 240.0f},
         {50.0f, 200.0f},
         {270.0f, 200.0f},
         {160.0f, 120.0f},
         {160.0f, 180.0f},
         160.0f},
        {{960.0f, 640.0f},
         {50.0f, 600.0f},
         {910.0f, 600.0f},
         {480.0f, 320.0f},
         {480.0f, 480.0f},
         480.0f},
    };
    for (const Case& c : cases) {
        Node* root = CSLoader::createNode(_demo);
        ASSERT_NE(root, nullptr);
        root->setContentSize(c.root);
        ui::Helper::doLayout(root);
        EXPECT_EQ(find<Node>(root, "ok")->getPosition(), c.ok) << c.root.width;
        EXPECT_EQ(find<Node>(root, "cancel")->getPosition(), c.cancel) << c.root.width;
        EXPECT_EQ(find<Node>(root, "photo")->getPosition(), c.photo) << c.root.width;
        EXPECT_EQ(find<Node>(root, "title")->getPosition(), c.title) << c.root.width;
        EXPECT_EQ(find<Node>(root, "volume")->getPosition(), Vec2(c.volumeX, 40.0f));
        EXPECT_EQ(find<Node>(root, "agree")->getPosition(), Vec2(30.0f, 40.0f));
    }
}

TEST_F(CSLoaderTest, EveryNodeKindAndPropertyOfTheFormatIsRead) {
    write("kinds.csb", R"({"version": 1, "root": {"type": "Node", "name": "root",
      "size": [100, 50], "children": [
        {"type": "Sprite", "name": "bk", "texture": "photo.png", "flipX": true,
         "anchor": [0, 1], "position": [0, 50], "scale": [2, 0.5], "rotation": 30,
         "color": [10, 20, 30], "opacity": 128, "visible": false, "zOrder": -3, "tag": 4},
        {"type": "Widget", "name": "plain", "size": [5, 5], "touchEnabled": true,
         "enabled": false},
        {"type": "Layout", "name": "panel", "layoutType": 4, "backgroundColor": [1, 2, 3],
         "backgroundOpacity": 77, "size": [60, 20], "children": [
           {"type": "Text", "name": "t", "text": "x", "layoutParameter":
             {"type": "linear", "gravity": "bottom", "margin": [1, 2, 3, 4]}},
           {"type": "Text", "name": "u", "text": "y", "hAlign": "right", "vAlign": "bottom",
            "textArea": [30, 12], "shadowColor": [0, 0, 0, 255], "shadowOffset": [1, -1],
            "textColor": [1, 2, 3, 4], "touchScaleChange": true}]},
        {"type": "Layout", "name": "rel", "layoutType": 3, "children": [
           {"type": "ImageView", "name": "r", "texture": "photo.png", "scale9": true,
            "capInsets": [1, 1, 2, 2], "size": [70, 9], "layoutParameter":
             {"type": "relative", "align": 9, "relativeName": "corner", "relativeTo": "x",
              "margin": [0, 0, 5, 5]}}]},
        {"type": "TextField", "name": "edit", "placeholder": "Text", "fontSize": 15,
         "maxLength": 4, "password": true, "text": "secret", "size": [190, 25]},
        {"type": "Button", "name": "b", "scale9": true, "capInsets": [5, 5, 20, 20],
         "normal": "btnRed.png", "size": [230, 40], "titleColor": [255, 255, 255],
         "titleFontSize": 18, "pressedAction": true, "titleText": "login.getCode"}]}})");
    Node* root = CSLoader::createNode("kinds.csb");
    ASSERT_NE(root, nullptr);
    auto* bk = find<Sprite>(root, "bk");
    ASSERT_NE(bk, nullptr);
    EXPECT_EQ(bk->getTexture()->getPixelsWide(), 40);
    EXPECT_TRUE(bk->isFlippedX());
    EXPECT_EQ(bk->getAnchorPoint(), Vec2(0.0f, 1.0f));
    EXPECT_FLOAT_EQ(bk->getScaleX(), 2.0f);
    EXPECT_FLOAT_EQ(bk->getScaleY(), 0.5f);
    EXPECT_FLOAT_EQ(bk->getRotation(), 30.0f);
    EXPECT_EQ(bk->getColor(), Color3B(10, 20, 30));
    EXPECT_EQ(bk->getOpacity(), 128);
    EXPECT_FALSE(bk->isVisible());
    EXPECT_EQ(bk->getLocalZOrder(), -3);
    EXPECT_EQ(bk->getTag(), 4);
    EXPECT_FALSE(find<ui::Widget>(root, "plain")->isEnabled());
    auto* panel = find<ui::Layout>(root, "panel");
    EXPECT_EQ(panel->getLayoutType(), ui::Layout::Type::HORIZONTAL_RIGHT);
    EXPECT_EQ(panel->getBackGroundColor(), Color3B(1, 2, 3));
    EXPECT_EQ(panel->getBackGroundColorOpacity(), 77);
    auto* linear =
        dynamic_cast<ui::LinearLayoutParameter*>(find<ui::Text>(root, "t")->getLayoutParameter());
    ASSERT_NE(linear, nullptr);
    EXPECT_EQ(linear->getGravity(), ui::LinearLayoutParameter::LinearGravity::BOTTOM);
    EXPECT_TRUE(linear->getMargin().equals(ui::Margin(1, 2, 3, 4)));
    auto* u = find<ui::Text>(root, "u");
    EXPECT_EQ(u->getContentSize(), Size(30.0f, 12.0f));
    EXPECT_EQ(u->getTextHorizontalAlignment(), TextHAlignment::RIGHT);
    EXPECT_TRUE(u->isShadowEnabled());
    EXPECT_TRUE(u->isTouchScaleChangeEnabled());
    auto* r = find<ui::ImageView>(root, "r");
    auto* relative = dynamic_cast<ui::RelativeLayoutParameter*>(r->getLayoutParameter());
    ASSERT_NE(relative, nullptr);
    EXPECT_EQ(relative->getAlign(),
              ui::RelativeLayoutParameter::RelativeAlign::PARENT_RIGHT_BOTTOM);
    EXPECT_EQ(relative->getRelativeName(), "corner");
    EXPECT_EQ(relative->getRelativeToWidgetName(), "x");
    EXPECT_EQ(r->getContentSize(), Size(70.0f, 9.0f));
    auto* edit = find<ui::TextField>(root, "edit");
    EXPECT_EQ(edit->getString(), "secr");
    EXPECT_EQ(edit->getPlaceHolder(), "Text");
    EXPECT_EQ(edit->getContentSize(), Size(190.0f, 25.0f));
    auto* b = find<ui::Button>(root, "b");
    EXPECT_EQ(b->getContentSize(), Size(230.0f, 40.0f));
    EXPECT_TRUE(b->isPressedActionEnabled());
    EXPECT_EQ(b->getTitleColor(), Color3B::WHITE);
    EXPECT_EQ(b->getTitleText(), "login.getCode");
}

TEST_F(CSLoaderTest, BrokenFilesYieldNoNodeAtAll) {
    const char* broken[] = {
        "",
        "{\"version\": 1, \"root\": ",
        "[1, 2]",
        "{\"version\": 2, \"root\": {\"type\": \"Node\"}}",
        "{\"version\": 1}",
        "{\"version\": 1, \"root\": {\"type\": \"Gizmo\"}}",
        "{\"version\": 1, \"root\": {\"name\": \"noType\"}}",
        "{\"version\": 1, \"root\": {\"type\": \"Node\", \"position\": [1]}}",
        "{\"version\": 1, \"root\": {\"type\": \"Node\", \"visible\": \"yes\"}}",
        "{\"version\": 1, \"root\": {\"type\": \"Layout\", \"layoutType\": 9}}",
        "{\"version\": 1, \"root\": {\"type\": \"Text\", \"hAlign\": \"middle\"}}",
        "{\"version\": 1, \"root\": {\"type\": \"Widget\", \"layoutParameter\": {\"align\": 30}}}",
        "{\"version\": 1, \"root\": {\"type\": \"Node\", \"children\": [{\"type\": \"Nope\"}]}}",
        "{\"version\": 1, \"root\": {\"type\": \"Node\", \"layout\": {\"horizontalEdge\": 3}}}",
    };
    int index = 0;
    for (const char* text : broken) {
        const std::string name = "broken" + std::to_string(index++) + ".csb";
        write(name, text);
        EXPECT_EQ(CSLoader::createNode(name), nullptr) << text;
    }
    EXPECT_EQ(CSLoader::createNode("absent.csb"), nullptr);
    std::string error;
    EXPECT_EQ(CSLoader::getInstance()->createNodeFromText(broken[7], &error), nullptr);
    EXPECT_NE(error.find("position"), std::string::npos) << error;
}

TEST_F(CSLoaderTest, TheCachedFormReusesTheParsedFileUntilTheLoaderGoes) {
    ASSERT_NE(CSLoader::createNode(_demo, true), nullptr);
    EXPECT_EQ(CSLoader::getInstance()->getCachedFileCount(), 1u);
    write(_demo, "not a layout any more");
    FileUtils::getInstance()->purgeCachedEntries();
    Node* cached = CSLoader::createNode(_demo, true);
    ASSERT_NE(cached, nullptr);
    EXPECT_NE(cached->getChildByNameDeep("ok"), nullptr);
    EXPECT_EQ(CSLoader::createNode(_demo), nullptr);
    CSLoader::destroyInstance();
    EXPECT_EQ(CSLoader::createNode(_demo, true), nullptr);
    EXPECT_EQ(CSLoader::getInstance()->getCachedFileCount(), 0u);
}

TEST_F(CSLoaderTest, TheDocumentedExampleLoadsAndLaysOutAsDescribed) {
    const std::string doc =
        FileUtils::getInstance()->getStringFromFile(BV_SOURCE_DOCS "layout-format.md");
    const size_t start = doc.find("```json\n{\n");
    ASSERT_NE(start, std::string::npos);
    const size_t end = doc.find("```", start + 7);
    std::string error;
    Node* root =
        CSLoader::getInstance()->createNodeFromText(doc.substr(start + 7, end - start - 7), &error);
    ASSERT_NE(root, nullptr) << error;
    root->setContentSize(Size(1280.0f, 800.0f));
    ui::Helper::doLayout(root);
    Node* bar = root->getChildByName("titleBar");
    EXPECT_EQ(bar->getContentSize(), Size(1280.0f, 60.0f));
    EXPECT_EQ(bar->getPosition(), Vec2(0.0f, 800.0f));
    EXPECT_EQ(bar->getChildByName("title")->getPosition(), Vec2(640.0f, 30.0f));
    EXPECT_EQ(bar->getChildByName("goBack")->getPosition().x, 10.0f);
    Node* content = root->getChildByName("content");
    EXPECT_EQ(content->getContentSize(), Size(1280.0f, 740.0f));
    EXPECT_EQ(content->getChildByName("logo")->getPosition(), Vec2(640.0f, 370.0f));
    EXPECT_EQ(content->getChildByName("volume")->getPosition(), Vec2(640.0f, 40.0f));
    EXPECT_EQ(content->getChildByName("editFilter")->getPosition(), Vec2(1260.0f, 100.0f));
}
