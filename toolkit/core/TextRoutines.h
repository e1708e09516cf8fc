#pragma once

#include "engine/math/Mat4.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NSUI {

// White space is the C library's class (space, \t, \n, \v, \f, \r); bytes from 0x80 up never are.
std::string& trimLeft(std::string& text);
std::string& trimRight(std::string& text);
// trimRight, then trimLeft.
std::string& trim(std::string& text);

// Appends the pieces between occurrences of the delimiter to `pieces` (which is not cleared),
// empty pieces included: "a,,b" gives a, "", b and an empty text gives one empty piece. An empty
// delimiter gives the whole text as one piece.
void splitString(const std::string& text, const std::string& delimiter,
                 std::vector<std::string>& pieces);

// Replaces every occurrence from left to right; a replacement is never searched again. An empty
// search text changes nothing.
std::string& replaceAll(std::string& text, const std::string& search,
                        const std::string& replacement);

// Longest output formatString gives; longer output gives an empty text rather than a cut one.
constexpr size_t kFormatLimit = 65533;

// printf-style formatting into storage of the call's own, so any thread may call it. An empty
// text when the format fails or the output exceeds kFormatLimit bytes.
std::string formatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Fixed-point text with the given decimals (negative counts as 0), then trailing zeros and a
// trailing point removed: 2.500 -> 2.5, 2.000 -> 2.
std::string formatFloat(float value, int decimals);
std::string intToString(int value);

// The first `count` characters (UTF-8 code points) of a text too long for its column, then "…",
// so that nobody takes a cut value for a whole one; a text of `count` characters or fewer stands
// as it is.
std::string cutText(const std::string& text, size_t count);

// True when every byte is a digit 0-9, also for an empty text.
bool isNumeric(const std::string& text);

// Text in the legacy Chinese code page (GB18030) to UTF-8.
std::string ansiToUtf8(const std::string& text);
// NUL-terminated UTF-8 to a new, zero-filled UTF-16 buffer of (byte length + 2) units; the
// caller releases it with free(). Null for a null text.
char16_t* utf8ToWide(const char* text);
// NUL-terminated UTF-16 to UTF-8; an empty text for a null text.
std::string wideToUtf8(const char16_t* text);

// The 16 values in order (column-major, as Mat4 stores them).
cocos2d::Mat4 makeMat4(const float (&values)[16]);

// Platform hook of the sharing screen; the desktop has nothing to add.
std::string sharePlatformText();

// 64-bit FNV-1a over the bytes, folded to 32 bits as low half xor high half.
uint32_t foldedHash(const std::string& text);
// foldedHash as unsigned decimal text: the stable key that names cache files and identifiers.
std::string stableTextKey(const std::string& text);

// Drops trailing '/' characters, then gives the text before the last '/' or '\', or the whole
// remaining text when it holds neither: a/b/c.txt -> a/b, a/b// -> a, a\b -> a.
std::string getParentDirectory(const std::string& path);

// The process-wide formatting buffer (65,536 bytes, 65,533 usable) that start-up makes and
// shutdown frees. formatString does not use it; it exists for the start-up and purge sequence.
void createSharedFormattingBuffer();
void freeSharedFormattingBuffer();
bool hasSharedFormattingBuffer();

}  // namespace NSUI
