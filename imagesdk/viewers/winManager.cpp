#include "imagesdk/viewers/winManager.h"

#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

void windowLayoutGrid(const WindowLayout& layout, int& cols, int& rows) {
    struct Grid {
        const char* text;
        int cols, rows;
    };
    static const Grid kGrids[] = {
        {"1x1", 1, 1}, {"1x2", 2, 1}, {"2x1", 1, 2}, {"1x3", 3, 1}, {"3x1", 1, 3},
    };
    cols = 1;
    rows = 1;
    for (const Grid& grid : kGrids) {
        if (layout == grid.text) {
            cols = grid.cols;
            rows = grid.rows;
            return;
        }
    }
}

winManager::~winManager() {
    teardown();
}

bool winManager::init() {
    rect = cocos2d::Rect::ZERO;
    screen = nullptr;
    if (addRegion() == nullptr) {
        return false;
    }
    activeIndex = 0;
    layout = "1x1";
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getInstance();
    const auto callback = [this](cocos2d::Ref* sender, unsigned posted,
                                 NSUI::NSNotificationData* data) {
        onNotification(sender, posted, data);
    };
    center->addObserver(this, this, callback, NOTIFY_PROTOCOL_SELECTED);
    center->addObserver(this, this, callback, NOTIFY_WINDOW_LAYOUT);
    center->addObserver(this, nullptr, callback, NOTIFY_ACTIVE_APPMANAGER);
    return true;
}

void winManager::teardown() {
    while (!regions.empty()) {
        removeRegion(static_cast<int>(regions.size()) - 1);
    }
    activeIndex = -1;
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

appManager* winManager::addRegion() {
    appManager* region = appManager::create();
    if (region == nullptr) {
        return nullptr;
    }
    region->setNotificationKey(key, nullptr);
    regions.pushBack(region);
    return region;
}

void winManager::removeRegion(int index) {
    appManager* region = regions.at(index);
    region->retain();
    regions.erase(index);
    region->teardown();
    region->release();
}

void winManager::setNotificationKey(unsigned newKey, void* newGroup) {
    NSUI::NSNotificationKey::setNotificationKey(newKey, newGroup);
    for (appManager* region : regions) {
        region->setNotificationKey(newKey, nullptr);
    }
}

void winManager::setRect(const cocos2d::Rect& area) {
    rect = area;
    relayout();
}

appManager* winManager::getCurrentAppManager() {
    if (regions.empty()) {
        return nullptr;
    }
    activeIndex = std::max(0, std::min(activeIndex, static_cast<int>(regions.size()) - 1));
    return regions.at(activeIndex);
}

void winManager::relayout() {
    if (rect.size.width < kMinAreaSide || rect.size.height < kMinAreaSide) {
        return;
    }
    appManager* current = getCurrentAppManager();
    if (current == nullptr) {
        return;
    }
    cocos2d::Node* parent = current->getViewerMulti()->getParent();
    int cols = 1;
    int rows = 1;
    windowLayoutGrid(layout, cols, rows);
    const int wanted = cols * rows;
    while (static_cast<int>(regions.size()) > wanted) {
        const int last = static_cast<int>(regions.size()) - 1;
        if (activeIndex == last) {
            // The active region survives: its neighbour goes and it moves up.
            removeRegion(last - 1);
            activeIndex = last - 1;
        } else {
            removeRegion(last);
        }
    }
    while (static_cast<int>(regions.size()) < wanted) {
        appManager* region = addRegion();
        if (region == nullptr) {
            break;
        }
        region->getViewerMulti()->showAddSeriesButton();
        if (parent != nullptr) {
            parent->addChild(region->getViewerMulti());
        }
    }
    const float x0 = rect.origin.x;
    const float y0 = rect.origin.y;
    const float w = rect.size.width;
    const float h = rect.size.height;
    const float cw = static_cast<float>(static_cast<int>((w - kRegionGap * (cols - 1)) / cols));
    const float ch = static_cast<float>(static_cast<int>((h - kRegionGap * (rows - 1)) / rows));
    for (int i = 0; i < static_cast<int>(regions.size()); ++i) {
        const int c = i % cols;
        const int q = i / cols;
        const float x = c == cols - 1 ? x0 + w - cw : x0 + c * (cw + kRegionGap);
        const float y = q == rows - 1 ? y0 : y0 + h - q * (ch + kRegionGap) - ch;
        appManager* region = regions.at(i);
        region->setRect(cocos2d::Rect(x, y, cw, ch));
        if (isViewerMulti* multi = region->getViewerMulti()) {
            multi->setContentSize(cocos2d::Size(cw, ch));
            multi->setPosition(cocos2d::Vec2(x, y));
        }
    }
}

void winManager::onNotification(cocos2d::Ref*, unsigned posted, NSUI::NSNotificationData* data) {
    switch (posted) {
    case NOTIFY_PROTOCOL_SELECTED: {
        if (regions.empty() || data == nullptr) {
            return;
        }
        appManager* current = getCurrentAppManager();
        if (current == nullptr) {
            return;
        }
        if (screen != nullptr) {
            NSUI::NSNotificationCenter::getInstance()->postNotification(
                this, NOTIFY_PROTOCOL_SELECTED, data, screen, false);
        }
        current->applyProtocol(protocolTypeCode(data->stringValue));
        break;
    }
    case NOTIFY_ACTIVE_APPMANAGER: {
        if (data == nullptr) {
            return;
        }
        appManager* old = getCurrentAppManager();
        const int before = activeIndex;
        auto* wanted = dynamic_cast<appManager*>(data->object);
        const ssize_t found = wanted != nullptr ? regions.getIndex(wanted) : -1;
        activeIndex = found >= 0 ? static_cast<int>(found) : static_cast<int>(regions.size());
        if (activeIndex != before && old != nullptr && old->getViewerMulti() != nullptr &&
            old->getViewerMulti()->isActiveCellPlaying()) {
            old->getViewerMulti()->runCommand(NOTIFY_CINE_PLAY, nullptr);
        }
        break;
    }
    case NOTIFY_WINDOW_LAYOUT:
        if (data != nullptr) {
            layout = data->stringValue;
            relayout();
        }
        break;
    default:
        break;
    }
}

}  // namespace isImageSDK
