#pragma once

#include <string>

namespace cocos2d {
namespace ui {

class EditBox;

// Receives the editing events of an edit box; only the return is required.
class EditBoxDelegate {
public:
    enum class EditBoxEndAction { UNKNOWN, TAB_TO_NEXT, TAB_TO_PREVIOUS, RETURN };

    virtual ~EditBoxDelegate() = default;
    virtual void editBoxEditingDidBegin(EditBox* editBox) { (void)editBox; }
    virtual void editBoxTextChanged(EditBox* editBox, const std::string& text) {
        (void)editBox;
        (void)text;
    }
    virtual void editBoxEditingDidEndWithAction(EditBox* editBox, EditBoxEndAction action) {
        (void)editBox;
        (void)action;
    }
    virtual void editBoxReturn(EditBox* editBox) = 0;
};

}  // namespace ui
}  // namespace cocos2d
