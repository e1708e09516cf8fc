#include "platform/TextCodec.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace platform {

namespace {

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr const char* kUtf16 = "UTF-16LE";
#else
constexpr const char* kUtf16 = "UTF-16BE";
#endif

// Runs iconv over the whole input. An undecodable unit of the source (unitSize bytes) is replaced
// by the target's encoding of U+FFFD and skipped, so the conversion always reaches the end.
std::string convert(const char* from, const char* to, const char* data, size_t length,
                    size_t unitSize, const std::string& replacement) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return out;
    }
    char* in = const_cast<char*>(data);
    size_t inLeft = length;
    char chunk[4096];
    while (inLeft > 0) {
        char* outPtr = chunk;
        size_t outLeft = sizeof(chunk);
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, sizeof(chunk) - outLeft);
        if (rc != static_cast<size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ: an invalid sequence; EINVAL: a sequence cut off by the end of the input.
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        out += replacement;
        const size_t skip = inLeft < unitSize ? inLeft : unitSize;
        in += skip;
        inLeft -= skip;
    }
    char* outPtr = chunk;
    size_t outLeft = sizeof(chunk);
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(chunk, sizeof(chunk) - outLeft);
    iconv_close(cd);
    return out;
}

const std::string kUtf8Replacement = "\xEF\xBF\xBD";

}  // namespace

std::string gbToUtf8(const std::string& text) {
    return convert("GB18030", "UTF-8", text.data(), text.size(), 1, kUtf8Replacement);
}

std::u16string utf8ToUtf16(const std::string& text) {
    const char16_t replacementUnit = 0xFFFD;
    const std::string replacement(reinterpret_cast<const char*>(&replacementUnit), 2);
    const std::string bytes = convert("UTF-8", kUtf16, text.data(), text.size(), 1, replacement);
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

std::string utf16ToUtf8(const std::u16string& text) {
    return convert(kUtf16, "UTF-8", reinterpret_cast<const char*>(text.data()), text.size() * 2, 2,
                   kUtf8Replacement);
}

}  // namespace platform
