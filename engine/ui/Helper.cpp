#include "engine/ui/Helper.h"

#include "engine/base/Utils.h"
#include "engine/ui/Widget.h"

namespace cocos2d {
namespace ui {

Widget* Helper::seekWidgetByTag(Widget* root, int tag) {
    if (root == nullptr) {
        return nullptr;
    }
    if (root->getTag() == tag) {
        return root;
    }
    for (Node* child : root->getChildren()) {
        if (Widget* found = seekWidgetByTag(dynamic_cast<Widget*>(child), tag)) {
            return found;
        }
    }
    return nullptr;
}

Widget* Helper::seekWidgetByName(Widget* root, const std::string& name) {
    if (root == nullptr) {
        return nullptr;
    }
    if (root->getName() == name) {
        return root;
    }
    for (Node* child : root->getChildren()) {
        if (Widget* found = seekWidgetByName(dynamic_cast<Widget*>(child), name)) {
            return found;
        }
    }
    return nullptr;
}

std::string Helper::getSubStringOfUTF8String(const std::string& text, std::string::size_type start,
                                             std::string::size_type length) {
    std::u32string characters;
    if (!StringUtils::UTF8ToUTF32(text, characters) || start >= characters.size()) {
        return "";
    }
    std::string result;
    StringUtils::UTF32ToUTF8(characters.substr(start, length), result);
    return result;
}

void Helper::doLayout(Node* root) {
    if (root == nullptr) {
        return;
    }
    for (Node* child : root->getChildren()) {
        if (auto* holder = dynamic_cast<LayoutComponentHolder*>(child)) {
            if (LayoutComponent* component = holder->getLayoutComponent()) {
                component->refreshLayout(child);
            }
        }
        doLayout(child);
    }
}

}  // namespace ui
}  // namespace cocos2d
