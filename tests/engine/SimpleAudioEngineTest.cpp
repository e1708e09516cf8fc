#include "engine/audio/SimpleAudioEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "WavFixture.h"
#include "tests/support/lib/TempDir.h"

using CocosDenshion::SimpleAudioEngine;

namespace {

// The engine on SDL's dummy output driver, which consumes sound without a sound card.
class SimpleAudioEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        _effect = (_dir / "ding.wav").string();
        wavtest::writeWav(_effect, 22050, 1, std::vector<std::int16_t>(22050, 3000));
        _music = (_dir / "note.aac").string();
        wavtest::writeWav(_music, 16000, 1, std::vector<std::int16_t>(16000 * 30, 1000));
    }
    void TearDown() override {
        SimpleAudioEngine::end();
        unsetenv("SDL_AUDIODRIVER");
    }

    bvtest::TempDir _dir;
    std::string _effect;
    std::string _music;
};

TEST_F(SimpleAudioEngineTest, EffectsPlayWithTheirOwnIdsAndStop) {
    SimpleAudioEngine* audio = SimpleAudioEngine::getInstance();
    audio->preloadEffect(_effect.c_str());
    const unsigned int first = audio->playEffect(_effect.c_str());
    const unsigned int looping = audio->playEffect(_effect.c_str(), true, 1.0f, 0.0f, 1.0f);
    EXPECT_NE(first, 0u);
    EXPECT_NE(looping, 0u);
    EXPECT_NE(first, looping);
    audio->stopEffect(looping);
    audio->stopEffect(looping);
    audio->stopEffect(0);
    audio->stopAllEffects();
    audio->unloadEffect(_effect.c_str());
    EXPECT_NE(audio->playEffect(_effect.c_str(), false, 1.5f, -0.5f, 0.5f), 0u);
}

TEST_F(SimpleAudioEngineTest, MissingFilesPlayNothing) {
    SimpleAudioEngine* audio = SimpleAudioEngine::getInstance();
    audio->preloadEffect("no/such/sound.wav");
    EXPECT_EQ(audio->playEffect("no/such/sound.wav"), 0u);
    EXPECT_EQ(audio->playEffect(""), 0u);
    EXPECT_EQ(audio->playEffect(nullptr), 0u);
    audio->playBackgroundMusic("no/such/music.wav");
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());
    audio->unloadEffect("no/such/sound.wav");
}

TEST_F(SimpleAudioEngineTest, OneBackgroundTrackPlaysUntilStoppedOrReplaced) {
    SimpleAudioEngine* audio = SimpleAudioEngine::getInstance();
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());
    audio->preloadBackgroundMusic(_music.c_str());
    audio->playBackgroundMusic(_music.c_str(), false);
    EXPECT_TRUE(audio->isBackgroundMusicPlaying());
    audio->stopAllEffects();
    EXPECT_TRUE(audio->isBackgroundMusicPlaying());
    audio->playBackgroundMusic(_effect.c_str(), true);
    EXPECT_TRUE(audio->isBackgroundMusicPlaying());
    audio->stopBackgroundMusic(true);
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());
    audio->playBackgroundMusic(_music.c_str());
    EXPECT_TRUE(audio->isBackgroundMusicPlaying());
}

TEST_F(SimpleAudioEngineTest, VolumesAreClampedAndKept) {
    SimpleAudioEngine* audio = SimpleAudioEngine::getInstance();
    audio->setEffectsVolume(0.25f);
    audio->setBackgroundMusicVolume(3.0f);
    EXPECT_FLOAT_EQ(audio->getEffectsVolume(), 0.25f);
    EXPECT_FLOAT_EQ(audio->getBackgroundMusicVolume(), 1.0f);
    audio->setEffectsVolume(-1.0f);
    EXPECT_FLOAT_EQ(audio->getEffectsVolume(), 0.0f);
}

TEST_F(SimpleAudioEngineTest, EndWhilePlayingIsCleanAndANewInstanceStartsAfresh) {
    SimpleAudioEngine* audio = SimpleAudioEngine::getInstance();
    EXPECT_NE(audio->playEffect(_effect.c_str(), true), 0u);
    audio->playBackgroundMusic(_music.c_str(), true);
    SimpleAudioEngine::end();
    SimpleAudioEngine::end();
    audio = SimpleAudioEngine::getInstance();
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());
    EXPECT_NE(audio->playEffect(_effect.c_str()), 0u);
}

TEST_F(SimpleAudioEngineTest, WithoutASoundDeviceEveryCallReturns) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SimpleAudioEngine* audio = SimpleAudioEngine::getInstance();
    audio->preloadEffect(_effect.c_str());
    EXPECT_EQ(audio->playEffect(_effect.c_str()), 0u);
    audio->playBackgroundMusic(_music.c_str(), true);
    EXPECT_FALSE(audio->isBackgroundMusicPlaying());
    audio->stopBackgroundMusic();
    audio->stopAllEffects();
}

}  // namespace
