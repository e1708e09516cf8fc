#pragma once

#include <string>
#include <unordered_map>

#include "engine/renderer/GLProgram.h"

namespace cocos2d {

// Programs by name. The built-in programs (the SHADER_NAME_* names of GLProgram) are made on
// the first lookup that finds a GL context; without one every lookup gives null.
class GLProgramCache {
public:
    static GLProgramCache* getInstance();
    static void destroyInstance();

    GLProgramCache(const GLProgramCache&) = delete;
    GLProgramCache& operator=(const GLProgramCache&) = delete;

    GLProgram* getGLProgram(const std::string& key);
    // Retains the program; replaces (and releases) one stored under the same key.
    void addGLProgram(GLProgram* program, const std::string& key);
    // Drops every program and the shared program states, e.g. when the GL context goes away.
    void removeAllPrograms();

private:
    GLProgramCache() = default;
    ~GLProgramCache();

    void loadDefaultGLPrograms();

    std::unordered_map<std::string, GLProgram*> _programs;
    bool _defaultsLoaded = false;
};

}  // namespace cocos2d
