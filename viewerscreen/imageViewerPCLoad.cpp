#include <algorithm>
#include <atomic>
#include <list>

#include "engine/ui/Layout.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSharedObjects.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "imagesdk/viewers/winManager.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/widgets/NSActivity.h"
#include "viewerscreen/SeriesText.h"
#include "viewerscreen/imageViewerPC.h"

namespace {

constexpr int kCompare2d = 7;
constexpr int kCompare4d = 8;
constexpr int kCodeVolume = 4;
constexpr int kCode2dView = 1;
constexpr float kToastSeconds = 1.5f;
constexpr float kNot4DSeconds = 5.0f;

// The phases a data set's chain holds, whether or not a region shows it phase by phase.
int phaseCountOf(isImageSDK::isImageData* data) {
    const isImageSDK::isImageData* first = data->firstPhase;
    return first && first->multiPhase ? first->phaseCount : 1;
}

// Generations are never reused in the process, so a result can never pass for another screen's.
std::atomic<unsigned> nextGeneration{0};

}  // namespace

ProtocolQuery* imageViewerPC::regionQuery() const {
    isImageSDK::appManager* region = currentRegion();
    return region ? &region->getProtocolQuery() : nullptr;
}

void imageViewerPC::setSeriesList(const std::string& text) {
    previousSeriesList.insert(previousSeriesList.end(), seriesList.begin(), seriesList.end());
    seriesList = parseSeriesText(text);
    if (ProtocolQuery* query = regionQuery()) {
        query->seriesCount = static_cast<int>(seriesList.size());
    }
}

void imageViewerPC::setProtocol(const std::string& name) {
    if (windowManager && !windowManager->regions.empty()) {
        const int last = static_cast<int>(windowManager->regions.size()) - 1;
        windowManager->activeIndex = std::max(0, std::min(windowManager->activeIndex, last));
    }
    protocolCode = protocolTypeCode(name);
}

void imageViewerPC::showBusyOverlay() {
    if (NSUI::NSActivity* busy = NSUI::NSActivity::show(this)) {
        busy->enableBKColor(true, cocos2d::Color3B::WHITE, 0.0f);
        busy->textColor = cocos2d::Color4B::WHITE;
    }
}

void imageViewerPC::cancelLoad() {
    if (loadCancelled) {
        loadCancelled->store(true);
        loadCancelled.reset();
    }
}

void imageViewerPC::startLoad() {
    cancelLoad();
    SeriesLoadRequest request;
    request.keys = seriesList;
    request.dicomRoot = dataService::getInstance()->getDatabase()->getDicomRoot();
    request.notificationKey = key;
    request.group = this;
    request.generation = loadGeneration = ++nextGeneration;
    loadCancelled = request.cancelled;
    waitingForCache = true;
    jobs.start([request] { runSeriesLoad(request); });
}

void imageViewerPC::attachViewerMulti(cocos2d::Node* node) {
    if (node && !node->getParent()) {
        addChild(node);
    }
}

void imageViewerPC::reload(const std::string& text) {
    hideQuickStrip();
    setSeriesList(text);
    protocolCode = kCodeVolume;
    waitingForCache = true;
    showBusyOverlay();
    startLoad();
}

bool imageViewerPC::collectOutputs(std::vector<isImageSDK::isImageData*>& outputs) {
    for (const std::string& seriesKey : seriesList) {
        isImageSDK::isBinReader* reader = readerOf(seriesKey);
        isImageSDK::isImageData* output = reader ? reader->getOutputImage() : nullptr;
        if (!output || !output->getSlice(0)) {
            return false;
        }
        outputs.push_back(output);
    }
    return true;
}

bool imageViewerPC::allLoadsComplete() {
    for (const std::string& seriesKey : seriesList) {
        isImageSDK::isBinReader* reader = readerOf(seriesKey);
        if (!reader || !reader->isLoadComplete()) {
            return false;
        }
    }
    return true;
}

int imageViewerPC::panelKindForViewType(int viewType) const {
    if (viewType == isImageSDK::VIEW_VR || viewType == isImageSDK::VIEW_MIP) {
        return 2;
    }
    return viewType == isImageSDK::VIEW_SLICE ? 0 : 1;
}

void imageViewerPC::showLoadedPanels(int kind) {
    if (isImageSDK::appManager* region = currentRegion()) {
        attachViewerMulti(region->getViewerMulti());
    }
    showToolPanel(kind);
    updateSliceSlider();
    setFavoriteToolsVisible(true);
    refreshWindowLevelPresets();
}

void imageViewerPC::onSeriesLoaded(NSUI::NSNotificationData* data) {
    auto* loaded = data ? dynamic_cast<LoadedSeries*>(data->object) : nullptr;
    if (!loaded || loaded->generation != loadGeneration) {
        return;
    }
    loadCancelled.reset();
    NSUI::NSActivity::hideActivity();
    waitingForCache = false;
    if (data->intValue < 0) {
        showMessage(NSUI::getLocalizedString("failed_loadSeries"), kToastSeconds);
        return;
    }
    isImageSDK::isSharedObjects* registry = isImageSDK::isSharedObjects::getInstance();
    for (auto& [seriesKey, reader] : loaded->readers) {
        // The key names the reader of the series on show: an earlier reader of the same folder
        // gives way.
        while (registry->getObject(seriesKey)) {
            registry->removeObject(seriesKey);
        }
        registry->addObject(reader);
    }

    std::vector<isImageSDK::isImageData*> outputs;
    if (!collectOutputs(outputs)) {
        showMessagePanel("Failed to load series");
        unregisterSeries(seriesList);
        seriesList.clear();
        return;
    }
    showMessagePanel("");
    int imageCount = 0;
    bool allVolumes = true;
    for (isImageSDK::isImageData* output : outputs) {
        imageCount += output->getNumberOfSlices();
        allVolumes = allVolumes && output->isVolume();
    }
    isImageSDK::appManager* region = currentRegion();
    ProtocolQuery* query = regionQuery();
    if (query) {
        query->imageCount = imageCount;
        query->isVolume = allVolumes;
    }
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    const cocos2d::Rect rect = region ? region->getRect() : cocos2d::Rect::ZERO;

    if (protocolCode == kCompare4d) {
        if (allLoadsComplete()) {
            std::list<isImageSDK::isImageData*> phases(outputs.begin(), outputs.end());
            isImageSDK::isImageData* merged = isImageSDK::mergeImageDataPhases(phases);
            if (merged) {
                if (query) {
                    *query = ProtocolQuery{1, merged->getNumberOfSlices(), merged->isVolume(),
                                           phaseCountOf(merged) > 1};
                }
                if (multi) {
                    region->setImageDataWithProtocol(merged, rect, kCompare4d);
                }
                if (phaseCountOf(merged) > 1) {
                    show4DPanel(false);
                }
            } else {
                showMessage("Not 4D Volume", kNot4DSeconds);
                if (multi) {
                    region->setSeriesList(outputs, rect);
                }
            }
        } else {
            waitingForCache = true;
            if (multi) {
                region->setSeriesList(outputs, rect);
            }
        }
        showLoadedPanels(
            panelKindForViewType(multi ? multi->getCurrentViewType() : isImageSDK::VIEW_NONE));
        return;
    }
    if (protocolCode == kCompare2d) {
        if (multi) {
            region->setSeriesList(outputs, rect);
        }
        showLoadedPanels(
            panelKindForViewType(multi ? multi->getCurrentViewType() : isImageSDK::VIEW_NONE));
        return;
    }
    if (seriesList.size() != 1) {
        return;
    }
    isImageSDK::isBinReader* reader = readerOf(seriesList.front());
    isImageSDK::isImageData* output = outputs.front();
    if (reader->isLoadComplete()) {
        output->splitPhases();
        if (query) {
            *query = ProtocolQuery{query->seriesCount, output->getNumberOfSlices(),
                                   output->isVolume(), phaseCountOf(output) > 1};
        }
        if (protocolCode == 0) {
            protocolCode = output->isVolume() ? kCodeVolume : kCode2dView;
        }
        if (multi) {
            region->setImageDataWithProtocol(output, rect, protocolCode);
        }
        if (phaseCountOf(output) > 1) {
            show4DPanel(true);
        }
    } else {
        waitingForCache = true;
        if (multi) {
            region->setImageDataWithProtocol(output, rect, kCode2dView);
        }
    }
    int kind = 0;
    if (output->isVolume()) {
        kind = multi && (multi->getCurrentViewType() == isImageSDK::VIEW_VR ||
                         multi->getCurrentViewType() == isImageSDK::VIEW_MIP)
                   ? 2
                   : 1;
    }
    showLoadedPanels(kind);
}

void imageViewerPC::onSeriesCached() {
    if (seriesList.empty() || !allLoadsComplete() || !waitingForCache) {
        return;
    }
    waitingForCache = false;
    std::vector<isImageSDK::isImageData*> outputs;
    if (!collectOutputs(outputs)) {
        return;
    }
    bool allVolumes = true;
    for (isImageSDK::isImageData* output : outputs) {
        output->splitPhases();
        output->update();
        allVolumes = allVolumes && output->isVolume();
    }
    isImageSDK::appManager* region = currentRegion();
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    ProtocolQuery* query = regionQuery();
    if (!region || !multi || !query) {
        return;
    }
    const cocos2d::Rect rect = region->getRect();
    if (protocolCode == kCompare2d) {
        return;
    }
    if (protocolCode == kCompare4d) {
        std::list<isImageSDK::isImageData*> phases(outputs.begin(), outputs.end());
        isImageSDK::isImageData* merged =
            allVolumes ? isImageSDK::mergeImageDataPhases(phases) : nullptr;
        if (!merged) {
            showMessage("Not 4D Volume", kNot4DSeconds);
            return;
        }
        *query = ProtocolQuery{1, merged->getNumberOfSlices(), merged->isVolume(),
                               phaseCountOf(merged) > 1};
        region->setImageDataWithProtocol(merged, rect, kCodeVolume);
        if (phaseCountOf(merged) > 1) {
            show4DPanel(true);
        }
        showToolPanel(panelKindForViewType(multi->getCurrentViewType()));
        return;
    }
    if (seriesList.size() != 1) {
        return;
    }
    isImageSDK::isImageData* output = outputs.front();
    *query = ProtocolQuery{query->seriesCount, output->getNumberOfSlices(), output->isVolume(),
                           phaseCountOf(output) > 1};
    if (output->isVolume()) {
        region->applyProtocol(protocolCode == 0 ? kCodeVolume : protocolCode);
    }
    if (phaseCountOf(output) > 1) {
        show4DPanel(true);
    }
}
