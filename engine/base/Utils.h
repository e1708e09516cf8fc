#pragma once

#include <string>
#include <sys/time.h>

namespace cocos2d {

// Wall-clock time; the second argument is ignored (time zones are not reported).
int gettimeofday(struct timeval* tp, void* tzp);

// Writes one printf-style line to stderr. Setting BRIMVALE_QUIET_LOG to a non-empty value other
// than "0" silences it. Safe to call from any thread; lines are never interleaved.
void log(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace StringUtils {

// printf-style formatting into a string of any length.
std::string format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Number of code points in UTF-8 text; -1 when the text is not valid UTF-8.
long getCharacterCountInUTF8String(const std::string& utf8);

// Conversions between encodings; false (and the output left empty) on malformed input.
bool UTF8ToUTF16(const std::string& utf8, std::u16string& outUtf16);
bool UTF16ToUTF8(const std::u16string& utf16, std::string& outUtf8);
bool UTF8ToUTF32(const std::string& utf8, std::u32string& outUtf32);
bool UTF32ToUTF8(const std::u32string& utf32, std::string& outUtf8);

}  // namespace StringUtils

}  // namespace cocos2d
