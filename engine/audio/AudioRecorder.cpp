#include "engine/audio/AudioRecorder.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

namespace cocos2d {

namespace {

void putLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Canonical 44-byte header of a mono 16-bit PCM file.
std::vector<std::uint8_t> wavHeader(std::uint32_t dataBytes) {
    std::vector<std::uint8_t> header;
    const char* riff = "RIFF";
    header.insert(header.end(), riff, riff + 4);
    putLE(header, 36 + dataBytes, 4);
    const char* wave = "WAVEfmt ";
    header.insert(header.end(), wave, wave + 8);
    putLE(header, 16, 4);                              // format chunk size
    putLE(header, 1, 2);                               // PCM
    putLE(header, 1, 2);                               // channels
    putLE(header, AudioRecorder::SAMPLE_RATE, 4);      // frames per second
    putLE(header, AudioRecorder::SAMPLE_RATE * 2, 4);  // bytes per second
    putLE(header, 2, 2);                               // bytes per frame
    putLE(header, 16, 2);                              // bits per sample
    const char* data = "data";
    header.insert(header.end(), data, data + 4);
    putLE(header, dataBytes, 4);
    return header;
}

}  // namespace

AudioRecorder::~AudioRecorder() {
    stop();
}

bool AudioRecorder::start(const std::string& path) {
    stop();
    _file = std::fopen(path.c_str(), "wb");
    if (_file == nullptr) {
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _samples.clear();
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        SDL_AudioSpec wanted;
        SDL_zero(wanted);
        wanted.freq = SAMPLE_RATE;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = 1;
        wanted.samples = 1024;
        wanted.callback = capture;
        wanted.userdata = this;
        SDL_AudioSpec obtained;
        _device = SDL_OpenAudioDevice(nullptr, 1, &wanted, &obtained, 0);
        if (_device == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    if (_device == 0) {
        std::fclose(_file);
        _file = nullptr;
        std::remove(path.c_str());
        return false;
    }
    SDL_PauseAudioDevice(_device, 0);
    return true;
}

void AudioRecorder::stop() {
    if (_device == 0) {
        return;
    }
    // Returns once the device's thread has left the capture callback for good.
    SDL_CloseAudioDevice(_device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    _device = 0;
    _volume.store(0.0f);

    std::vector<std::int16_t> samples;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        samples.swap(_samples);
    }
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> bytes = wavHeader(dataBytes);
    for (const std::int16_t sample : samples) {
        putLE(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), _file);
    std::fclose(_file);
    _file = nullptr;
}

std::size_t AudioRecorder::getCapturedFrames() const {
    std::lock_guard<std::mutex> lock(_mutex);
    return _samples.size();
}

void AudioRecorder::capture(void* userdata, std::uint8_t* stream, int length) {
    auto* recorder = static_cast<AudioRecorder*>(userdata);
    const auto* samples = reinterpret_cast<const std::int16_t*>(stream);
    const std::size_t count = static_cast<std::size_t>(length) / sizeof(std::int16_t);
    int peak = 0;
    for (std::size_t i = 0; i < count; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    recorder->_volume.store(std::min(1.0f, static_cast<float>(peak) / 32767.0f));
    std::lock_guard<std::mutex> lock(recorder->_mutex);
    recorder->_samples.insert(recorder->_samples.end(), samples, samples + count);
}

}  // namespace cocos2d
