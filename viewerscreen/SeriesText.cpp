#include "viewerscreen/SeriesText.h"

#include <algorithm>
#include <cstdlib>

#include "toolkit/core/UIJson.h"

std::vector<std::string> parseSeriesText(const std::string& text) {
    std::vector<std::string> keys;
    if (text.empty() || text[0] != '{') {
        keys.push_back(text);
        return keys;
    }
    // Every entry takes more than one byte of the text: a larger count names keys it cannot hold.
    const int count = std::min(std::atoi(NSUI::UIJson::getString(text, "num").c_str()),
                               static_cast<int>(text.size()));
    for (int i = 1; i <= count; ++i) {
        keys.push_back(NSUI::UIJson::getString(text, "series" + std::to_string(i)));
    }
    return keys;
}
