#include "toolkit/core/TextRoutines.h"

#include "platform/TextCodec.h"

#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace NSUI {

namespace {

bool isSpaceByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u < 0x80 && std::isspace(u) != 0;
}

std::atomic<char*> sharedFormattingBuffer{nullptr};
constexpr size_t kSharedFormattingBufferSize = 65536;

}  // namespace

std::string& trimLeft(std::string& text) {
    size_t start = 0;
    while (start < text.size() && isSpaceByte(text[start])) {
        ++start;
    }
    text.erase(0, start);
    return text;
}

std::string& trimRight(std::string& text) {
    size_t end = text.size();
    while (end > 0 && isSpaceByte(text[end - 1])) {
        --end;
    }
    text.erase(end);
    return text;
}

std::string& trim(std::string& text) {
    return trimLeft(trimRight(text));
}

void splitString(const std::string& text, const std::string& delimiter,
                 std::vector<std::string>& pieces) {
    if (delimiter.empty()) {
        pieces.push_back(text);
        return;
    }
    const std::string scanned = text + delimiter;
    size_t start = 0;
    for (size_t found = scanned.find(delimiter); found != std::string::npos;
         found = scanned.find(delimiter, start)) {
        pieces.push_back(scanned.substr(start, found - start));
        start = found + delimiter.size();
    }
}

std::string& replaceAll(std::string& text, const std::string& search,
                        const std::string& replacement) {
    if (search.empty()) {
        return text;
    }
    for (size_t at = text.find(search); at != std::string::npos;
         at = text.find(search, at + replacement.size())) {
        text.replace(at, search.size(), replacement);
    }
    return text;
}

std::string formatString(const char* format, ...) {
    if (format == nullptr) {
        return std::string();
    }
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof(small), format, args);
    va_end(args);
    std::string result;
    if (length >= 0 && static_cast<size_t>(length) <= kFormatLimit) {
        if (static_cast<size_t>(length) < sizeof(small)) {
            result.assign(small, static_cast<size_t>(length));
        } else {
            result.resize(static_cast<size_t>(length));
            std::vsnprintf(result.data(), result.size() + 1, format, again);
        }
    }
    va_end(again);
    return result;
}

std::string formatFloat(float value, int decimals) {
    const std::string format = formatString("%%.%if", decimals < 0 ? 0 : decimals);
    std::string text = formatString(format.c_str(), static_cast<double>(value));
    while (text.find('.') != std::string::npos && !text.empty()) {
        const char last = text.back();
        if (last != '0' && last != '.') {
            break;
        }
        text.pop_back();
        if (last == '.') {
            break;
        }
    }
    return text;
}

std::string intToString(int value) {
    return formatString("%i", value);
}

bool isNumeric(const std::string& text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string ansiToUtf8(const std::string& text) {
    return platform::gbToUtf8(text);
}

char16_t* utf8ToWide(const char* text) {
    if (text == nullptr) {
        return nullptr;
    }
    const size_t length = std::strlen(text);
    const std::u16string wide = platform::utf8ToUtf16(std::string(text, length));
    // UTF-8 never takes fewer bytes than UTF-16 takes units, so the copy always fits.
    auto* buffer = static_cast<char16_t*>(std::calloc(length + 2, sizeof(char16_t)));
    if (buffer != nullptr) {
        std::memcpy(buffer, wide.data(), wide.size() * sizeof(char16_t));
    }
    return buffer;
}

std::string wideToUtf8(const char16_t* text) {
    if (text == nullptr) {
        return std::string();
    }
    return platform::utf16ToUtf8(std::u16string(text));
}

cocos2d::Mat4 makeMat4(const float (&values)[16]) {
    cocos2d::Mat4 matrix;
    std::memcpy(matrix.m, values, sizeof(values));
    return matrix;
}

std::string sharePlatformText() {
    return std::string();
}

uint32_t foldedHash(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

std::string stableTextKey(const std::string& text) {
    return formatString("%lu", static_cast<unsigned long>(foldedHash(text)));
}

std::string cutText(const std::string& text, size_t count) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a sequence starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == count) {
            return text.substr(0, i) + "\u2026";
        }
    }
    return text;
}

std::string getParentDirectory(const std::string& path) {
    const size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) {
        return std::string();
    }
    const std::string trimmed = path.substr(0, end + 1);
    const size_t separator = trimmed.find_last_of("/\\");
    return separator == std::string::npos ? trimmed : trimmed.substr(0, separator);
}

void createSharedFormattingBuffer() {
    char* expected = nullptr;
    char* buffer = new char[kSharedFormattingBufferSize]();
    if (!sharedFormattingBuffer.compare_exchange_strong(expected, buffer)) {
        delete[] buffer;
    }
}

void freeSharedFormattingBuffer() {
    delete[] sharedFormattingBuffer.exchange(nullptr);
}

bool hasSharedFormattingBuffer() {
    return sharedFormattingBuffer.load() != nullptr;
}

}  // namespace NSUI
