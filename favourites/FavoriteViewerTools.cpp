#include "favourites/FavoriteViewerTools.h"

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Text.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/io/isDcmReader.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "viewerscreen/dcmInfoList.h"
#include "viewerscreen/editWW.h"
#include "viewerscreen/toolDisk.h"

namespace favouriteViewer {

namespace {

const char* const kToolDisk = "toolDisk";
const char* const kEntryWindow = "editWW";
const char* const kEntryView = "editWW_view";
const char* const kTagList = "dcmInfo";
// Protocol code of one Slice viewer.
const int kSingleSliceProtocol = 6;
// The message is centred in the space above the tool rows.
const float kMessageBottom = 100.0f;

}  // namespace

isImageSDK::isImageData* readFile(const std::string& path, int* kind) {
    isImageSDK::isDcmReader* reader = isImageSDK::isDcmReader::create();
    if (reader == nullptr) {
        return nullptr;
    }
    reader->setFileName(path);
    reader->update();
    isImageSDK::isImageData* data = reader->getOutputImage();
    if (data != nullptr) {
        data->update();
    }
    if (data == nullptr || data->getNumberOfSlices() < 1) {
        reader->release();
        return nullptr;
    }
    data->retain();
    data->update();
    isImageSDK::isSliceInfo* first = data->getSlice(0);
    if (kind != nullptr) {
        *kind = first != nullptr ? first->modality : -1;
    }
    reader->release();
    return data;
}

isImageSDK::isViewerMulti* showImage(cocos2d::Node* host, void* observer,
                                     isImageSDK::appManager* region,
                                     isImageSDK::isViewerMulti* viewer,
                                     isImageSDK::isImageData* data, const cocos2d::Rect& rect,
                                     const NSUI::NSNotificationCallback& onEditOpen) {
    if (viewer != nullptr) {
        viewer->setVisible(true);
        region->setImageData(data);
        return viewer;
    }
    region->setImageDataWithProtocol(data, rect, kSingleSliceProtocol);
    viewer = region->getViewerMulti();
    if (viewer != nullptr) {
        if (viewer->getParent() == nullptr) {
            host->addChild(viewer);
        }
        NSUI::NSNotificationCenter::getInstance()->addObserver(observer, viewer, onEditOpen,
                                                               isImageSDK::NOTIFY_EDIT_WW_OPEN);
    }
    return viewer;
}

bool showMessage(cocos2d::Node* host, const char* name, int zOrder, const std::string& text) {
    cocos2d::Node* message = host->getChildByName(name);
    if (message == nullptr) {
        if (text.empty()) {
            return false;
        }
        message = cocos2d::CSLoader::createNode(kMessageLayout);
        if (message == nullptr) {
            return false;
        }
        const cocos2d::Size& size = host->getContentSize();
        const cocos2d::Size& own = message->getContentSize();
        message->setPosition(
            cocos2d::Vec2((size.width - own.width) / 2.0f,
                          (size.height - kMessageBottom - own.height) / 2.0f + kMessageBottom));
        host->addChild(message, zOrder, name);
    }
    if (auto* intro = dynamic_cast<cocos2d::ui::Text*>(message->getChildByNameDeep("intro"))) {
        intro->setString(text);
    }
    message->setVisible(!text.empty());
    return true;
}

toolDisk* toolDiskOf(cocos2d::Node* host, isImageSDK::isViewerMulti* viewer,
                     const std::list<isImageSDK::WindowLevelPreset>& presets) {
    auto* disk = dynamic_cast<toolDisk*>(host->getChildByNameDeep(kToolDisk));
    if (disk == nullptr) {
        disk = toolDisk::create();
        host->addChild(disk);
        disk->setName(kToolDisk);
        disk->setVisible(false);
        disk->setPosition(cocos2d::Vec2::ZERO);
    }
    disk->target = viewer;
    if (disk->getPresets().empty()) {
        for (const isImageSDK::WindowLevelPreset& preset : presets) {
            disk->addWindowLevelPreset(preset.name, preset.width, preset.level);
        }
    }
    return disk;
}

void openTagList(cocos2d::Node* host, isImageSDK::isViewerMulti* viewer) {
    const std::string path = viewer != nullptr ? viewer->getCurrentImageFile() : std::string();
    if (path.size() <= 2) {
        return;
    }
    if (AppConfig::getInstance()->isPhone) {
        cocos2d::Scene* scene = dcmInfoList::createScene();
        if (auto* list = dynamic_cast<dcmInfoList*>(scene->getChildByNameDeep(kTagList))) {
            list->setFilePath(path);
        }
        cocos2d::Director::getInstance()->pushScene(scene);
    } else if (NSUI::NSResponseWindow* window = dcmInfoList::createWindow()) {
        if (auto* list = dynamic_cast<dcmInfoList*>(window->getChildByNameDeep(kTagList))) {
            list->setFilePath(path);
        }
        host->addChild(window);
    }
}

void openWindowLevelEntry(cocos2d::Node* host, isImageSDK::isViewerMulti* viewer, unsigned key) {
    if (host->getChildByName(kEntryWindow) != nullptr) {
        return;
    }
    const bool phone = AppConfig::getInstance()->isPhone;
    cocos2d::Node* entry = nullptr;
    if (phone) {
        entry = editWWScene::create();
    } else {
        NSUI::NSResponseWindow* window = editWW::createWindow();
        if (window != nullptr) {
            window->setName(kEntryWindow);
            host->addChild(window);
        }
        entry = window;
    }
    if (entry == nullptr) {
        return;
    }
    if (auto* values = dynamic_cast<editWW*>(entry->getChildByNameDeep(kEntryView))) {
        float width = 0.0f;
        float level = 0.0f;
        if (viewer != nullptr && viewer->getWindowLevel(width, level)) {
            values->setValues(width, level);
        }
        isImageSDK::KeyViewProperty* active =
            viewer != nullptr ? viewer->getActiveProperty() : nullptr;
        if (active != nullptr && active->getSeries() != nullptr) {
            float lowest = 0.0f;
            float highest = 0.0f;
            active->getSeries()->getValueRange(lowest, highest);
            values->setValueRange(lowest, highest);
        }
        values->setNotificationKey(key, nullptr);
    }
    if (phone) {
        cocos2d::Director::getInstance()->pushScene(static_cast<cocos2d::Scene*>(entry));
    }
}

bool applyWindowLevel(isImageSDK::isViewerMulti* viewer, NSUI::NSNotificationData* data,
                      unsigned key) {
    if (data == nullptr || data->key != key || viewer == nullptr) {
        return false;
    }
    viewer->setWindowLevel(NSUI::UIJson::getFloat(data->stringValue, "ww", 0.0f),
                           NSUI::UIJson::getFloat(data->stringValue, "wl", 0.0f));
    viewer->runCommand(isImageSDK::NOTIFY_VIEW_CMD_9035, nullptr);
    return true;
}

}  // namespace favouriteViewer
