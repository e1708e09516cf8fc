// The command routing of the multi-viewer: which cells each viewer key reaches, the view
// switches that replace a cell's viewer, and what goes on to the parent node.

#include <cstdlib>

#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorROIBase.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "imagesdk/viewers/isViewerVR.h"
#include "imagesdk/vr/isActorVR.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/widgets/UIControlBase.h"

namespace isImageSDK {

namespace {

constexpr int kFirstRoutedKey = 9001;
constexpr int kLastRoutedKey = 9127;
constexpr float kRefusalSeconds = 2.0f;

const int kObservedKeys[] = {
    NOTIFY_WHEEL_UP,
    NOTIFY_WHEEL_DOWN,
    NOTIFY_SLAB_MODE,
    NOTIFY_SLAB_ORIGINAL,
    NOTIFY_ROTATE_VIEW,
    NOTIFY_VIEW_AXIAL,
    NOTIFY_VIEW_SAGITTAL,
    NOTIFY_VIEW_CORONAL,
    NOTIFY_VIEW_MPR3D,
    NOTIFY_VIEW_VR,
    NOTIFY_VIEW_MIP,
    NOTIFY_BROWSER_PAGE,
    NOTIFY_VIEW_SYNC_9021,
    NOTIFY_GRID_1X1,
    NOTIFY_GRID_1X2,
    NOTIFY_GRID_2X1,
    NOTIFY_GRID_2X2,
    NOTIFY_GRID_AUTO,
    NOTIFY_WW_DEFAULT,
    NOTIFY_EDIT_WW_OPEN,
    NOTIFY_OPACITY_LINEAR,
    NOTIFY_OPACITY_LOG10,
    NOTIFY_OPACITY_LOG10_INVERSE,
    NOTIFY_WW_PRESET,
    NOTIFY_VIEW_CMD_9035,
    NOTIFY_CLUT_SET,
    NOTIFY_WW_BY_MOUSE,
    NOTIFY_TOOL_ZOOM,
    NOTIFY_TOOL_MOVE,
    NOTIFY_TOOL_ROTATE,
    NOTIFY_FLIP_X,
    NOTIFY_FLIP_Y,
    NOTIFY_FLIP_ROTATE,
    NOTIFY_DOCUMENT_BUTTON,
    NOTIFY_ROI_LINE,
    NOTIFY_ROI_POINT,
    NOTIFY_ROI_ANGLE,
    NOTIFY_ROI_CIRCLE,
    NOTIFY_ROI_POLYGON,
    NOTIFY_ROI_LABEL,
    NOTIFY_ROI_SELECT,
    NOTIFY_CINE_PLAYING,
    NOTIFY_INTERACT_9078,
    NOTIFY_SYNC_PAN,
    NOTIFY_SYNC_FOCAL_ZOOM,
    NOTIFY_INTERACT_9082,
    NOTIFY_VIEW_CMD_9100,
    NOTIFY_VIEW_ACTIVATED,
};

bool isOrthogonalType(int viewType) {
    return viewType >= VIEW_AXIAL && viewType <= VIEW_CORONAL;
}

bool isReslicedType(int viewType) {
    return viewType >= VIEW_AXIAL && viewType <= VIEW_OBLIQUE;
}

bool isVolumeType(int viewType) {
    return viewType == VIEW_VR || viewType == VIEW_MIP;
}

bool isLinked(KeyViewProperty* property) {
    return property->getViewer() != nullptr && property->getViewer()->linked;
}

// Whether the browser's first tile can page one slice further (down for the wheel up key).
bool canMove(isViewerBrowser* browser, int key) {
    if (browser->getTiles().empty()) {
        return false;
    }
    isActorImage* actor = browser->getTiles().at(0)->getImageActor();
    if (actor == nullptr) {
        return false;
    }
    const int index = actor->getSliceIndex();
    return key == NOTIFY_WHEEL_UP ? index < browser->getSliceCount() - 1 : index > 0;
}

void showRefusal() {
    showMessageBox(isViewerBrowser::kMaximizedRefusal, kRefusalSeconds);
}

}  // namespace

void isViewerMulti::registerObservers() {
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getInstance();
    for (int observed : kObservedKeys) {
        center->addObserver(
            this, this,
            [this](cocos2d::Ref* sender, unsigned posted, NSUI::NSNotificationData* data) {
                notificationCallback(sender, posted, data);
            },
            observed);
    }
}

void isViewerMulti::notificationCallback(cocos2d::Ref* sender, unsigned posted,
                                         NSUI::NSNotificationData* data) {
    onNotification(static_cast<int>(posted), data, sender);
}

void isViewerMulti::runCommand(int command, NSUI::NSNotificationData* data) {
    onNotification(command, data, nullptr);
}

void isViewerMulti::runCommandInt(int command, int value) {
    auto* data = new NSUI::NSNotificationData();
    data->intValue = value;
    runCommand(command, data);
    data->release();
}

void isViewerMulti::runCommandFloat(int command, float value) {
    auto* data = new NSUI::NSNotificationData();
    data->floatValue = value;
    runCommand(command, data);
    data->release();
}

void isViewerMulti::browserHandler(KeyViewProperty* property, int command,
                                   NSUI::NSNotificationData* data) {
    if (isViewerBrowser* browser = browserOf(property)) {
        browser->onNotification(command, data, this);
    }
}

void isViewerMulti::volumeHandler(KeyViewProperty* property, int command,
                                  NSUI::NSNotificationData* data) {
    if (isViewerVR* volume = volumeViewerOf(property)) {
        volume->onNotification(command, data, this);
    }
}

void isViewerMulti::repostToParent(int command, NSUI::NSNotificationData* data, bool nextPass) {
    if (getParent() == nullptr) {
        return;
    }
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, command, data, getParent(),
                                                                nextPass);
}

void isViewerMulti::postActiveCellVolume(int value, bool nextPass) {
    if (getParent() == nullptr) {
        return;
    }
    NSUI::NSNotificationCenter::getInstance()->postInt(this, NOTIFY_ACTIVE_CELL_VOLUME, value,
                                                       getParent(), nextPass);
}

NSUI::NSNotificationData* isViewerMulti::focalData(isViewerBrowser* browser) {
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    const cocos2d::Vec3 focus = browser->getFocalPoint();
    setFloat(data->stringValue, "x", focus.x);
    setFloat(data->stringValue, "y", focus.y);
    setFloat(data->stringValue, "z", focus.z);
    return data;
}

void isViewerMulti::broadcastFocus(KeyViewProperty* target) {
    if (!isOrthogonalType(target->getViewType())) {
        return;
    }
    NSUI::NSNotificationData* data = focalData(browserOf(target));
    for (KeyViewProperty* property : collectLinkedOrthogonalViewers(target)) {
        if (property->getViewType() != target->getViewType()) {
            browserHandler(property, NOTIFY_VIEW_CMD_9100, data);
        }
    }
}

void isViewerMulti::followSlice(KeyViewProperty* target) {
    for (KeyViewProperty* property : collectSameTypeViewers(target)) {
        if (property != target) {
            syncWithPartner(property, target, SYNC_SLICE);
        }
    }
    broadcastFocus(target);
}

void isViewerMulti::routeWheel(int command, KeyViewProperty* target) {
    repostToParent(command, nullptr, true);
    isViewerBrowser* browser = browserOf(target);
    const int viewType = target->getViewType();
    if (browser == nullptr || viewType < VIEW_SLICE || viewType > VIEW_CORONAL ||
        !canMove(browser, command)) {
        return;
    }
    if (!isLinked(target)) {
        browserHandler(target, command, nullptr);
        return;
    }
    const Properties same = collectSameTypeViewers(target);
    browserHandler(target, command, nullptr);
    for (KeyViewProperty* property : same) {
        if (property != target) {
            syncWithPartner(property, target, SYNC_SLICE);
        }
    }
    broadcastFocus(target);
}

void isViewerMulti::switchToPlane(KeyViewProperty* target, int wanted) {
    const int viewType = target->getViewType();
    if (isOrthogonalType(viewType)) {
        if (viewType == wanted) {
            return;
        }
        isViewerBrowser* browser = browserOf(target);
        const Properties synced = collectSyncedViewersOfType(wanted);
        if (synced.empty()) {
            const cocos2d::Vec3 focus = browser->getFocalPoint();
            const float zoom = browser->getZoom();
            browser->setViewType(wanted);
            browser->setFocalPoint(focus);
            browser->setZoom(zoom);
            browser->setCameraCenter(focus);
        } else {
            browser->setViewType(wanted);
            syncWithPartner(target, synced.front(), SYNC_ALL);
        }
    } else if (isVolumeType(viewType)) {
        isViewerVR* volume = volumeViewerOf(target);
        if (volume->isMaximized()) {
            showRefusal();
            return;
        }
        const Properties synced = collectSyncedViewersOfType(wanted);
        const cocos2d::Vec3 center = volume->getCameraCenter();
        const float zoom = volume->getPixelScale();
        const cocos2d::Vec2 position = volume->getPosition();
        const cocos2d::Size size = volume->getContentSize();
        const bool linked = volume->linked;
        float width = 0.0f;
        float level = 0.0f;
        const bool hasWindow = volume->getVRActor() != nullptr;
        if (hasWindow) {
            volume->getVRActor()->getWindowLevel(&width, &level);
        }
        volume->removeFromParentAndCleanup(true);
        isViewerBrowser* browser = isViewerBrowser::create();
        browser->setNotificationKey(key, group);
        browser->setContentSize(size);
        browser->setPosition(position);
        addChild(browser);
        browser->setOwner(this);
        browser->linked = linked;
        target->setViewer(browser);
        browser->setImageData(target->getSeries());
        if (hasWindow) {
            browser->setWindowLevel(width, level);
        }
        browser->layoutTiles();
        browser->setViewType(wanted);
        if (!synced.empty()) {
            syncWithPartner(target, synced.front(), SYNC_ALL);
        } else {
            browser->setFocalPoint(center);
            browser->setZoom(zoom);
            browser->setCameraCenter(center);
        }
    }
    postActiveCellVolume(0, false);
}

void isViewerMulti::switchToVolume(KeyViewProperty* target, int command) {
    const int viewType = target->getViewType();
    if (isReslicedType(viewType)) {
        isViewerBrowser* browser = browserOf(target);
        if (browser->isAnyTileMaximized()) {
            showRefusal();
            return;
        }
        isActorImage* actor =
            browser->getTiles().empty() ? nullptr : browser->getTiles().at(0)->getImageActor();
        const float width = actor != nullptr ? actor->getWindowWidth() : 0.0f;
        const float level = actor != nullptr ? actor->getWindowCentre() : 0.0f;
        unsigned char table[768];
        for (int i = 0; i < 256; ++i) {
            table[3 * i] = table[3 * i + 1] = table[3 * i + 2] = static_cast<unsigned char>(i);
        }
        browser->getClut(table);
        const cocos2d::Vec2 position = browser->getPosition();
        const cocos2d::Size size = browser->getContentSize();
        const bool linked = browser->linked;
        browser->removeFromParentAndCleanup(true);
        isViewerVR* volume = isViewerVR::create();
        volume->setNotificationKey(key, group);
        volume->setContentSize(size);
        volume->setPosition(position);
        addChild(volume);
        volume->setController(this);
        const int volumeType = command == NOTIFY_VIEW_VR ? VIEW_VR : VIEW_MIP;
        if (volumeType == VIEW_VR) {
            volume->setVRMode();
        } else {
            volume->setMIPMode();
        }
        volume->linked = linked;
        target->setViewer(volume);
        static_cast<isViewer*>(volume)->setImageData(target->getSeries());
        volume->setViewType(volumeType);
        if (actor != nullptr) {
            volume->setWindowLevel(width, level);
        }
        volume->setClut(table);
    } else if (isVolumeType(viewType)) {
        isViewerVR* volume = volumeViewerOf(target);
        if (viewType == VIEW_VR && command == NOTIFY_VIEW_MIP) {
            volume->setMIPMode();
        } else if (viewType == VIEW_MIP && command == NOTIFY_VIEW_VR) {
            volume->setVRMode();
        }
    }
    postActiveCellVolume(1, false);
}

void isViewerMulti::onNotification(int command, NSUI::NSNotificationData* data,
                                   cocos2d::Ref* sender) {
    if (command < kFirstRoutedKey || command > kLastRoutedKey) {
        return;
    }
    KeyViewProperty* target = _active;
    if (auto* viewer = dynamic_cast<isViewer*>(sender)) {
        target = findPropertyOfViewer(viewer);
    }
    if (target == nullptr) {
        return;
    }
    const int viewType = target->getViewType();
    const bool browserFamily = browserOf(target) != nullptr;
    const bool volumeCell = volumeViewerOf(target) != nullptr;

    switch (command) {
    case NOTIFY_WHEEL_UP:
    case NOTIFY_WHEEL_DOWN:
        routeWheel(command, target);
        break;
    case NOTIFY_FLIP_ROTATE:
        if (data != nullptr && !data->stringValue.empty()) {
            data->floatValue = static_cast<float>(std::atof(data->stringValue.c_str()));
        }
        if (browserFamily) {
            browserHandler(target, command, data);
        }
        break;
    case NOTIFY_PHASE_SET:
    case NOTIFY_GRID_1X1:
    case NOTIFY_GRID_1X2:
    case NOTIFY_GRID_2X1:
    case NOTIFY_GRID_2X2:
    case NOTIFY_GRID_AUTO:
    case NOTIFY_OPACITY_LINEAR:
    case NOTIFY_OPACITY_LOG10:
    case NOTIFY_OPACITY_LOG10_INVERSE:
    case NOTIFY_FLIP_X:
    case NOTIFY_FLIP_Y:
    case NOTIFY_VIEW_MPR3D:
        if (browserFamily) {
            browserHandler(target, command, data);
        }
        break;
    case NOTIFY_SLAB_MODE:
    case NOTIFY_SLAB_ORIGINAL:
        if (data != nullptr && !data->stringValue.empty()) {
            data->intValue = std::atoi(data->stringValue.c_str());
            data->floatValue = static_cast<float>(std::atof(data->stringValue.c_str()));
        }
        if (isReslicedType(viewType)) {
            browserHandler(target, command, data);
        }
        break;
    case NOTIFY_ROTATE_VIEW:
        if (isReslicedType(viewType)) {
            browserHandler(target, command, data);
        } else if (isVolumeType(viewType)) {
            volumeHandler(target, command, data);
        }
        break;
    case NOTIFY_VIEW_AXIAL:
    case NOTIFY_VIEW_SAGITTAL:
    case NOTIFY_VIEW_CORONAL:
        switchToPlane(target, VIEW_AXIAL + (command - NOTIFY_VIEW_AXIAL));
        break;
    case NOTIFY_VIEW_VR:
    case NOTIFY_VIEW_MIP:
        switchToVolume(target, command);
        break;
    case NOTIFY_VIEW_CYCLE:
        if (viewType == VIEW_AXIAL) {
            runCommand(NOTIFY_VIEW_SAGITTAL, nullptr);
        } else if (viewType == VIEW_SAGITTAL) {
            runCommand(NOTIFY_VIEW_CORONAL, nullptr);
        } else if (viewType == VIEW_CORONAL) {
            runCommand(NOTIFY_VIEW_AXIAL, nullptr);
        }
        break;
    case NOTIFY_BROWSER_PAGE:
        if (isLinked(target) && isOrthogonalType(viewType)) {
            followSlice(target);
        }
        break;
    case NOTIFY_VIEW_SYNC_9021:
        if (browserFamily) {
            for (KeyViewProperty* property : collectLinkedViewers(target)) {
                browserHandler(property, command, data);
            }
        } else if (volumeCell) {
            volumeHandler(target, command, data);
        }
        break;
    case NOTIFY_WW_DEFAULT:
    case NOTIFY_WW_PRESET:
        if (volumeCell) {
            volumeHandler(target, command, data);
            break;
        }
        for (KeyViewProperty* property : collectSameSeriesViewers(target, target->getSeries())) {
            browserHandler(property, command, data);
        }
        if (command == NOTIFY_WW_DEFAULT) {
            for (KeyViewProperty* property :
                 collectSecondDataViewers(target, target->getSeries())) {
                browserHandler(property, NOTIFY_WW_BY_TOUCH_TILE, data);
            }
        }
        break;
    case NOTIFY_EDIT_WW_OPEN:
    case NOTIFY_CINE_PLAYING:
    case NOTIFY_INTERACT_9078:
        repostToParent(command, data, true);
        break;
    case NOTIFY_VIEW_CMD_9035:
        if (volumeCell) {
            volumeHandler(target, command, data);
        } else {
            browserHandler(target, command, data);
        }
        break;
    case NOTIFY_CLUT_SET:
        if (browserFamily) {
            for (KeyViewProperty* property :
                 collectSameSeriesViewers(target, target->getSeries())) {
                browserHandler(property, command, data);
            }
        } else if (volumeCell) {
            volumeHandler(target, command, data);
        }
        break;
    case NOTIFY_TOOL_SELECT:
        if (browserFamily) {
            for (KeyViewProperty* property : collectLinkedViewers(target)) {
                browserHandler(property, command, data);
            }
        }
        break;
    case NOTIFY_WW_BY_MOUSE:
        if (volumeCell) {
            volumeHandler(target, command, data);
        } else {
            for (KeyViewProperty* property : collectLinkedViewers(target)) {
                browserHandler(property, command, data);
            }
        }
        break;
    case NOTIFY_TOOL_ZOOM:
    case NOTIFY_TOOL_MOVE:
        for (KeyViewProperty* property : collectLinkedViewers(target)) {
            browserHandler(property, command, data);
            volumeHandler(property, command, data);
        }
        break;
    case NOTIFY_TOOL_ROTATE:
        if (volumeCell) {
            volumeHandler(target, command, nullptr);
        } else {
            for (KeyViewProperty* property : collectLinkedViewers(target)) {
                browserHandler(property, command, nullptr);
            }
        }
        break;
    case NOTIFY_DOCUMENT_BUTTON:
        if (isReslicedType(viewType)) {
            for (KeyViewProperty* property : collectLinkedViewers(target)) {
                browserHandler(property, command, data);
            }
        }
        break;
    case NOTIFY_ROI_LINE:
    case NOTIFY_ROI_POINT:
    case NOTIFY_ROI_ANGLE:
    case NOTIFY_ROI_CIRCLE:
    case NOTIFY_ROI_POLYGON:
    case NOTIFY_ROI_LABEL:
    case NOTIFY_ROI_SELECT:
        if (browserFamily) {
            browserHandler(target, command, data);
        }
        repostToParent(command, nullptr, true);
        break;
    case NOTIFY_ROI_REMOVE: {
        isViewerBrowser* browser = browserOf(target);
        if (browser == nullptr) {
            break;
        }
        NSUI::NSNotificationData* removal = NSUI::NSNotificationData::create();
        isViewerImage* tile = browser->getCurrentTile();
        auto* interactor =
            tile != nullptr ? dynamic_cast<isInteractorImage*>(tile->getInteractor()) : nullptr;
        // The tiles look the ROI up by its data's id: each tile has shapes of its own for it.
        const isActorROIBase* shape =
            interactor != nullptr ? interactor->getSelectedROI() : nullptr;
        if (shape != nullptr && shape->getROIData() != nullptr) {
            removal->intValue2 = static_cast<int>(shape->getROIData()->getRefID());
        }
        if (removal->intValue2 != 0) {
            for (KeyViewProperty* property :
                 collectSameSeriesViewers(target, target->getSeries())) {
                browserHandler(property, command, removal);
            }
        }
        break;
    }
    case NOTIFY_CINE_PLAY:
    case NOTIFY_CINE_PRIOR:
    case NOTIFY_CINE_NEXT:
        browserHandler(target, command, data);
        volumeHandler(target, command, data);
        break;
    case NOTIFY_ORIENT_BUTTON:
        volumeHandler(target, command, data);
        break;
    case NOTIFY_SYNC_PAN:
        if (isLinked(target) && isOrthogonalType(viewType)) {
            for (KeyViewProperty* property : collectSameTypeViewers(target)) {
                if (property != target) {
                    browserHandler(property, command, data);
                }
            }
        }
        break;
    case NOTIFY_SYNC_FOCAL_ZOOM:
        if (isLinked(target) && isOrthogonalType(viewType)) {
            for (KeyViewProperty* property : collectLinkedOrthogonalViewers(target)) {
                if (property != target) {
                    browserHandler(property, command, data);
                }
            }
        }
        break;
    case NOTIFY_INTERACT_9082:
        if (isLinked(target)) {
            for (KeyViewProperty* property :
                 collectSameSeriesViewers(target, target->getSeries())) {
                if (property != target) {
                    browserHandler(property, command, data);
                }
            }
            for (KeyViewProperty* property :
                 collectSecondDataViewers(target, target->getSeries())) {
                if (property != target) {
                    browserHandler(property, command, data);
                }
            }
        }
        break;
    case NOTIFY_VIEW_CMD_9100:
        if (isReslicedType(viewType)) {
            for (KeyViewProperty* property : collectLinkedViewers(target)) {
                if (property != target) {
                    browserHandler(property, command, data);
                }
            }
        }
        break;
    case NOTIFY_VIEW_ACTIVATED:
        _active = target;
        for (KeyViewProperty* property : collectLinkedViewers(target)) {
            if (property != target) {
                browserHandler(property, command, nullptr);
                volumeHandler(property, command, nullptr);
            }
        }
        postActiveCellVolume(volumeViewerOf(target) != nullptr ? 1 : 0, true);
        repostToParent(command, nullptr, true);
        break;
    case NOTIFY_FAVORITE_CMD:
        if (isViewerBrowser* browser = browserOf(target)) {
            browser->updatePageButtons();
        }
        break;
    default:
        break;
    }
}

}  // namespace isImageSDK
