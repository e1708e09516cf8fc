#pragma once

#include <string>

namespace cocos2d {

// Standard Base64 (RFC 4648 alphabet, "=" padding).
//
// The classic pair returns the output length and a malloc'd, zero-terminated buffer that the
// caller frees with free(). base64Decode is lenient: it skips characters outside the alphabet
// and stops at the first "=".
int base64Encode(const unsigned char* in, unsigned int inLength, char** out);
int base64Decode(const unsigned char* in, unsigned int inLength, unsigned char** out);

// The safe pair returns the output length and a buffer made with new[] (zero-terminated past
// the length) that the caller frees with delete[]. On failure or empty output it returns 0 or
// less and sets *out to null. safeBase64Decode is strict: white space is skipped, and any other
// character outside the alphabet, a missing or misplaced "=", or non-zero bits in the last
// character before the padding make the whole input fail.
int safeBase64Encode(const unsigned char* in, unsigned int inLength, char** out);
int safeBase64Decode(const unsigned char* in, unsigned int inLength, unsigned char** out);

// The safe pair on strings; decoding failure gives the empty string.
std::string safeBase64EncodeString(const std::string& in);
std::string safeBase64DecodeString(const std::string& in);

}  // namespace cocos2d
