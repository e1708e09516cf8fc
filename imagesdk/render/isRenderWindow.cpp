#include "imagesdk/render/isRenderWindow.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/base/EventDispatcher.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isInteractorBase.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

namespace {

// Zoom drag steps and the pixel scales beyond which they stop enlarging or shrinking further.
constexpr float kZoomInStep = 1.05f;
constexpr float kZoomOutStep = 0.95f;
constexpr float kMinPixelScale = 0.1f;
constexpr float kMaxPixelScale = 10.0f;
constexpr float kTotalEpsilon = 0.001f;

std::string formatted(float value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.4f", value);
    return text;
}

std::string panJson(const cocos2d::Vec2& pan) {
    std::string json;
    NSUI::UIJson::setString(json, "x", formatted(pan.x));
    NSUI::UIJson::setString(json, "y", formatted(pan.y));
    return json;
}

void readPan(const NSUI::NSNotificationData* data, float& x, float& y) {
    const std::string json = data != nullptr ? data->stringValue : std::string();
    x = static_cast<float>(std::atof(NSUI::UIJson::getString(json, "x").c_str()));
    y = static_cast<float>(std::atof(NSUI::UIJson::getString(json, "y").c_str()));
}

// Sum of the first letters of the four edges of the plane spanned by two directions.
int edgeLetterSum(const cocos2d::Vec3& row, const cocos2d::Vec3& column, int headFeetCode,
                  int orientationCode) {
    char labels[12] = {};
    computeOrientationLabels(row, column, headFeetCode, orientationCode, labels);
    return labels[0] + labels[3] + labels[6] + labels[9];
}

}  // namespace

isRenderWindow::~isRenderWindow() {
    // A window released without cleanup: its listener calls back into it, so it goes first.
    if (_touchListener != nullptr && _eventDispatcher != nullptr) {
        _eventDispatcher->removeEventListener(_touchListener);
        _touchListener = nullptr;
    }
    if (_interactor != nullptr) {
        _interactor->cleanup();
        _interactor->release();
    }
    if (_actorManager != nullptr) {
        _actorManager->release();
    }
    if (_imageData != nullptr) {
        _imageData->release();
    }
}

bool isRenderWindow::init() {
    if (!isRenderWindowBase::init()) {
        return false;
    }
    _controller = nullptr;
    _interactor = nullptr;
    _touchListener = cocos2d::EventListenerTouchAllAtOnce::create();
    _touchListener->onTouchesBegan = [this](const std::vector<cocos2d::Touch*>& touches,
                                            cocos2d::Event* event) {
        onTouchesBegan(touches, event);
    };
    _touchListener->onTouchesMoved = [this](const std::vector<cocos2d::Touch*>& touches,
                                            cocos2d::Event* event) {
        onTouchesMoved(touches, event);
    };
    _touchListener->onTouchesEnded = [this](const std::vector<cocos2d::Touch*>& touches,
                                            cocos2d::Event* event) {
        onTouchesEnded(touches, event);
    };
    _touchListener->onTouchesCancelled = [this](const std::vector<cocos2d::Touch*>& touches,
                                                cocos2d::Event* event) {
        onTouchesCancelled(touches, event);
    };
    _eventDispatcher->addEventListenerWithFixedPriority(_touchListener, 100);
    _mousePanTotal = cocos2d::Vec2::ZERO;
    _mouseZoomTotal = 1.0f;
    setLayoutType(5);
    _actorManager = isActorManager::create();
    if (_actorManager == nullptr) {
        return false;
    }
    _actorManager->retain();
    _actorManager->releaseAll();
    _actorManager->setWindow(this);
    _actorManager->setNotificationKey(key, nullptr);
    _imageData = nullptr;
    addObservedKeys();
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getInstance();
    const auto callback = [this](cocos2d::Ref* sender, unsigned observedKey,
                                 NSUI::NSNotificationData* data) {
        notificationCallback(sender, observedKey, data);
    };
    for (int observed : _observedKeys) {
        center->addObserver(this, this, callback, observed);
    }
    // Commands that reach every render window.
    for (int everyWindow : {NOTIFY_QUICK_MAXIMIZE, NOTIFY_QUICK_FAVORITE, NOTIFY_QUICK_LINK}) {
        center->addObserver(this, nullptr, callback, everyWindow);
    }
    return true;
}

void isRenderWindow::cleanup() {
    isRenderWindowBase::cleanup();
    if (_touchListener != nullptr) {
        _eventDispatcher->removeEventListener(_touchListener);
        _touchListener = nullptr;
    }
    if (_interactor != nullptr) {
        // Gives up a gesture it owns and its reference to this window.
        _interactor->cleanup();
        _interactor->release();
        _interactor = nullptr;
    }
    removeOwnObservers();
    if (_actorManager != nullptr) {
        _actorManager->cleanup();
        _actorManager->release();
        _actorManager = nullptr;
    }
    if (_imageData != nullptr) {
        _imageData->release();
        _imageData = nullptr;
    }
}

void isRenderWindow::forgetLinks() {
    isRenderWindowBase::forgetLinks();
    _actorManager = nullptr;
    _imageData = nullptr;
    _controller = nullptr;
}

void isRenderWindow::setNotificationKey(unsigned newKey, void* newGroup) {
    NSNotificationKey::setNotificationKey(newKey, newGroup);
    if (_actorManager != nullptr) {
        _actorManager->setNotificationKey(newKey, nullptr);
    }
}

void isRenderWindow::setController(cocos2d::Ref* controller) {
    _controller = controller;
}

void isRenderWindow::setInteractor(isInteractorBase* interactor) {
    if (interactor == _interactor) {
        return;
    }
    if (interactor != nullptr) {
        interactor->retain();
        interactor->setRenderWindow(this);
    }
    if (_interactor != nullptr) {
        _interactor->cleanup();
        _interactor->release();
    }
    _interactor = interactor;
}

void isRenderWindow::onImageDataChanged() {}

void isRenderWindow::addObservedKeys() {}

bool isRenderWindow::isVolumeWindow() const {
    return false;
}

void isRenderWindow::notificationCallback(cocos2d::Ref* sender, unsigned observedKey,
                                          NSUI::NSNotificationData* data) {
    onNotification(static_cast<int>(observedKey), data, sender);
}

void isRenderWindow::setImageData(isImageData* data) {
    if (data == _imageData) {
        return;
    }
    if (data != nullptr) {
        data->retain();
    }
    if (_imageData != nullptr) {
        _imageData->release();
    }
    _imageData = data;
    if (_actorManager != nullptr) {
        _actorManager->releaseAll();
        // The measurements of the new data come back with its name.
        if (data != nullptr) {
            if (isActorROI* rois = _actorManager->getROIActor()) {
                rois->setDataName(data->getDataName());
            }
        }
    }
    onImageDataChanged();
    onViewChanged();
}

void isRenderWindow::setVisible(bool visible) {
    isRenderWindowBase::setVisible(visible);
    if (_actorManager != nullptr) {
        if (isActorOverlay* overlay = _actorManager->getOverlayActor()) {
            overlay->setVisible(visible);
        }
    }
}

void isRenderWindow::setContentSize(const cocos2d::Size& size) {
    const cocos2d::Size previous = getContentSize();
    isRenderWindowBase::setContentSize(size);
    if (_ready && (previous.width != size.width || previous.height != size.height)) {
        postCameraChanged();
    }
}

void isRenderWindow::onViewChanged() {
    if (_imageData == nullptr) {
        return;
    }
    const isCameraState state = getCameraState();
    char labels[12] = {};
    computeOrientationLabels(state.right(), -state.up(), _imageData->headFeetCode,
                             _imageData->orientationCode, labels);
    std::string json;
    const char* const edges[4] = {"t", "r", "b", "l"};
    for (int edge = 0; edge < 4; ++edge) {
        const char letter[2] = {labels[edge * 3], '\0'};
        NSUI::UIJson::setString(json, edges[edge], letter);
    }
    NSUI::NSNotificationCenter::getInstance()->postString(this, NOTIFY_OVERLAY_CORNERS, json, this,
                                                          true);
}

int isRenderWindow::getSliceAxis(int plane) {
    if (_imageData == nullptr) {
        return 0;
    }
    static const int kPlaneSums[3] = {'L' + 'R' + 'A' + 'P', 'A' + 'P' + 'S' + 'I',
                                      'L' + 'R' + 'S' + 'I'};
    if (plane < 0 || plane > 2) {
        return 0;
    }
    _imageData->update();
    const cocos2d::Mat4& m = _imageData->worldMatrix;
    const cocos2d::Vec3 columns[3] = {cocos2d::Vec3(m.m[0], m.m[1], m.m[2]),
                                      cocos2d::Vec3(m.m[4], m.m[5], m.m[6]),
                                      cocos2d::Vec3(m.m[8], m.m[9], m.m[10])};
    const int pairs[3][2] = {{0, 1}, {1, 2}, {0, 2}};
    for (int axis = 0; axis < 3; ++axis) {
        if (edgeLetterSum(columns[pairs[axis][0]], columns[pairs[axis][1]],
                          _imageData->headFeetCode,
                          _imageData->orientationCode) == kPlaneSums[plane]) {
            return axis;
        }
    }
    return 0;
}

void isRenderWindow::relay(int relayedKey, NSUI::NSNotificationData* data) {
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, relayedKey, data, _controller,
                                                                true);
}

void isRenderWindow::onNotification(int command, NSUI::NSNotificationData* data,
                                    cocos2d::Ref* sender) {
    const bool fromController = _controller != nullptr && sender == _controller;
    switch (command) {
    case NOTIFY_VIEW_SYNC_9021:
        if (_controller == nullptr || fromController) {
            postCameraChanged();
        } else {
            NSUI::NSNotificationCenter::getInstance()->postNotification(this, command, data,
                                                                        _controller, false);
        }
        break;
    case NOTIFY_SYNC_POSITION: {
        float x = 0.0f;
        float y = 0.0f;
        readPan(data, x, y);
        panBy(x, y);
        break;
    }
    case NOTIFY_SYNC_ZOOM:
    case NOTIFY_SYNC_ZOOM_ALT:
        if (data != nullptr) {
            zoomBy(data->floatValue);
        }
        break;
    case NOTIFY_SYNC_PAN:
        if (_controller == nullptr) {
            break;
        }
        if (!fromController) {
            relay(command, data);
        } else {
            float x = 0.0f;
            float y = 0.0f;
            readPan(data, x, y);
            panBy(x, y);
        }
        break;
    case NOTIFY_SYNC_FOCAL_ZOOM:
        if (_controller == nullptr) {
            break;
        }
        if (!fromController) {
            relay(command, data);
        } else if (data != nullptr) {
            zoomBy(data->floatValue);
        }
        break;
    case NOTIFY_VIEW_ACTIVATED:
        if (_controller != nullptr) {
            relay(command, data);
        }
        break;
    default:
        break;
    }
}

bool isRenderWindow::onMouseScroll(float, float, float scrollY) {
    if (scrollY < 0.0f) {
        onNotification(NOTIFY_WHEEL_UP, nullptr, this);
    } else if (scrollY > 0.0f) {
        onNotification(NOTIFY_WHEEL_DOWN, nullptr, this);
    }
    return true;
}

bool isRenderWindow::onMouseDown(float, float) {
    _mouseZoomTotal = 1.0f;
    return true;
}

bool isRenderWindow::onMouseMove(float x, float y) {
    const cocos2d::Vec2 d = cocos2d::Vec2(x, y) - previousMousePoint;
    if (rightButtonDown) {
        if (std::fabs(d.y) > std::fabs(d.x)) {
            const float factor = d.y > 0.0f ? kZoomInStep : kZoomOutStep;
            const float scale = getPixelScale();
            const bool pastLimit = (scale < kMinPixelScale && factor < 1.0f) ||
                                   (scale > kMaxPixelScale && factor > 1.0f);
            if (!pastLimit) {
                _mouseZoomTotal *= factor;
                NSUI::NSNotificationData* step = NSUI::NSNotificationData::create();
                step->floatValue = factor;
                step->intValue = 1;
                onNotification(NOTIFY_SYNC_ZOOM, step, this);
            }
        }
        return true;
    }
    if (middleButtonDown) {
        _mousePanTotal.x -= d.x;
        _mousePanTotal.y += d.y;
        NSUI::NSNotificationData* step = NSUI::NSNotificationData::create();
        step->stringValue = panJson(cocos2d::Vec2(-d.x, d.y));
        onNotification(NOTIFY_SYNC_POSITION, step, this);
        return true;
    }
    return false;
}

bool isRenderWindow::onMouseUp(float, float) {
    bool handled = false;
    if (rightButtonDown) {
        if (std::fabs(_mouseZoomTotal - 1.0f) > kTotalEpsilon) {
            NSUI::NSNotificationData* total = NSUI::NSNotificationData::create();
            total->floatValue = _mouseZoomTotal;
            onNotification(NOTIFY_SYNC_FOCAL_ZOOM, total, this);
        }
        onNotification(NOTIFY_VIEW_ACTIVATED, nullptr, nullptr);
        handled = true;
    } else if (middleButtonDown) {
        if (std::fabs(_mousePanTotal.x) > kTotalEpsilon ||
            std::fabs(_mousePanTotal.y) > kTotalEpsilon) {
            NSUI::NSNotificationData* total = NSUI::NSNotificationData::create();
            total->stringValue = panJson(_mousePanTotal);
            onNotification(NOTIFY_SYNC_PAN, total, this);
        }
        onNotification(NOTIFY_VIEW_ACTIVATED, nullptr, nullptr);
        handled = true;
    }
    _mousePanTotal = cocos2d::Vec2::ZERO;
    _mouseZoomTotal = 1.0f;
    return handled;
}

bool isRenderWindow::isChainVisible() const {
    for (const cocos2d::Node* node = this; node != nullptr; node = node->getParent()) {
        if (!node->isVisible()) {
            return false;
        }
    }
    return true;
}

void isRenderWindow::onTouchesBegan(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event*) {
    if (_interactor != nullptr && isChainVisible()) {
        _interactor->touchesBegan(touches);
    }
}

void isRenderWindow::onTouchesMoved(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event*) {
    if (_interactor != nullptr && isChainVisible()) {
        _interactor->touchesMoved(touches);
    }
}

void isRenderWindow::onTouchesEnded(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event*) {
    if (_interactor != nullptr) {
        _interactor->touchesEnded(touches);
    }
}

void isRenderWindow::onTouchesCancelled(const std::vector<cocos2d::Touch*>& touches,
                                        cocos2d::Event*) {
    if (_interactor != nullptr) {
        _interactor->touchesCancelled(touches);
    }
}

}  // namespace isImageSDK
