#include "toolkit/core/UIJson.h"

#include "toolkit/core/TextRoutines.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace NSUI {

namespace {

// Positions are ints, so longer texts are not scanned at all.
bool scannable(const std::string& json, int from) {
    return json.size() <= static_cast<size_t>(INT_MAX) && from >= 0 &&
           static_cast<size_t>(from) < json.size();
}

bool findQuoted(const std::string& json, int from, int& start, int& end) {
    if (!scannable(json, from)) {
        return false;
    }
    const size_t open = json.find('"', static_cast<size_t>(from));
    if (open == std::string::npos) {
        return false;
    }
    const size_t close = json.find('"', open + 1);
    if (close == std::string::npos) {
        return false;
    }
    start = static_cast<int>(open);
    end = static_cast<int>(close);
    return true;
}

bool findBrackets(const std::string& json, int from, int& start, int& end) {
    if (!scannable(json, from)) {
        return false;
    }
    const size_t open = json.find('[', static_cast<size_t>(from));
    if (open == std::string::npos) {
        return false;
    }
    size_t depth = 0;
    for (size_t i = open + 1; i < json.size(); ++i) {
        if (json[i] == '[') {
            ++depth;
        } else if (json[i] == ']') {
            if (depth == 0) {
                start = static_cast<int>(open);
                end = static_cast<int>(i);
                return true;
            }
            --depth;
        }
    }
    return false;
}

bool findBare(const std::string& json, int from, int& start, int& end) {
    if (!scannable(json, from)) {
        return false;
    }
    const size_t colon = json.find(':', static_cast<size_t>(from));
    if (colon == std::string::npos) {
        return false;
    }
    const size_t delimiter = json.find_first_of(",]}", colon + 1);
    if (delimiter == std::string::npos) {
        return false;
    }
    start = static_cast<int>(colon);
    end = static_cast<int>(delimiter);
    return true;
}

bool findValueToken(const std::string& json, int from, int& start, int& end) {
    int colon = 0;
    int delimiter = 0;
    if (!findBare(json, from, colon, delimiter)) {
        return false;
    }
    int open = 0;
    int close = 0;
    if (findQuoted(json, colon, open, close) && close < delimiter) {
        start = open;
        end = close;
    } else {
        start = colon;
        end = delimiter;
    }
    return true;
}

// Remembers the last bracket search of one findValue scan. The scan only moves forward, and the
// answer depends only on the first '[' at or after the search position, so it holds for every
// later position up to that '[' (for good when there is none). This keeps the scan of long texts
// without arrays from going quadratic.
class BracketCache {
public:
    bool find(const std::string& json, int from, int& start, int& end) {
        const bool reusable = valid_ && from >= from_ &&
                              (open_ == std::string::npos || static_cast<size_t>(from) <= open_);
        if (!reusable) {
            valid_ = true;
            from_ = from;
            open_ = scannable(json, from) ? json.find('[', static_cast<size_t>(from))
                                          : std::string::npos;
            found_ = open_ != std::string::npos && findBrackets(json, from, start_, end_);
        }
        start = start_;
        end = end_;
        return found_;
    }

private:
    bool valid_ = false;
    bool found_ = false;
    int from_ = 0;
    size_t open_ = std::string::npos;
    int start_ = 0;
    int end_ = 0;
};

bool lookUp(const std::string& json, const std::string& key, std::string& value) {
    int start = 0;
    int end = 0;
    if (!UIJson::findValue(json, key, start, end)) {
        return false;
    }
    value = json.substr(static_cast<size_t>(start) + 1, static_cast<size_t>(end - start - 1));
    return true;
}

}  // namespace

bool UIJson::findToken(const std::string& json, int kind, int from, int& start, int& end) {
    switch (kind) {
    case kValue:
        return findValueToken(json, from, start, end);
    case kBrackets:
        return findBrackets(json, from, start, end);
    case kBare:
        return findBare(json, from, start, end);
    case kQuoted:
        return findQuoted(json, from, start, end);
    default:
        return false;
    }
}

bool UIJson::findValue(const std::string& json, const std::string& key, int& start, int& end) {
    BracketCache brackets;
    int position = 0;
    for (;;) {
        int open = 0;
        int close = 0;
        if (!findQuoted(json, position, open, close)) {
            return false;
        }
        const size_t keyLength = static_cast<size_t>(close - open - 1);
        if (json.compare(static_cast<size_t>(open) + 1, keyLength, key) == 0) {
            return findValueToken(json, close + 1, start, end);
        }
        int valueStart = 0;
        int valueEnd = 0;
        int bracketStart = 0;
        int bracketEnd = 0;
        const bool hasValue = findValueToken(json, close + 1, valueStart, valueEnd);
        const bool hasBrackets = brackets.find(json, close + 1, bracketStart, bracketEnd);
        if (!hasValue && !hasBrackets) {
            return false;
        }
        if (hasBrackets && (!hasValue || valueStart >= bracketStart)) {
            position = bracketEnd + 1;
        } else {
            position = valueEnd + 1;
        }
    }
}

std::string UIJson::getString(const std::string& json, const std::string& key) {
    return getStringWithDefault(json, key, std::string());
}

std::string UIJson::getStringWithDefault(const std::string& json, const std::string& key,
                                         const std::string& defaultValue) {
    std::string value;
    return lookUp(json, key, value) ? value : defaultValue;
}

float UIJson::getFloat(const std::string& json, const std::string& key, float defaultValue) {
    std::string value;
    if (!lookUp(json, key, value)) {
        return defaultValue;
    }
    return static_cast<float>(std::atof(value.c_str()));
}

int UIJson::getInt(const std::string& json, const std::string& key, int defaultValue) {
    std::string value;
    if (!lookUp(json, key, value)) {
        return defaultValue;
    }
    // atoi without its undefined behaviour on numbers out of range: they saturate.
    const long number = std::strtol(value.c_str(), nullptr, 10);
    if (number > INT_MAX) {
        return INT_MAX;
    }
    if (number < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(number);
}

void UIJson::setString(std::string& json, const std::string& key, const std::string& value) {
    const std::string quoted = "\"" + value + "\"";
    if (json.empty()) {
        json = "{\"" + key + "\":" + quoted + "}";
        return;
    }
    int start = 0;
    int end = 0;
    if (findValue(json, key, start, end)) {
        // A bare value is bounded by its ':' and its delimiter, which both stay.
        const bool bare = json[static_cast<size_t>(start)] != '"';
        const size_t keepBefore = static_cast<size_t>(start) + (bare ? 1 : 0);
        const size_t keepAfter = static_cast<size_t>(end) + (bare ? 0 : 1);
        json = json.substr(0, keepBefore) + quoted + json.substr(keepAfter);
        return;
    }
    // Appends before the closing '}'; white space around that brace goes, and an object without
    // any pair gets no comma.
    trimRight(json);
    if (!json.empty() && json.back() == '}') {
        json.pop_back();
        trimRight(json);
    }
    const bool firstPair = json.empty() || json.back() == '{';
    json += (firstPair ? "\"" : ",\"") + key + "\":" + quoted + "}";
}

void UIJson::setFloat(std::string& json, const std::string& key, float value) {
    setString(json, key, formatString("%.6f", static_cast<double>(value)));
}

void UIJson::setInt(std::string& json, const std::string& key, int value) {
    setString(json, key, formatString("%i", value));
}

}  // namespace NSUI
