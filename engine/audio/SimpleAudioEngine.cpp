#include "engine/audio/SimpleAudioEngine.h"

#include <SDL.h>

#include "engine/platform/FileUtils.h"

namespace CocosDenshion {

using cocos2d::AudioClip;
using cocos2d::AudioMixer;

namespace {

SimpleAudioEngine* s_instance = nullptr;

void SDLCALL mixInto(void* userdata, Uint8* stream, int length) {
    static_cast<AudioMixer*>(userdata)->render(
        reinterpret_cast<float*>(stream), static_cast<std::size_t>(length) / (sizeof(float) * 2));
}

std::string fullPath(const char* filePath) {
    if (filePath == nullptr || *filePath == '\0') {
        return std::string();
    }
    return cocos2d::FileUtils::getInstance()->fullPathForFilename(filePath);
}

}  // namespace

SimpleAudioEngine* SimpleAudioEngine::getInstance() {
    if (s_instance == nullptr) {
        s_instance = new SimpleAudioEngine();
    }
    return s_instance;
}

void SimpleAudioEngine::end() {
    delete s_instance;
    s_instance = nullptr;
}

SimpleAudioEngine::SimpleAudioEngine() = default;

SimpleAudioEngine::~SimpleAudioEngine() {
    if (_device != 0) {
        // Returns once the device's thread no longer runs the mixer.
        SDL_CloseAudioDevice(_device);
    }
    if (_audioInitialised) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SimpleAudioEngine::openDevice() {
    if (_deviceTried) {
        return _device != 0;
    }
    _deviceTried = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    _audioInitialised = true;
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = AudioMixer::SAMPLE_RATE;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = mixInto;
    wanted.userdata = &_mixer;
    SDL_AudioSpec obtained;
    // No changes allowed: SDL converts from the mixer's format to the device's.
    _device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (_device == 0) {
        return false;
    }
    SDL_PauseAudioDevice(_device, 0);
    return true;
}

std::shared_ptr<const AudioClip> SimpleAudioEngine::clipFor(const char* filePath) {
    const std::string path = fullPath(filePath);
    if (path.empty()) {
        return nullptr;
    }
    auto found = _clips.find(path);
    if (found != _clips.end()) {
        return found->second;
    }
    std::shared_ptr<const AudioClip> clip = AudioMixer::loadWav(path);
    if (clip != nullptr) {
        _clips[path] = clip;
    }
    return clip;
}

void SimpleAudioEngine::preloadBackgroundMusic(const char* filePath) {
    clipFor(filePath);
}

void SimpleAudioEngine::playBackgroundMusic(const char* filePath, bool loop) {
    stopBackgroundMusic(false);
    std::shared_ptr<const AudioClip> clip = clipFor(filePath);
    if (clip == nullptr || !openDevice()) {
        return;
    }
    _musicPath = fullPath(filePath);
    _musicId = _mixer.play(clip, AudioMixer::Channel::MUSIC, loop, 1.0f, 0.0f, 1.0f);
}

void SimpleAudioEngine::stopBackgroundMusic(bool releaseData) {
    if (_musicId != 0) {
        _mixer.stop(_musicId);
        _musicId = 0;
    }
    if (releaseData && !_musicPath.empty()) {
        _clips.erase(_musicPath);
        _musicPath.clear();
    }
}

bool SimpleAudioEngine::isBackgroundMusicPlaying() {
    return _musicId != 0 && _mixer.isPlaying(_musicId);
}

float SimpleAudioEngine::getBackgroundMusicVolume() {
    return _mixer.getVolume(AudioMixer::Channel::MUSIC);
}

void SimpleAudioEngine::setBackgroundMusicVolume(float volume) {
    _mixer.setVolume(AudioMixer::Channel::MUSIC, volume);
}

float SimpleAudioEngine::getEffectsVolume() {
    return _mixer.getVolume(AudioMixer::Channel::EFFECTS);
}

void SimpleAudioEngine::setEffectsVolume(float volume) {
    _mixer.setVolume(AudioMixer::Channel::EFFECTS, volume);
}

unsigned int SimpleAudioEngine::playEffect(const char* filePath, bool loop, float pitch, float pan,
                                           float gain) {
    std::shared_ptr<const AudioClip> clip = clipFor(filePath);
    if (clip == nullptr || !openDevice()) {
        return 0;
    }
    return _mixer.play(clip, AudioMixer::Channel::EFFECTS, loop, pitch, pan, gain);
}

void SimpleAudioEngine::stopEffect(unsigned int soundId) {
    if (soundId != 0 && soundId != _musicId) {
        _mixer.stop(soundId);
    }
}

void SimpleAudioEngine::stopAllEffects() {
    _mixer.stopChannel(AudioMixer::Channel::EFFECTS);
}

void SimpleAudioEngine::preloadEffect(const char* filePath) {
    clipFor(filePath);
}

void SimpleAudioEngine::unloadEffect(const char* filePath) {
    auto found = _clips.find(fullPath(filePath));
    if (found == _clips.end()) {
        return;
    }
    _mixer.stopClip(found->second.get());
    _clips.erase(found);
}

}  // namespace CocosDenshion
