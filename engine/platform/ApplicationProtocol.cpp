#include "engine/platform/ApplicationProtocol.h"

#include "engine/audio/AudioRecorder.h"

namespace cocos2d {

namespace {

// One microphone per process; a recording still running at exit is completed then.
AudioRecorder& recorder() {
    static AudioRecorder instance;
    return instance;
}

}  // namespace

bool ApplicationProtocol::startAudioRecord(const std::string& path) {
    return recorder().start(path);
}

void ApplicationProtocol::stopAudioRecord() {
    recorder().stop();
}

float ApplicationProtocol::getAudioVolume() {
    return recorder().getVolume();
}

}  // namespace cocos2d
