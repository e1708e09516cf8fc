#include "engine/ui/JsonReader.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "engine/base/Utils.h"

namespace cocos2d {

namespace {

constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(const std::string& text) : _text(text) {}

    bool parseDocument(Value* out) {
        skipSpace();
        if (!parseValue(out, 0)) {
            return false;
        }
        skipSpace();
        return _pos == _text.size() || fail("text after the value");
    }

    const std::string& error() const { return _error; }

private:
    bool fail(const char* what) {
        if (_error.empty()) {
            _error = StringUtils::format("%s at offset %zu", what, _pos);
        }
        return false;
    }

    void skipSpace() {
        while (_pos < _text.size() && (_text[_pos] == ' ' || _text[_pos] == '\t' ||
                                       _text[_pos] == '\n' || _text[_pos] == '\r')) {
            ++_pos;
        }
    }

    bool literal(const char* word) {
        const std::string expected(word);
        if (_text.compare(_pos, expected.size(), expected) != 0) {
            return fail("unknown literal");
        }
        _pos += expected.size();
        return true;
    }

    bool parseValue(Value* out, int depth) {
        if (depth > kMaxDepth) {
            return fail("nesting too deep");
        }
        if (_pos >= _text.size()) {
            return fail("unexpected end");
        }
        switch (_text[_pos]) {
        case '{':
            return parseObject(out, depth);
        case '[':
            return parseArray(out, depth);
        case '"': {
            std::string text;
            if (!parseString(&text)) {
                return false;
            }
            *out = Value(text);
            return true;
        }
        case 't':
            *out = Value(true);
            return literal("true");
        case 'f':
            *out = Value(false);
            return literal("false");
        case 'n':
            *out = Value();
            return literal("null");
        default:
            return parseNumber(out);
        }
    }

    bool parseObject(Value* out, int depth) {
        ++_pos;
        ValueMap map;
        skipSpace();
        if (_pos < _text.size() && _text[_pos] == '}') {
            ++_pos;
            *out = Value(std::move(map));
            return true;
        }
        while (true) {
            skipSpace();
            std::string key;
            if (_pos >= _text.size() || _text[_pos] != '"') {
                return fail("expected a key");
            }
            if (!parseString(&key)) {
                return false;
            }
            skipSpace();
            if (_pos >= _text.size() || _text[_pos] != ':') {
                return fail("expected ':'");
            }
            ++_pos;
            skipSpace();
            Value value;
            if (!parseValue(&value, depth + 1)) {
                return false;
            }
            map[key] = std::move(value);
            skipSpace();
            if (_pos < _text.size() && _text[_pos] == ',') {
                ++_pos;
                continue;
            }
            if (_pos < _text.size() && _text[_pos] == '}') {
                ++_pos;
                *out = Value(std::move(map));
                return true;
            }
            return fail("expected ',' or '}'");
        }
    }

    bool parseArray(Value* out, int depth) {
        ++_pos;
        ValueVector vector;
        skipSpace();
        if (_pos < _text.size() && _text[_pos] == ']') {
            ++_pos;
            *out = Value(std::move(vector));
            return true;
        }
        while (true) {
            skipSpace();
            Value value;
            if (!parseValue(&value, depth + 1)) {
                return false;
            }
            vector.push_back(std::move(value));
            skipSpace();
            if (_pos < _text.size() && _text[_pos] == ',') {
                ++_pos;
                continue;
            }
            if (_pos < _text.size() && _text[_pos] == ']') {
                ++_pos;
                *out = Value(std::move(vector));
                return true;
            }
            return fail("expected ',' or ']'");
        }
    }

    bool parseHex4(unsigned* code) {
        if (_pos + 4 > _text.size()) {
            return fail("short \\u escape");
        }
        *code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = _text[_pos++];
            *code <<= 4;
            if (c >= '0' && c <= '9') {
                *code |= static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                *code |= static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                *code |= static_cast<unsigned>(c - 'A' + 10);
            } else {
                return fail("bad \\u escape");
            }
        }
        return true;
    }

    static void appendUtf8(unsigned code, std::string* out) {
        std::string encoded;
        StringUtils::UTF32ToUTF8(std::u32string(1, static_cast<char32_t>(code)), encoded);
        *out += encoded;
    }

    bool parseString(std::string* out) {
        ++_pos;
        while (_pos < _text.size()) {
            const char c = _text[_pos++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return fail("control character in a string");
            }
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (_pos >= _text.size()) {
                break;
            }
            const char escape = _text[_pos++];
            switch (escape) {
            case '"':
            case '\\':
            case '/':
                out->push_back(escape);
                break;
            case 'b':
                out->push_back('\b');
                break;
            case 'f':
                out->push_back('\f');
                break;
            case 'n':
                out->push_back('\n');
                break;
            case 'r':
                out->push_back('\r');
                break;
            case 't':
                out->push_back('\t');
                break;
            case 'u': {
                unsigned code = 0;
                if (!parseHex4(&code)) {
                    return false;
                }
                if (code >= 0xD800 && code <= 0xDBFF) {
                    unsigned low = 0;
                    if (_text.compare(_pos, 2, "\\u") != 0) {
                        return fail("lone surrogate");
                    }
                    _pos += 2;
                    if (!parseHex4(&low) || low < 0xDC00 || low > 0xDFFF) {
                        return fail("lone surrogate");
                    }
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    return fail("lone surrogate");
                }
                appendUtf8(code, out);
                break;
            }
            default:
                return fail("bad escape");
            }
        }
        return fail("unterminated string");
    }

    bool parseNumber(Value* out) {
        const size_t start = _pos;
        if (_pos < _text.size() && _text[_pos] == '-') {
            ++_pos;
        }
        auto digits = [this]() {
            const size_t first = _pos;
            while (_pos < _text.size() && _text[_pos] >= '0' && _text[_pos] <= '9') {
                ++_pos;
            }
            return _pos - first;
        };
        const size_t integerDigits = digits();
        if (integerDigits == 0 || (integerDigits > 1 && _text[_pos - integerDigits] == '0')) {
            _pos = start;
            return fail("bad number");
        }
        bool integral = true;
        if (_pos < _text.size() && _text[_pos] == '.') {
            ++_pos;
            integral = false;
            if (digits() == 0) {
                return fail("bad fraction");
            }
        }
        if (_pos < _text.size() && (_text[_pos] == 'e' || _text[_pos] == 'E')) {
            ++_pos;
            integral = false;
            if (_pos < _text.size() && (_text[_pos] == '+' || _text[_pos] == '-')) {
                ++_pos;
            }
            if (digits() == 0) {
                return fail("bad exponent");
            }
        }
        const std::string number = _text.substr(start, _pos - start);
        errno = 0;
        const double value = std::strtod(number.c_str(), nullptr);
        if (errno == ERANGE && std::isinf(value)) {
            return fail("number out of range");
        }
        if (integral && value >= INT_MIN && value <= INT_MAX) {
            *out = Value(static_cast<int>(value));
        } else {
            *out = Value(value);
        }
        return true;
    }

    const std::string& _text;
    size_t _pos = 0;
    std::string _error;
};

}  // namespace

bool JsonReader::parse(const std::string& text, Value* out, std::string* error) {
    Parser parser(text);
    Value value;
    if (!parser.parseDocument(&value)) {
        if (error != nullptr) {
            *error = parser.error();
        }
        return false;
    }
    *out = std::move(value);
    return true;
}

}  // namespace cocos2d
