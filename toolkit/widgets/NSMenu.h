#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "engine/2d/Layer.h"
#include "engine/base/Ref.h"
#include "engine/math/Geometry.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSTableViewDelegate.h"
#include "toolkit/widgets/UIControlBase.h"

namespace NSUI {

class NSListView;

// The pop-up menu: one list row per item. Choosing a row posts the item's key with its value
// text to the item's target at the next delivery pass, then closes the menu.
class NSMenu : public cocos2d::Layer,
               public NSTableViewDelegate,
               public UIJson,
               public UIControlBase,
               public UILocalConfig,
               public NSNotificationKey {
public:
    // One item of a singly linked chain. Callers allocate, autorelease and link the items; the
    // menu's list retains each one.
    class menuObject : public cocos2d::Ref {
    public:
        ~menuObject() override;

        // Its length in bytes sets the menu width.
        std::string title;
        // Image path; empty: no icon.
        std::string icon;
        // Carried by the notification when the row is chosen.
        std::string value;
        // The group the choice is posted to.
        void* target = nullptr;
        uint32_t key = 0;
        int32_t userInt = 0;
        menuObject* next = nullptr;
    };

    // Autoreleased; null when init fails.
    static NSMenu* create();

    ~NSMenu() override;

    bool init() override;
    // Hiding a menu with removeOnClose takes it off its parent.
    void setVisible(bool visible) override;

    // Builds the list from the chain; the first item with a loadable icon sets the icon width,
    // capped at maxIconWidth.
    void setMenuItems(menuObject* first, int maxIconWidth);
    // Addresses every item's post to one object.
    void setItemsTarget(void* target);
    cocos2d::Size getMenuSize();
    int getMenuHeight();

    void tableCellTouched(NSTableView* table, NSTableViewCell* cell,
                          const cocos2d::Vec2& point) override;
    cocos2d::Size tableCellSizeForIndex(NSTableView* table, ssize_t index,
                                        cocos2d::Ref* item) override;
    NSTableViewCell* tableCellAtIndex(NSTableView* table, ssize_t index,
                                      const cocos2d::Size& cellSize) override;

    NSListView* listView = nullptr;
    int iconWidth = 0;
    // 100 on a phone, else 40; owners may change it before setMenuItems.
    float rowHeight = 40.0f;
    float fontSize = 20.0f;
    bool noIcons = true;
    bool noText = true;
    // Set by the owner when a closed menu is to leave its parent instead of only hiding.
    bool removeOnClose = false;

protected:
    NSMenu();

private:
    // Takes the menu off its parent; the menu stays alive until the frame's autorelease pool
    // drains, since a choice arrives inside its own list's touch handler.
    void leaveParent();
};

}  // namespace NSUI
