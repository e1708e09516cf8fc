#pragma once

#include <string>

namespace NSUI {

// Dotted IPv4 form: digits and '.' only, every run of digits below 256, exactly three '.', not
// ending in '.'. Runs may be empty (1..2.3 passes); an empty text fails.
bool isValidIPAddress(const std::string& text);

// A network port: decimal digits only, 1 to 65535.
bool isValidPort(const std::string& text);

// Whole-text match of ([0-9A-Za-z\-_\.]+)@([0-9A-Za-z]+\.[a-z0-9A-Z]{2,5}(\.[a-z0-9A-Z]{2,5})?).
bool isValidEmail(const std::string& text);

// Whole-text match of [0-9A-Za-z\-_\.]+.
bool isValidAccountName(const std::string& text);

}  // namespace NSUI
