#include "toolkit/widgets/NSTableViewMenu.h"

#include "engine/base/Macros.h"

namespace NSUI {

NSTableViewMenu::NSTableViewMenu() : index(CC_INVALID_INDEX) {}

NSTableViewMenu* NSTableViewMenu::create() {
    auto* menu = new NSTableViewMenu();
    if (!menu->init()) {
        delete menu;
        return nullptr;
    }
    menu->autorelease();
    return menu;
}

bool NSTableViewMenu::init() {
    if (!cocos2d::ui::Widget::init()) {
        return false;
    }
    // The delegate sizes the menu; a plain widget would follow its (empty) renderer instead.
    ignoreContentAdaptWithSize(false);
    setTouchEnabled(true);
    return true;
}

}  // namespace NSUI
