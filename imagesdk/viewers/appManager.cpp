#include "imagesdk/viewers/appManager.h"

#include <algorithm>

#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "imagesdk/viewers/viewTypeOfSlice.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

namespace {

constexpr float kCellGap = 2.0f;
// The multi-viewer sits behind whatever the screen draws over the region.
constexpr int kMultiViewerZOrder = -100;
// Columns of mpr2 leave 8 units: 2 between the first two, 6 before the last.
constexpr float kMpr2Gaps = 8.0f;

// Whether the series heads (or belongs to) a phase chain marked as 4D.
bool hasPhaseChain(isImageData* series) {
    return series->firstPhase != nullptr && series->firstPhase->multiPhase;
}

void setPhaseMode(isImageData* series, bool on) {
    series->phaseAware = on;
    if (!hasPhaseChain(series)) {
        return;
    }
    isImageData* phase = series->firstPhase;
    for (int i = 0; i < series->firstPhase->phaseCount && phase != nullptr; ++i) {
        phase->phaseAware = on;
        phase = phase->nextPhase;
    }
}

isSliceInfo* firstSlice(isImageData* series) {
    return series->slices.empty() ? nullptr : series->slices.front();
}

}  // namespace

std::vector<ProtocolCell> protocolCells(int code, float width, float height) {
    const float w = width * 0.5f - kCellGap;
    const float h = height * 0.5f - kCellGap;
    switch (code) {
    case PROTOCOL_MPR3D:
        return {{VIEW_AXIAL, cocos2d::Rect(0, height - h, w, h)},
                {VIEW_CORONAL, cocos2d::Rect(width - w, height - h, w, h)},
                {VIEW_VR, cocos2d::Rect(width - w, 0, w, h)},
                {VIEW_SAGITTAL, cocos2d::Rect(0, 0, w, h)}};
    case PROTOCOL_MPR:
        return {{VIEW_AXIAL, cocos2d::Rect(0, height - h, w, h)},
                {VIEW_SAGITTAL, cocos2d::Rect(0, 0, w, h)},
                {VIEW_CORONAL, cocos2d::Rect(width - w, 0, w, height)}};
    case PROTOCOL_MPR2: {
        const float column = (width - kMpr2Gaps) / 3.0f;
        return {{VIEW_AXIAL, cocos2d::Rect(0, 0, column, height)},
                {VIEW_SAGITTAL, cocos2d::Rect(column + kCellGap, 0, column, height)},
                {VIEW_CORONAL, cocos2d::Rect(width - column, 0, column, height)}};
    }
    default:
        return {};
    }
}

void compareGrid(int n, float width, float height, int& cols, int& rows) {
    const float ratio = height / width;
    cols = 0;
    do {
        ++cols;
        rows = static_cast<int>(cols * ratio + 0.5f);
        if (rows < 1) {
            rows = 1;
        }
    } while (cols * rows < n);
    while ((rows - 1) * cols >= n) {
        --rows;
    }
    const bool tall = ratio > 1.0f;
    switch (n) {
    case 1:
        cols = rows = 1;
        break;
    case 2:
        cols = tall ? 1 : 2;
        rows = tall ? 2 : 1;
        break;
    case 3:
        cols = tall ? 1 : 3;
        rows = tall ? 3 : 1;
        break;
    case 4:
        cols = rows = 2;
        break;
    case 6:
        cols = tall ? 2 : 3;
        rows = tall ? 3 : 2;
        break;
    case 8:
        cols = tall ? 2 : 4;
        rows = tall ? 4 : 2;
        break;
    case 9:
        cols = rows = 3;
        break;
    default:
        break;
    }
}

cocos2d::Rect compareCell(int k, int cols, int rows, float width, float height) {
    const int cw = static_cast<int>(width - kCellGap * (cols - 1)) / cols;
    const int ch = static_cast<int>(height - kCellGap * (rows - 1)) / rows;
    const int c = k % cols;
    const int q = k / cols;
    const float x = c == cols - 1 ? width - cw : c * (cw + kCellGap);
    const float y = q == 0 ? height - ch : (rows - q - 1) * (ch + kCellGap);
    return cocos2d::Rect(x, y, static_cast<float>(cw), static_cast<float>(ch));
}

appManager::~appManager() {
    teardown();
}

bool appManager::init() {
    _rect = cocos2d::Rect::ZERO;
    _multi = isViewerMulti::create();
    if (_multi == nullptr) {
        return false;
    }
    _multi->setLocalZOrder(kMultiViewerZOrder);
    _multi->retain();
    _multi->setOwner(this);
    _protocolCode = PROTOCOL_NONE;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, this,
        [this](cocos2d::Ref* sender, unsigned posted, NSUI::NSNotificationData* data) {
            onNotification(sender, posted, data);
        },
        NOTIFY_PROTOCOL_SELECTED);
    return true;
}

void appManager::teardown() {
    releaseSeries();
    if (_multi != nullptr) {
        _multi->setOwner(nullptr);
        // A multi-viewer never put on the screen is cleaned up here: its viewers hold links
        // that only the cleanup breaks.
        if (_multi->getParent() != nullptr) {
            _multi->removeFromParentAndCleanup(true);
        } else {
            _multi->cleanup();
        }
        _multi->release();
        _multi = nullptr;
    }
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

void appManager::releaseSeries() {
    std::vector<isImageData*> old;
    old.swap(_seriesList);
    for (isImageData* series : old) {
        series->release();
    }
}

void appManager::replaceSeries(const std::vector<isImageData*>& list) {
    // Retained before the old ones go, so a series in both lists survives the swap.
    for (isImageData* series : list) {
        if (series != nullptr) {
            series->retain();
        }
    }
    releaseSeries();
    for (isImageData* series : list) {
        if (series != nullptr) {
            _seriesList.push_back(series);
        }
    }
}

void appManager::placeMultiViewer(const cocos2d::Rect& rect) {
    _multi->removeAllViewers();
    _multi->setContentSize(rect.size);
    _multi->setPosition(rect.origin);
    _multi->setNotificationKey(key, this);
    _rect = rect;
}

void appManager::setImageData(isImageData* data) {
    if (_multi == nullptr) {
        return;
    }
    replaceSeries({data});
    _protocolCode = PROTOCOL_NONE;
    applyProtocol(PROTOCOL_2DSLICE);
}

void appManager::setSeriesList(const std::vector<isImageData*>& list, const cocos2d::Rect& rect) {
    if (_multi == nullptr) {
        return;
    }
    placeMultiViewer(rect);
    replaceSeries(list);
    layoutCompare();
}

void appManager::setImageDataWithProtocol(isImageData* data, const cocos2d::Rect& rect, int code) {
    if (_multi == nullptr) {
        return;
    }
    placeMultiViewer(rect);
    replaceSeries({data});
    _protocolCode = PROTOCOL_NONE;
    if (data == nullptr) {
        return;
    }
    const cocos2d::Rect whole(0, 0, rect.size.width, rect.size.height);
    if (code == PROTOCOL_2DSLICE) {
        _multi->addViewer(VIEW_SLICE, true, whole, data);
        _protocolCode = PROTOCOL_2DSLICE;
        return;
    }
    data->update();
    if (!data->isVolume()) {
        _multi->addViewer(VIEW_SLICE, true, whole, data);
        _protocolCode = PROTOCOL_2DSLICE;
    } else if (code == PROTOCOL_2DVIEW) {
        _multi->addViewer(viewTypeOfSlice(firstSlice(data)), true, whole, data);
        _protocolCode = PROTOCOL_2DVIEW;
    } else {
        applyProtocol(code);
    }
}

void appManager::applyProtocol(int code) {
    if (_multi == nullptr || _seriesList.empty() || code == PROTOCOL_NONE ||
        code == _protocolCode) {
        return;
    }
    _multi->removeAllViewers();
    for (isImageData* series : _seriesList) {
        if (hasPhaseChain(series)) {
            setPhaseMode(series, true);
        }
    }
    const float width = _rect.size.width;
    const float height = _rect.size.height;
    const cocos2d::Rect whole(0, 0, width, height);
    isImageData* first = _seriesList.front();
    switch (code) {
    case PROTOCOL_2DVIEW:
    case PROTOCOL_BROWSER2D:
        first->update();
        _multi->addViewer(viewTypeOfSlice(firstSlice(first)), true, whole, first);
        if (code == PROTOCOL_BROWSER2D) {
            _multi->runCommand(NOTIFY_GRID_2X2, nullptr);
        }
        break;
    case PROTOCOL_MPR3D:
    case PROTOCOL_MPR:
        for (const ProtocolCell& cell : protocolCells(code, width, height)) {
            _multi->addViewer(cell.viewType, true, cell.rect, first);
        }
        break;
    case PROTOCOL_MPR2: {
        const std::vector<ProtocolCell> cells = protocolCells(code, width, height);
        _multi->addViewer(cells[0].viewType, true, cells[0].rect, first);
        _multi->runCommand(NOTIFY_GRID_2X1, nullptr);
        for (std::size_t i = 1; i < cells.size(); ++i) {
            _multi->addViewer(cells[i].viewType, true, cells[i].rect, first);
        }
        break;
    }
    case PROTOCOL_2DSLICE:
        _multi->addViewer(VIEW_SLICE, true, whole, first);
        break;
    case PROTOCOL_COMPARE2D:
        layoutCompare();
        break;
    case PROTOCOL_COMPARE4D:
        layoutCompare4D();
        break;
    default:
        break;
    }
    _protocolCode = code;
}

void appManager::addCompareCells(const std::vector<isImageData*>& cells, bool linked) {
    const float width = _rect.size.width;
    const float height = _rect.size.height;
    if (cells.empty() || width <= 0.0f || height <= 0.0f) {
        return;
    }
    int cols = 1;
    int rows = 1;
    compareGrid(static_cast<int>(cells.size()), width, height, cols, rows);
    for (std::size_t k = 0; k < cells.size(); ++k) {
        isImageData* series = cells[k];
        series->update();
        const int viewType = series->isVolume() ? viewTypeOfSlice(firstSlice(series)) : VIEW_SLICE;
        _multi->addViewer(viewType, linked,
                          compareCell(static_cast<int>(k), cols, rows, width, height), series);
    }
}

void appManager::layoutCompare() {
    _multi->removeAllViewers();
    std::vector<isImageData*> cells = _seriesList;
    const bool single = cells.size() == 1;
    if (single) {
        cells.push_back(cells.front());
    }
    for (isImageData* series : _seriesList) {
        setPhaseMode(series, false);
    }
    addCompareCells(cells, !single);
    _protocolCode = PROTOCOL_COMPARE2D;
}

void appManager::layoutCompare4D() {
    _multi->removeAllViewers();
    _protocolCode = PROTOCOL_COMPARE4D;
    for (isImageData* series : _seriesList) {
        if (!hasPhaseChain(series)) {
            return;
        }
    }
    std::vector<isImageData*> cells;
    for (isImageData* series : _seriesList) {
        if (!series->phaseAware) {
            cells.push_back(series);
            continue;
        }
        isImageData* phase = series->firstPhase;
        for (int i = 0; i < series->firstPhase->phaseCount && phase != nullptr; ++i) {
            cells.push_back(phase);
            phase = phase->nextPhase;
        }
    }
    addCompareCells(cells, true);
    // Each cell shows the phase it was made for, not the chain's current one.
    for (KeyViewProperty* property : _multi->allProperties()) {
        if (isViewerBrowser* browser = isViewerMulti::browserOf(property)) {
            for (isViewerImage* tile : browser->getTiles()) {
                if (isActorImage* actor = tile->getImageActor()) {
                    actor->showOwnPhase();
                }
            }
        }
    }
}

void appManager::onNotification(cocos2d::Ref*, unsigned posted, NSUI::NSNotificationData* data) {
    if (posted != NOTIFY_PROTOCOL_SELECTED || data == nullptr) {
        return;
    }
    const int code = protocolTypeCode(data->stringValue);
    if (code != PROTOCOL_NONE && code != _protocolCode) {
        applyProtocol(code);
    }
}

isImageData* appManager::onlySeries() {
    return _seriesList.size() == 1 ? _seriesList.front() : nullptr;
}

// A series without a phase chain counts as one phase, so the screen offers "Phase 1" for it.
int appManager::getCurrentPhase() {
    isImageData* series = onlySeries();
    if (series == nullptr) {
        return -1;
    }
    return hasPhaseChain(series) && series->phaseAware ? series->currentPhase : 0;
}

bool appManager::hasNextPhase() {
    isImageData* series = onlySeries();
    if (series == nullptr || !hasPhaseChain(series)) {
        return false;
    }
    if (!series->phaseAware) {
        return true;
    }
    return series->currentPhase + 1 < series->firstPhase->phaseCount;
}

int appManager::getPhaseCount() {
    isImageData* series = onlySeries();
    if (series == nullptr) {
        return -1;
    }
    return hasPhaseChain(series) && series->phaseAware ? series->firstPhase->phaseCount : 1;
}

void appManager::setPhase(int n) {
    if (_multi != nullptr) {
        _multi->setPhase(n);
    }
}

}  // namespace isImageSDK
