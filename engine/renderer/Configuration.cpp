#include "engine/renderer/Configuration.h"

#include "engine/backend/GLStateCache.h"

namespace cocos2d {

namespace {

Configuration* s_sharedConfiguration = nullptr;

}  // namespace

Configuration* Configuration::getInstance() {
    if (s_sharedConfiguration == nullptr) {
        s_sharedConfiguration = new Configuration();
    }
    return s_sharedConfiguration;
}

void Configuration::destroyInstance() {
    delete s_sharedConfiguration;
    s_sharedConfiguration = nullptr;
}

void Configuration::gatherGPUInfo() {
    if (!GL::hasContext()) {
        return;
    }
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    if (maxTextureSize > 0) {
        _maxTextureSize = maxTextureSize;
    }
    _supportsShareableVAO = GLEW_VERSION_3_0 || GLEW_ARB_vertex_array_object;
}

}  // namespace cocos2d
