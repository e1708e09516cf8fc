#pragma once

#include <vector>

#include "engine/math/Vec2.h"
#include "engine/ui/Widget.h"
#include "toolkit/widgets/NSRichElement.h"
#include "toolkit/widgets/UIControlBase.h"

namespace cocos2d {
class Touch;
}

namespace NSUI {

class UIScrollViewBase;

// Multi-line text of one node per character, wrapped at the widget's width inside a vertical
// scroll container, so a caret can stand between any two characters and a touch can be mapped
// to a character. The widget keeps the width it is given; its height follows the text up to
// maxHeight, beyond which the text scrolls.
class NSRichText : public cocos2d::ui::Widget, public UIControlBase {
public:
    // Autoreleased; null when init fails.
    static NSRichText* create();

    ~NSRichText() override;

    bool init() override;
    void cleanup() override;
    // The widget keeps the size it is given.
    void ignoreContentAdaptWithSize(bool ignore) override;

    // Heights of 0 and below are ignored; takes effect at the next formatText.
    virtual void setMaxHeight(int height);

    // A text element of n characters enters as n one-character elements in order; the element
    // handed in becomes the first of them.
    void pushBackElement(NSRichElement* element, bool relayout);
    // Inserts before `index` (clamped to the element count).
    void insertElement(NSRichElement* element, int index, bool relayout);
    // Lays out again.
    void removeElement(int index);
    // Also removes every other node of the container.
    void removeAllElements();

    // Wraps the elements into lines and sizes the widget and its container.
    void formatText();

    // Where a caret before element `index` stands, in the container's content coordinates;
    // `index` is clamped to 0 .. element count, the count meaning after the last element.
    cocos2d::Vec2 getCaretPosition(int index);
    // The caret index nearest the touch within the element under it (edges included); the
    // element count when the touch is on no element, -1 without elements.
    int getCaretIndexAtTouch(cocos2d::Touch* touch);

    std::vector<NSRichElement*> elements;
    float lineSpacing = 0.0f;
    UIScrollViewBase* container = nullptr;
    int maxHeight = 100;
    // The widget is always maxHeight high, with short text at its top.
    bool fixedHeight = false;

protected:
    NSRichText();

private:
    void insertWhole(NSRichElement* element, int index);
    void render(NSRichElement* element);
    void releaseElements();
};

}  // namespace NSUI
