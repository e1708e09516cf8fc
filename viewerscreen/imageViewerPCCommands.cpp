#include <algorithm>
#include <cmath>

#include "app/FavouritesLink.h"
#include "engine/2d/Camera.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSMenu.h"
#include "toolkit/widgets/UIControlBase.h"
#include "toolkit/widgets/UIScrollViewBase.h"
#include "viewerscreen/ViewerCommandTable.h"
#include "viewerscreen/imageViewerPC.h"
#include "viewerscreen/toolDisk.h"

using cocos2d::Node;

namespace {

constexpr float kToastSeconds = 1.5f;
constexpr float kHintSeconds = 5.0f;
constexpr float kTurnsPerSlider = 6.0f;
constexpr float kPi = 3.1415926f;
constexpr float kSmallestTurn = 0.001f;
constexpr const char* kLayoutHintKey = "config_layout_msg";
// How a menu is placed against the point it opens at.
constexpr int kPlaceBelow = 1;
constexpr int kPlaceLeft = 2;
constexpr int kPlaceBelowLeft = kPlaceBelow | kPlaceLeft;
constexpr int kScrollCorrected = 4;

bool isVolumeView(int viewType) {
    return viewType == isImageSDK::VIEW_VR || viewType == isImageSDK::VIEW_MIP;
}

}  // namespace

void imageViewerPC::runCommand(int commandKey, int value) {
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    if (!multi) {
        return;
    }
    if (value != 0) {
        multi->runCommandInt(commandKey, value);
    } else {
        multi->runCommand(commandKey, nullptr);
    }
}

void imageViewerPC::postCommand(int commandKey, bool nextFrame) {
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, commandKey, nullptr,
                                                                currentMultiViewer(), nextFrame);
}

void imageViewerPC::stepPhase(int delta) {
    isImageSDK::appManager* region = currentRegion();
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    if (!region || !multi) {
        return;
    }
    const int phase = region->getCurrentPhase();
    const bool moves = delta < 0 ? phase > 0 : region->hasNextPhase();
    if (!moves) {
        return;
    }
    multi->setPhase(phase + delta);
    if (auto* title = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("btn4DMenu"))) {
        title->setTitleText(NSUI::formatString("Phase %i", phase + delta + 1));
    }
}

void imageViewerPC::onClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (!button) {
        return;
    }
    const std::string open = openMenuName();
    if (!open.empty()) {
        showMenu(open, false);
        return;
    }
    Node* play = getChildByNameDeep("btnCmdPlay");
    const bool playing = play && play->getTag() == kPlaying;
    const ViewerCommand* command = findViewerCommand(button->getName(), playing);
    if (!command) {
        return;
    }
    const float x = button->getPositionX();
    const float y = button->getPositionY();
    switch (command->action) {
    case ViewerAction::ChoosePatient:
        onChoosePatient();
        break;
    case ViewerAction::WindowMenu:
        placeMenu(showMenu("windowMenu", true), x, y, kPlaceBelow);
        break;
    case ViewerAction::ProtocolMenu:
        placeMenu(showMenu("protocalMenu", true), x, y, kPlaceBelowLeft);
        break;
    case ViewerAction::Favorites:
        openFavourites();
        break;
    case ViewerAction::GoBack:
        cocos2d::Director::getInstance()->popScene();
        break;
    case ViewerAction::Run:
        runCommand(command->key, command->value);
        break;
    case ViewerAction::Post:
        postCommand(command->key, command->nextFrame);
        break;
    case ViewerAction::PostAutoGrid:
        postCommand(command->key, false);
        if (NSUI::getEncodedUserDefault(kLayoutHintKey, "0") == "0") {
            NSUI::setEncodedUserDefault(kLayoutHintKey, "1");
            showMessageBox("Config the layout automatically", kHintSeconds);
        }
        break;
    case ViewerAction::PostView:
        postCommand(command->key, false);
        hideQuickStrip();
        break;
    case ViewerAction::CaptureMenu:
        placeMenu(showMenu("captureMenu", true), std::max(0.0f, x - 100.0f), y + 20.0f,
                  kScrollCorrected);
        break;
    case ViewerAction::WindowLevelMenu:
        placeMenu(showMenu("windowLevelMenu", true), 20.0f,
                  toolPanelKind == 1 ? y - 20.0f : y - 100.0f, kScrollCorrected);
        break;
    case ViewerAction::ClutMenu:
        placeMenu(showMenu("clutMenu", true), x, y + 20.0f, kScrollCorrected);
        break;
    case ViewerAction::OpacityMenu:
        placeMenu(showMenu("opacityMenu", true), x, y + 20.0f, kScrollCorrected);
        break;
    case ViewerAction::FlipMenu:
        placeMenu(showMenu("flipMenu", true), 80.0f, y, 0);
        break;
    case ViewerAction::SlabMenu:
        placeMenu(showMenu("slabMenu", true), x, y + 20.0f, kScrollCorrected);
        break;
    case ViewerAction::ViewCycle:
        getToolDisk();
        for (const std::string& seriesKey : seriesList) {
            isImageSDK::isBinReader* reader = readerOf(seriesKey);
            if (!reader || !reader->isLoadComplete()) {
                showMessage(NSUI::getLocalizedString("imageDataLoading"), kToastSeconds);
                return;
            }
        }
        runCommand(command->key, 0);
        break;
    case ViewerAction::ToolDiskLayout:
        if (toolDisk* disk = getToolDisk()) {
            disk->showLayoutPage();
            disk->show();
        }
        break;
    case ViewerAction::ToolDiskWindowLevel:
        if (toolDisk* disk = getToolDisk()) {
            disk->showWindowLevelPage();
            disk->show();
        }
        break;
    case ViewerAction::ToolDiskROI:
        if (toolDisk* disk = getToolDisk()) {
            disk->showROIPage();
            disk->show();
        }
        break;
    case ViewerAction::PhasePrior:
        stepPhase(-1);
        break;
    case ViewerAction::PhaseNext:
        stepPhase(1);
        break;
    case ViewerAction::PhaseMenu: {
        ProtocolQuery* query = regionQuery();
        if (query && query->is4D) {
            const cocos2d::Vec2 world =
                button->getParent()->convertToWorldSpace(button->getPosition());
            placeMenu(showMenu("phaseMenu", true), world.x, world.y, kPlaceBelowLeft);
        }
        break;
    }
    }
}

void imageViewerPC::placeMenu(NSUI::NSMenu* menu, float x, float y, int placement) {
    if (!menu) {
        return;
    }
    const cocos2d::Size size = menu->getMenuSize();
    float px = (placement & kPlaceLeft) ? x - size.width : x;
    float py = (placement & kPlaceBelow) ? y - size.height : y;
    if ((placement & kScrollCorrected) && toolScrollView) {
        const float viewHeight = toolScrollView->getContentSize().height;
        const cocos2d::ui::Layout* inner = toolScrollView->getInnerContainer();
        const float innerHeight = inner->getContentSize().height;
        if (innerHeight > viewHeight) {
            py -= static_cast<float>(std::min(static_cast<int>(innerHeight - viewHeight) +
                                                  static_cast<int>(inner->getPositionY()),
                                              menu->getMenuHeight()));
        }
    }
    menu->setPosition(cocos2d::Vec2(px, py));
}

void imageViewerPC::onSliceSlider(cocos2d::Ref* sender, cocos2d::ui::Slider::EventType event) {
    auto* slider = dynamic_cast<cocos2d::ui::Slider*>(sender);
    if (!toolScrollView || !slider) {
        return;
    }
    const float fraction = slider->getPercent() / 100.0f;
    switch (event) {
    case cocos2d::ui::Slider::EventType::ON_SLIDEBALL_DOWN:
        sliderStart = sliderLast = fraction;
        break;
    case cocos2d::ui::Slider::EventType::ON_PERCENTAGE_CHANGED:
        if (toolPanelKind == 0 || toolPanelKind == 1) {
            isImageSDK::isViewerMulti* multi = currentMultiViewer();
            int position[2] = {0, 0};
            if (multi && multi->getActiveProperty() && multi->getSliceIndex(position) &&
                position[1] > 0) {
                // The slider runs the way the wheel pages down: towards lower slice indices.
                const int n = position[1] - 1 -
                              std::max(0, std::min(static_cast<int>(fraction * position[1]),
                                                   position[1] - 1));
                if (n != position[0]) {
                    pendingSliceIndex = n;
                }
            }
        } else if (toolPanelKind == 2) {
            const float angle = (fraction - sliderLast) * kTurnsPerSlider * kPi;
            if (std::fabs(angle) > kSmallestTurn) {
                pendingRotation = angle;
                sliderLast = fraction;
            }
        }
        break;
    case cocos2d::ui::Slider::EventType::ON_SLIDEBALL_UP:
        if (toolPanelKind == 2) {
            slider->setPercent(50);
        }
        break;
    }
}

void imageViewerPC::updateSliceSlider() {
    if (!toolScrollView || toolPanelKind >= 2) {
        return;
    }
    auto* slider =
        dynamic_cast<cocos2d::ui::Slider*>(toolScrollView->getChildByNameDeep("sliderSlice"));
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    int position[2] = {0, 0};
    if (!slider || !multi || !multi->getActiveProperty() || !multi->getSliceIndex(position)) {
        return;
    }
    slider->setPercent(position[1] >= 2 ? (position[1] - 1 - position[0]) * 100 / (position[1] - 1)
                                        : 0);
}

void imageViewerPC::visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
                          uint32_t parentFlags) {
    if (!isVisible()) {
        return;
    }
    // The viewers' own cameras visit through the screen; the steps belong to the screen's pass.
    cocos2d::ui::Layout::visit(renderer, parentTransform, parentFlags);
    if (!isVisitableByVisitingCamera()) {
        return;
    }
    const unsigned frame = cocos2d::Director::getInstance()->getTotalFrames();
    if (frame == lastFrame) {
        return;
    }
    lastFrame = frame;
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    if (!multi) {
        return;
    }
    if (isVolumeView(multi->getCurrentViewType())) {
        if (std::fabs(pendingRotation) > kSmallestTurn) {
            multi->runCommandFloat(isImageSDK::NOTIFY_ROTATE_VIEW, pendingRotation);
            pendingRotation = 0.0f;
        }
    } else if (pendingSliceIndex >= 0) {
        auto* data = NSUI::NSNotificationData::create();
        data->intValue = pendingSliceIndex;
        multi->runCommand(isImageSDK::NOTIFY_PHASE_SET, data);
        pendingSliceIndex = -1;
    }
}
