#include "app/WidgetDump.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "engine/2d/ProtectedNode.h"
#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/ui/Text.h"
#include "engine/ui/Widget.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/widgets/NSMenu.h"

namespace {

std::string& dumpPath() {
    static std::string path;
    return path;
}

// " X Y W H" of the node's rectangle in window pixels from the top left.
void writeRect(cocos2d::Node* node, float winHeight, std::ostream& out) {
    const cocos2d::Size size = node->getContentSize();
    const cocos2d::Vec2 low = node->convertToWorldSpace(cocos2d::Vec2::ZERO);
    const cocos2d::Vec2 high = node->convertToWorldSpace(cocos2d::Vec2(size.width, size.height));
    out << ' ' << std::min(low.x, high.x) << ' ' << winHeight - std::max(low.y, high.y) << ' '
        << std::abs(high.x - low.x) << ' ' << std::abs(high.y - low.y);
}

void visit(cocos2d::Node* node, const std::string& path, float winHeight, std::ostream& out) {
    if (node == nullptr || !node->isVisible()) {
        return;
    }
    if (dynamic_cast<isImageSDK::isViewerMulti*>(node) != nullptr) {
        out << "region";
        writeRect(node, winHeight, out);
        out << '\n';
    }
    if (auto* viewer = dynamic_cast<isImageSDK::isViewer*>(node)) {
        out << "viewer "
            << (viewer->type == isImageSDK::VIEW_NONE ? "None"
                                                      : isImageSDK::viewTypeLabel(viewer->type));
        writeRect(node, winHeight, out);
        out << '\n';
    }
    // Menus are layers and pictures are sprites, not widgets: lines of their own keep them out
    // of the widgets' layout checks.
    if (!node->getName().empty()) {
        const char* kind = dynamic_cast<NSUI::NSMenu*>(node) != nullptr      ? "menu"
                           : dynamic_cast<cocos2d::Sprite*>(node) != nullptr ? "sprite"
                                                                             : nullptr;
        if (kind != nullptr) {
            out << kind << ' ' << node->getName();
            writeRect(node, winHeight, out);
            out << '\n';
        }
    }
    std::string here = path;
    if (!node->getName().empty() && dynamic_cast<cocos2d::ui::Widget*>(node) != nullptr) {
        here = path.empty() ? node->getName() : path + "/" + node->getName();
        out << "widget " << here;
        writeRect(node, winHeight, out);
        if (auto* text = dynamic_cast<cocos2d::ui::Text*>(node)) {
            std::string shown = text->getString();
            std::replace(shown.begin(), shown.end(), '\n', ' ');
            out << '\t' << shown;
        }
        out << '\n';
    }
    for (cocos2d::Node* child : node->getChildren()) {
        visit(child, here, winHeight, out);
    }
}

}  // namespace

void WidgetDump::enable(const std::string& path) {
    dumpPath() = path;
}

bool WidgetDump::isEnabled() {
    return !dumpPath().empty();
}

void WidgetDump::install() {
    if (!isEnabled()) {
        return;
    }
    auto* listener = cocos2d::EventListenerKeyboard::create();
    listener->onKeyPressed = [](cocos2d::EventKeyboard::KeyCode key, cocos2d::Event*) {
        if (key == cocos2d::EventKeyboard::KeyCode::KEY_F12) {
            write();
        }
    };
    cocos2d::Director::getInstance()->getEventDispatcher()->addEventListenerWithFixedPriority(
        listener, 1);
}

std::string WidgetDump::describe(cocos2d::Node* root) {
    const cocos2d::Size win = cocos2d::Director::getInstance()->getWinSize();
    std::ostringstream out;
    out << "window " << win.width << ' ' << win.height << '\n';
    visit(root, "", win.height, out);
    return out.str();
}

bool WidgetDump::write() {
    const std::string text = describe(cocos2d::Director::getInstance()->getRunningScene());
    const std::string temporary = dumpPath() + ".tmp";
    if (!NSUI::writeStringToFile(temporary, text)) {
        return false;
    }
    return std::rename(temporary.c_str(), dumpPath().c_str()) == 0;
}
