#pragma once

#include <memory>
#include <string>

#include "app/DataFolderMover.h"
#include "engine/2d/Node.h"
#include "engine/base/Macros.h"

namespace cocos2d {
class Scene;
namespace ui {
class Button;
class Text;
}  // namespace ui
}  // namespace cocos2d

namespace NSUI {
class NSTextField;
}

class dicomDB;

// The first-run screen that moves the DICOM folder to a place the user chooses: it stops the
// storage node, closes the database, moves the folder (rename, or a checked copy on the mover's
// thread), records the new place in "app_dicom_path", and on "goBack" reopens the database and
// the node there before showing the home screen. "goBack" is refused while the database is
// closed for a move.
class choosePath : public cocos2d::Node {
public:
    static cocos2d::Scene* createScene();
    CREATE_FUNC(choosePath);

    bool init() override;
    void cleanup() override;
    void loadLayout();

    void onClick(cocos2d::Ref* sender);
    void onMoveTick(float dt);

    // -1 idle, 1 stopping the node, 2 moving, 4 copying, 5 copy failed, 6 moved.
    int getState() const { return state; }
    std::string getStatus() const;
    NSUI::NSTextField* getPathField() const { return pathField; }
    // Copies instead of renaming, as across file systems (for tests).
    void setForceCopy(bool force) { forceCopy = force; }

protected:
    choosePath() = default;
    ~choosePath() override;

private:
    void setState(int value);
    void begin();
    void goBack();
    void finishMove(const std::string& text);
    static dicomDB* database();

    NSUI::NSTextField* pathField = nullptr;
    cocos2d::ui::Text* status = nullptr;
    cocos2d::ui::Button* beginButton = nullptr;
    cocos2d::ui::Button* backButton = nullptr;
    int state = DataFolderMover::kIdle;
    std::string target;
    bool forceCopy = false;
    DataFolderMover mover;
};
