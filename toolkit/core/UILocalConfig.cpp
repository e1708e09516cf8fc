#include "toolkit/core/UILocalConfig.h"

#include "engine/base/Base64.h"
#include "engine/base/UserDefault.h"
#include "toolkit/core/NSLanguage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace NSUI {

namespace {

const char* const kDcmFullInfoKey = "sdk_show_dcmFullInfo";

// The Base64 text of the bytes; empty when the encoder produces nothing.
std::string encode(const char* data, size_t length) {
    char* out = nullptr;
    const int produced = cocos2d::safeBase64Encode(reinterpret_cast<const unsigned char*>(data),
                                                   static_cast<unsigned int>(length), &out);
    std::string result;
    if (produced > 0 && out != nullptr) {
        result.assign(out, static_cast<size_t>(produced));
    }
    delete[] out;
    return result;
}

// The decoded bytes up to the first zero byte; empty when the text does not decode.
std::string decode(const std::string& text) {
    unsigned char* out = nullptr;
    const int produced =
        cocos2d::safeBase64Decode(reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<unsigned int>(text.size()), &out);
    std::string result;
    if (produced > 0 && out != nullptr) {
        const char* bytes = reinterpret_cast<const char*>(out);
        result.assign(bytes, strnlen(bytes, static_cast<size_t>(produced)));
    }
    delete[] out;
    return result;
}

std::string encodedKey(const char* key) {
    if (key == nullptr || key[0] == '\0') {
        return std::string();
    }
    return encode(key, std::strlen(key));
}

std::string readEncoded(const char* key, const std::string& defaultValue) {
    const std::string storedKey = encodedKey(key);
    if (storedKey.empty()) {
        return defaultValue;
    }
    const std::string stored =
        cocos2d::UserDefault::getInstance()->getStringForKey(storedKey.c_str(), defaultValue);
    if (stored == defaultValue) {
        return defaultValue;
    }
    return decode(stored);
}

void writeEncoded(const char* key, const std::string& value) {
    const std::string storedKey = encodedKey(key);
    if (storedKey.empty()) {
        return;
    }
    const std::string stored = value.empty() ? std::string() : encode(value.data(), value.size());
    cocos2d::UserDefault::getInstance()->setStringForKey(storedKey.c_str(), stored);
}

std::string intText(int value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%i", value);
    return text;
}

}  // namespace

std::string UILocalConfig::getStringForKey(const char* key, std::string defaultValue) {
    return readEncoded(key, defaultValue);
}

void UILocalConfig::setStringForKey(const char* key, std::string value) {
    if (key == nullptr || key[0] == '\0') {
        return;
    }
    writeEncoded(key, value);
    cocos2d::UserDefault::getInstance()->flush();
}

int UILocalConfig::getIntegerForKey(const char* key, int defaultValue) {
    return std::atoi(getStringForKey(key, intText(defaultValue)).c_str());
}

void UILocalConfig::setIntegerForKey(const char* key, int value) {
    setStringForKey(key, intText(value));
    cocos2d::UserDefault::getInstance()->flush();
}

bool UILocalConfig::isDcmFullInfoShown() {
    return getStringForKey(kDcmFullInfoKey, "0") != "0";
}

void setEncodedUserDefault(const char* key, std::string value) {
    writeEncoded(key, value);
}

std::string getEncodedUserDefault(const char* key, std::string defaultValue) {
    return readEncoded(key, defaultValue);
}

std::string UILocalConfig::getLanguageText(const char* key) {
    return key != nullptr ? getLocalizedString(key) : std::string();
}

std::string UILocalConfig::getLanguageTextByKey(std::string key) {
    return getLocalizedString(key);
}

}  // namespace NSUI
