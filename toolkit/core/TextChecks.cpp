#include "toolkit/core/TextChecks.h"

#include <cstdlib>

namespace NSUI {

// The two patterns are matched by hand rather than with std::regex, whose backtracking recurses
// once per character and overflows the stack on long input; the results are the same.

namespace {

bool isAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isAccountChar(char c) {
    return isAlnum(c) || c == '-' || c == '_' || c == '.';
}

bool isAlnumRun(const std::string& text, size_t begin, size_t end, size_t minimum, size_t maximum) {
    const size_t length = end - begin;
    if (length < minimum || length > maximum) {
        return false;
    }
    for (size_t i = begin; i < end; ++i) {
        if (!isAlnum(text[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isValidIPAddress(const std::string& text) {
    if (text.empty() || text.back() == '.') {
        return false;
    }
    unsigned value = 0;
    int dots = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value >= 256) {
                return false;
            }
        } else if (c == '.') {
            value = 0;
            ++dots;
        } else {
            return false;
        }
    }
    return dots == 3;
}

bool isValidPort(const std::string& text) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    const long port = std::strtol(text.c_str(), nullptr, 10);
    return port >= 1 && port <= 65535;
}

bool isValidEmail(const std::string& text) {
    // No '@' in either character class, so the one '@' splits the text unambiguously; no '.' in
    // the domain's classes, so its dots split it into two or three labels.
    const size_t at = text.find('@');
    if (at == std::string::npos || at == 0) {
        return false;
    }
    for (size_t i = 0; i < at; ++i) {
        if (!isAccountChar(text[i])) {
            return false;
        }
    }
    const size_t firstDot = text.find('.', at + 1);
    if (firstDot == std::string::npos ||
        !isAlnumRun(text, at + 1, firstDot, 1, std::string::npos)) {
        return false;
    }
    const size_t secondDot = text.find('.', firstDot + 1);
    if (secondDot == std::string::npos) {
        return isAlnumRun(text, firstDot + 1, text.size(), 2, 5);
    }
    return isAlnumRun(text, firstDot + 1, secondDot, 2, 5) &&
           isAlnumRun(text, secondDot + 1, text.size(), 2, 5);
}

bool isValidAccountName(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (!isAccountChar(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace NSUI
