#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "engine/audio/AudioMixer.h"

namespace CocosDenshion {

// Short sounds and one background track from WAV files, played through the default output
// device. Paths go through FileUtils. The device is opened at the first play; when there is no
// sound device every call still returns normally (plays return 0). Main thread only.
class SimpleAudioEngine {
public:
    static SimpleAudioEngine* getInstance();
    // Stops all sound, closes the device and drops the instance; the next getInstance starts
    // afresh.
    static void end();

    SimpleAudioEngine(const SimpleAudioEngine&) = delete;
    SimpleAudioEngine& operator=(const SimpleAudioEngine&) = delete;

    // The background track: one at a time; a new one replaces the one playing.
    void preloadBackgroundMusic(const char* filePath);
    void playBackgroundMusic(const char* filePath, bool loop = false);
    // `releaseData` also drops the decoded track.
    void stopBackgroundMusic(bool releaseData = false);
    bool isBackgroundMusicPlaying();
    float getBackgroundMusicVolume();
    void setBackgroundMusicVolume(float volume);

    float getEffectsVolume();
    void setEffectsVolume(float volume);
    // Returns the id of the playing effect, 0 when it cannot be played (missing file, no
    // device). See AudioMixer::play for pitch, pan and gain.
    unsigned int playEffect(const char* filePath, bool loop = false, float pitch = 1.0f,
                            float pan = 0.0f, float gain = 1.0f);
    void stopEffect(unsigned int soundId);
    void stopAllEffects();
    void preloadEffect(const char* filePath);
    // Stops the effect where it plays and drops its data.
    void unloadEffect(const char* filePath);

private:
    SimpleAudioEngine();
    ~SimpleAudioEngine();

    bool openDevice();
    std::shared_ptr<const cocos2d::AudioClip> clipFor(const char* filePath);

    cocos2d::AudioMixer _mixer;
    std::map<std::string, std::shared_ptr<const cocos2d::AudioClip>> _clips;  // by full path
    std::uint32_t _device = 0;
    bool _audioInitialised = false;
    bool _deviceTried = false;
    unsigned int _musicId = 0;
    std::string _musicPath;
};

}  // namespace CocosDenshion
