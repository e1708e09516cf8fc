#include "dcmsdk/DcmEventText.h"

namespace dcmSDK {

std::string DcmEventText::escape(const std::string& value) {
    // The application's flat JSON reader ends a value at the next quote and knows no escapes, so
    // quotes become apostrophes and control characters spaces.
    std::string text;
    for (const char c : value) {
        if (c == '"') {
            text += '\'';
        } else if (c == '\\') {
            text += '/';
        } else if (static_cast<unsigned char>(c) < 0x20) {
            text += ' ';
        } else {
            text += c;
        }
    }
    return text;
}

std::string DcmEventText::json(std::initializer_list<std::pair<const char*, std::string>> fields) {
    std::string text = "{";
    for (const auto& field : fields) {
        if (text.size() > 1) {
            text += ',';
        }
        text += '"';
        text += field.first;
        text += "\":\"";
        text += escape(field.second);
        text += '"';
    }
    return text + "}";
}

}  // namespace dcmSDK
