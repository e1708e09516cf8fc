#pragma once

#include <cstdint>
#include <string>

#include "engine/base/Ref.h"
#include "engine/base/Types.h"

namespace cocos2d {
class Node;
}

namespace NSUI {

// One element of a rich text, drawn by its own node.
class NSRichElement : public cocos2d::Ref {
public:
    enum Type { TEXT = 0 };

    ~NSRichElement() override;

    // Made when the element is inserted into a rich text; the rich text's container holds it.
    cocos2d::Node* renderer = nullptr;
    std::string caption = "test";
    int type = TEXT;
    int tag = 0;
    cocos2d::Color3B color;
    uint8_t opacity = 255;
};

// A run of text in one font, size and colour.
class NSRichElementText : public NSRichElement {
public:
    // Autoreleased.
    static NSRichElementText* create(int tag, const std::string& text, const std::string& fontName,
                                     float fontSize, const cocos2d::Color3B& color,
                                     uint8_t opacity);

    const std::string& getText() const { return text; }
    void setText(const std::string& value) { text = value; }
    const std::string& getFontName() const { return fontName; }

    std::string text;
    // A TTF file, or a system font name when no such file exists.
    std::string fontName;
    float fontSize = 0.0f;
};

}  // namespace NSUI
