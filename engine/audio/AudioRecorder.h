#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace cocos2d {

// Records the default input device into a WAV file: 16-bit PCM, mono, 16 kHz. The device's
// thread hands captured samples over under a mutex; the file is written by `stop` (and by the
// destructor for a recording still running), after the device has been closed.
class AudioRecorder {
public:
    static const int SAMPLE_RATE = 16000;

    AudioRecorder() = default;
    ~AudioRecorder();

    AudioRecorder(const AudioRecorder&) = delete;
    AudioRecorder& operator=(const AudioRecorder&) = delete;

    // Creates the file (its folder must exist) and starts capturing; a recording still running
    // is completed first. False, with no file left behind, when the file cannot be created or
    // no input device opens.
    bool start(const std::string& path);
    // Completes the file; nothing when no recording runs.
    void stop();
    bool isRecording() const { return _device != 0; }
    // Peak level of the latest captured block, 0 (silence) to 1 (full scale); 0 when idle.
    float getVolume() const { return _volume.load(); }
    // Sample frames captured so far by the running recording.
    std::size_t getCapturedFrames() const;

private:
    static void capture(void* userdata, std::uint8_t* stream, int length);

    std::uint32_t _device = 0;
    std::FILE* _file = nullptr;
    mutable std::mutex _mutex;
    std::vector<std::int16_t> _samples;
    std::atomic<float> _volume{0.0f};
};

}  // namespace cocos2d
