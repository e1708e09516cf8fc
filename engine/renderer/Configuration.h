#pragma once

namespace cocos2d {

// What the GL implementation offers, read once a context exists (`gatherGPUInfo`). Before
// that, and in headless runs, the maximum texture size is 4096 and vertex-array objects count
// as unsupported.
class Configuration {
public:
    static Configuration* getInstance();
    static void destroyInstance();

    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    int getMaxTextureSize() const { return _maxTextureSize; }
    bool supportsShareableVAO() const { return _supportsShareableVAO; }

    // Needs a current GL context.
    void gatherGPUInfo();

private:
    Configuration() = default;

    int _maxTextureSize = 4096;
    bool _supportsShareableVAO = false;
};

}  // namespace cocos2d
