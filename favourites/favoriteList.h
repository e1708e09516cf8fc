#pragma once

#include "engine/base/Macros.h"
#include "engine/ui/CheckBox.h"
#include "toolkit/widgets/NSLayout.h"

namespace cocos2d {
class Scene;
class Sprite;
}  // namespace cocos2d

namespace NSUI {
class NSNotificationData;
class NSSpriteView;
}  // namespace NSUI

class captureList;
class editMsg;
class favoriteView;

// Statistics of the favourites screens.
constexpr int kStatFavouritesOpened = 13;
constexpr int kStatFavouritesLeft = 14;

// The favourites notebook as a screen: the list in a 300-wide column with the message bar under
// it, and on the right the chosen favourite in its viewer, or the chosen capture as a picture.
// Leaving the screen records one statistic per leave. Main thread only.
class favoriteList : public NSUI::NSLayout {
public:
    static constexpr const char* kLayoutFile = "favoriteView.csb";
    static constexpr const char* kBackground = "res/chat/favoritebk.jpg";

    CREATE_FUNC(favoriteList);
    // A scene holding a new screen, the back key enabled; the caller pushes it.
    static cocos2d::Scene* createScene();
    bool init() override;

    void onButtonClick(cocos2d::Ref* sender);
    void onCheckAll(cocos2d::Ref* sender, cocos2d::ui::CheckBox::EventType event);
    void onRowSelected(const std::string& path, int kind);

    void onExit() override;
    void cleanup() override;

    captureList* getList() const { return list; }
    editMsg* getMessageBar() const { return messageBar; }
    favoriteView* getViewer() const { return viewer; }
    NSUI::NSSpriteView* getPictureView() const { return pictureView; }
    cocos2d::Sprite* getBackground() const { return background; }

    int leftWidth = 300;

protected:
    favoriteList() = default;
    ~favoriteList() override = default;

private:
    captureList* list = nullptr;
    editMsg* messageBar = nullptr;
    favoriteView* viewer = nullptr;
    NSUI::NSSpriteView* pictureView = nullptr;
    cocos2d::Sprite* background = nullptr;
};

// The phone form: the list over the full width, the bar at the bottom, a chosen row on a screen
// of its own; a capture saved meanwhile is appended.
class favoriteListPhone : public NSUI::NSLayout {
public:
    static constexpr const char* kLayoutFile = "favoriteList.csb";

    CREATE_FUNC(favoriteListPhone);
    bool init() override;

    void onButtonClick(cocos2d::Ref* sender);
    void onCheckAll(cocos2d::Ref* sender, cocos2d::ui::CheckBox::EventType event);
    void onRowSelected(const std::string& path, int kind);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    void onExit() override;
    void cleanup() override;

    captureList* getList() const { return list; }

protected:
    favoriteListPhone() = default;
    ~favoriteListPhone() override = default;

private:
    captureList* list = nullptr;
};
