#include "imagesdk/viewers/isViewerBrowser.h"

#include <cmath>
#include <cstdio>

#include "engine/base/Director.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorROIBase.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/widgets/UIControlBase.h"

namespace isImageSDK {

namespace {

constexpr float kCineTickSeconds = 0.005f;
constexpr float kCineFirstDelay = 0.1f;
constexpr float kTileGap = 2.0f;
constexpr float kRefusalSeconds = 2.0f;
// Rounds a grid that nearly fits up to the next tile.
constexpr float kAutoGridSlack = 0.2f;
constexpr float kAutoGridShrink = 0.9f;

const int kObservedKeys[] = {
    NOTIFY_WHEEL_UP,       NOTIFY_WHEEL_DOWN,    NOTIFY_SLAB_MODE,
    NOTIFY_SLAB_ORIGINAL,  NOTIFY_ROTATE_VIEW,   NOTIFY_VIEW_AXIAL,
    NOTIFY_VIEW_SAGITTAL,  NOTIFY_VIEW_CORONAL,  NOTIFY_VIEW_SYNC_9021,
    NOTIFY_GRID_1X1,       NOTIFY_GRID_1X2,      NOTIFY_GRID_2X1,
    NOTIFY_GRID_2X2,       NOTIFY_WW_DEFAULT,    NOTIFY_EDIT_WW_OPEN,
    NOTIFY_OPACITY_LINEAR, NOTIFY_OPACITY_LOG10, NOTIFY_OPACITY_LOG10_INVERSE,
    NOTIFY_WW_PRESET,      NOTIFY_CLUT_SET,      NOTIFY_WW_BY_MOUSE,
    NOTIFY_TOOL_ZOOM,      NOTIFY_TOOL_MOVE,     NOTIFY_ROI_LINE,
    NOTIFY_ROI_POINT,      NOTIFY_ROI_ANGLE,     NOTIFY_ROI_CIRCLE,
    NOTIFY_ROI_POLYGON,    NOTIFY_ROI_LABEL,     NOTIFY_ROI_SELECT,
    NOTIFY_SYNC_POSITION,  NOTIFY_SYNC_ZOOM,     NOTIFY_SYNC_ZOOM_ALT,
    NOTIFY_INTERACT_9076,  NOTIFY_INTERACT_9077, NOTIFY_INTERACT_9078,
    NOTIFY_CINE_SPEED,     NOTIFY_SYNC_PAN,      NOTIFY_SYNC_FOCAL_ZOOM,
    NOTIFY_INTERACT_9082,  NOTIFY_INTERACT_9083, NOTIFY_VIEW_CMD_9100,
    NOTIFY_VIEW_ACTIVATED, NOTIFY_QUICK_LINK,
};

isViewer* asViewer(isViewerImage* tile) {
    return tile;
}

}  // namespace

const char* const isViewerBrowser::kMaximizedRefusal = "Go back to the normal size firstly";

isViewerBrowser::~isViewerBrowser() = default;

bool isViewerBrowser::init() {
    if (!cocos2d::Node::init()) {
        return false;
    }
    _playing = false;
    _firstSlice = 0;
    _tickCounter = 0;
    _cineInterval = kDefaultCineInterval;
    setAnchorPoint(cocos2d::Vec2::ZERO);
    _owner = nullptr;
    isViewerImage* tile = makeTile();
    if (tile == nullptr) {
        return false;
    }
    _rows = 1;
    _cols = 1;
    _currentTile = tile;
    registerObservers();
    return true;
}

isViewerImage* isViewerBrowser::makeTile() {
    isViewerImage* tile = isViewerImage::create();
    if (tile == nullptr) {
        return nullptr;
    }
    addChild(tile);
    tile->setNotificationKey(key, group);
    tile->setController(this);
    _tiles.pushBack(tile);
    return tile;
}

void isViewerBrowser::registerObservers() {
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

void isViewerBrowser::cleanup() {
    cocos2d::Node::cleanup();
    unschedule(cineKey());
    _playing = false;
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
    _currentTile = nullptr;
    _tiles.clear();
}

void isViewerBrowser::visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
                            uint32_t parentFlags) {
    if (_needsLayout) {
        cocos2d::Node::setVisible(true);
        layoutTiles();
        _needsLayout = false;
        return;
    }
    cocos2d::Node::visit(renderer, parentTransform, parentFlags);
}

void isViewerBrowser::setNotificationKey(unsigned newKey, void* newGroup) {
    NSUI::NSNotificationKey::setNotificationKey(newKey, newGroup);
    for (isViewerImage* tile : _tiles) {
        tile->setNotificationKey(newKey, newGroup);
    }
}

void isViewerBrowser::setViewType(int viewType) {
    if (viewType == type) {
        return;
    }
    for (isViewerImage* tile : _tiles) {
        asViewer(tile)->setViewType(viewType);
    }
    type = viewType;
}

void isViewerBrowser::retainViewer() {
    retain();
}

void isViewerBrowser::releaseViewer() {
    release();
}

void isViewerBrowser::setImageData(isImageData* data) {
    for (isViewerImage* tile : _tiles) {
        asViewer(tile)->setImageData(data);
    }
    if (data == nullptr) {
        return;
    }
    data->update();
    if (data->getNumberOfSlices() == 1) {
        updatePageButtons();
    }
}

isImageData* isViewerBrowser::getImageData() {
    return _tiles.empty() ? nullptr : asViewer(_tiles.at(0))->getImageData();
}

void isViewerBrowser::setViewerVisible(bool visible) {
    cocos2d::Node::setVisible(visible);
}

void isViewerBrowser::notificationCallback(cocos2d::Ref* sender, unsigned posted,
                                           NSUI::NSNotificationData* data) {
    onNotification(static_cast<int>(posted), data, sender);
}

void isViewerBrowser::forEachTile(int command, NSUI::NSNotificationData* data) {
    // A tile's handler may change the grid (never in practice, but the vector must not move
    // under the walk).
    const cocos2d::Vector<isViewerImage*> tiles = _tiles;
    for (isViewerImage* tile : tiles) {
        tile->onNotification(command, data, this);
    }
}

void isViewerBrowser::postToOwner(int command, NSUI::NSNotificationData* data, bool nextPass) {
    if (_owner == nullptr) {
        return;
    }
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, command, data, _owner,
                                                                nextPass);
}

bool isViewerBrowser::refuseWhileMaximized() {
    if (!isAnyTileMaximized()) {
        return false;
    }
    showMessageBox(kMaximizedRefusal, kRefusalSeconds);
    return true;
}

void isViewerBrowser::onNotification(int command, NSUI::NSNotificationData* data,
                                     cocos2d::Ref* sender) {
    const bool fromBelow = _owner != nullptr && sender != _owner;
    auto* senderTile = dynamic_cast<isViewerImage*>(sender);
    switch (command) {
    case NOTIFY_SYNC_PAN:
    case NOTIFY_SYNC_FOCAL_ZOOM:
    case NOTIFY_INTERACT_9082:
    case NOTIFY_VIEW_CMD_9100:
    case NOTIFY_VIEW_ACTIVATED:
        if (_owner == nullptr && sender != nullptr) {
            return;
        }
        break;
    default:
        break;
    }

    switch (command) {
    case NOTIFY_WHEEL_UP:
    case NOTIFY_WHEEL_DOWN:
        if (fromBelow) {
            // The tile's relay already waited one pass; the owner takes the notch in this one,
            // so a wheel step is drawn in the frame after the wheel moved.
            postToOwner(command, data, true);
            NSUI::NSNotificationCenter::getInstance()->deliverPendingTo(_owner, command);
        } else {
            forEachTile(command, data);
            if (!_tiles.empty() && _tiles.at(0)->getImageActor() != nullptr) {
                _firstSlice = _tiles.at(0)->getImageActor()->getSliceIndex();
            }
        }
        break;
    case NOTIFY_PHASE_SET:
        if (data != nullptr) {
            _firstSlice = data->intValue;
            showPage();
        }
        break;
    case NOTIFY_SLAB_MODE:
    case NOTIFY_SLAB_ORIGINAL:
    case NOTIFY_OPACITY_LINEAR:
    case NOTIFY_OPACITY_LOG10:
    case NOTIFY_OPACITY_LOG10_INVERSE:
    case NOTIFY_VIEW_CMD_9035:
    case NOTIFY_CLUT_SET:
    case NOTIFY_DOCUMENT_BUTTON:
    case NOTIFY_ROI_REMOVE:
    case NOTIFY_INTERACT_9083:
        forEachTile(command, data);
        break;
    case NOTIFY_VIEW_AXIAL:
    case NOTIFY_VIEW_SAGITTAL:
    case NOTIFY_VIEW_CORONAL:
    case NOTIFY_VIEW_SYNC_9021:
    case NOTIFY_WW_DEFAULT:
    case NOTIFY_WW_PRESET:
    case NOTIFY_TOOL_SELECT:
    case NOTIFY_WW_BY_MOUSE:
    case NOTIFY_TOOL_ZOOM:
    case NOTIFY_TOOL_MOVE:
    case NOTIFY_TOOL_ROTATE:
    case NOTIFY_ROI_LINE:
    case NOTIFY_ROI_POINT:
    case NOTIFY_ROI_ANGLE:
    case NOTIFY_ROI_CIRCLE:
    case NOTIFY_ROI_POLYGON:
    case NOTIFY_ROI_LABEL:
    case NOTIFY_ROI_SELECT:
        if (fromBelow) {
            postToOwner(command, data, false);
        } else {
            forEachTile(command, data);
        }
        break;
    case NOTIFY_GRID_1X1:
    case NOTIFY_GRID_1X2:
    case NOTIFY_GRID_2X1:
    case NOTIFY_GRID_2X2: {
        if (refuseWhileMaximized()) {
            break;
        }
        static const int kGrids[4][2] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};
        const int* grid = kGrids[command - NOTIFY_GRID_1X1];
        setGrid(grid[0], grid[1]);
        break;
    }
    case NOTIFY_GRID_AUTO:
        if (!refuseWhileMaximized()) {
            computeAutoGrid();
        }
        break;
    case NOTIFY_EDIT_WW_OPEN:
        postToOwner(command, data, false);
        break;
    case NOTIFY_INTERACT_9078:
        postToOwner(command, data, true);
        break;
    case NOTIFY_FLIP_X:
    case NOTIFY_FLIP_Y:
    case NOTIFY_FLIP_ROTATE:
        if (type == VIEW_SLICE) {
            if (_currentTile != nullptr) {
                _currentTile->onNotification(command, data, this);
            }
        } else {
            forEachTile(command, data);
        }
        break;
    case NOTIFY_CINE_PLAY:
        toggleCine();
        break;
    case NOTIFY_CINE_PRIOR:
        if (_playing) {
            changeCineSpeed(false);
        } else {
            stepFirstSlice(-1);
        }
        break;
    case NOTIFY_CINE_NEXT:
        if (_playing) {
            changeCineSpeed(true);
        } else {
            stepFirstSlice(1);
        }
        break;
    case NOTIFY_SYNC_POSITION:
    case NOTIFY_SYNC_ZOOM:
    case NOTIFY_SYNC_ZOOM_ALT:
    case NOTIFY_INTERACT_9076:
        if (senderTile != nullptr) {
            senderTile->onNotification(command, data, this);
        }
        break;
    case NOTIFY_INTERACT_9077: {
        if (_playing || data == nullptr) {
            break;
        }
        const int steps = data->intValue;
        const int count = getSliceCount();
        const int before = _firstSlice;
        if (steps < 0 && canStepForward()) {
            _firstSlice = std::min(_firstSlice - steps, count - 1);
        } else if (steps > 0 && canStepBackward()) {
            _firstSlice = std::max(_firstSlice - steps, 0);
        }
        if (_firstSlice != before) {
            showPage();
        }
        break;
    }
    case NOTIFY_CINE_SPEED:
        if (data != nullptr) {
            changeCineSpeed(data->intValue > 0);
        }
        break;
    case NOTIFY_SYNC_PAN:
    case NOTIFY_SYNC_FOCAL_ZOOM:
        if (fromBelow) {
            const cocos2d::Vector<isViewerImage*> tiles = _tiles;
            for (isViewerImage* tile : tiles) {
                if (tile != sender && tile->type != VIEW_SLICE) {
                    tile->onNotification(command, data, this);
                }
            }
            if (command == NOTIFY_SYNC_FOCAL_ZOOM && data != nullptr) {
                setInt(data->stringValue, "validFocal", 0);
                postToOwner(command, data, false);
            }
        } else {
            forEachTile(command, data);
        }
        break;
    case NOTIFY_INTERACT_9082:
        if (fromBelow) {
            const cocos2d::Vector<isViewerImage*> tiles = _tiles;
            for (isViewerImage* tile : tiles) {
                if (tile != sender) {
                    tile->onNotification(command, data, this);
                }
            }
            postToOwner(command, data, false);
        } else {
            forEachTile(command, data);
        }
        break;
    case NOTIFY_VIEW_CMD_9100:
        if (fromBelow) {
            const cocos2d::Vector<isViewerImage*> tiles = _tiles;
            for (isViewerImage* tile : tiles) {
                if (tile != _currentTile) {
                    tile->onNotification(NOTIFY_TILE_CMD_9101, data, this);
                }
            }
            postToOwner(command, data, true);
        } else if (data != nullptr) {
            const std::string& text = data->stringValue;
            setFocalPoint(cocos2d::Vec3(getFloat(text, "x", 0.0f), getFloat(text, "y", 0.0f),
                                        getFloat(text, "z", 0.0f)));
        }
        break;
    case NOTIFY_VIEW_ACTIVATED:
        if (fromBelow) {
            if (senderTile != nullptr && senderTile != _currentTile) {
                setActiveMark(_currentTile, false);
                _currentTile = senderTile;
                setActiveMark(_currentTile, true);
            }
            postToOwner(command, data, true);
        } else {
            setActiveMark(_currentTile, false);
            stopCine();
        }
        break;
    case NOTIFY_QUICK_LINK:
        if (data != nullptr && data->key == key) {
            linked = data->intValue > 0;
        }
        break;
    default:
        break;
    }
}

void isViewerBrowser::setActiveMark(isViewerImage* tile, bool on) {
    if (tile == nullptr) {
        return;
    }
    tile->setFrameShown(on);
    tile->setCrossLineVisible(on);
}

void isViewerBrowser::setGrid(int rows, int cols) {
    if (rows == _rows && cols == _cols) {
        return;
    }
    if (_currentTile != nullptr) {
        _currentTile->setCrossLineVisible(false);
    }
    _rows = std::max(rows, 1);
    _cols = std::max(cols, 1);
    const int wanted = _rows * _cols;
    while (static_cast<int>(_tiles.size()) > wanted) {
        isViewerImage* last = _tiles.back();
        if (last == _currentTile) {
            _currentTile = nullptr;
        }
        last->removeFromParentAndCleanup(true);
        _tiles.popBack();
    }
    if (_currentTile == nullptr && !_tiles.empty()) {
        _currentTile = _tiles.back();
    }
    const int oldCount = static_cast<int>(_tiles.size());
    isViewerImage* first = _tiles.empty() ? nullptr : _tiles.at(0);
    while (static_cast<int>(_tiles.size()) < wanted) {
        isViewerImage* tile = makeTile();
        if (tile == nullptr) {
            break;
        }
        if (first == nullptr) {
            continue;
        }
        asViewer(tile)->setImageData(asViewer(first)->getImageData());
        asViewer(tile)->setViewType(first->type);
        isActorImage* source = first->getImageActor();
        if (source != nullptr && tile->getImageActor() != nullptr) {
            tile->getImageActor()->setWindowLevel(source->getWindowWidth(),
                                                  source->getWindowCentre());
            unsigned char table[768];
            getClut(table);
            tile->setColorTable(table);
        }
        const int j = static_cast<int>(_tiles.size()) - 1 - oldCount;
        const int firstIndex = source != nullptr ? source->getSliceIndex() : 0;
        tile->setSliceIndex(firstIndex + oldCount + j, false);
    }
    requestLayout();
}

void isViewerBrowser::computeAutoGrid() {
    if (_tiles.empty() || _tiles.at(0)->getImageActor() == nullptr) {
        return;
    }
    cocos2d::Size natural;
    if (!_tiles.at(0)->getImageSize(natural) || natural.width <= 0.0f || natural.height <= 0.0f) {
        return;
    }
    const cocos2d::Size& size = getContentSize();
    const int cols0 = static_cast<int>(size.width / natural.width + kAutoGridSlack);
    const int rows0 = static_cast<int>(size.height / natural.height + kAutoGridSlack);
    int cols = std::max(cols0, 1);
    int rows = std::max(rows0, 1);
    float g = 1.0f;
    while (rows * cols > kMaxAutoTiles) {
        g *= kAutoGridShrink;
        rows = static_cast<int>(rows0 * g);
        cols = static_cast<int>(cols0 * g);
    }
    setGrid(std::max(rows, 1), std::max(cols, 1));
}

void isViewerBrowser::requestLayout() {
    _needsLayout = true;
    cocos2d::Node::setVisible(false);
    if (cocos2d::Node* root = getChildByName("root")) {
        root->setContentSize(getContentSize());
    }
}

void isViewerBrowser::layoutTiles() {
    const cocos2d::Size& size = getContentSize();
    if (static_cast<int>(size.width) < 1 || static_cast<int>(size.height) < 1) {
        return;
    }
    const float w = size.width;
    const float h = size.height;
    const float tw = _cols > 1 ? (w - kTileGap * (_cols - 1)) / _cols : w;
    const float th = _rows > 1 ? (h - kTileGap * (_rows - 1)) / _rows : h;
    for (int k = 0; k < static_cast<int>(_tiles.size()); ++k) {
        isViewerImage* tile = _tiles.at(k);
        const int c = k % _cols;
        const int q = k / _cols;
        const float x = c == _cols - 1 ? w - tw : c * (tw + kTileGap);
        const float y = q == _rows - 1 ? 0.0f : (_rows - q - 1) * (th + kTileGap);
        tile->setAnchorPoint(cocos2d::Vec2::ZERO);
        tile->setPosition(cocos2d::Vec2(x, y));
        tile->setContentSize(cocos2d::Size(tw, th));
        tile->updateOverlayTexts(true);
    }
    if (_currentTile != nullptr) {
        _currentTile->setCrossLineVisible(false);
    }
}

void isViewerBrowser::setWindowLevel(float width, float level) {
    for (isViewerImage* tile : _tiles) {
        isActorImage* actor = tile->getImageActor();
        if (actor != nullptr) {
            actor->setWindowLevel(width, level);
        }
    }
}

void isViewerBrowser::getClut(unsigned char out[768]) {
    if (_tiles.empty() || _tiles.at(0)->getImageActor() == nullptr) {
        return;
    }
    isClut* clut = _tiles.at(0)->getImageActor()->getClut();
    if (clut != nullptr && clut->palette != nullptr) {
        clut->getPaletteRGB(out);
    }
}

float isViewerBrowser::getZoom() {
    return _tiles.empty() ? 1.0f : _tiles.at(0)->getPixelScale();
}

void isViewerBrowser::setZoom(float zoom) {
    for (isViewerImage* tile : _tiles) {
        tile->setViewScale(zoom);
    }
}

cocos2d::Vec3 isViewerBrowser::getCameraCenter() {
    return _tiles.empty() ? cocos2d::Vec3::ZERO : _tiles.at(0)->getCameraCenter();
}

void isViewerBrowser::setCameraCenter(const cocos2d::Vec3& center) {
    for (isViewerImage* tile : _tiles) {
        tile->setCameraCenter(center);
    }
}

cocos2d::Vec3 isViewerBrowser::getFocalPoint() {
    if (_currentTile == nullptr || _currentTile->getImageActor() == nullptr) {
        return cocos2d::Vec3::ZERO;
    }
    const cocos2d::Mat4& plane = _currentTile->getSlicePlane();
    return cocos2d::Vec3(plane.m[12], plane.m[13], plane.m[14]);
}

cocos2d::Vec3 isViewerBrowser::getSliceStep() {
    cocos2d::Vec3 step;
    if (!_tiles.empty()) {
        _tiles.at(0)->getSliceStep(step);
    }
    return step;
}

void isViewerBrowser::setFocalPoint(const cocos2d::Vec3& p) {
    setFocalPoint(p, getSliceStep());
}

void isViewerBrowser::setFocalPoint(const cocos2d::Vec3& p, const cocos2d::Vec3& s) {
    if (_currentTile == nullptr) {
        return;
    }
    const int k = static_cast<int>(_tiles.getIndex(_currentTile));
    cocos2d::Vec3 q = p - s * static_cast<float>(k);
    for (isViewerImage* tile : _tiles) {
        tile->focusOnPoint(q);
        q += s;
    }
    _currentTile->setCrossLineVisible(true);
    isActorImage* first = _tiles.at(0)->getImageActor();
    if (first != nullptr) {
        _firstSlice = first->getSliceIndex();
    }
}

void isViewerBrowser::centerSlices() {
    const int n = getSliceCount();
    const int t = _rows * _cols;
    if (n <= 0) {
        return;
    }
    _firstSlice = 2 * t < n ? static_cast<int>((n - t) * 0.5f) : 0;
    for (int i = 0; i < static_cast<int>(_tiles.size()); ++i) {
        _tiles.at(i)->setSliceIndex(_firstSlice + i, false);
    }
}

void isViewerBrowser::setFirstSlice(int index) {
    _firstSlice = index;
    for (int k = 0; k < static_cast<int>(_tiles.size()); ++k) {
        _tiles.at(k)->setSliceIndex(index + k, false);
    }
}

int isViewerBrowser::getSliceCount() {
    return _tiles.empty() ? 0 : _tiles.at(0)->getSliceCount();
}

bool isViewerBrowser::canStepForward() {
    if (_tiles.empty() || _tiles.at(0)->getImageActor() == nullptr) {
        return false;
    }
    const int index = _tiles.at(0)->getImageActor()->getSliceIndex();
    return index >= 0 && index < getSliceCount() - 1;
}

bool isViewerBrowser::canStepBackward() {
    if (_tiles.empty() || _tiles.at(0)->getImageActor() == nullptr) {
        return false;
    }
    const int index = _tiles.at(0)->getImageActor()->getSliceIndex();
    return index > 0 && index <= getSliceCount() - 1;
}

void isViewerBrowser::showPage() {
    for (int k = 0; k < static_cast<int>(_tiles.size()); ++k) {
        _tiles.at(k)->setSliceIndex(_firstSlice + k, false);
    }
    if (_owner != nullptr) {
        NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_BROWSER_PAGE,
                                                                    nullptr, _owner, false);
    }
}

void isViewerBrowser::stepFirstSlice(int delta) {
    const int count = getSliceCount();
    _firstSlice += delta;
    if (_firstSlice < 0) {
        _firstSlice = count - 1;
    } else if (_firstSlice >= count) {
        _firstSlice = 0;
    }
    showPage();
}

int isViewerBrowser::changeCineSpeed(bool faster) {
    _tickCounter = 0;
    if (faster) {
        _cineInterval = std::max(_cineInterval - kCineIntervalStep, kMinCineInterval);
    } else {
        _cineInterval = std::min(_cineInterval + kCineIntervalStep, kMaxCineInterval);
    }
    return _cineInterval;
}

std::string isViewerBrowser::cineKey() const {
    char text[48];
    std::snprintf(text, sizeof(text), "browser:%llu", static_cast<unsigned long long>(getRefID()));
    return text;
}

void isViewerBrowser::toggleCine() {
    if (_playing) {
        _playing = false;
        unschedule(cineKey());
        forEachTile(NOTIFY_TOOL_SELECT, nullptr);
    } else {
        isImageData* data = getImageData();
        if (data != nullptr) {
            data->update();
            if (data->getNumberOfSlices() > 1) {
                _playing = true;
                isActorImage* first = _tiles.at(0)->getImageActor();
                _firstSlice = first != nullptr ? first->getSliceIndex() : _firstSlice;
                _tickCounter = 0;
                schedule([this](float dt) { cineTick(dt); }, kCineTickSeconds, CC_REPEAT_FOREVER,
                         kCineFirstDelay, cineKey());
                forEachTile(NOTIFY_TILE_CMD_9045, nullptr);
            }
        }
    }
    NSUI::NSNotificationCenter::getInstance()->postInt(this, NOTIFY_CINE_PLAYING, _playing ? 1 : 0,
                                                       _owner, true);
}

void isViewerBrowser::cineTick(float) {
    if (!_playing) {
        return;
    }
    const int n = getSliceCount();
    if (getImageData() != nullptr && n > 1 && _tickCounter != 0 &&
        _tickCounter % _cineInterval == 0) {
        const unsigned int frame = cocos2d::Director::getInstance()->getTotalFrames();
        if (frame != _lastStepFrame) {
            _lastStepFrame = frame;
            _firstSlice = _firstSlice + 1 >= n ? 0 : _firstSlice + 1;
            showPage();
        }
    }
    ++_tickCounter;
}

void isViewerBrowser::stopCine() {
    // The page stays where the tiles are: the next step pages on from there, not from the top.
    if (!_tiles.empty() && _tiles.at(0)->getImageActor() != nullptr) {
        _firstSlice = _tiles.at(0)->getImageActor()->getSliceIndex();
    }
    if (!_playing) {
        return;
    }
    _playing = false;
    unschedule(cineKey());
    NSUI::NSNotificationCenter::getInstance()->postInt(this, NOTIFY_CINE_PLAYING, 0, _owner, true);
}

bool isViewerBrowser::isAnyTileMaximized() {
    for (isViewerImage* tile : _tiles) {
        if (tile->isMaximized()) {
            return true;
        }
    }
    return false;
}

bool isViewerBrowser::hasSelectedROI() {
    if (_currentTile == nullptr) {
        return false;
    }
    auto* interactor = dynamic_cast<isInteractorImage*>(_currentTile->getInteractor());
    return interactor != nullptr && interactor->getSelectedROI() != nullptr &&
           interactor->getSelectedROI()->getRefID() != 0;
}

bool isViewerBrowser::getCurrentTileRect(cocos2d::Rect& out) {
    if (_currentTile == nullptr) {
        return false;
    }
    const cocos2d::Vec2 origin = _currentTile->getPosition() + getPosition();
    out = cocos2d::Rect(origin, _currentTile->getContentSize());
    return true;
}

std::string isViewerBrowser::getCurrentImageFile() {
    if (_currentTile != nullptr) {
        return _currentTile->getFilePath();
    }
    return _tiles.empty() ? std::string() : _tiles.at(0)->getFilePath();
}

void isViewerBrowser::updatePageButtons() {
    for (const char* name : {"btnNext", "btnPrior"}) {
        if (cocos2d::Node* button = getChildByNameDeep(name)) {
            button->setVisible(false);
        }
    }
}

}  // namespace isImageSDK
