#pragma once

#include <string>

namespace cocos2d {

class Node;

namespace ui {

class Widget;

// Free routines of the UI layer.
class Helper {
public:
    // Depth-first search of `root` and its widget subtree (root included).
    static Widget* seekWidgetByTag(Widget* root, int tag);
    static Widget* seekWidgetByName(Widget* root, const std::string& name);
    // `length` characters (code points) from character `start`; fewer when the text ends first,
    // "" when start lies beyond it or the text is not valid UTF-8.
    static std::string getSubStringOfUTF8String(const std::string& text,
                                                std::string::size_type start,
                                                std::string::size_type length);
    // Applies the layout-component data of every node under `root` (see LayoutComponent),
    // parents before their children, so that nested panels follow the size given to `root`.
    static void doLayout(Node* root);
};

}  // namespace ui
}  // namespace cocos2d
