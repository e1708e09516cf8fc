#include "engine/audio/AudioRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "WavFixture.h"
#include "tests/support/lib/RecordingApplication.h"
#include "tests/support/lib/TempDir.h"

using cocos2d::AudioRecorder;

namespace {

// SDL's disk driver stands in for the microphone: it captures the raw samples of a file (in the
// recorder's format, 16-bit mono) and silence after its end.
class AudioRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        _input = (_dir / "microphone.raw").string();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILEIN", _input.c_str(), 1);
        setenv("SDL_DISKAUDIOFILE", (_dir / "speaker.raw").string().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILEIN");
        unsetenv("SDL_DISKAUDIOFILE");
    }

    void writeInput(const std::vector<std::int16_t>& samples) {
        std::ofstream out(_input, std::ios::binary);
        for (const std::int16_t sample : samples) {
            wavtest::putLE(out, static_cast<std::uint16_t>(sample), 2);
        }
    }

    // The device delivers in real time; wait (boundedly) until it has handed over enough.
    static bool waitForFrames(const AudioRecorder& recorder, std::size_t frames) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (recorder.getCapturedFrames() < frames) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    static std::vector<std::int16_t> ramp(std::size_t count) {
        std::vector<std::int16_t> samples(count);
        for (std::size_t i = 0; i < count; ++i) {
            samples[i] = static_cast<std::int16_t>(static_cast<int>(i % 2000) * 16 - 16000);
        }
        return samples;
    }

    // Checks the header of a mono 16-bit 16 kHz file and returns its samples.
    static std::vector<std::int16_t> readRecording(const std::string& path) {
        const std::vector<std::uint8_t> bytes = wavtest::readBytes(path);
        EXPECT_GE(bytes.size(), 44u);
        if (bytes.size() < 44) {
            return {};
        }
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
        EXPECT_EQ(wavtest::readLE(bytes, 4, 4), bytes.size() - 8);
        EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(wavtest::readLE(bytes, 20, 2), 1u);      // PCM
        EXPECT_EQ(wavtest::readLE(bytes, 22, 2), 1u);      // mono
        EXPECT_EQ(wavtest::readLE(bytes, 24, 4), 16000u);  // rate
        EXPECT_EQ(wavtest::readLE(bytes, 28, 4), 32000u);  // bytes per second
        EXPECT_EQ(wavtest::readLE(bytes, 34, 2), 16u);     // bits
        EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
        EXPECT_EQ(wavtest::readLE(bytes, 40, 4), bytes.size() - 44);
        std::vector<std::int16_t> samples((bytes.size() - 44) / 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(wavtest::readLE(bytes, 44 + i * 2, 2));
        }
        return samples;
    }

    bvtest::TempDir _dir;
    std::string _input;
};

TEST_F(AudioRecorderTest, RecordsEveryCapturedSampleIntoAWavFile) {
    const std::vector<std::int16_t> spoken = ramp(5000);
    writeInput(spoken);
    const std::string note = (_dir / "1234567.aac").string();
    AudioRecorder recorder;
    ASSERT_TRUE(recorder.start(note));
    EXPECT_TRUE(recorder.isRecording());
    ASSERT_TRUE(waitForFrames(recorder, spoken.size()));
    recorder.stop();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.getVolume(), 0.0f);

    const std::vector<std::int16_t> recorded = readRecording(note);
    ASSERT_GE(recorded.size(), spoken.size());
    EXPECT_EQ(recorded.size() % 1024, 0u);  // whole device blocks
    EXPECT_EQ(std::vector<std::int16_t>(recorded.begin(), recorded.begin() + 5000), spoken);
    for (std::size_t i = spoken.size(); i < recorded.size(); ++i) {
        ASSERT_EQ(recorded[i], 0) << "sample " << i;
    }
    recorder.stop();
}

TEST_F(AudioRecorderTest, VolumeIsThePeakOfTheLatestBlock) {
    writeInput(std::vector<std::int16_t>(16000 * 8, -16384));
    AudioRecorder recorder;
    ASSERT_TRUE(recorder.start((_dir / "loud.wav").string()));
    ASSERT_TRUE(waitForFrames(recorder, 2048));
    EXPECT_NEAR(recorder.getVolume(), 0.5f, 1e-3f);
}

TEST_F(AudioRecorderTest, StartingAgainCompletesTheRunningRecordingFirst) {
    writeInput(ramp(16000 * 4));
    AudioRecorder recorder;
    const std::string first = (_dir / "first.wav").string();
    const std::string second = (_dir / "second.wav").string();
    ASSERT_TRUE(recorder.start(first));
    ASSERT_TRUE(waitForFrames(recorder, 1024));
    ASSERT_TRUE(recorder.start(second));
    const std::vector<std::int16_t> firstSamples = readRecording(first);
    EXPECT_GE(firstSamples.size(), 1024u);
    recorder.stop();
    readRecording(second);
}

TEST_F(AudioRecorderTest, FailuresLeaveNoFileBehind) {
    writeInput(ramp(100));
    AudioRecorder recorder;
    EXPECT_FALSE(recorder.start((_dir / "missing-folder" / "note.aac").string()));
    EXPECT_FALSE(recorder.isRecording());

    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const std::string note = (_dir / "note.aac").string();
    EXPECT_FALSE(recorder.start(note));
    EXPECT_FALSE(std::filesystem::exists(note));
    recorder.stop();
    EXPECT_EQ(recorder.getVolume(), 0.0f);
}

TEST_F(AudioRecorderTest, ARecordingStillRunningIsCompletedWhenTheRecorderGoes) {
    writeInput(ramp(2048));
    const std::string note = (_dir / "abandoned.wav").string();
    {
        AudioRecorder recorder;
        ASSERT_TRUE(recorder.start(note));
        ASSERT_TRUE(waitForFrames(recorder, 2048));
    }
    EXPECT_GE(readRecording(note).size(), 2048u);
}

TEST_F(AudioRecorderTest, ApplicationRecordsAVoiceNote) {
    writeInput(std::vector<std::int16_t>(16000 * 8, 8192));
    // The application's recording calls, as the message editor uses them.
    bvtest::RecordingApplication app;
    const std::string note = (_dir / "voice.aac").string();
    EXPECT_EQ(app.getAudioVolume(), 0.0f);
    ASSERT_TRUE(app.startAudioRecord(note));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (app.getAudioVolume() == 0.0f && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NEAR(app.getAudioVolume(), 0.25f, 1e-3f);
    app.stopAudioRecord();
    app.stopAudioRecord();
    EXPECT_EQ(app.getAudioVolume(), 0.0f);
    const std::vector<std::int16_t> recorded = readRecording(note);
    ASSERT_FALSE(recorded.empty());
    EXPECT_EQ(recorded.front(), 8192);
}

}  // namespace
