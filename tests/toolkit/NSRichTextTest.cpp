#include "toolkit/widgets/NSRichText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/Touch.h"
#include "toolkit/widgets/NSRichElement.h"
#include "toolkit/widgets/UIScrollViewBase.h"

namespace {

using cocos2d::Color3B;
using cocos2d::Director;
using cocos2d::Size;
using cocos2d::Vec2;
using NSUI::NSRichElementText;
using NSUI::NSRichText;

const float kFontSize = 20.0f;

class NSRichTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        Director::getInstance()->setWinSize(Size(960.0f, 640.0f));
        _scene = cocos2d::Scene::create();
        Director::getInstance()->runWithScene(_scene);
        Director::getInstance()->mainLoop(0.0f);
        // The size of one "m" in the font every element uses.
        cocos2d::Label* probe = cocos2d::Label::createWithSystemFont("m", "", kFontSize);
        ASSERT_NE(probe, nullptr);
        _glyph = probe->getContentSize();
        ASSERT_GT(_glyph.width, 2.0f);
        ASSERT_GT(_glyph.height, 2.0f);
    }
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    // A rich text of the given width at (100, 100) in the running scene.
    NSRichText* makeText(float width) {
        NSRichText* text = NSRichText::create();
        text->setContentSize(Size(width, 10.0f));
        text->setAnchorPoint(Vec2::ZERO);
        text->setPosition(Vec2(100.0f, 100.0f));
        _scene->addChild(text);
        return text;
    }

    static NSRichElementText* run(const std::string& s) {
        return NSRichElementText::create(1, s, "", kFontSize, Color3B::BLACK, 255);
    }

    static std::vector<std::string> texts(const NSRichText* text) {
        std::vector<std::string> result;
        for (NSUI::NSRichElement* element : text->elements) {
            result.push_back(static_cast<NSRichElementText*>(element)->getText());
        }
        return result;
    }

    // A touch at a point of element `index`, given in that element's renderer space.
    static int caretAt(NSRichText* text, int index, const Vec2& local) {
        cocos2d::Touch touch;
        touch.setLocation(
            text->elements[static_cast<size_t>(index)]->renderer->convertToWorldSpace(local));
        return text->getCaretIndexAtTouch(&touch);
    }

    cocos2d::Scene* _scene = nullptr;
    Size _glyph;
};

TEST_F(NSRichTextTest, InitGivesAVerticalContainerAndTheDefaultLimits) {
    NSRichText* text = makeText(200.0f);
    ASSERT_NE(text->container, nullptr);
    EXPECT_EQ(text->container->getParent(), text);
    EXPECT_EQ(text->owner, text);
    EXPECT_EQ(text->maxHeight, 100);
    EXPECT_FALSE(text->fixedHeight);
    EXPECT_EQ(text->lineSpacing, 0.0f);

    for (int rejected : {0, -5}) {
        text->setMaxHeight(rejected);
        EXPECT_EQ(text->maxHeight, 100) << rejected;
    }
    text->setMaxHeight(40);
    EXPECT_EQ(text->maxHeight, 40);
}

TEST_F(NSRichTextTest, ARunSplitsIntoOneElementPerCharacterInOrder) {
    NSRichText* text = makeText(400.0f);
    NSRichElementText* first = run("ab\xC3\xA9\xE4\xB8\xAD");
    text->pushBackElement(first, true);
    EXPECT_EQ(texts(text), (std::vector<std::string>{"a", "b", "\xC3\xA9", "\xE4\xB8\xAD"}));
    // The element handed in stays as the first character; the rest are new, each rendered.
    EXPECT_EQ(text->elements[0], first);
    for (NSUI::NSRichElement* element : text->elements) {
        ASSERT_NE(element->renderer, nullptr);
        EXPECT_EQ(element->renderer->getParent(), text->container->getInnerContainer());
        EXPECT_EQ(element->color, Color3B::BLACK);
    }

    // Inserted runs keep their order inside the text; out-of-range indexes clamp.
    text->insertElement(run("xy"), 1, true);
    text->insertElement(run("z"), 99, true);
    text->insertElement(run("<"), -3, true);
    EXPECT_EQ(texts(text),
              (std::vector<std::string>{"<", "a", "x", "y", "b", "\xC3\xA9", "\xE4\xB8\xAD", "z"}));
}

TEST_F(NSRichTextTest, LinesBreakWhenTheNextCharacterPassesTheWidth) {
    const float w = _glyph.width;
    const float h = _glyph.height;
    struct Case {
        float width;
        int characters;
        int perLine;
    } cases[] = {
        {3.0f * w + 1.0f, 7, 3},
        {3.0f * w, 6, 3},
        {2.0f * w + 0.9f * w, 5, 2},
        {10.0f * w, 4, 4},
    };
    for (const Case& c : cases) {
        NSRichText* text = makeText(c.width);
        text->pushBackElement(run(std::string(static_cast<size_t>(c.characters), 'm')), true);
        const int lines = (c.characters + c.perLine - 1) / c.perLine;
        for (int i = 0; i < c.characters; ++i) {
            const int line = i / c.perLine;
            const Vec2 expected((i % c.perLine) * w, (lines - 1 - line) * h);
            const Vec2 actual = text->elements[static_cast<size_t>(i)]->renderer->getPosition();
            EXPECT_NEAR(actual.x, expected.x, 0.01f) << "width " << c.width << " char " << i;
            EXPECT_NEAR(actual.y, expected.y, 0.01f) << "width " << c.width << " char " << i;
        }
        EXPECT_EQ(text->getContentSize(), Size(c.width, lines * h)) << c.width;
        text->removeFromParent();
    }
}

TEST_F(NSRichTextTest, ACharacterWiderThanTheWidgetStandsAloneOnTheNextLine) {
    const float h = _glyph.height;
    NSRichText* text = makeText(_glyph.width * 0.5f);
    text->pushBackElement(run("mm"), true);
    // Each starts a line of its own; the first line before them stays empty.
    EXPECT_EQ(text->elements[0]->renderer->getPosition(), Vec2(0.0f, h));
    EXPECT_EQ(text->elements[1]->renderer->getPosition(), Vec2(0.0f, 0.0f));
    EXPECT_FLOAT_EQ(text->getContentSize().height, 2.0f * h);
}

TEST_F(NSRichTextTest, LineSpacingSeparatesLinesAndCharactersCoverTheirLine) {
    const float w = _glyph.width;
    const float h = _glyph.height;
    NSRichText* text = makeText(2.0f * w + 1.0f);
    text->lineSpacing = 5.0f;
    text->pushBackElement(run("mmmm"), true);
    EXPECT_EQ(text->elements[0]->renderer->getPosition(), Vec2(0.0f, h + 5.0f));
    EXPECT_EQ(text->elements[2]->renderer->getPosition(), Vec2(0.0f, 0.0f));
    EXPECT_FLOAT_EQ(text->getContentSize().height, 2.0f * h + 5.0f);

    // A taller character raises its whole line; the others on it take the line's height.
    NSRichText* mixed = makeText(10.0f * w);
    mixed->pushBackElement(run("m"), false);
    mixed->pushBackElement(
        NSRichElementText::create(2, "M", "", 2.0f * kFontSize, Color3B::RED, 128), true);
    const float tall = mixed->elements[1]->renderer->getContentSize().height;
    EXPECT_GT(tall, h);
    EXPECT_FLOAT_EQ(mixed->elements[0]->renderer->getContentSize().height, tall);
    EXPECT_EQ(mixed->elements[1]->renderer->getOpacity(), 128);
    EXPECT_EQ(mixed->elements[1]->renderer->getColor(), Color3B::RED);
}

TEST_F(NSRichTextTest, TextTallerThanMaxHeightScrollsInsideIt) {
    const float w = _glyph.width;
    const float h = _glyph.height;
    NSRichText* text = makeText(2.0f * w + 1.0f);
    text->setMaxHeight(static_cast<int>(2.5f * h));
    text->pushBackElement(run("mmmmmm"), true);
    const float limit = static_cast<float>(text->maxHeight);
    EXPECT_EQ(text->getContentSize(), Size(2.0f * w + 1.0f, limit));
    EXPECT_EQ(text->container->getContentSize(), Size(2.0f * w + 1.0f, limit));
    EXPECT_FLOAT_EQ(text->container->getInnerContainer()->getContentSize().height, 3.0f * h);
}

TEST_F(NSRichTextTest, FixedHeightKeepsTheBoxAndPutsShortTextAtItsTop) {
    const float h = _glyph.height;
    NSRichText* text = makeText(200.0f);
    text->fixedHeight = true;
    text->setMaxHeight(80);
    text->pushBackElement(run("mm"), true);
    EXPECT_EQ(text->getContentSize(), Size(200.0f, 80.0f));
    EXPECT_FLOAT_EQ(text->container->getInnerContainer()->getContentSize().height, 80.0f);
    EXPECT_FLOAT_EQ(text->elements[0]->renderer->getPositionY(), 80.0f - h);
}

TEST_F(NSRichTextTest, CaretPositionStandsBeforeTheElementOrAfterTheLast) {
    const float w = _glyph.width;
    const float h = _glyph.height;
    NSRichText* text = makeText(2.0f * w + 1.0f);
    EXPECT_EQ(text->getCaretPosition(0), Vec2::ZERO);
    text->pushBackElement(run("mmm"), true);
    struct Case {
        int index;
        Vec2 position;
    } cases[] = {
        {-4, Vec2(0.0f, h)},   {0, Vec2(0.0f, h)}, {1, Vec2(w, h)},
        {2, Vec2(0.0f, 0.0f)}, {3, Vec2(w, 0.0f)}, {9, Vec2(w, 0.0f)},
    };
    for (const Case& c : cases) {
        const Vec2 p = text->getCaretPosition(c.index);
        EXPECT_NEAR(p.x, c.position.x, 0.01f) << c.index;
        EXPECT_NEAR(p.y, c.position.y, 0.01f) << c.index;
    }
}

TEST_F(NSRichTextTest, TouchMapsToTheNearerSideOfTheCharacterUnderIt) {
    const float w = _glyph.width;
    const float h = _glyph.height;
    NSRichText* text = makeText(200.0f);
    cocos2d::Touch touch;
    touch.setLocation(Vec2(150.0f, 110.0f));
    EXPECT_EQ(text->getCaretIndexAtTouch(&touch), -1);

    text->pushBackElement(run("mmmm"), true);
    struct Case {
        int element;
        Vec2 local;
        int caret;
    } cases[] = {
        {2, Vec2(0.75f * w, 0.5f * h), 3}, {2, Vec2(0.25f * w, 0.5f * h), 2},
        {0, Vec2(0.0f, 0.0f), 0},          {3, Vec2(w, h), 4},
        {1, Vec2(0.5f * w, h), 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(caretAt(text, c.element, c.local), c.caret)
            << "element " << c.element << " at " << c.local.x << "," << c.local.y;
    }
    // Beside the text, or above it: on no character.
    EXPECT_EQ(caretAt(text, 3, Vec2(w + 10.0f, 0.5f * h)), 4);
    EXPECT_EQ(caretAt(text, 0, Vec2(0.5f * w, h + 1.0f)), 4);
}

TEST_F(NSRichTextTest, RemovingElementsRelaysOutAndReleasesTheirNodes) {
    const float w = _glyph.width;
    const float h = _glyph.height;
    NSRichText* text = makeText(2.0f * w + 1.0f);
    // "n" is narrower than "m": "mn" fits on the first line, the last "m" does not.
    text->pushBackElement(run("mnm"), true);
    EXPECT_FLOAT_EQ(text->getContentSize().height, 2.0f * h);
    cocos2d::Node* removed = text->elements[1]->renderer;
    removed->retain();
    text->removeElement(1);
    EXPECT_EQ(texts(text), (std::vector<std::string>{"m", "m"}));
    EXPECT_EQ(removed->getParent(), nullptr);
    removed->release();
    EXPECT_FLOAT_EQ(text->getContentSize().height, h);
    text->removeElement(7);
    EXPECT_EQ(text->elements.size(), 2u);

    text->removeAllElements();
    EXPECT_TRUE(text->elements.empty());
    EXPECT_EQ(text->container->getChildrenCount(), static_cast<ssize_t>(0));
    EXPECT_EQ(text->getCaretPosition(3), Vec2::ZERO);
}

TEST_F(NSRichTextTest, CleanupLetsGoOfEveryElement) {
    NSRichText* text = makeText(200.0f);
    NSRichElementText* element = run("ab");
    element->retain();
    text->pushBackElement(element, true);
    // Ours, the autorelease pool's and the rich text's.
    EXPECT_EQ(element->getReferenceCount(), 3u);
    text->removeFromParentAndCleanup(true);
    EXPECT_EQ(element->getReferenceCount(), 2u);
    element->release();
}

}  // namespace
