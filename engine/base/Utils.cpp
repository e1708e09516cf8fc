#include "engine/base/Utils.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace cocos2d {

namespace {

std::string formatArgs(const char* format, va_list args) {
    if (format == nullptr) {
        return std::string();
    }
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length <= 0) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

bool logSilenced() {
    const char* quiet = std::getenv("BRIMVALE_QUIET_LOG");
    return quiet != nullptr && quiet[0] != '\0' && std::strcmp(quiet, "0") != 0;
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool isScalarValue(char32_t cp) {
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Decodes one code point starting at `pos`; rejects overlong forms, surrogates and values past
// U+10FFFF.
bool decodeUtf8(const std::string& text, std::size_t& pos, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t extra;
    char32_t minimum;
    if (lead < 0x80) {
        cp = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        minimum = 0x80;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        minimum = 0x800;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        minimum = 0x10000;
        cp = lead & 0x07;
    } else {
        return false;
    }
    if (pos + extra >= text.size()) {
        return false;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!isContinuation(byte)) {
            return false;
        }
        cp = (cp << 6) | (byte & 0x3F);
    }
    if (cp < minimum || !isScalarValue(cp)) {
        return false;
    }
    pos += extra + 1;
    return true;
}

void appendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

int gettimeofday(struct timeval* tp, void*) {
    return ::gettimeofday(tp, nullptr);
}

void log(const char* format, ...) {
    if (logSilenced()) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::string line = formatArgs(format, args);
    va_end(args);
    line.push_back('\n');
    std::fputs(line.c_str(), stderr);
}

namespace StringUtils {

std::string format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatArgs(format, args);
    va_end(args);
    return text;
}

long getCharacterCountInUTF8String(const std::string& utf8) {
    long count = 0;
    std::size_t pos = 0;
    char32_t cp;
    while (pos < utf8.size()) {
        if (!decodeUtf8(utf8, pos, cp)) {
            return -1;
        }
        ++count;
    }
    return count;
}

bool UTF8ToUTF32(const std::string& utf8, std::u32string& outUtf32) {
    outUtf32.clear();
    std::u32string result;
    std::size_t pos = 0;
    char32_t cp;
    while (pos < utf8.size()) {
        if (!decodeUtf8(utf8, pos, cp)) {
            return false;
        }
        result.push_back(cp);
    }
    outUtf32.swap(result);
    return true;
}

bool UTF32ToUTF8(const std::u32string& utf32, std::string& outUtf8) {
    outUtf8.clear();
    std::string result;
    for (char32_t cp : utf32) {
        if (!isScalarValue(cp)) {
            return false;
        }
        appendUtf8(cp, result);
    }
    outUtf8.swap(result);
    return true;
}

bool UTF8ToUTF16(const std::string& utf8, std::u16string& outUtf16) {
    outUtf16.clear();
    std::u32string codePoints;
    if (!UTF8ToUTF32(utf8, codePoints)) {
        return false;
    }
    std::u16string result;
    for (char32_t cp : codePoints) {
        if (cp < 0x10000) {
            result.push_back(static_cast<char16_t>(cp));
        } else {
            cp -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        }
    }
    outUtf16.swap(result);
    return true;
}

bool UTF16ToUTF8(const std::u16string& utf16, std::string& outUtf8) {
    outUtf8.clear();
    std::string result;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= utf16.size() || utf16[i + 1] < 0xDC00 || utf16[i + 1] > 0xDFFF) {
                return false;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        appendUtf8(cp, result);
    }
    outUtf8.swap(result);
    return true;
}

}  // namespace StringUtils

}  // namespace cocos2d
