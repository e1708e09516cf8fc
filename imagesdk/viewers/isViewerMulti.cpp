#include "imagesdk/viewers/isViewerMulti.h"

#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorCrossLine.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerVR.h"
#include "imagesdk/vr/isActorVR.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

namespace {

const char* const kAddSeriesName = "addSeries";
const char* const kAddSeriesImage = "imageSDK/addImage.png";
constexpr int kAddSeriesZOrder = 100;
// Second data counts in the binding key in steps this large.
constexpr std::uint64_t kSecondDataFactor = 1000000;

bool isPlaneType(int viewType) {
    return viewType >= VIEW_SLICE && viewType <= VIEW_OBLIQUE;
}

bool isVolumeType(int viewType) {
    return viewType == VIEW_VR || viewType == VIEW_MIP;
}

bool isOrthogonalType(int viewType) {
    return viewType >= VIEW_AXIAL && viewType <= VIEW_CORONAL;
}

bool isLinked(KeyViewProperty* property) {
    return property->getViewer() != nullptr && property->getViewer()->linked;
}

}  // namespace

isViewerMulti* isViewerMulti::create() {
    auto* multi = new isViewerMulti();
    if (!multi->init()) {
        delete multi;
        return nullptr;
    }
    multi->autorelease();
    return multi;
}

isViewerMulti::~isViewerMulti() {
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

bool isViewerMulti::init() {
    if (!cocos2d::ui::Layout::init()) {
        return false;
    }
    _active = nullptr;
    registerObservers();
    _owner = nullptr;
    setBackGroundColorType(BackGroundColorType::SOLID);
    setBackGroundColor(cocos2d::Color3B::BLACK);
    setBackGroundColorOpacity(255);
    cocos2d::Director::getInstance()->setClearColor(cocos2d::Color4F(0.2f, 0.2f, 0.2f, 1.0f));
    return true;
}

void isViewerMulti::cleanup() {
    cocos2d::ui::Layout::cleanup();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
    releaseProperties();
}

void isViewerMulti::onEnterTransitionDidFinish() {
    cocos2d::ui::Layout::onEnterTransitionDidFinish();
}

void isViewerMulti::releaseProperties() {
    _active = nullptr;
    // Moved out first: releasing a viewer may run code that walks the map.
    std::map<std::uint64_t, cocos2d::Vector<KeyViewProperty*>> bindings;
    bindings.swap(_bindings);
    bindings.clear();
}

std::uint64_t isViewerMulti::bindingKey(isImageData* series, cocos2d::Ref* secondData) {
    std::uint64_t bindKey = series != nullptr ? series->getRefID() : 0;
    if (secondData != nullptr) {
        bindKey += kSecondDataFactor * secondData->getRefID();
    }
    return bindKey;
}

cocos2d::Node* isViewerMulti::nodeOf(isViewer* viewer) const {
    return dynamic_cast<cocos2d::Node*>(viewer);
}

isViewerBrowser* isViewerMulti::browserOf(KeyViewProperty* property) {
    return property != nullptr ? dynamic_cast<isViewerBrowser*>(property->getViewer()) : nullptr;
}

isViewerVR* isViewerMulti::volumeViewerOf(KeyViewProperty* property) {
    return property != nullptr ? dynamic_cast<isViewerVR*>(property->getViewer()) : nullptr;
}

isViewerMulti::Properties isViewerMulti::allProperties() const {
    Properties all;
    for (const auto& entry : _bindings) {
        for (KeyViewProperty* property : entry.second) {
            all.push_back(property);
        }
    }
    return all;
}

void isViewerMulti::addViewer(int viewType, bool linked, const cocos2d::Rect& rect,
                              isImageData* series) {
    if (series == nullptr) {
        return;
    }
    if (cocos2d::Node* button = getChildByName(kAddSeriesName)) {
        button->setVisible(false);
    }
    if (viewType != VIEW_SLICE) {
        series->update();
        if (!series->isVolume()) {
            return;
        }
    }
    isViewer* viewer = nullptr;
    if (isPlaneType(viewType)) {
        isViewerBrowser* browser = isViewerBrowser::create();
        if (browser == nullptr) {
            return;
        }
        browser->setNotificationKey(key, group);
        browser->setContentSize(rect.size);
        browser->setPosition(rect.origin);
        addChild(browser);
        browser->setOwner(this);
        browser->layoutTiles();
        viewer = browser;
    } else if (isVolumeType(viewType)) {
        isViewerVR* volume = isViewerVR::create();
        if (volume == nullptr) {
            return;
        }
        volume->setNotificationKey(key, group);
        volume->setContentSize(rect.size);
        volume->setPosition(rect.origin);
        addChild(volume);
        volume->setController(this);
        if (viewType == VIEW_VR) {
            volume->setVRMode();
        } else {
            volume->setMIPMode();
        }
        viewer = volume;
    } else {
        return;
    }

    KeyViewProperty* property = KeyViewProperty::create();
    property->rect = rect;
    property->setViewer(viewer);
    viewer->linked = linked;
    property->setSeries(series);
    viewer->setImageData(series);
    viewer->setSecondData(nullptr);
    viewer->setViewType(viewType);

    KeyViewProperty* partner = findPartner(property);
    if (linked && partner != nullptr) {
        syncWithPartner(property, partner, SYNC_SLICE);
    } else if (viewType >= VIEW_SLICE && viewType <= VIEW_CORONAL) {
        browserOf(property)->centerSlices();
    }
    if (_bindings.empty()) {
        _active = property;
    }
    _bindings[bindingKey(series, nullptr)].pushBack(property);
    setBackGroundColorOpacity(0);
}

void isViewerMulti::removeAllViewers() {
    NSUI::NSNotificationCenter::getInstance()->cancelPendingForOwner(this);
    for (KeyViewProperty* property : allProperties()) {
        if (cocos2d::Node* node = nodeOf(property->getViewer())) {
            node->removeFromParentAndCleanup(true);
        }
    }
    releaseProperties();
}

void isViewerMulti::setContentSize(const cocos2d::Size& size) {
    const cocos2d::Size old = getContentSize();
    struct Fractions {
        cocos2d::Node* node;
        float x, y, w, h;
    };
    std::vector<Fractions> cells;
    // Cells placed in an empty container have no proportion to keep.
    if (old.width > 0.0f && old.height > 0.0f) {
        for (KeyViewProperty* property : allProperties()) {
            cocos2d::Node* node = nodeOf(property->getViewer());
            if (node == nullptr) {
                continue;
            }
            const cocos2d::Vec2& p = node->getPosition();
            const cocos2d::Size& s = node->getContentSize();
            cells.push_back({node, p.x / old.width, p.y / old.height, s.width / old.width,
                             s.height / old.height});
        }
    }
    cocos2d::ui::Layout::setContentSize(size);
    for (const Fractions& cell : cells) {
        cell.node->setPosition(cocos2d::Vec2(cell.x * size.width, cell.y * size.height));
        cell.node->setContentSize(cocos2d::Size(cell.w * size.width, cell.h * size.height));
        if (auto* browser = dynamic_cast<isViewerBrowser*>(cell.node)) {
            browser->requestLayout();
        } else if (auto* volume = dynamic_cast<isViewerVR*>(cell.node)) {
            if (isActorManager* actors = volume->getActorManager()) {
                if (isActorCrossLine* frame = actors->getCrossLineActor()) {
                    frame->setFrameVisible(false);
                }
            }
        }
    }
    if (cocos2d::Node* button = getChildByName(kAddSeriesName)) {
        button->setPosition(cocos2d::Vec2(size.width * 0.5f, size.height * 0.5f));
    }
}

KeyViewProperty* isViewerMulti::findPartner(KeyViewProperty* property) {
    if (!isLinked(property)) {
        return nullptr;
    }
    for (KeyViewProperty* other : allProperties()) {
        if (isLinked(other) && isPlaneType(other->getViewType())) {
            return other;
        }
    }
    return nullptr;
}

void isViewerMulti::syncWithPartner(KeyViewProperty* property, KeyViewProperty* partner,
                                    int flags) {
    if (!isLinked(property)) {
        return;
    }
    isViewerBrowser* browser = browserOf(property);
    isViewerBrowser* source = browserOf(partner);
    if (browser == nullptr || source == nullptr) {
        return;
    }
    const int viewType = property->getViewType();
    if ((flags & SYNC_SLICE) != 0) {
        if (viewType == VIEW_SLICE) {
            isActorImage* actor =
                source->getTiles().empty() ? nullptr : source->getTiles().at(0)->getImageActor();
            browser->setFirstSlice(actor != nullptr ? actor->getSliceIndex() : 0);
        } else if (isOrthogonalType(viewType)) {
            if (partner->getViewType() == viewType) {
                browser->setFocalPoint(source->getFocalPoint(), source->getSliceStep());
            } else {
                browser->setFocalPoint(source->getFocalPoint());
            }
        }
    }
    if (viewType < VIEW_SLICE || viewType > VIEW_CORONAL) {
        return;
    }
    if ((flags & SYNC_CENTER) != 0) {
        browser->setCameraCenter(source->getCameraCenter());
    }
    if ((flags & SYNC_ZOOM) != 0) {
        browser->setZoom(source->getZoom());
    }
}

isViewerMulti::Properties isViewerMulti::collectLinkedViewers(KeyViewProperty* property) {
    if (!isLinked(property)) {
        return {property};
    }
    Properties found;
    for (KeyViewProperty* other : allProperties()) {
        if (other == property || isLinked(other)) {
            found.push_back(other);
        }
    }
    return found;
}

isViewerMulti::Properties isViewerMulti::collectLinkedOrthogonalViewers(KeyViewProperty* property) {
    if (!isLinked(property)) {
        return {property};
    }
    Properties found;
    for (KeyViewProperty* other : allProperties()) {
        if (isOrthogonalType(other->getViewType()) && (other == property || isLinked(other))) {
            found.push_back(other);
        }
    }
    return found;
}

isViewerMulti::Properties isViewerMulti::collectSameTypeViewers(KeyViewProperty* property) {
    if (!isLinked(property)) {
        return {property};
    }
    Properties found;
    for (KeyViewProperty* other : allProperties()) {
        if (other->getViewType() == property->getViewType() &&
            (other == property || isLinked(other))) {
            found.push_back(other);
        }
    }
    return found;
}

isViewerMulti::Properties isViewerMulti::collectSameSeriesViewers(KeyViewProperty* property,
                                                                  isImageData* series) {
    if (!isLinked(property)) {
        return {property};
    }
    Properties found;
    for (KeyViewProperty* other : allProperties()) {
        if (other->getSeries() == series && (other == property || isLinked(other))) {
            found.push_back(other);
        }
    }
    return found;
}

isViewerMulti::Properties isViewerMulti::collectSecondDataViewers(KeyViewProperty* property,
                                                                  isImageData* series) {
    Properties found;
    for (KeyViewProperty* other : allProperties()) {
        if (other->getSecondData() != nullptr && other->getSecondData() == series &&
            (other == property || isLinked(other))) {
            found.push_back(other);
        }
    }
    return found;
}

isViewerMulti::Properties isViewerMulti::collectSyncedViewersOfType(int viewType) {
    Properties found;
    for (KeyViewProperty* other : allProperties()) {
        if (other->getViewType() == viewType && isLinked(other)) {
            found.push_back(other);
        }
    }
    return found;
}

KeyViewProperty* isViewerMulti::findPropertyOfViewer(isViewer* viewer) {
    if (viewer == nullptr) {
        return nullptr;
    }
    auto found = _bindings.find(bindingKey(viewer->getImageData(), viewer->getSecondData()));
    if (found == _bindings.end()) {
        return nullptr;
    }
    for (KeyViewProperty* property : found->second) {
        if (property->getViewer() == viewer) {
            return property;
        }
    }
    return nullptr;
}

int isViewerMulti::getCurrentViewType() {
    return _active == nullptr ? VIEW_SLICE : _active->getViewType();
}

bool isViewerMulti::getCurrentViewerRect(cocos2d::Rect& out) {
    if (_active == nullptr || _active->getViewer() == nullptr ||
        _active->getViewType() > VIEW_MIP) {
        return true;
    }
    if (isViewerBrowser* browser = browserOf(_active)) {
        if (!browser->getCurrentTileRect(out)) {
            return false;
        }
    } else if (isViewerVR* volume = volumeViewerOf(_active)) {
        out = cocos2d::Rect(volume->getPosition(), volume->getContentSize());
    }
    out.origin += getPosition();
    return true;
}

void isViewerMulti::setWindowLevel(float width, float level) {
    if (_active == nullptr) {
        return;
    }
    if (browserOf(_active) != nullptr) {
        for (KeyViewProperty* property : collectSameSeriesViewers(_active, _active->getSeries())) {
            if (isViewerBrowser* browser = browserOf(property)) {
                browser->setWindowLevel(width, level);
            }
        }
    } else if (isViewerVR* volume = volumeViewerOf(_active)) {
        volume->setWindowLevel(width, level);
    }
}

bool isViewerMulti::getWindowLevel(float& width, float& level) {
    if (_active == nullptr || _active->getViewer() == nullptr ||
        _active->getViewType() > VIEW_MIP) {
        return false;
    }
    if (isViewerBrowser* browser = browserOf(_active)) {
        isActorImage* actor =
            browser->getTiles().empty() ? nullptr : browser->getTiles().at(0)->getImageActor();
        if (actor != nullptr) {
            width = actor->getWindowWidth();
            level = actor->getWindowCentre();
        }
    } else if (isViewerVR* volume = volumeViewerOf(_active)) {
        if (volume->getVRActor() != nullptr) {
            volume->getVRActor()->getWindowLevel(&width, &level);
        }
    }
    return true;
}

bool isViewerMulti::getSliceIndex(int out[2]) {
    if (_active == nullptr || _active->getViewType() < VIEW_SLICE ||
        _active->getViewType() > VIEW_CORONAL) {
        return false;
    }
    isViewerBrowser* browser = browserOf(_active);
    isActorImage* actor = browser == nullptr || browser->getTiles().empty()
                              ? nullptr
                              : browser->getTiles().at(0)->getImageActor();
    if (actor == nullptr) {
        return false;
    }
    out[0] = actor->getSliceIndex();
    out[1] = actor->getPlane() != nullptr ? actor->getNumberOfPositions() : -1;
    return true;
}

std::string isViewerMulti::getCurrentImageFile() {
    if (isViewerBrowser* browser = browserOf(_active)) {
        return browser->getCurrentImageFile();
    }
    if (isViewerVR* volume = volumeViewerOf(_active)) {
        return volume->getFilePath();
    }
    return std::string();
}

void isViewerMulti::setPhase(int n) {
    for (KeyViewProperty* property : allProperties()) {
        if (isViewerBrowser* browser = browserOf(property)) {
            for (isViewerImage* tile : browser->getTiles()) {
                if (tile->getImageActor() != nullptr) {
                    tile->getImageActor()->setPhase(n);
                }
            }
        } else if (isViewerVR* volume = volumeViewerOf(property)) {
            volume->setPhase(n);
        }
    }
}

bool isViewerMulti::isActiveCellPlaying() {
    if (isViewerBrowser* browser = browserOf(_active)) {
        return browser->isPlaying();
    }
    if (isViewerVR* volume = volumeViewerOf(_active)) {
        return volume->isSpinning();
    }
    return false;
}

void isViewerMulti::showAddSeriesButton() {
    cocos2d::ui::Button* button = cocos2d::ui::Button::create(kAddSeriesImage, "", "");
    if (button == nullptr) {
        return;
    }
    button->setName(kAddSeriesName);
    button->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
    const cocos2d::Size& size = getContentSize();
    button->setPosition(cocos2d::Vec2(size.width * 0.5f, size.height * 0.5f));
    button->setPressedActionEnabled(true);
    button->addClickEventListener([this](cocos2d::Ref* sender) { onAddSeriesClicked(sender); });
    addChild(button, kAddSeriesZOrder);
}

void isViewerMulti::onAddSeriesClicked(cocos2d::Ref* sender) {
    auto* widget = dynamic_cast<cocos2d::Node*>(sender);
    if (widget == nullptr || widget->getName() != kAddSeriesName) {
        return;
    }
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getInstance();
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->setObject(_owner);
    center->postNotification(this, NOTIFY_ACTIVE_APPMANAGER, data, nullptr, true);
    center->postNotification(this, NOTIFY_CHOOSE_PATIENT, nullptr, nullptr, false);
}

}  // namespace isImageSDK
