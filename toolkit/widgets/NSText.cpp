#include "toolkit/widgets/NSText.h"

namespace NSUI {

NSText* NSText::create() {
    auto* text = new NSText();
    if (!text->init()) {
        delete text;
        return nullptr;
    }
    text->autorelease();
    return text;
}

NSText* NSText::create(const std::string& text, const std::string& fontName, float fontSize) {
    auto* widget = new NSText();
    if (!widget->init(text, fontName, fontSize)) {
        delete widget;
        return nullptr;
    }
    widget->autorelease();
    return widget;
}

cocos2d::ui::Widget* NSText::createCloneInstance() {
    return create();
}

}  // namespace NSUI
