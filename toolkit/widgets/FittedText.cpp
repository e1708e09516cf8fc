#include "toolkit/widgets/FittedText.h"

#include "engine/2d/Label.h"
#include "engine/ui/Text.h"
#include "toolkit/core/TextRoutines.h"

namespace NSUI {

namespace {

size_t characterCount(const std::string& text) {
    size_t count = 0;
    for (const char byte : text) {
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

bool fits(const std::string& text, const std::string& font, float fontSize, float width) {
    cocos2d::Label* probe = cocos2d::Label::createWithSystemFont(text, font, fontSize);
    return probe == nullptr || probe->getContentSize().width <= width;
}

}  // namespace

std::string fitText(const std::string& text, const std::string& font, float fontSize, float width) {
    if (width <= 0.0f || fits(text, font, fontSize, width)) {
        return text;
    }
    // The widest cut that fits: binary search over the characters kept.
    size_t low = 0;
    size_t high = characterCount(text);
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (fits(cutText(text, middle), font, fontSize, width)) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return cutText(text, low);
}

void setFittedText(cocos2d::ui::Text* widget, const std::string& text) {
    if (widget == nullptr) {
        return;
    }
    widget->setString(fitText(text, widget->getFontName(), widget->getFontSize(),
                              widget->getTextAreaSize().width));
}

}  // namespace NSUI
