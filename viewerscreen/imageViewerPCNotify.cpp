#include <algorithm>

#include "app/selectSeries.h"
#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/audio/SimpleAudioEngine.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/CaptureRoutines.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/NSMenu.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "viewerscreen/FavoriteDicomWriter.h"
#include "viewerscreen/dcmInfoList.h"
#include "viewerscreen/editWW.h"
#include "viewerscreen/imageViewerPC.h"
#include "viewerscreen/quickTool.h"

using cocos2d::Node;

namespace {

constexpr int kChooserZ = 100010;
constexpr float kChooserWidth = 500.0f;
constexpr float kChooserHeight = 700.0f;
constexpr int kStatusZ = 10000;
constexpr int kStatusBackZ = 9999;
constexpr const char* kShutter = "res/dingdong.wav";
// The DICOM menu opens this far left of the strip's right end and this far above it.
constexpr float kDicomMenuLeft = 200.0f;
constexpr float kDicomMenuUp = 30.0f;
// Room kept between the DICOM menu and the screen's edges.
constexpr float kDicomMenuMargin = 10.0f;

}  // namespace

void imageViewerPC::onNotification(cocos2d::Ref*, unsigned notificationKey,
                                   NSUI::NSNotificationData* data) {
    using namespace isImageSDK;
    const bool forThisScreen = data && data->key == key;
    const std::string text = data ? data->stringValue : std::string();
    const int value = data ? data->intValue : 0;
    switch (static_cast<int>(notificationKey)) {
    case NSUI::NOTIFY_CAPTURE_SAVED:
    case NOTIFY_FAVORITE_SAVED:
        updateFavoriteBadge(-1);
        break;
    case NOTIFY_SERIES_LOADED:
        onSeriesLoaded(data);
        break;
    case studydb::NOTIFY_QUICK_CAPTURE:
        if (forThisScreen) {
            captureArea(NOTIFY_CAPTURE_VIEW);
        }
        break;
    case studydb::NOTIFY_SERIES_CHOSEN:
        reload(text);
        break;
    case NOTIFY_CHOOSE_PATIENT:
        onChoosePatient();
        break;
    case NOTIFY_WW_APPLY:
        if (forThisScreen) {
            onWindowLevelApply(text);
        }
        break;
    case NOTIFY_CAPTURE_SCREEN:
    case NOTIFY_CAPTURE_ALL:
    case NOTIFY_CAPTURE_VIEW:
        captureArea(static_cast<int>(notificationKey));
        break;
    case NOTIFY_CINE_PLAYING:
        onCineState(value);
        break;
    case NOTIFY_ROI_COUNT_CHANGED:
        onRoiCountChanged();
        break;
    case NOTIFY_VIEW_ACTIVATED:
        refreshWindowLevelPresets();
        break;
    case NOTIFY_VIEW_CAPTURED:
        if (forThisScreen) {
            saveFavorite(data);
        }
        break;
    case NOTIFY_SERIES_CACHED:
        if (forThisScreen) {
            onSeriesCached();
        }
        break;
    case NOTIFY_ACTIVE_CELL_VOLUME:
        onCellMaximized(value);
        break;
    case NOTIFY_PROTOCOL_SELECTED:
        show4DPanel(protocolTypeCode(text) != 8);
        hideQuickStrip();
        break;
    case studydb::NOTIFY_DICOM_MENU_OPEN:
        if (forThisScreen && quickStrip) {
            if (NSUI::NSMenu* menu = showMenu("dcmMenu", true)) {
                // Its texts are wider than the strip's end leaves: at the screen's right edge the
                // menu moves left so that its texts keep clear of the edge.
                const float rightmost =
                    getContentSize().width - menu->getMenuSize().width - kDicomMenuMargin;
                const float x =
                    std::max(kDicomMenuMargin,
                             std::min(quickStrip->getPositionX() +
                                          quickStrip->getContentSize().width - kDicomMenuLeft,
                                      rightmost));
                menu->setPosition(cocos2d::Vec2(x, quickStrip->getPositionY() + kDicomMenuUp));
            }
        }
        break;
    case NOTIFY_EDIT_WW_OPEN:
        openWindowLevelEditor();
        break;
    case NOTIFY_DCM_INFO_OPEN:
        openDicomInfo();
        break;
    case NOTIFY_QUICK_TOOL_OPEN:
        if (forThisScreen) {
            onQuickToolOpen(data);
        }
        break;
    case NOTIFY_QUICK_TOOL_ANCHOR:
        if (forThisScreen && quickStrip) {
            onQuickToolAnchor(data);
        }
        break;
    case NOTIFY_VIEWER_REMOVED:
        if (forThisScreen && quickStrip && quickStrip->getViewId() != 0 &&
            static_cast<int>(quickStrip->getViewId()) == data->intValue2) {
            quickStrip->clearView();
        }
        break;
    case NOTIFY_PHASE_CHOSEN:
        onPhaseChosen(text);
        break;
    case NOTIFY_SAVE_REFORMAT:
        if (forThisScreen) {
            showReformatStatus(value);
        }
        break;
    default:
        break;
    }
}

void imageViewerPC::onChoosePatient() {
    if (AppConfig::getInstance()->isPhone) {
        return;
    }
    // The chooser is a single window: asking again while it is open changes nothing.
    if (getChildByName("selectSeries")) {
        return;
    }
    selectSeries* chooser = selectSeries::create();
    if (!chooser) {
        return;
    }
    const float w = getContentSize().width;
    const float h = getContentSize().height;
    chooser->setContentSize(cocos2d::Size(std::min(w, kChooserWidth), std::min(h, kChooserHeight)));
    chooser->setAnchorPoint(cocos2d::Vec2(0.5f, 1.0f));
    chooser->setPosition(cocos2d::Vec2(w * 0.5f, h));
    chooser->setName("selectSeries");
    addChild(chooser, kChooserZ);
    chooser->initWithMode(0);
    chooser->setOwner(this);
}

void imageViewerPC::hideQuickStrip() {
    if (quickStrip) {
        quickStrip->setVisible(false);
    }
}

void imageViewerPC::onQuickToolOpen(NSUI::NSNotificationData* data) {
    // The request is delivered a frame after the touch: a viewer that a new layout took off the
    // screen meanwhile (itself or the cell holding it) would leave a strip whose buttons reach
    // no viewer.
    auto* view = dynamic_cast<Node*>(data->object);
    if (!view || !view->isRunning()) {
        return;
    }
    if (!quickStrip) {
        quickStrip = quickTool::create();
        if (!quickStrip) {
            return;
        }
        quickStrip->setNotificationKey(key, nullptr);
        quickStrip->buildButtons(quickTool::kKindImage);
        addChild(quickStrip);
    }
    auto* viewer = dynamic_cast<isImageSDK::isViewer*>(data->object);
    isImageSDK::appManager* region = currentRegion();
    if (region) {
        quickStrip->regionRect = region->getRect();
    }
    const bool volume =
        viewer && (viewer->type == isImageSDK::VIEW_VR || viewer->type == isImageSDK::VIEW_MIP);
    quickStrip->buildButtons(volume ? quickTool::kKindVolume : quickTool::kKindImage);
    quickStrip->attachToView(view, !viewer || viewer->linked);
    quickStrip->setNotificationKey(key, region);
}

void imageViewerPC::onQuickToolAnchor(NSUI::NSNotificationData* data) {
    auto* view = dynamic_cast<Node*>(data->object);
    if (!view || !view->getParent() || quickStrip->getViewId() != view->getRefID()) {
        return;
    }
    auto* viewer = dynamic_cast<isImageSDK::isViewer*>(data->object);
    quickStrip->attachToView(view, !viewer || viewer->linked);
}

void imageViewerPC::openWindowLevelEditor() {
    if (getChildByName("editWW")) {
        return;
    }
    const bool phone = AppConfig::getInstance()->isPhone;
    cocos2d::Node* form = nullptr;
    if (phone) {
        form = editWWScene::create();
    } else {
        form = editWW::createWindow();
    }
    if (!form) {
        return;
    }
    auto* editor = dynamic_cast<editWW*>(form->getChildByNameDeep("editWW_view"));
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    if (editor && multi) {
        float width = 0.0f;
        float level = 0.0f;
        if (isImageSDK::KeyViewProperty* active = multi->getActiveProperty()) {
            multi->getWindowLevel(width, level);
            if (isImageSDK::isImageData* series = active->getSeries()) {
                float lowest = 0.0f;
                float highest = 0.0f;
                series->getValueRange(lowest, highest);
                editor->setValueRange(lowest, highest);
            }
        }
        editor->setValues(width, level);
        editor->setNotificationKey(key, nullptr);
    }
    if (phone) {
        cocos2d::Director::getInstance()->pushScene(static_cast<cocos2d::Scene*>(form));
        return;
    }
    form->setName("editWW");
    addChild(form);
}

void imageViewerPC::openDicomInfo() {
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    const std::string path = multi ? multi->getCurrentImageFile() : std::string();
    if (path.size() <= 2) {
        return;
    }
    const bool phone = AppConfig::getInstance()->isPhone;
    cocos2d::Node* form = phone ? static_cast<cocos2d::Node*>(dcmInfoList::createScene())
                                : static_cast<cocos2d::Node*>(dcmInfoList::createWindow());
    if (!form) {
        return;
    }
    if (auto* list = dynamic_cast<dcmInfoList*>(form->getChildByNameDeep("dcmInfo"))) {
        list->setFilePath(path);
    }
    if (phone) {
        cocos2d::Director::getInstance()->pushScene(static_cast<cocos2d::Scene*>(form));
        return;
    }
    addChild(form);
}

void imageViewerPC::onWindowLevelApply(const std::string& text) {
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    if (!multi) {
        return;
    }
    multi->setWindowLevel(NSUI::UIJson::getFloat(text, "ww", 0.0f),
                          NSUI::UIJson::getFloat(text, "wl", 0.0f));
    multi->runCommand(isImageSDK::NOTIFY_VIEW_CMD_9035, nullptr);
}

void imageViewerPC::onCineState(int value) {
    auto* play = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("btnCmdPlay"));
    if (!play) {
        return;
    }
    const char* image = value < 1 ? "imgs/play.png" : "imgs/pause.png";
    play->loadTextures(image, image, image);
    play->setTag(value < 1 ? kNotPlaying : kPlaying);
}

void imageViewerPC::onRoiCountChanged() {
    Node* remove = getChildByNameDeep("btnCmdRemoveROI");
    if (!remove) {
        return;
    }
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    isImageSDK::KeyViewProperty* active = multi ? multi->getActiveProperty() : nullptr;
    bool selected = false;
    if (active && active->getViewType() <= isImageSDK::VIEW_OBLIQUE) {
        isImageSDK::isViewerBrowser* browser = isImageSDK::isViewerMulti::browserOf(active);
        selected = browser && browser->hasSelectedROI();
    }
    remove->setVisible(selected);
}

void imageViewerPC::onCellMaximized(int value) {
    int kind = 2;
    if (value < 1) {
        isImageSDK::isViewerMulti* multi = currentMultiViewer();
        kind = multi && multi->getCurrentViewType() == isImageSDK::VIEW_SLICE ? 0 : 1;
    }
    showToolPanel(kind);
    updateSliceSlider();
}

void imageViewerPC::playShutter() {
    CocosDenshion::SimpleAudioEngine::getInstance()->playEffect(kShutter);
}

void imageViewerPC::saveFavorite(NSUI::NSNotificationData* data) {
    auto* record = static_cast<isImageSDK::isSliceInfo*>(data->buffer);
    if (!record) {
        return;
    }
    // The record is the favourite job's from here on: the data no longer frees it.
    data->buffer = nullptr;
    playShutter();
    const std::string dataRoot = dataService::getInstance()->getDatabase()->getDataRoot();
    jobs.start([record, dataRoot] { saveFavoriteDicom(record, dataRoot); });
}

void imageViewerPC::captureArea(int captureKey) {
    playShutter();
    const cocos2d::Size window = AppConfig::getInstance()->getWinSize();
    cocos2d::Rect rect(0, 0, 0, 0);
    if (captureKey == isImageSDK::NOTIFY_CAPTURE_ALL) {
        rect = cocos2d::Rect(toolPanelWidth, 0, window.width - toolPanelWidth,
                             window.height - topBarHeight);
    } else if (captureKey == isImageSDK::NOTIFY_CAPTURE_VIEW) {
        isImageSDK::isViewerMulti* multi = currentMultiViewer();
        if (!multi || !multi->getActiveProperty() || !multi->getCurrentViewerRect(rect)) {
            rect = cocos2d::Rect(0, 0, window.width, window.height);
        }
    }
    NSUI::captureScreenToJpeg(static_cast<int>(rect.origin.x), static_cast<int>(rect.origin.y),
                              static_cast<int>(rect.size.width),
                              static_cast<int>(rect.size.height));
}

void imageViewerPC::showReformatStatus(int count) {
    auto* label = dynamic_cast<cocos2d::Label*>(getChildByName("reformatStatus"));
    if (!label) {
        const cocos2d::Vec2 at(getContentSize().width - 300.0f, getContentSize().height - 30.0f);
        label = cocos2d::Label::createWithSystemFont("", "", 20.0f);
        label->setName("reformatStatus");
        label->setPosition(at);
        label->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
        addChild(label, kStatusZ);
        if (cocos2d::Sprite* back = cocos2d::Sprite::create("res/redCircle.png")) {
            back->setName("reformatStatusBK");
            back->setPosition(at);
            back->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
            back->setScale(0.6f);
            addChild(back, kStatusBackZ);
        }
    }
    if (count <= 0) {
        label->removeFromParent();
        if (Node* back = getChildByName("reformatStatusBK")) {
            back->removeFromParent();
        }
        return;
    }
    label->setString(NSUI::formatString("%i", count));
    label->setVisible(true);
}
