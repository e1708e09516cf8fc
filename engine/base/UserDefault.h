#pragma once

#include <mutex>
#include <string>

#include "engine/base/Value.h"

namespace cocos2d {

// Persistent key-value settings, kept in "UserDefault.xml" (a property list) in the writable
// path and loaded on first use. Every change is written to the file at once, whole, through a
// temporary file that replaces the old one, so the file is never left half written; `flush`
// writes again when an earlier write failed.
//
// Getters convert whatever is stored (text "12" reads as the integer 12); a missing key gives
// the default. Safe to use from any thread.
class UserDefault {
public:
    static UserDefault* getInstance();
    // Writes pending changes and deletes the shared instance; the next `getInstance` reloads
    // the file.
    static void destroyInstance();

    UserDefault(const UserDefault&) = delete;
    UserDefault& operator=(const UserDefault&) = delete;

    bool getBoolForKey(const char* key, bool defaultValue = false);
    int getIntegerForKey(const char* key, int defaultValue = 0);
    float getFloatForKey(const char* key, float defaultValue = 0.0f);
    double getDoubleForKey(const char* key, double defaultValue = 0.0);
    std::string getStringForKey(const char* key, const std::string& defaultValue = "");

    void setBoolForKey(const char* key, bool value);
    void setIntegerForKey(const char* key, int value);
    void setFloatForKey(const char* key, float value);
    void setDoubleForKey(const char* key, double value);
    void setStringForKey(const char* key, const std::string& value);

    void deleteValueForKey(const char* key);
    void flush();

    // Full path of the settings file.
    const std::string& getFilePath() const { return _filePath; }

private:
    UserDefault();
    ~UserDefault();

    const Value* find(const char* key) const;
    void store(const char* key, Value value);
    void save();

    mutable std::mutex _mutex;
    std::string _filePath;
    ValueMap _values;
    bool _dirty = false;
};

}  // namespace cocos2d
