#include <gtest/gtest.h>

#include <string>

#include "engine/2d/FontFreeType.h"
#include "engine/2d/Label.h"
#include "engine/base/AutoreleasePool.h"

using namespace cocos2d;

namespace {

// Labels are autoreleased; each test drains its own pool.
class LabelTest : public ::testing::Test {
protected:
    AutoreleasePool _pool;

    static Label* label(const std::string& text, float size = 20) {
        Label* created = Label::createWithSystemFont(text, "", size);
        EXPECT_NE(created, nullptr);
        return created;
    }
};

}  // namespace

TEST_F(LabelTest, OneLineIsAsTallAsALineAndWidensWithItsText) {
    Label* shortText = label("Wi");
    Label* longText = label("Window width");
    EXPECT_EQ(shortText->getStringNumLines(), 1);
    EXPECT_FLOAT_EQ(shortText->getContentSize().height, shortText->getLineHeight());
    EXPECT_GT(shortText->getLineHeight(), 20.0f * 0.9f);
    EXPECT_GT(longText->getContentSize().width, shortText->getContentSize().width * 3);

    Label* bigger = label("Window width", 40);
    EXPECT_NEAR(bigger->getContentSize().width, longText->getContentSize().width * 2,
                longText->getContentSize().width * 0.1f);
}

TEST_F(LabelTest, EmptyTextMeasuresNothingUnlessDimensionsAreSet) {
    Label* empty = label("");
    EXPECT_EQ(empty->getContentSize().width, 0.0f);
    EXPECT_EQ(empty->getContentSize().height, 0.0f);
    EXPECT_EQ(empty->getStringNumLines(), 0);
    empty->setDimensions(120, 30);
    EXPECT_EQ(empty->getContentSize().width, 120.0f);
    EXPECT_EQ(empty->getContentSize().height, 30.0f);
}

// Text fields lay their text out one character per label, so a space must measure as wide
// as it advances the pen, also alone or at the end of the text.
TEST_F(LabelTest, SpacesAtTheEndOfTheTextKeepTheirWidth) {
    const float space = label(" ")->getContentSize().width;
    EXPECT_GT(space, 0.0f);
    EXPECT_FLOAT_EQ(label("a  ")->getContentSize().width,
                    label("a")->getContentSize().width + 2 * space);
    EXPECT_FLOAT_EQ(label("a b")->getContentSize().width, label("a")->getContentSize().width +
                                                              space +
                                                              label("b")->getContentSize().width);
}

TEST_F(LabelTest, LineBreaksAndWrappingKeepEveryWordWhole) {
    Label* twoLines = label("first\nsecond");
    ASSERT_EQ(twoLines->getStringNumLines(), 2);
    EXPECT_FLOAT_EQ(twoLines->getContentSize().height, 2 * twoLines->getLineHeight());

    const std::string text = "the quick brown fox jumps over the lazy dog";
    Label* wrapped = label(text);
    const float natural = wrapped->getContentSize().width;
    wrapped->setDimensions(natural / 3, 0);
    EXPECT_EQ(wrapped->getContentSize().width, natural / 3);
    ASSERT_GE(wrapped->getStringNumLines(), 3);
    std::string joined;
    for (const auto& line : wrapped->getLines()) {
        Label* measured = label(line);
        EXPECT_LE(measured->getContentSize().width, natural / 3) << line;
        EXPECT_NE(line.front(), ' ');
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, text);
    EXPECT_FLOAT_EQ(wrapped->getContentSize().height,
                    wrapped->getStringNumLines() * wrapped->getLineHeight());
}

TEST_F(LabelTest, AWordWiderThanTheLineBreaksBetweenCharacters) {
    Label* word = label("Reformatted");
    const float natural = word->getContentSize().width;
    word->setDimensions(natural / 2, 0);
    ASSERT_GE(word->getStringNumLines(), 2);
    std::string joined;
    for (const auto& line : word->getLines()) {
        joined += line;
    }
    EXPECT_EQ(joined, "Reformatted");
}

TEST_F(LabelTest, ChineseTextFindsAFontAndBreaksWithoutSpaces) {
    const std::string text = "\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95";  // four CJK
    Label* chinese = label(text);
    // Each character is drawn by a system font that covers it, about one em wide.
    EXPECT_GT(chinese->getContentSize().width, 4 * 20 * 0.8f);
    EXPECT_FALSE(FontFreeType::findSystemFontFile("", U'\u4E2D').empty());
    chinese->setDimensions(chinese->getContentSize().width / 2 + 1, 0);
    EXPECT_EQ(chinese->getStringNumLines(), 2);
}

TEST_F(LabelTest, ShadowAndAlignmentLeaveTheSizeAlone) {
    Label* plain = label("Level 40");
    const Size size = plain->getContentSize();
    plain->enableShadow(Color4B::BLACK, Size(1, -1), 0);
    plain->setAlignment(TextHAlignment::RIGHT, TextVAlignment::BOTTOM);
    plain->setTextColor(Color4B(250, 250, 250, 255));
    EXPECT_EQ(plain->getContentSize().width, size.width);
    EXPECT_EQ(plain->getContentSize().height, size.height);
}

TEST_F(LabelTest, TtfLabelsNeedTheirFile) {
    EXPECT_EQ(Label::createWithTTF("x", "no-such-font.ttf", 20), nullptr);
    const std::string dejavu = FontFreeType::findSystemFontFile("DejaVu Sans");
    ASSERT_FALSE(dejavu.empty());
    Label* ttf = Label::createWithTTF("Brimvale", dejavu, 20);
    ASSERT_NE(ttf, nullptr);
    EXPECT_EQ(ttf->getTTFFontFile(), dejavu);
    EXPECT_GT(ttf->getContentSize().width, 0.0f);
    // A system font may be named by its file too.
    Label* byFile = Label::createWithSystemFont("Brimvale", dejavu, 20);
    EXPECT_EQ(byFile->getContentSize().width, ttf->getContentSize().width);
}
