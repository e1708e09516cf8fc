#include "viewerscreen/editWW.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/IMEDelegate.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "tests/viewerscreen/ToolsFixture.h"
#include "toolkit/widgets/NSResponseWindow.h"

namespace toolstest {
namespace {

constexpr unsigned kOpenerKey = 777;
const char* const kFields[] = {"editWW", "editWL", "editMin", "editMax"};

class EditWWTest : public ToolsTest {
protected:
    // The desktop form over the scene, filled and keyed as an opener does.
    editWW* open(float width, float level) {
        window = editWW::createWindow();
        EXPECT_NE(window, nullptr);
        scene->addChild(window);
        auto* entry = dynamic_cast<editWW*>(window->getChildByNameDeep("editWW_view"));
        EXPECT_NE(entry, nullptr);
        entry->setValues(width, level);
        entry->setNotificationKey(kOpenerKey, nullptr);
        return entry;
    }

    static std::vector<std::string> values(const editWW* entry) {
        std::vector<std::string> out;
        for (const char* name : kFields) {
            const NSUI::NSTextField* field = entry->getField(name);
            out.push_back(field != nullptr ? field->getString() : "<missing>");
        }
        return out;
    }

    // Clears a field and types into it one character at a time.
    static void type(editWW* entry, const std::string& name, const std::string& text) {
        NSUI::NSTextField* field = entry->getField(name);
        ASSERT_NE(field, nullptr) << name;
        field->setString("");
        field->startEditing();
        for (const char c : text) {
            cocos2d::IMEDispatcher::sharedDispatcher()->dispatchInsertText(&c, 1);
        }
        field->detachWithIME();
    }

    std::string toast() const {
        auto* text = dynamic_cast<cocos2d::ui::Text*>(scene->getChildByNameDeep("messageBox.text"));
        return text != nullptr ? text->getString() : "";
    }

    NSUI::NSResponseWindow* window = nullptr;
};

TEST_F(EditWWTest, ValuesAreShownAsWholeNumbersOfBothPairs) {
    const struct {
        float width, level;
        std::vector<std::string> shown;
    } cases[] = {
        {400.0f, 40.0f, {"400", "40", "-160", "240"}},
        {1500.0f, -600.0f, {"1500", "-600", "-1350", "150"}},
        {0.4f, 10.0f, {"0", "10", "10", "10"}},
        {4095.0f, 2047.5f, {"4095", "2048", "0", "4095"}},
    };
    for (const auto& c : cases) {
        editWW* entry = open(c.width, c.level);
        EXPECT_EQ(values(entry), c.shown) << c.width << "/" << c.level;
    }
}

TEST_F(EditWWTest, TypingKeepsThePairsInStepOnlyWhenTheyMakeAWindow) {
    const struct {
        const char* field;
        const char* typed;
        std::vector<std::string> shown;
    } cases[] = {
        {"editWW", "1000", {"1000", "40", "-460", "540"}},
        {"editWL", "-100", {"400", "-100", "-300", "100"}},
        // A width of 0 makes no window: the lowest and highest stay.
        {"editWW", "0", {"0", "40", "-160", "240"}},
        // Each keystroke counts: "3" and "30" still lie below 240, "300" does not.
        {"editMin", "300", {"210", "135", "300", "240"}},
        {"editMax", "1000", {"1160", "420", "-160", "1000"}},
        // Four decimals at most, trailing zeros dropped.
        {"editMin", "-0.5", {"240.5", "119.75", "-0.5", "240"}},
    };
    for (const auto& c : cases) {
        editWW* entry = open(400.0f, 40.0f);
        type(entry, c.field, c.typed);
        EXPECT_EQ(values(entry), c.shown) << c.field << " := " << c.typed;
    }
}

TEST_F(EditWWTest, FieldsTakeTenCharactersOfASignedDecimalNumber) {
    editWW* entry = open(400.0f, 40.0f);
    const struct {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"12345678901", "1234567890"},
        {"1-2", "12"},
        {"-1.2.3", "-1.23"},
        {".5", "5"},
        {"--1", "-1"},
        {"4a0", "40"},
    };
    for (const auto& c : cases) {
        type(entry, "editWL", c.typed);
        EXPECT_EQ(entry->getField("editWL")->getString(), c.kept) << c.typed;
    }
}

TEST_F(EditWWTest, ConfirmingPostsWidthAndLevelToTheOpenerOrRefuses) {
    PostRecorder recorder({isImageSDK::NOTIFY_WW_APPLY}, nullptr);
    const struct {
        float width, level;
        const char* field;  // typed after filling, or null
        const char* typed;
        bool posted;
        std::string text;  // the posted window, or the message shown
    } cases[] = {
        {400.0f, 40.0f, nullptr, "", true, "{\"ww\":\"400.000000\",\"wl\":\"40.000000\"}"},
        // What the lowest and highest say does not matter once they are in order.
        {400.0f, 40.0f, "editMin", "239", true, "{\"ww\":\"1.000000\",\"wl\":\"239.500000\"}"},
        {0.4f, 10.0f, nullptr, "", false, "The window width must be greater than 0."},
        {400.0f, 40.0f, "editWW", "0", false, "The window width must be greater than 0."},
        {400.0f, 40.0f, "editWW", "", false, "The window width must be greater than 0."},
        {400.0f, 40.0f, "editMin", "300", false, "The lowest value must not be above the highest."},
        // Equal lowest and highest are a window of their own.
        {400.0f, 40.0f, "editMin", "240", true, "{\"ww\":\"216.000000\",\"wl\":\"132.000000\"}"},
    };
    for (const auto& c : cases) {
        recorder.posts.clear();
        editWW* entry = open(c.width, c.level);
        if (c.field != nullptr) {
            type(entry, c.field, c.typed);
        }
        auto* back = dynamic_cast<cocos2d::ui::Button*>(entry->getChildByNameDeep("btn_back"));
        ASSERT_NE(back, nullptr);
        entry->retain();
        window->retain();
        entry->onBackClicked(back);
        frames(3);
        if (c.posted) {
            ASSERT_EQ(recorder.posts.size(), 1u) << c.typed;
            EXPECT_EQ(recorder.posts[0].text, c.text);
            EXPECT_EQ(recorder.posts[0].dataKey, kOpenerKey);
            EXPECT_EQ(recorder.posts[0].sender, entry);
            EXPECT_EQ(window->getParent(), nullptr) << "the whole pop-up closes";
        } else {
            EXPECT_TRUE(recorder.posts.empty()) << c.typed;
            EXPECT_EQ(toast(), c.text);
            EXPECT_EQ(window->getParent(), scene) << "no cancel: the entry stays open";
            window->removeFromParent();
        }
        window->release();
        entry->release();
    }
}

TEST_F(EditWWTest, AWindowTheSeriesValuesCannotFillIsRefused) {
    PostRecorder recorder({isImageSDK::NOTIFY_WW_APPLY}, nullptr);
    const std::string refused = "The window width must be greater than 0.";
    // A signed 16-bit series: values -32768 .. 32767, a range of 65535.
    const struct {
        const char* field;
        const char* typed;
        bool posted;
    } cases[] = {
        {"editWL", "", false},       {"editWL", "-", false},     {"editWW", "40080976", false},
        {"editWW", "131071", false}, {"editWW", "131070", true}, {"editWL", "32768", false},
        {"editWL", "-32769", false}, {"editWL", "32767", true},  {"editWL", "-32768", true},
    };
    for (const auto& c : cases) {
        recorder.posts.clear();
        editWW* entry = open(400.0f, 40.0f);
        float lowest = 0.0f;
        float highest = 0.0f;
        isImageSDK::pixelValueRange(isImageSDK::PIXEL_INT16, lowest, highest);
        entry->setValueRange(lowest, highest);
        type(entry, c.field, c.typed);
        window->retain();
        const bool posted = entry->apply();
        frames(1);
        EXPECT_EQ(posted, c.posted) << c.field << " := " << c.typed;
        EXPECT_EQ(recorder.posts.size(), c.posted ? 1u : 0u) << c.field << " := " << c.typed;
        if (!c.posted) {
            EXPECT_EQ(toast(), refused) << c.field << " := " << c.typed;
        }
        window->removeFromParent();
        window->release();
    }
}

TEST_F(EditWWTest, AnUnsignedEightBitSeriesBoundsTheWindowByItsOwnRange) {
    float lowest = 0.0f;
    float highest = 0.0f;
    isImageSDK::pixelValueRange(isImageSDK::PIXEL_UINT8, lowest, highest);
    const struct {
        float width, level;
        bool posted;
    } cases[] = {
        {510.0f, 128.0f, true},  {511.0f, 128.0f, false}, {100.0f, -1.0f, false},
        {100.0f, 256.0f, false}, {100.0f, 0.0f, true},
    };
    for (const auto& c : cases) {
        editWW* entry = open(c.width, c.level);
        entry->setValueRange(lowest, highest);
        EXPECT_EQ(entry->apply(), c.posted) << c.width << "/" << c.level;
        window->removeFromParent();
    }
}

TEST_F(EditWWTest, TheFieldsSitBesideTheirLabelsInTheWindowsTopMiddle) {
    editWW* entry = open(400.0f, 40.0f);
    const cocos2d::Node* layout = entry->getLayout();
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->getAnchorPoint(), cocos2d::Vec2(0.5f, 1.0f));
    EXPECT_EQ(layout->getPosition(), cocos2d::Vec2(kWidth * 0.5f, kHeight));
    const std::pair<const char*, const char*> rows[] = {{"editWW_window", "editWW"},
                                                        {"editWW_level", "editWL"},
                                                        {"editWW_min", "editMin"},
                                                        {"editWW_max", "editMax"}};
    for (const auto& [label, name] : rows) {
        const cocos2d::Node* text = entry->getChildByNameDeep(label);
        const NSUI::NSTextField* field = entry->getField(name);
        ASSERT_NE(text, nullptr);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->getPosition(), text->getPosition() + cocos2d::Vec2(22.0f, -3.0f));
        EXPECT_EQ(field->getContentSize(), cocos2d::Size(300.0f, 29.0f));
        // Its box in the layout is wholly inside the pop-up.
        const cocos2d::Vec2 right = field->convertToWorldSpace(cocos2d::Vec2(300.0f, 0.0f));
        EXPECT_LT(right.x, kWidth);
    }
}

TEST_F(EditWWTest, ThePhoneSceneConfirmsWithItsBackButton) {
    editWWScene* phone = editWWScene::create();
    ASSERT_NE(phone, nullptr);
    cocos2d::Node* frame = phone->getChildByTag(100);
    ASSERT_NE(frame, nullptr);
    auto* title = dynamic_cast<cocos2d::ui::Text*>(frame->getChildByNameDeep("title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getString(), "Window and level");
    auto* entry = dynamic_cast<editWW*>(frame->getChildByNameDeep("editWW_view"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->getContentSize(), cocos2d::Size(kWidth, kHeight - 60.0f));
    cocos2d::Director::getInstance()->pushScene(phone);
    frames(2);
    PostRecorder recorder({isImageSDK::NOTIFY_WW_APPLY}, nullptr);
    EXPECT_TRUE(phone->onResponseReturn());
    frames(2);
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), phone) << "empty fields";
    entry->setValues(80.0f, 40.0f);
    EXPECT_TRUE(phone->onResponseReturn());
    frames(3);
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), scene);
    ASSERT_EQ(recorder.posts.size(), 1u);
    EXPECT_EQ(recorder.posts[0].text, "{\"ww\":\"80.000000\",\"wl\":\"40.000000\"}");
}

}  // namespace
}  // namespace toolstest
