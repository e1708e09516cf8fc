#pragma once

#include <cstdint>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/base/Macros.h"
#include "engine/math/Geometry.h"
#include "toolkit/core/NSNotificationKey.h"

namespace cocos2d {
namespace ui {
class Button;
}
}  // namespace cocos2d

namespace NSUI {
class NSNotificationData;
}

// The row of small buttons along the bottom edge of the viewer last worked in: maximise or
// restore, favourite, capture, reformat, DICOM information, link or unlink. It turns clicks into
// notifications carrying the viewer's reference id and shows the maximised and linked states.
// The viewer itself is never kept: the strip remembers its id (and its address only as the group
// of the reformat command), so a viewer that goes while the strip is attached is never touched.
// Main thread only.
class quickTool : public cocos2d::Node, public NSUI::NSNotificationKey {
public:
    // Button sets.
    enum Kind {
        kKindNone = 0,
        kKindImage = 1,   // image viewers
        kKindVolume = 2,  // VR and MIP viewers
    };

    CREATE_FUNC(quickTool);

    bool init() override;
    void cleanup() override;

    // Rebuilds the buttons for `kind`; nothing when it is the current kind.
    void buildButtons(int kind);
    // Sizes and places the strip over `view`, lays the buttons out, shows the link state, and
    // remembers the view's id. Makes the strip visible.
    void attachToView(cocos2d::Node* view, bool linked);
    // Forgets the attached view and hides the strip.
    void clearView();

    void onClick(cocos2d::Ref* sender);
    // The maximised state of a viewer of the strip's key.
    void onStateChanged(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    int getKind() const { return kind; }
    const std::vector<cocos2d::ui::Button*>& getButtons() const { return buttons; }
    // 0 while no view is attached.
    std::uint64_t getViewId() const { return viewId; }

    // The rectangle of the viewer's region, written by the screen before it attaches the strip;
    // sent by "max".
    cocos2d::Rect regionRect;

protected:
    quickTool() = default;
    ~quickTool() override;

private:
    void onViewerRemoved(NSUI::NSNotificationData* data);

    int kind = kKindNone;
    // Children of the strip, in creation order.
    std::vector<cocos2d::ui::Button*> buttons;
    std::uint64_t viewId = 0;
    // The attached view's address, compared as a notification group and never dereferenced.
    void* viewGroup = nullptr;
};
