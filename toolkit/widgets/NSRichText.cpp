#include "toolkit/widgets/NSRichText.h"

#include <algorithm>
#include <string>

#include "engine/2d/Label.h"
#include "engine/base/Touch.h"
#include "engine/base/Utils.h"
#include "engine/math/Geometry.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Layout.h"
#include "toolkit/widgets/UIScrollViewBase.h"

namespace NSUI {

using cocos2d::Label;
using cocos2d::Node;
using cocos2d::Size;
using cocos2d::Vec2;

namespace {

Size rendererSize(const NSRichElement* element) {
    return element->renderer != nullptr ? element->renderer->getContentSize() : Size::ZERO;
}

}  // namespace

NSRichText* NSRichText::create() {
    auto* text = new NSRichText();
    if (!text->init()) {
        delete text;
        return nullptr;
    }
    text->autorelease();
    return text;
}

NSRichText::NSRichText() = default;

NSRichText::~NSRichText() {
    releaseElements();
}

bool NSRichText::init() {
    if (!cocos2d::ui::Widget::init()) {
        return false;
    }
    owner = this;
    lineSpacing = 0.0f;
    fixedHeight = false;
    maxHeight = 100;
    container = UIScrollViewBase::create();
    if (container == nullptr) {
        return false;
    }
    container->setLayoutType(cocos2d::ui::Layout::Type::ABSOLUTE);
    container->setDirection(1);
    container->setAnchorPoint(Vec2(0.0f, 0.0f));
    container->setPosition(Vec2(0.0f, 0.0f));
    addChild(container);
    return true;
}

void NSRichText::cleanup() {
    cocos2d::ProtectedNode::cleanup();
    releaseElements();
}

void NSRichText::ignoreContentAdaptWithSize(bool /*ignore*/) {}

void NSRichText::setMaxHeight(int height) {
    if (height > 0) {
        maxHeight = height;
    }
}

void NSRichText::releaseElements() {
    for (NSRichElement* element : elements) {
        element->release();
    }
    elements.clear();
}

void NSRichText::pushBackElement(NSRichElement* element, bool relayout) {
    insertElement(element, static_cast<int>(elements.size()), relayout);
}

void NSRichText::insertElement(NSRichElement* element, int index, bool relayout) {
    if (element == nullptr) {
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(elements.size()));
    auto* text = dynamic_cast<NSRichElementText*>(element);
    const long count =
        text != nullptr ? cocos2d::StringUtils::getCharacterCountInUTF8String(text->text) : 0;
    if (count < 2) {
        insertWhole(element, index);
    } else {
        // The run becomes one element per character, each a node the caret can stand beside.
        const std::string whole = text->text;
        text->text = cocos2d::ui::Helper::getSubStringOfUTF8String(whole, 0, 1);
        insertWhole(text, index);
        for (long i = 1; i < count; ++i) {
            auto* next = NSRichElementText::create(
                static_cast<int>(elements.size()) + 1,
                cocos2d::ui::Helper::getSubStringOfUTF8String(whole, i, 1), text->fontName,
                text->fontSize, text->color, text->opacity);
            insertWhole(next, index + static_cast<int>(i));
        }
    }
    if (relayout) {
        formatText();
    }
}

void NSRichText::insertWhole(NSRichElement* element, int index) {
    element->retain();
    elements.insert(elements.begin() + index, element);
    render(element);
}

void NSRichText::render(NSRichElement* element) {
    auto* text = dynamic_cast<NSRichElementText*>(element);
    if (text == nullptr) {
        return;
    }
    Label* label = nullptr;
    if (!text->fontName.empty() && cocos2d::FileUtils::getInstance()->isFileExist(text->fontName)) {
        label = Label::createWithTTF(text->text, text->fontName, text->fontSize, Size::ZERO,
                                     cocos2d::TextHAlignment::LEFT, cocos2d::TextVAlignment::TOP);
    } else {
        label = Label::createWithSystemFont(text->text, text->fontName, text->fontSize, Size::ZERO,
                                            cocos2d::TextHAlignment::LEFT,
                                            cocos2d::TextVAlignment::TOP);
    }
    // Without any font the element stays, unrendered and of no size.
    if (label == nullptr) {
        return;
    }
    label->setColor(text->color);
    label->setOpacity(text->opacity);
    element->renderer = label;
    container->addChild(label, 1);
}

void NSRichText::removeElement(int index) {
    if (index < 0 || index >= static_cast<int>(elements.size())) {
        return;
    }
    NSRichElement* element = elements[static_cast<size_t>(index)];
    if (element->renderer != nullptr) {
        container->removeChild(element->renderer, true);
        element->renderer = nullptr;
    }
    elements.erase(elements.begin() + index);
    element->release();
    formatText();
}

void NSRichText::removeAllElements() {
    for (NSRichElement* element : elements) {
        element->renderer = nullptr;
    }
    releaseElements();
    container->removeAllChildren();
}

void NSRichText::formatText() {
    if (elements.empty()) {
        return;
    }
    const float width = getContentSize().width;
    std::vector<float> lineHeights(elements.size() + 1, 0.0f);
    std::vector<size_t> lineOf(elements.size(), 0);

    // Measure: an element wider than what is left of the line starts the next one, even when
    // it is wider than the whole widget.
    size_t line = 0;
    int remaining = static_cast<int>(width);
    float textHeight = 0.0f;
    for (size_t i = 0; i < elements.size(); ++i) {
        const Size size = rendererSize(elements[i]);
        remaining = static_cast<int>(static_cast<float>(remaining) - size.width);
        if (remaining < 0) {
            textHeight += lineSpacing + lineHeights[line];
            ++line;
            lineHeights[line] = size.height;
            remaining = static_cast<int>(width - size.width);
        } else if (size.height > lineHeights[line]) {
            lineHeights[line] = size.height;
        }
        lineOf[i] = line;
    }
    textHeight += lineHeights[line];

    const float limit = static_cast<float>(maxHeight);
    const bool shortFixed = fixedHeight && textHeight < limit;
    float y = (shortFixed ? limit : textHeight) - lineHeights[0];
    float x = 0.0f;
    size_t placedLine = 0;
    for (size_t i = 0; i < elements.size(); ++i) {
        const Size size = rendererSize(elements[i]);
        if (lineOf[i] != placedLine) {
            placedLine = lineOf[i];
            y -= lineHeights[placedLine] + lineSpacing;
            x = 0.0f;
        }
        if (Node* renderer = elements[i]->renderer) {
            renderer->setAnchorPoint(Vec2(0.0f, 0.0f));
            renderer->setPosition(Vec2(x, y));
            // A character's hit area spans its whole line.
            renderer->setContentSize(Size(size.width, lineHeights[lineOf[i]]));
        }
        x += size.width;
    }

    const float visibleHeight = (textHeight > limit || fixedHeight) ? limit : textHeight;
    setContentSize(Size(width, visibleHeight));
    container->setContentSize(Size(width, visibleHeight));
    container->setInnerContainerSize(Size(width, shortFixed ? limit : textHeight));
}

Vec2 NSRichText::getCaretPosition(int index) {
    if (elements.empty()) {
        return Vec2::ZERO;
    }
    const int count = static_cast<int>(elements.size());
    index = std::clamp(index, 0, count);
    if (index == count) {
        const NSRichElement* last = elements.back();
        if (last->renderer == nullptr) {
            return Vec2::ZERO;
        }
        return last->renderer->getPosition() + Vec2(rendererSize(last).width, 0.0f);
    }
    const Node* renderer = elements[static_cast<size_t>(index)]->renderer;
    return renderer != nullptr ? renderer->getPosition() : Vec2::ZERO;
}

int NSRichText::getCaretIndexAtTouch(cocos2d::Touch* touch) {
    if (elements.empty() || touch == nullptr) {
        return elements.empty() ? -1 : static_cast<int>(elements.size());
    }
    const Vec2 location = touch->getLocation();
    for (size_t i = 0; i < elements.size(); ++i) {
        const Node* renderer = elements[i]->renderer;
        if (renderer == nullptr) {
            continue;
        }
        const Vec2 point = renderer->convertToNodeSpace(location);
        const Size& size = renderer->getContentSize();
        if (point.x >= 0.0f && point.x <= size.width && point.y >= 0.0f && point.y <= size.height) {
            return static_cast<int>(point.x <= size.width * 0.5f ? i : i + 1);
        }
    }
    return static_cast<int>(elements.size());
}

}  // namespace NSUI
