#include "engine/audio/AudioMixer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "WavFixture.h"
#include "tests/support/lib/TempDir.h"

using cocos2d::AudioClip;
using cocos2d::AudioMixer;

namespace {

using wavtest::writeWav;

// A clip that holds the same value on both sides in every frame.
std::shared_ptr<const AudioClip> constantClip(std::size_t frames, float value) {
    auto clip = std::make_shared<AudioClip>();
    clip->samples.assign(frames * 2, value);
    return clip;
}

std::vector<float> render(AudioMixer& mixer, std::size_t frames) {
    std::vector<float> out(frames * 2, 99.0f);
    mixer.render(out.data(), frames);
    return out;
}

TEST(AudioMixerLoad, ConvertsAnyWavToStereoFloatAtTheMixerRate) {
    bvtest::TempDir dir;
    const std::string mono = (dir / "mono.wav").string();
    writeWav(mono, AudioMixer::SAMPLE_RATE, 1, std::vector<std::int16_t>(1000, 16384));
    auto clip = AudioMixer::loadWav(mono);
    ASSERT_NE(clip, nullptr);
    ASSERT_EQ(clip->frames(), 1000u);
    EXPECT_NEAR(clip->samples[0], 0.5f, 1e-3f);
    EXPECT_NEAR(clip->samples[1], 0.5f, 1e-3f);

    const std::string slow = (dir / "named-like-aac.aac").string();
    writeWav(slow, AudioMixer::SAMPLE_RATE / 2, 2, std::vector<std::int16_t>(2000, -8192));
    clip = AudioMixer::loadWav(slow);
    ASSERT_NE(clip, nullptr);
    EXPECT_NEAR(static_cast<double>(clip->frames()), 2000.0, 8.0);
    EXPECT_NEAR(clip->samples[clip->samples.size() / 2], -0.25f, 1e-2f);
}

TEST(AudioMixerLoad, MissingOrForeignFilesGiveNoClip) {
    bvtest::TempDir dir;
    EXPECT_EQ(AudioMixer::loadWav((dir / "absent.wav").string()), nullptr);
    const std::string text = (dir / "text.wav").string();
    std::ofstream(text) << "not a sound at all, only some words";
    EXPECT_EQ(AudioMixer::loadWav(text), nullptr);
}

struct LevelCase {
    const char* name;
    float pan;
    float gain;
    float effectsVolume;
    float left;
    float right;
};

void PrintTo(const LevelCase& c, std::ostream* os) {
    *os << c.name;
}

class AudioMixerLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(AudioMixerLevels, PanGainAndChannelVolumeScaleEachSide) {
    const LevelCase& c = GetParam();
    AudioMixer mixer;
    mixer.setVolume(AudioMixer::Channel::EFFECTS, c.effectsVolume);
    ASSERT_NE(mixer.play(constantClip(16, 0.5f), AudioMixer::Channel::EFFECTS, false, 1.0f, c.pan,
                         c.gain),
              0u);
    const std::vector<float> out = render(mixer, 4);
    for (std::size_t f = 0; f < 4; ++f) {
        EXPECT_NEAR(out[f * 2], c.left, 1e-6f) << "frame " << f;
        EXPECT_NEAR(out[f * 2 + 1], c.right, 1e-6f) << "frame " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AudioMixerLevels,
    ::testing::Values(LevelCase{"Centre", 0.0f, 1.0f, 1.0f, 0.5f, 0.5f},
                      LevelCase{"HardLeft", -1.0f, 1.0f, 1.0f, 0.5f, 0.0f},
                      LevelCase{"HardRight", 1.0f, 1.0f, 1.0f, 0.0f, 0.5f},
                      LevelCase{"HalfRightHalfGain", 0.5f, 0.5f, 1.0f, 0.125f, 0.25f},
                      LevelCase{"PanBeyondRangeIsClamped", -3.0f, 1.0f, 1.0f, 0.5f, 0.0f},
                      LevelCase{"NegativeGainIsSilence", 0.0f, -2.0f, 1.0f, 0.0f, 0.0f},
                      LevelCase{"EffectsVolumeHalf", 0.0f, 1.0f, 0.5f, 0.25f, 0.25f},
                      LevelCase{"LoudMixIsClipped", 0.0f, 4.0f, 1.0f, 1.0f, 1.0f}),
    [](const ::testing::TestParamInfo<LevelCase>& info) { return info.param.name; });

TEST(AudioMixerVoices, AVoiceEndsAfterItsLastFrameUnlessItLoops) {
    AudioMixer mixer;
    const unsigned int once =
        mixer.play(constantClip(100, 0.25f), AudioMixer::Channel::EFFECTS, false, 1.0f, 0, 1);
    const unsigned int looping =
        mixer.play(constantClip(100, 0.5f), AudioMixer::Channel::MUSIC, true, 1.0f, 0, 1);
    EXPECT_NE(once, looping);
    render(mixer, 64);
    EXPECT_TRUE(mixer.isPlaying(once));
    const std::vector<float> out = render(mixer, 64);
    EXPECT_FALSE(mixer.isPlaying(once));
    EXPECT_TRUE(mixer.isPlaying(looping));
    EXPECT_NEAR(out[(35 * 2)], 0.75f, 1e-6f);  // frame 99 of the short clip
    EXPECT_NEAR(out[(36 * 2)], 0.5f, 1e-6f);   // past its end only the loop sounds
    render(mixer, 1000);
    EXPECT_TRUE(mixer.isPlaying(looping));
    EXPECT_EQ(mixer.getVoiceCount(), 1u);
}

TEST(AudioMixerVoices, PitchChangesHowFastTheClipIsConsumed) {
    AudioMixer mixer;
    const unsigned int fast =
        mixer.play(constantClip(100, 0.1f), AudioMixer::Channel::EFFECTS, false, 2.0f, 0, 1);
    const unsigned int slow =
        mixer.play(constantClip(100, 0.1f), AudioMixer::Channel::EFFECTS, false, 0.5f, 0, 1);
    const unsigned int invalid =
        mixer.play(constantClip(100, 0.1f), AudioMixer::Channel::EFFECTS, false, 0.0f, 0, 1);
    render(mixer, 50);
    EXPECT_FALSE(mixer.isPlaying(fast));
    EXPECT_TRUE(mixer.isPlaying(invalid));
    render(mixer, 50);
    EXPECT_FALSE(mixer.isPlaying(invalid));
    EXPECT_TRUE(mixer.isPlaying(slow));
    render(mixer, 100);
    EXPECT_FALSE(mixer.isPlaying(slow));
}

TEST(AudioMixerVoices, StopsByIdChannelAndClip) {
    AudioMixer mixer;
    auto shared = constantClip(10, 0.1f);
    const unsigned int a = mixer.play(shared, AudioMixer::Channel::EFFECTS, true, 1, 0, 1);
    const unsigned int b = mixer.play(shared, AudioMixer::Channel::EFFECTS, true, 1, 0, 1);
    const unsigned int c =
        mixer.play(constantClip(10, 0.1f), AudioMixer::Channel::EFFECTS, true, 1, 0, 1);
    const unsigned int music =
        mixer.play(constantClip(10, 0.1f), AudioMixer::Channel::MUSIC, true, 1, 0, 1);
    EXPECT_EQ(mixer.play(nullptr, AudioMixer::Channel::EFFECTS, false, 1, 0, 1), 0u);
    EXPECT_EQ(
        mixer.play(std::make_shared<AudioClip>(), AudioMixer::Channel::EFFECTS, false, 1, 0, 1),
        0u);

    mixer.stop(c);
    mixer.stop(12345);
    EXPECT_FALSE(mixer.isPlaying(c));
    mixer.stopClip(shared.get());
    EXPECT_FALSE(mixer.isPlaying(a));
    EXPECT_FALSE(mixer.isPlaying(b));
    EXPECT_TRUE(mixer.isPlaying(music));
    mixer.play(shared, AudioMixer::Channel::EFFECTS, true, 1, 0, 1);
    mixer.stopChannel(AudioMixer::Channel::EFFECTS);
    EXPECT_EQ(mixer.getVoiceCount(), 1u);
    mixer.stopChannel(AudioMixer::Channel::MUSIC);
    EXPECT_EQ(mixer.getVoiceCount(), 0u);
    const std::vector<float> out = render(mixer, 8);
    EXPECT_EQ(out, std::vector<float>(16, 0.0f));
}

TEST(AudioMixerVoices, RenderingThreadAndCallerThreadShareTheVoicesSafely) {
    AudioMixer mixer;
    std::atomic<bool> done{false};
    std::thread device([&] {
        std::vector<float> out(256 * 2);
        while (!done.load()) {
            mixer.render(out.data(), 256);
        }
    });
    auto clip = constantClip(300, 0.01f);
    for (int i = 0; i < 2000; ++i) {
        const unsigned int id = mixer.play(clip, AudioMixer::Channel::EFFECTS, i % 3 == 0,
                                           1.0f + static_cast<float>(i % 4), 0.0f, 1.0f);
        mixer.setVolume(AudioMixer::Channel::EFFECTS, static_cast<float>(i % 10) / 10.0f);
        if (i % 2 == 0) {
            mixer.stop(id);
        }
        mixer.isPlaying(id);
    }
    mixer.stopChannel(AudioMixer::Channel::EFFECTS);
    done.store(true);
    device.join();
    EXPECT_EQ(mixer.getVoiceCount(), 0u);
}

}  // namespace
