#pragma once

#include "engine/base/Macros.h"
#include "engine/math/Vec2.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Text.h"
#include "imagesdk/render/isNodeObject.h"

namespace isImageSDK {

// A movable, editable text on a translucent black plate (the label annotation). Dragging it
// moves it within its parent and announces the move (9107, to the parent's group); lifting the
// finger announces an edit to its group (9108); a tap without movement on an editable label
// opens the text-edit pop-up over the nearest ancestor wide enough and announces it (9111).
// Every post carries no data and has the label as sender. Main thread only.
class isNodeText : public cocos2d::ui::Text, public isNodeObject {
public:
    CREATE_FUNC(isNodeText);

    bool init() override;
    void setEditable(bool editable) { _editable = editable ? 1 : 0; }
    bool isEditable() const { return _editable != 0; }
    // The object whose observers receive the edited post (and the pop-up's result).
    void setGroup(void* group) { _group = group; }
    void* getGroup() const { return _group; }
    // Whether the label was dragged since the last tap opened the pop-up.
    bool isMoved() const { return _moved != 0; }
    void setMoved(bool moved) { _moved = moved ? 1 : 0; }
    cocos2d::ui::Layout* getBackground() const { return _background; }

    // Also keeps a relative layout parameter's margin at (left x, bottom y).
    void setPosition(const cocos2d::Vec2& position) override;
    void onSizeChanged() override;
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchMoved(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchEnded(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchCancelled(cocos2d::Touch* touch, cocos2d::Event* event) override;

protected:
    isNodeText() = default;

private:
    unsigned char _moved = 0;
    unsigned char _tap = 1;
    cocos2d::ui::Layout* _background = nullptr;
    unsigned char _editable = 0;
    void* _group = nullptr;
    cocos2d::Vec2 _touchStart;
    // The current touch began on the label.
    bool _touchOnNode = false;
};

}  // namespace isImageSDK
