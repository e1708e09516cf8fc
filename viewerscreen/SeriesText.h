#pragma once

#include <string>
#include <vector>

// The series keys a viewer-screen series text names. A text starting with "{" is the study
// list's flat JSON object: "num" keys, read from "series1" to "series<num>" in that order (a
// missing entry gives an empty key, a missing "num" no key at all); any other text is one key.
std::vector<std::string> parseSeriesText(const std::string& text);
