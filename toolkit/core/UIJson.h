#pragma once

#include <string>

namespace NSUI {

// Reads and sets single values of small flat JSON objects such as {"a":"x","n":"12"} by scanning
// the text, without building a tree. Keys and values are taken as they stand: there is no escape
// handling, a nested object is not recognised as one, and arrays are skipped by bracket counting.
// Every value written is a quoted string. Mixed into the classes that exchange such texts.
class UIJson {
public:
    // Token kinds of findToken.
    enum TokenKind {
        kValue = 0,     // the value after the next ':' (its quotes, or the ':' and its delimiter)
        kBrackets = 1,  // the next '[' and its matching ']'
        kBare = 3,      // the next ':' and the first ',', ']' or '}' after it
        kQuoted = 4,    // the next two '"'
    };

    // The value of key (the bytes strictly inside findValue's range); empty when missing.
    static std::string getString(const std::string& json, const std::string& key);
    static std::string getStringWithDefault(const std::string& json, const std::string& key,
                                            const std::string& defaultValue);
    static float getFloat(const std::string& json, const std::string& key, float defaultValue);
    static int getInt(const std::string& json, const std::string& key, int defaultValue);

    // Sets key to the quoted value: replaces an existing value, else adds the pair before the
    // closing '}'; an empty text becomes {"key":"value"}.
    static void setString(std::string& json, const std::string& key, const std::string& value);
    static void setFloat(std::string& json, const std::string& key, float value);
    static void setInt(std::string& json, const std::string& key, int value);

    // The byte positions bounding the value of key. Every quoted text the scan meets where it
    // expects a key is taken as one; the values of other keys, and arrays, are skipped.
    static bool findValue(const std::string& json, const std::string& key, int& start, int& end);
    // One token of the given kind at or after from; false when there is none.
    static bool findToken(const std::string& json, int kind, int from, int& start, int& end);
};

}  // namespace NSUI
