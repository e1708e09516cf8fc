#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace cocos2d {

// A decoded sound in the mixer's format: interleaved stereo float samples at the mixer's rate.
struct AudioClip {
    std::vector<float> samples;
    std::size_t frames() const { return samples.size() / 2; }
};

// Mixes playing clips into a stereo float stream. `render` runs on the audio device's thread,
// everything else on the caller's; one mutex guards the voices, and no outside code runs under
// it. Voices belong to one of two channels (effects, music), each with its own volume.
class AudioMixer {
public:
    enum class Channel { EFFECTS, MUSIC };

    static const int SAMPLE_RATE = 44100;

    // Decodes a WAV file (recognised by its content, whatever its name) into the mixer's
    // format; null when it cannot be read.
    static std::shared_ptr<const AudioClip> loadWav(const std::string& path);

    // Starts a voice and returns its id (never 0); 0 for a null or empty clip.
    // `pitch` scales the playback speed (values of 0 or less play at 1), `pan` runs from -1
    // (left only) through 0 (both sides) to 1 (right only), `gain` scales the amplitude.
    unsigned int play(const std::shared_ptr<const AudioClip>& clip, Channel channel, bool loop,
                      float pitch, float pan, float gain);
    void stop(unsigned int id);
    void stopChannel(Channel channel);
    // Stops every voice that plays the clip.
    void stopClip(const AudioClip* clip);
    bool isPlaying(unsigned int id) const;
    std::size_t getVoiceCount() const;

    // Clamped to [0, 1]; applies to playing voices at once.
    void setVolume(Channel channel, float volume);
    float getVolume(Channel channel) const;

    // Fills `frames` stereo frames; a voice that is not looping ends after its last frame.
    void render(float* out, std::size_t frames);

private:
    struct Voice {
        unsigned int id;
        std::shared_ptr<const AudioClip> clip;
        Channel channel;
        bool loop;
        double position;
        double step;
        float left;
        float right;
    };

    mutable std::mutex _mutex;
    std::vector<Voice> _voices;
    unsigned int _nextId = 1;
    float _effectsVolume = 1.0f;
    float _musicVolume = 1.0f;
};

}  // namespace cocos2d
