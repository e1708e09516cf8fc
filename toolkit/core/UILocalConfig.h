#pragma once

#include <string>

namespace NSUI {

// Settings in the engine's user defaults, never in plain text: every key and every value is
// stored as its Base64 text (an empty value as the empty text). Integers are stored as their
// decimal text. The mixin flushes the store after each write.
class UILocalConfig {
public:
    // A missing setting reads as defaultValue, and so does a stored text equal to it; a stored
    // value that is not Base64 reads as the empty text. The value ends at its first zero byte.
    std::string getStringForKey(const char* key, std::string defaultValue);
    // An empty key stores nothing.
    void setStringForKey(const char* key, std::string value);
    // Text that is not a number reads as 0.
    int getIntegerForKey(const char* key, int defaultValue);
    void setIntegerForKey(const char* key, int value);

    // Whether the image viewers draw the full DICOM information: anything but "0" says yes.
    bool isDcmFullInfoShown();

    // The published language table's text for the key; empty when no table is loaded or the
    // key has no text.
    std::string getLanguageText(const char* key);
    std::string getLanguageTextByKey(std::string key);
};

// The same storage form for code that does not derive from the mixin; the writer leaves
// flushing to a later flush of the store.
void setEncodedUserDefault(const char* key, std::string value);
std::string getEncodedUserDefault(const char* key, std::string defaultValue);

}  // namespace NSUI
