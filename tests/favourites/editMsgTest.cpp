#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/EditBox.h"
#include "favourites/editMsg.h"
#include "studydb/StudyNotifications.h"
#include "tests/favourites/FavouritesFixture.h"
#include "tests/studydb/StudyDbFixture.h"
#include "tests/support/lib/RecordingApplication.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace fs = std::filesystem;
using cocos2d::Vec2;

namespace {

// What the bar posts, as the database would receive it.
struct NotePosts {
    NotePosts() {
        auto* centre = NSUI::NSNotificationCenter::getInstance();
        for (int key : {studydb::NOTIFY_FAVORITE_TEXT_NOTE, studydb::NOTIFY_FAVORITE_VOICE_NOTE}) {
            centre->addObserver(
                this, nullptr,
                [this](cocos2d::Ref*, unsigned posted, NSUI::NSNotificationData* data) {
                    if (posted == studydb::NOTIFY_FAVORITE_TEXT_NOTE) {
                        texts.push_back(data->stringValue);
                    } else {
                        voices.push_back({data->stringValue, data->intValue});
                    }
                },
                key);
        }
    }
    ~NotePosts() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    std::vector<std::string> texts;
    std::vector<std::pair<std::string, int>> voices;
};

class EditMsgTest : public favtest::FavouritesTest {
protected:
    void SetUp() override {
        favtest::FavouritesTest::SetUp();
        bar = editMsg::create();
        bar->setContentSize(cocos2d::Size(300.0f, 100.0f));
        bar->setupLayout();
        scene->addChild(bar);
        frames();
    }
    void TearDown() override {
        bar = nullptr;
        favtest::FavouritesTest::TearDown();
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILEIN");
        unsetenv("SDL_DISKAUDIOFILE");
    }

    cocos2d::ui::Button* button(const char* name) {
        return dynamic_cast<cocos2d::ui::Button*>(bar->getChildByNameDeep(name));
    }
    bool shown(const char* name) { return bar->getChildByNameDeep(name)->isVisible(); }

    // SDL's disk driver as the microphone, reading a loud ramp.
    void useDiskMicrophone() {
        const std::string input = folder.str() + "microphone.raw";
        std::ofstream out(input, std::ios::binary);
        for (int i = 0; i < 64000; ++i) {
            const auto sample = static_cast<std::int16_t>((i % 200) * 150 - 15000);
            out.put(static_cast<char>(sample & 0xff));
            out.put(static_cast<char>((sample >> 8) & 0xff));
        }
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILEIN", input.c_str(), 1);
        setenv("SDL_DISKAUDIOFILE", (folder.str() + "speaker.raw").c_str(), 1);
    }

    void speak(cocos2d::ui::Widget::TouchEventType type) {
        bar->onTouchSpeak(button("btnTouchSpeak"), type);
    }

    editMsg* bar = nullptr;
    bvtest::TempDir folder;
    // The engine's own recorder behind an application object of the test.
    bvtest::RecordingApplication host;
};

}  // namespace

TEST_F(EditMsgTest, TheBarStartsInTextModeAndItsButtonsSwitchModes) {
    ASSERT_NE(bar->getTextBox(), nullptr);
    EXPECT_TRUE(bar->getTextBox()->isVisible());
    EXPECT_TRUE(shown("btnVoice"));
    EXPECT_FALSE(shown("btnTxt"));
    EXPECT_FALSE(shown("btnTouchSpeak"));
    EXPECT_TRUE(shown("imgTxtBK"));
    // The text box sits beside the send button, above it.
    EXPECT_EQ(bar->getTextBox()->getParent(), button("btnGo")->getParent());
    EXPECT_EQ(bar->getTextBox()->getLocalZOrder(), button("btnGo")->getLocalZOrder() + 1000);
    EXPECT_EQ(bar->getTextBox()->getContentSize(), cocos2d::Size(190.0f, 80.0f));

    bar->onButtonClick(button("btnVoice"));
    EXPECT_FALSE(bar->getTextBox()->isVisible());
    EXPECT_FALSE(shown("btnVoice"));
    EXPECT_TRUE(shown("btnTxt"));
    EXPECT_TRUE(shown("btnTouchSpeak"));
    EXPECT_FALSE(shown("imgTxtBK"));
    bar->onButtonClick(button("btnTxt"));
    EXPECT_TRUE(bar->getTextBox()->isVisible());
    EXPECT_TRUE(shown("btnVoice"));
    EXPECT_FALSE(shown("btnTouchSpeak"));
}

TEST_F(EditMsgTest, TypedTextIsSentAsTypedOnReturnOrSendAndEmptyTextSendsNothing) {
    NotePosts posts;
    cocos2d::ui::EditBox* box = bar->getTextBox();
    ASSERT_TRUE(box->openKeyboard());
    cocos2d::InputRouter router;
    const std::string typed = "  see slice 12 ";
    router.insertText(typed.data(), typed.size());
    router.insertText("\n", 1);
    EXPECT_TRUE(studydbtest::pumpUntil([&] { return !posts.texts.empty(); }, 3.0));
    EXPECT_EQ(posts.texts, (std::vector<std::string>{typed}));
    EXPECT_STREQ(box->getText(), "");

    bar->onButtonClick(button("btnGo"));
    box->setText("second");
    bar->onButtonClick(button("btnGo"));
    frames();
    EXPECT_EQ(posts.texts, (std::vector<std::string>{typed, "second"}));
}

TEST_F(EditMsgTest, TheVolumePicksOneOfFifteenFrames) {
    const struct {
        float volume;
        const char* frame;
    } cases[] = {{0.0f, "00"},  {-0.3f, "00"}, {0.5f, "07"}, {0.2f, "02"},
                 {0.99f, "13"}, {1.0f, "14"},  {3.0f, "14"}};
    for (const auto& c : cases) {
        EXPECT_EQ(editMsg::recordFrame(c.volume),
                  std::string("res/chat/record_animate_") + c.frame + ".png")
            << c.volume;
    }
}

TEST_F(EditMsgTest, ARecordingThatCannotStartSaysSoAndPostsNothing) {
    // No sound driver at all.
    setenv("SDL_AUDIODRIVER", "none", 1);
    NotePosts posts;
    bar->application = &host;
    speak(cocos2d::ui::Widget::TouchEventType::BEGAN);
    EXPECT_TRUE(bar->getVoicePath().empty());
    EXPECT_TRUE(showsText(editMsg::kStartFailed));
    EXPECT_EQ(scene->getChildByTag(editMsg::kOverlayTag), nullptr);
    speak(cocos2d::ui::Widget::TouchEventType::ENDED);
    frames();
    EXPECT_TRUE(posts.voices.empty());
}

TEST_F(EditMsgTest, WholeSecondsDecideWhetherARecordingIsKept) {
    useDiskMicrophone();
    NotePosts posts;
    bar->application = &host;
    TimeOfDay now;
    bar->clock = [&now] { return now; };
    const std::string voiceFolder =
        cocos2d::FileUtils::getInstance()->getWritablePath() + editMsg::kVoiceFolder;

    // 12.9 s to 13.1 s crosses a second: a one-second note.
    now = {12, 900000};
    speak(cocos2d::ui::Widget::TouchEventType::BEGAN);
    const std::string kept = bar->getVoicePath();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.rfind(voiceFolder, 0), 0u);
    EXPECT_EQ(kept.substr(kept.size() - 4), ".aac");
    ASSERT_NE(scene->getChildByTag(editMsg::kOverlayTag), nullptr);
    // Let the device deliver some input, then watch the overlay follow its level.
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return host.getAudioVolume() > 0.0f; }));
    frames(2);
    now = {13, 100000};
    // A cancelled touch (released outside the button) still finishes the note.
    speak(cocos2d::ui::Widget::TouchEventType::CANCELED);
    EXPECT_EQ(scene->getChildByTag(editMsg::kOverlayTag), nullptr);
    frames();
    ASSERT_EQ(posts.voices.size(), 1u);
    EXPECT_EQ(posts.voices[0].first,
              kept.substr(cocos2d::FileUtils::getInstance()->getWritablePath().size()));
    EXPECT_EQ(posts.voices[0].first.rfind("qn/favorite/voice/", 0), 0u);
    EXPECT_EQ(posts.voices[0].second, 1);
    // The engine's recorder wrote a WAV, whatever the name says.
    std::ifstream file(kept, std::ios::binary);
    std::string riff(4, '\0');
    file.read(&riff[0], 4);
    EXPECT_EQ(riff, "RIFF");

    // 13.0 s to 13.9 s stays within one second: dropped, file and all.
    now = {13, 0};
    speak(cocos2d::ui::Widget::TouchEventType::BEGAN);
    const std::string dropped = bar->getVoicePath();
    ASSERT_FALSE(dropped.empty());
    now = {13, 900000};
    speak(cocos2d::ui::Widget::TouchEventType::ENDED);
    frames();
    EXPECT_EQ(posts.voices.size(), 1u);
    EXPECT_FALSE(fs::exists(dropped));
    EXPECT_TRUE(showsText(editMsg::kNoMicrophone));
    EXPECT_TRUE(bar->getVoicePath().empty());
}
