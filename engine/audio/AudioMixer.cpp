#include "engine/audio/AudioMixer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cocos2d {

std::shared_ptr<const AudioClip> AudioMixer::loadWav(const std::string& path) {
    SDL_AudioSpec spec;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path.c_str(), &spec, &buffer, &length) == nullptr) {
        return nullptr;
    }
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_F32SYS, 2,
                          SAMPLE_RATE) < 0) {
        SDL_FreeWAV(buffer);
        return nullptr;
    }
    std::vector<Uint8> converted(static_cast<std::size_t>(length) *
                                 static_cast<std::size_t>(std::max(cvt.len_mult, 1)));
    std::memcpy(converted.data(), buffer, length);
    SDL_FreeWAV(buffer);
    cvt.buf = converted.data();
    cvt.len = static_cast<int>(length);
    if (cvt.needed != 0 && SDL_ConvertAudio(&cvt) != 0) {
        return nullptr;
    }
    const std::size_t bytes = cvt.needed != 0 ? static_cast<std::size_t>(cvt.len_cvt) : length;
    auto clip = std::make_shared<AudioClip>();
    clip->samples.resize(bytes / sizeof(float) / 2 * 2);
    std::memcpy(clip->samples.data(), converted.data(), clip->samples.size() * sizeof(float));
    return clip;
}

unsigned int AudioMixer::play(const std::shared_ptr<const AudioClip>& clip, Channel channel,
                              bool loop, float pitch, float pan, float gain) {
    if (clip == nullptr || clip->frames() == 0) {
        return 0;
    }
    pan = std::max(-1.0f, std::min(1.0f, pan));
    gain = std::max(0.0f, gain);
    Voice voice{0,
                clip,
                channel,
                loop,
                0.0,
                pitch > 0.0f ? static_cast<double>(pitch) : 1.0,
                gain * (pan > 0.0f ? 1.0f - pan : 1.0f),
                gain * (pan < 0.0f ? 1.0f + pan : 1.0f)};
    std::lock_guard<std::mutex> lock(_mutex);
    voice.id = _nextId++;
    if (_nextId == 0) {
        _nextId = 1;
    }
    _voices.push_back(std::move(voice));
    return _voices.back().id;
}

void AudioMixer::stop(unsigned int id) {
    std::lock_guard<std::mutex> lock(_mutex);
    auto found = std::find_if(_voices.begin(), _voices.end(),
                              [id](const Voice& voice) { return voice.id == id; });
    if (found != _voices.end()) {
        _voices.erase(found);
    }
}

void AudioMixer::stopChannel(Channel channel) {
    std::lock_guard<std::mutex> lock(_mutex);
    _voices.erase(
        std::remove_if(_voices.begin(), _voices.end(),
                       [channel](const Voice& voice) { return voice.channel == channel; }),
        _voices.end());
}

void AudioMixer::stopClip(const AudioClip* clip) {
    std::lock_guard<std::mutex> lock(_mutex);
    _voices.erase(std::remove_if(_voices.begin(), _voices.end(),
                                 [clip](const Voice& voice) { return voice.clip.get() == clip; }),
                  _voices.end());
}

bool AudioMixer::isPlaying(unsigned int id) const {
    std::lock_guard<std::mutex> lock(_mutex);
    return std::any_of(_voices.begin(), _voices.end(),
                       [id](const Voice& voice) { return voice.id == id; });
}

std::size_t AudioMixer::getVoiceCount() const {
    std::lock_guard<std::mutex> lock(_mutex);
    return _voices.size();
}

void AudioMixer::setVolume(Channel channel, float volume) {
    volume = std::max(0.0f, std::min(1.0f, volume));
    std::lock_guard<std::mutex> lock(_mutex);
    (channel == Channel::MUSIC ? _musicVolume : _effectsVolume) = volume;
}

float AudioMixer::getVolume(Channel channel) const {
    std::lock_guard<std::mutex> lock(_mutex);
    return channel == Channel::MUSIC ? _musicVolume : _effectsVolume;
}

void AudioMixer::render(float* out, std::size_t frames) {
    std::fill(out, out + frames * 2, 0.0f);
    std::lock_guard<std::mutex> lock(_mutex);
    for (Voice& voice : _voices) {
        const std::vector<float>& samples = voice.clip->samples;
        const std::size_t length = voice.clip->frames();
        const float volume = voice.channel == Channel::MUSIC ? _musicVolume : _effectsVolume;
        const float left = voice.left * volume;
        const float right = voice.right * volume;
        for (std::size_t f = 0; f < frames; ++f) {
            if (voice.position >= static_cast<double>(length)) {
                if (!voice.loop) {
                    break;
                }
                voice.position = std::fmod(voice.position, static_cast<double>(length));
            }
            // Linear interpolation between neighbouring frames, wrapping for loops.
            const auto index = static_cast<std::size_t>(voice.position);
            const float fraction = static_cast<float>(voice.position - static_cast<double>(index));
            std::size_t next = index + 1;
            if (next >= length) {
                next = voice.loop ? 0 : index;
            }
            const float l =
                samples[index * 2] + (samples[next * 2] - samples[index * 2]) * fraction;
            const float r = samples[index * 2 + 1] +
                            (samples[next * 2 + 1] - samples[index * 2 + 1]) * fraction;
            out[f * 2] += l * left;
            out[f * 2 + 1] += r * right;
            voice.position += voice.step;
        }
    }
    _voices.erase(std::remove_if(_voices.begin(), _voices.end(),
                                 [](const Voice& voice) {
                                     return !voice.loop &&
                                            voice.position >=
                                                static_cast<double>(voice.clip->frames());
                                 }),
                  _voices.end());
    for (std::size_t i = 0; i < frames * 2; ++i) {
        out[i] = std::max(-1.0f, std::min(1.0f, out[i]));
    }
}

}  // namespace cocos2d
