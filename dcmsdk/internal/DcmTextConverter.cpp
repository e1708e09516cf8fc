#include "dcmsdk/internal/DcmTextConverter.h"

#include "dcmsdk/DcmCallbacks.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <iconv.h>

#include <cerrno>
#include <vector>

namespace dcmSDK {

namespace {

bool isCharsetSensitive(DcmEVR vr) {
    switch (vr) {
    case EVR_PN:
    case EVR_SH:
    case EVR_LO:
    case EVR_ST:
    case EVR_LT:
    case EVR_UT:
    case EVR_UC:
        return true;
    default:
        return false;
    }
}

// Characters at which ISO 2022 code extensions fall back to the initial designation.
const char* delimitersFor(DcmEVR vr) {
    switch (vr) {
    case EVR_PN:
        return "\\^=";
    case EVR_SH:
    case EVR_LO:
    case EVR_UC:
        return "\\";
    default:
        return "\r\n\t\f";
    }
}

bool isPlainAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80 || c == 0x1B) {
            return false;
        }
    }
    return true;
}

bool isValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (c < 0x80) {
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
        } else {
            return false;
        }
        if (extra > 0 && i + extra >= text.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

// Last resort: bytes outside ASCII become '?', so the result is still valid UTF-8.
std::string asciiOnly(const std::string& raw) {
    std::string out = raw;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == 0x1B) {
            c = '?';
        }
    }
    return out;
}

const char* fallbackCharset(LanguageType language) {
    switch (language) {
    case LanguageType::CHINESE:
        return "GB18030";
    case LanguageType::RUSSIAN:
    case LanguageType::UKRAINIAN:
    case LanguageType::BULGARIAN:
        return "ISO_IR 144";
    case LanguageType::ARABIC:
        return "ISO_IR 127";
    case LanguageType::POLISH:
    case LanguageType::HUNGARIAN:
    case LanguageType::ROMANIAN:
        return "ISO_IR 101";
    case LanguageType::TURKISH:
        return "ISO_IR 148";
    case LanguageType::KOREAN:
        return "ISO 2022 IR 6\\ISO 2022 IR 149";
    case LanguageType::JAPANESE:
        return "ISO 2022 IR 6\\ISO 2022 IR 87";
    default:
        return "ISO_IR 100";
    }
}

bool usesJapaneseSets(const std::string& charsets) {
    std::size_t start = 0;
    while (start <= charsets.size()) {
        std::size_t end = charsets.find('\\', start);
        if (end == std::string::npos) {
            end = charsets.size();
        }
        std::string term = charsets.substr(start, end - start);
        while (!term.empty() && term.back() == ' ') {
            term.pop_back();
        }
        if (term == "ISO 2022 IR 13" || term == "ISO 2022 IR 87" || term == "ISO 2022 IR 159" ||
            term == "ISO_IR 13") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool iconvToUtf8(const char* from, const std::string& input, std::string& output) {
    iconv_t handle = iconv_open("UTF-8", from);
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::vector<char> in(input.begin(), input.end());
    std::vector<char> out(input.size() * 4 + 16);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(handle);
    if (result == static_cast<std::size_t>(-1)) {
        return false;
    }
    output.assign(out.data(), out.size() - outLeft);
    return true;
}

// The Japanese ISO 2022 extensions (IR 13, IR 87, IR 159), which the C library's iconv does not
// offer under the names DCMTK asks for: the value is rewritten as EUC-JP and converted from there.
bool decodeJapanese(const std::string& raw, bool katakanaInG1, const char* delimiters,
                    std::string& output) {
    enum class G0 { Ascii, Kanji, Supplementary };
    G0 g0 = G0::Ascii;
    bool g1Katakana = katakanaInG1;
    std::string euc;
    const std::string delims(delimiters);
    for (std::size_t i = 0; i < raw.size();) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c == 0x1B) {
            const std::string rest = raw.substr(i + 1, 3);
            if (rest.compare(0, 2, "(B") == 0 || rest.compare(0, 2, "(J") == 0) {
                g0 = G0::Ascii;
                i += 3;
            } else if (rest.compare(0, 2, "$B") == 0 || rest.compare(0, 2, "$@") == 0) {
                g0 = G0::Kanji;
                i += 3;
            } else if (rest.compare(0, 3, "$(D") == 0) {
                g0 = G0::Supplementary;
                i += 4;
            } else if (rest.compare(0, 2, ")I") == 0) {
                g1Katakana = true;
                i += 3;
            } else {
                return false;
            }
            continue;
        }
        if (c >= 0x80) {
            if (!g1Katakana || c < 0xA1 || c > 0xDF) {
                return false;
            }
            euc += static_cast<char>(0x8E);
            euc += static_cast<char>(c);
            ++i;
            continue;
        }
        if (delims.find(static_cast<char>(c)) != std::string::npos) {
            g0 = G0::Ascii;
        }
        if (g0 == G0::Ascii || c < 0x21 || c > 0x7E) {
            euc += static_cast<char>(c);
            ++i;
            continue;
        }
        if (i + 1 >= raw.size()) {
            return false;
        }
        if (g0 == G0::Supplementary) {
            euc += static_cast<char>(0x8F);
        }
        euc += static_cast<char>(c | 0x80);
        euc += static_cast<char>(static_cast<unsigned char>(raw[i + 1]) | 0x80);
        i += 2;
    }
    return iconvToUtf8("EUC-JP", euc, output);
}

}  // namespace

DcmTextConverter::DcmTextConverter() = default;

void DcmTextConverter::reset(DcmItem& item, LanguageType language) {
    language_ = language;
    declared_.clear();
    hasDeclared_ = false;
    japanese_ = false;
    declaredReady_ = false;
    fallbackReady_ = false;
    OFString value;
    if (item.findAndGetOFStringArray(DCM_SpecificCharacterSet, value).good()) {
        std::string text = value.c_str();
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        // A value of empty parts only means the default repertoire, as without the element.
        if (text.find_first_not_of("\\ ") != std::string::npos) {
            declared_ = text;
            hasDeclared_ = true;
            japanese_ = usesJapaneseSets(text);
            declaredReady_ = declaredSet_.selectCharacterSet(declared_.c_str()).good();
        }
    }
    if (!hasDeclared_ || !declaredReady_) {
        fallbackReady_ = fallbackSet_.selectCharacterSet(fallbackCharset(language_)).good();
    }
}

std::string DcmTextConverter::toUtf8(const std::string& raw, DcmEVR vr) {
    if (!isCharsetSensitive(vr) || isPlainAscii(raw)) {
        return raw;
    }
    if (hasDeclared_) {
        return convertDeclared(raw, vr);
    }
    return convertFallback(raw, vr);
}

std::string DcmTextConverter::convertDeclared(const std::string& raw, DcmEVR vr) {
    std::string output;
    if (japanese_) {
        const bool katakanaFirst = declared_.compare(0, 14, "ISO 2022 IR 13") == 0 ||
                                   declared_.compare(0, 9, "ISO_IR 13") == 0;
        if (decodeJapanese(raw, katakanaFirst, delimitersFor(vr), output)) {
            return output;
        }
    }
    if (declaredReady_) {
        OFString converted;
        if (declaredSet_.convertString(raw.c_str(), raw.size(), converted, delimitersFor(vr))
                .good()) {
            return std::string(converted.c_str(), converted.length());
        }
    }
    return convertFallback(raw, vr);
}

std::string DcmTextConverter::convertFallback(const std::string& raw, DcmEVR vr) {
    if (isValidUtf8(raw)) {
        return raw;
    }
    if (language_ == LanguageType::CHINESE) {
        if (Gb2Utf8Callback gb2utf8 = getGb2Utf8Callback()) {
            std::vector<char> target(raw.size() * 4 + 16, '\0');
            gb2utf8(raw.c_str(), target.data(), static_cast<int>(target.size()));
            std::string converted(target.data());
            if (isValidUtf8(converted)) {
                return converted;
            }
        }
    }
    if (fallbackReady_) {
        OFString converted;
        if (fallbackSet_.convertString(raw.c_str(), raw.size(), converted, delimitersFor(vr))
                .good()) {
            return std::string(converted.c_str(), converted.length());
        }
    }
    return asciiOnly(raw);
}

}  // namespace dcmSDK
