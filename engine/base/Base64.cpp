#include "engine/base/Base64.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace cocos2d {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int kInvalid = -1;
constexpr int kPadding = -2;
constexpr int kSpace = -3;

int classify(unsigned char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    switch (c) {
    case '+':
        return 62;
    case '/':
        return 63;
    case '=':
        return kPadding;
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '\v':
    case '\f':
        return kSpace;
    default:
        return kInvalid;
    }
}

// Encoded length without the terminator, or -1 when it does not fit an int.
long long encodedLength(unsigned int inLength) {
    const long long length = (static_cast<long long>(inLength) + 2) / 3 * 4;
    return length > INT_MAX - 1 ? -1 : length;
}

void encodeInto(const unsigned char* in, unsigned int inLength, char* out) {
    unsigned int i = 0;
    char* o = out;
    for (; i + 2 < inLength; i += 3) {
        const unsigned int triple = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
        *o++ = kAlphabet[(triple >> 18) & 0x3F];
        *o++ = kAlphabet[(triple >> 12) & 0x3F];
        *o++ = kAlphabet[(triple >> 6) & 0x3F];
        *o++ = kAlphabet[triple & 0x3F];
    }
    if (i < inLength) {
        const bool two = i + 1 < inLength;
        const unsigned int triple = (in[i] << 16) | (two ? in[i + 1] << 8 : 0);
        *o++ = kAlphabet[(triple >> 18) & 0x3F];
        *o++ = kAlphabet[(triple >> 12) & 0x3F];
        *o++ = two ? kAlphabet[(triple >> 6) & 0x3F] : '=';
        *o++ = '=';
    }
    *o = '\0';
}

// Appends the bytes of complete or final groups of sextets.
void flushGroup(const int* sextets, int count, std::vector<unsigned char>& out) {
    const unsigned int bits = (sextets[0] << 18) | (count > 1 ? sextets[1] << 12 : 0) |
                              (count > 2 ? sextets[2] << 6 : 0) | (count > 3 ? sextets[3] : 0);
    out.push_back(static_cast<unsigned char>(bits >> 16));
    if (count > 2) {
        out.push_back(static_cast<unsigned char>(bits >> 8));
    }
    if (count > 3) {
        out.push_back(static_cast<unsigned char>(bits));
    }
}

bool decodeLenient(const unsigned char* in, unsigned int inLength,
                   std::vector<unsigned char>& out) {
    int group[4];
    int count = 0;
    for (unsigned int i = 0; i < inLength; ++i) {
        const int value = classify(in[i]);
        if (value == kPadding) {
            break;
        }
        if (value < 0) {
            continue;
        }
        group[count++] = value;
        if (count == 4) {
            flushGroup(group, 4, out);
            count = 0;
        }
    }
    if (count >= 2) {
        flushGroup(group, count, out);
    }
    return true;
}

bool decodeStrict(const unsigned char* in, unsigned int inLength, std::vector<unsigned char>& out) {
    int group[4];
    int count = 0;
    int padding = 0;
    for (unsigned int i = 0; i < inLength; ++i) {
        const int value = classify(in[i]);
        if (value == kSpace) {
            continue;
        }
        if (value == kInvalid) {
            return false;
        }
        if (value == kPadding) {
            // Padding may only complete a group that already holds two or three sextets.
            if (count + padding < 2) {
                return false;
            }
            ++padding;
            if (count + padding > 4) {
                return false;
            }
            continue;
        }
        if (padding > 0) {
            return false;
        }
        group[count++] = value;
        if (count == 4) {
            flushGroup(group, 4, out);
            count = 0;
        }
    }
    if (count == 0) {
        return padding == 0;
    }
    if (count + padding != 4) {
        return false;
    }
    // The bits of the last sextet that do not reach a byte must be zero.
    const int unusedMask = count == 2 ? 0x0F : 0x03;
    if ((group[count - 1] & unusedMask) != 0) {
        return false;
    }
    flushGroup(group, count, out);
    return true;
}

}  // namespace

int base64Encode(const unsigned char* in, unsigned int inLength, char** out) {
    *out = nullptr;
    const long long length = encodedLength(inLength);
    if (length < 0 || (in == nullptr && inLength > 0)) {
        return 0;
    }
    *out = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
    if (*out == nullptr) {
        return 0;
    }
    encodeInto(in, inLength, *out);
    return static_cast<int>(length);
}

int base64Decode(const unsigned char* in, unsigned int inLength, unsigned char** out) {
    *out = nullptr;
    if (in == nullptr) {
        return 0;
    }
    std::vector<unsigned char> decoded;
    decodeLenient(in, inLength, decoded);
    *out = static_cast<unsigned char*>(std::malloc(decoded.size() + 1));
    if (*out == nullptr) {
        return 0;
    }
    std::memcpy(*out, decoded.data(), decoded.size());
    (*out)[decoded.size()] = 0;
    return static_cast<int>(decoded.size());
}

int safeBase64Encode(const unsigned char* in, unsigned int inLength, char** out) {
    *out = nullptr;
    const long long length = encodedLength(inLength);
    if (length <= 0 || in == nullptr) {
        return 0;
    }
    *out = new char[static_cast<std::size_t>(length) + 1];
    encodeInto(in, inLength, *out);
    return static_cast<int>(length);
}

int safeBase64Decode(const unsigned char* in, unsigned int inLength, unsigned char** out) {
    *out = nullptr;
    if (in == nullptr) {
        return 0;
    }
    std::vector<unsigned char> decoded;
    if (!decodeStrict(in, inLength, decoded) || decoded.empty()) {
        return 0;
    }
    *out = new unsigned char[decoded.size() + 1];
    std::memcpy(*out, decoded.data(), decoded.size());
    (*out)[decoded.size()] = 0;
    return static_cast<int>(decoded.size());
}

std::string safeBase64EncodeString(const std::string& in) {
    if (in.size() > UINT_MAX) {
        return std::string();
    }
    char* encoded = nullptr;
    const int length = safeBase64Encode(reinterpret_cast<const unsigned char*>(in.data()),
                                        static_cast<unsigned int>(in.size()), &encoded);
    std::string text = length > 0 ? std::string(encoded, static_cast<std::size_t>(length)) : "";
    delete[] encoded;
    return text;
}

std::string safeBase64DecodeString(const std::string& in) {
    if (in.size() > UINT_MAX) {
        return std::string();
    }
    unsigned char* decoded = nullptr;
    const int length = safeBase64Decode(reinterpret_cast<const unsigned char*>(in.data()),
                                        static_cast<unsigned int>(in.size()), &decoded);
    std::string text = length > 0 ? std::string(reinterpret_cast<const char*>(decoded),
                                                static_cast<std::size_t>(length))
                                  : "";
    delete[] decoded;
    return text;
}

}  // namespace cocos2d
