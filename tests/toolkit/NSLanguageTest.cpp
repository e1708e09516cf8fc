#include "toolkit/core/NSLanguage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/base/Base64.h"
#include "engine/base/IMEDelegate.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Text.h"
#include "tests/support/lib/KeptResourcePaths.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "tests/toolkit/FixedLanguageApplication.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSRichElement.h"
#include "toolkit/widgets/NSTextField.h"

namespace {

using cocos2d::LanguageType;

const char* const kPlistHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
const char* const kPlistTail = "</dict>\n</plist>\n";

// english, chinese and german parts; "german" lacks "cancel", and "nested" is not a text.
std::string sampleTable() {
    return std::string(kPlistHead) +
           "<key>english</key><dict>"
           "<key>ok</key><string>OK</string>"
           "<key>cancel</key><string>Cancel</string>"
           "<key>nested</key><dict><key>a</key><string>b</string></dict>"
           "<key>list</key><array><string>x</string></array>"
           "</dict>"
           "<key>chinese</key><dict>"
           "<key>ok</key><string>确定</string>"
           "<key>cancel</key><string>取消</string>"
           "</dict>"
           "<key>german</key><dict><key>ok</key><string>Gut</string></dict>"
           "<key>french</key><string>not a dictionary</string>" +
           kPlistTail;
}

std::string base64Of(const std::string& text) {
    return cocos2d::safeBase64EncodeString(text);
}

// Base64 in lines of 76 characters, as mail-style encoders write it.
std::string wrappedBase64Of(const std::string& text) {
    const std::string encoded = base64Of(text);
    std::string wrapped;
    for (size_t i = 0; i < encoded.size(); i += 76) {
        wrapped += encoded.substr(i, 76) + "\r\n";
    }
    return wrapped;
}

// A private "language.dat" found before the shipped one, and an application reporting the
// language the test chooses.
class NSLanguageTest : public ::testing::Test {
protected:
    void SetUp() override { cocos2d::FileUtils::getInstance()->addSearchPath(dir_.str(), true); }

    void TearDown() override { NSUI::setSharedLanguage(nullptr); }

    void writeTable(const std::string& content) {
        std::ofstream out(dir_ / "language.dat", std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        cocos2d::FileUtils::getInstance()->purgeCachedEntries();
    }

    bvtest::TempDir dir_;
    bvtest::FixedLanguageApplication application_{LanguageType::ENGLISH};
    bvtest::KeptResourcePaths kept_;
};

struct EncodingCase {
    const char* name;
    std::string (*encode)(const std::string&);
};

std::string plainText(const std::string& text) {
    return text;
}

// The decoded text ends at its first zero byte.
std::string base64WithTrailingZero(const std::string& text) {
    return base64Of(text + std::string(1, '\0') + "<garbage");
}

TEST_F(NSLanguageTest, EveryEncodingGivesTheSameTable) {
    const EncodingCase encodings[] = {
        {"plain", plainText},
        {"base64", base64Of},
        {"wrapped base64", wrappedBase64Of},
        {"base64 with trailing zero", base64WithTrailingZero},
    };
    for (const auto& encoding : encodings) {
        SCOPED_TRACE(encoding.name);
        writeTable(encoding.encode(sampleTable()));
        for (const auto language : {LanguageType::ENGLISH, LanguageType::CHINESE}) {
            application_.setLanguage(language);
            NSUI::NSLanguage table;
            table.load();
            ASSERT_TRUE(table.isLoaded());
            const bool chinese = language == LanguageType::CHINESE;
            EXPECT_EQ(table.getString("ok"), chinese ? "确定" : "OK");
            EXPECT_EQ(table.getString("cancel"), chinese ? "取消" : "Cancel");
        }
    }
}

TEST_F(NSLanguageTest, LanguageChoiceFallsBackToEnglish) {
    struct Case {
        LanguageType language;
        const char* ok;
        const char* cancel;
    };
    const Case cases[] = {
        {LanguageType::ENGLISH, "OK", "Cancel"},
        {LanguageType::CHINESE, "确定", "取消"},
        // Its own part, even though it lacks a key: no per-key fallback.
        {LanguageType::GERMAN, "Gut", ""},
        // Present, but not a dictionary.
        {LanguageType::FRENCH, "OK", "Cancel"},
        {LanguageType::JAPANESE, "OK", "Cancel"},
        {static_cast<LanguageType>(42), "OK", "Cancel"},
    };
    writeTable(sampleTable());
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.language));
        application_.setLanguage(c.language);
        NSUI::NSLanguage table;
        table.load();
        EXPECT_EQ(table.getString("ok"), c.ok);
        EXPECT_EQ(table.getString("cancel"), c.cancel);
    }
}

TEST_F(NSLanguageTest, WithoutEnglishAnUnknownLanguageFindsNothing) {
    writeTable(std::string(kPlistHead) +
               "<key>chinese</key><dict><key>ok</key><string>确定</string></dict>" + kPlistTail);
    application_.setLanguage(LanguageType::KOREAN);
    NSUI::NSLanguage table;
    table.load();
    EXPECT_TRUE(table.isLoaded());
    EXPECT_EQ(table.getString("ok"), "");
}

TEST_F(NSLanguageTest, MissingEmptyAndNonTextKeysGiveEmptyText) {
    writeTable(sampleTable());
    NSUI::NSLanguage table;
    table.load();
    for (const char* key : {"", "missing", "nested", "list", "OK"}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(table.getString(key), "");
    }
    // The previous answer does not leak into a failed lookup.
    EXPECT_EQ(table.getString("ok"), "OK");
    EXPECT_EQ(table.getString("missing"), "");
}

TEST_F(NSLanguageTest, DamagedFilesLeaveTheTableUnloaded) {
    struct Case {
        const char* name;
        std::string content;
        bool logged;
    };
    const std::string table = sampleTable();
    const Case cases[] = {
        {"empty file", "", false},
        {"plain garbage", "this is not a property list", true},
        {"truncated plist", table.substr(0, table.size() / 2), true},
        {"base64 of garbage", base64Of("\x01\x02 not xml"), true},
        {"base64 of truncated plist", base64Of(table.substr(0, 80)), true},
        {"array root",
         std::string("<plist version=\"1.0\"><array><string>a</string></array>"
                     "</plist>"),
         true},
        {"base64 of a zero byte first", base64Of(std::string(1, '\0') + table), true},
    };
    const char* quiet = std::getenv("BRIMVALE_QUIET_LOG");
    const std::optional<std::string> savedQuiet =
        quiet != nullptr ? std::optional<std::string>(quiet) : std::nullopt;
    unsetenv("BRIMVALE_QUIET_LOG");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeTable(c.content);
        NSUI::NSLanguage language;
        testing::internal::CaptureStderr();
        language.load();
        const std::string logged = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(language.isLoaded());
        EXPECT_EQ(language.getString("ok"), "");
        EXPECT_EQ(logged.find("Failed to load config file of language.") != std::string::npos,
                  c.logged);
    }
    if (savedQuiet) {
        setenv("BRIMVALE_QUIET_LOG", savedQuiet->c_str(), 1);
    }
}

TEST_F(NSLanguageTest, MissingFileLeavesTheTableUnloadedAndALaterLoadRetries) {
    bvtest::TempDir emptyRoot;
    auto* files = cocos2d::FileUtils::getInstance();
    files->setDefaultResourceRootPath(emptyRoot.str());
    files->setSearchPaths({});
    NSUI::NSLanguage table;
    table.load();
    EXPECT_FALSE(table.isLoaded());
    EXPECT_EQ(table.getString("ok"), "");
    writeTable(sampleTable());
    files->addSearchPath(dir_.str());
    table.load();
    EXPECT_EQ(table.getString("ok"), "OK");
}

TEST_F(NSLanguageTest, ASecondLoadKeepsTheFirstTable) {
    writeTable(sampleTable());
    NSUI::NSLanguage table;
    table.load();
    writeTable(std::string(kPlistHead) +
               "<key>english</key><dict><key>ok</key><string>Changed</string></dict>" + kPlistTail);
    application_.setLanguage(LanguageType::CHINESE);
    table.load();
    EXPECT_EQ(table.getString("ok"), "OK");
}

TEST_F(NSLanguageTest, PublishedTableAnswersTheGlobalLookups) {
    writeTable(sampleTable());
    NSUI::UILocalConfig config;
    EXPECT_EQ(NSUI::getLocalizedString("ok"), "");
    EXPECT_EQ(config.getLanguageText("ok"), "");
    {
        NSUI::NSLanguage table;
        NSUI::setSharedLanguage(&table);
        EXPECT_EQ(config.getLanguageTextByKey("ok"), "");
        table.load();
        EXPECT_EQ(NSUI::getLocalizedString("ok"), "OK");
        EXPECT_EQ(config.getLanguageText("cancel"), "Cancel");
        EXPECT_EQ(config.getLanguageTextByKey("ok"), "OK");
        EXPECT_EQ(config.getLanguageText("missing"), "");
        EXPECT_EQ(config.getLanguageText(nullptr), "");
    }
    EXPECT_EQ(NSUI::getSharedLanguage(), nullptr);
    EXPECT_EQ(NSUI::getLocalizedString("ok"), "");
}

TEST_F(NSLanguageTest, TranslateNodeRewritesTextsAndButtonTitlesWithTheirPrefix) {
    writeTable(std::string(kPlistHead) +
               "<key>english</key><dict>"
               "<key>dlg.ok</key><string>Fine</string>"
               "<key>dlg.cancel</key><string>Stop</string>"
               "<key>dlg.inner</key><string>Inner</string>"
               "<key>ok</key><string>Unprefixed</string>"
               "</dict>" +
               kPlistTail);
    NSUI::NSLanguage table;
    table.load();

    auto* root = cocos2d::Node::create();
    auto* text = cocos2d::ui::Text::create("ok", "", 12);
    auto* button = cocos2d::ui::Button::create();
    button->setTitleText("cancel");
    auto* panel = cocos2d::ui::Layout::create();
    auto* nestedText = cocos2d::ui::Text::create("cancel", "", 12);
    auto* untranslated = cocos2d::ui::Button::create();
    untranslated->setTitleText("Saved title");
    auto* textWithChild = cocos2d::ui::Text::create("missing", "", 12);
    auto* innerText = cocos2d::ui::Text::create("inner", "", 12);
    textWithChild->addChild(innerText);
    root->addChild(text);
    root->addChild(button);
    root->addChild(panel);
    panel->addChild(nestedText);
    panel->addChild(untranslated);
    root->addChild(textWithChild);

    table.translateNode(root, "dlg.");
    EXPECT_EQ(text->getString(), "Fine");
    EXPECT_EQ(button->getTitleText(), "Stop");
    EXPECT_EQ(nestedText->getString(), "Stop");
    EXPECT_EQ(untranslated->getTitleText(), "Saved title");
    EXPECT_EQ(textWithChild->getString(), "missing");
    // Text widgets are not searched.
    EXPECT_EQ(innerText->getString(), "inner");

    // Without a prefix the widgets' texts are the keys themselves.
    auto* plain = cocos2d::ui::Text::create("ok", "", 12);
    root->addChild(plain);
    table.translateNode(root, "");
    EXPECT_EQ(plain->getString(), "Unprefixed");
    table.translateNode(nullptr, "");
}

// What a text field's elements show.
std::string shownBy(const NSUI::NSTextField* field) {
    std::string result;
    for (NSUI::NSRichElement* element : field->elements) {
        result += static_cast<NSUI::NSRichElementText*>(element)->getText();
    }
    return result;
}

TEST_F(NSLanguageTest, TranslateNodeGivesTextFieldsOfALoadedLayoutTheirPlaceholder) {
    writeTable(std::string(kPlistHead) +
               "<key>english</key><dict>"
               "<key>demo.ok</key><string>Fine</string>"
               "<key>demo.title</key><string>Title</string>"
               "<key>find</key><string>Search</string>"
               "</dict>" +
               kPlistTail);
    NSUI::NSLanguage table;
    table.load();

    cocos2d::Node* root = cocos2d::CSLoader::createNode(bvtest::writeWidgetDemoLayout(dir_.str()));
    ASSERT_NE(root, nullptr);
    root->retain();
    cocos2d::Node* clip = root->getChildByNameDeep("clip");
    ASSERT_NE(clip, nullptr);
    // A field whose text is a key, inside a panel of the layout, and one with nothing typed.
    auto* keyed = NSUI::NSTextField::createWithPlaceHolder("Name", cocos2d::Size(200.0f, 30.0f));
    keyed->setString("find");
    clip->addChild(keyed);
    auto* untouched =
        NSUI::NSTextField::createWithPlaceHolder("Name", cocos2d::Size(200.0f, 30.0f));
    root->addChild(untouched);

    table.translateNode(root, "");
    auto* title = dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep("title"));
    auto* ok = dynamic_cast<cocos2d::ui::Button*>(root->getChildByNameDeep("ok"));
    ASSERT_NE(title, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(title->getString(), "Title");
    EXPECT_EQ(ok->getTitleText(), "Fine");

    // The typed text stays on show; the translation waits as the placeholder.
    EXPECT_EQ(keyed->getString(), "find");
    EXPECT_EQ(keyed->placeholderText, "Search");
    EXPECT_EQ(shownBy(keyed), "find");
    keyed->startEditing();
    for (int i = 0; i < 4; ++i) {
        cocos2d::IMEDispatcher::sharedDispatcher()->dispatchDeleteBackward();
    }
    keyed->detachWithIME();
    EXPECT_TRUE(keyed->placeholderShown);
    EXPECT_EQ(shownBy(keyed), "Search");

    EXPECT_EQ(untouched->placeholderText, "Name");
    EXPECT_EQ(shownBy(untouched), "Name");
    root->release();
}

// The shipped table gives every key in English and Chinese.
TEST(ShippedLanguageTable, EnglishAndChineseHaveEveryKey) {
    const cocos2d::ValueMap root =
        cocos2d::FileUtils::getInstance()->getValueMapFromFile("language.dat");
    ASSERT_EQ(root.count("english"), 1u);
    ASSERT_EQ(root.count("chinese"), 1u);
    const cocos2d::ValueMap& english = root.at("english").asValueMap();
    const cocos2d::ValueMap& chinese = root.at("chinese").asValueMap();
    ASSERT_FALSE(english.empty());
    EXPECT_EQ(english.size(), chinese.size());
    for (const auto& entry : english) {
        SCOPED_TRACE(entry.first);
        EXPECT_FALSE(entry.second.asString().empty());
        ASSERT_EQ(chinese.count(entry.first), 1u);
        EXPECT_FALSE(chinese.at(entry.first).asString().empty());
    }
    bvtest::FixedLanguageApplication application(LanguageType::CHINESE);
    NSUI::NSLanguage table;
    table.load();
    EXPECT_EQ(table.getString("appName"), chinese.at("appName").asString());
}

}  // namespace
