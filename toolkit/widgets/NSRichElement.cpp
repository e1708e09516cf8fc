#include "toolkit/widgets/NSRichElement.h"

namespace NSUI {

NSRichElement::~NSRichElement() = default;

NSRichElementText* NSRichElementText::create(int tag, const std::string& text,
                                             const std::string& fontName, float fontSize,
                                             const cocos2d::Color3B& color, uint8_t opacity) {
    auto* element = new NSRichElementText();
    element->type = TEXT;
    element->tag = tag;
    element->text = text;
    element->fontName = fontName;
    element->fontSize = fontSize;
    element->color = color;
    element->opacity = opacity;
    element->autorelease();
    return element;
}

}  // namespace NSUI
