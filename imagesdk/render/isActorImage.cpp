#include "imagesdk/render/isActorImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/SlabMode.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/data/isImageReslice2D.h"
#include "imagesdk/data/isImageSlice.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isNodeImage.h"
#include "imagesdk/render/isNodeImageByShader.h"
#include "imagesdk/render/isROIStatistics.h"
#include "imagesdk/render/isRegionCrop.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

namespace {

constexpr int kModalityPET = 1;

// Sums of the first letters of the four edge labels: which plane a slice lies in.
constexpr int kAxialLetters = 'L' + 'R' + 'A' + 'P';
constexpr int kSagittalLetters = 'A' + 'P' + 'S' + 'I';
constexpr int kCoronalLetters = 'L' + 'R' + 'S' + 'I';

std::string intText(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%i", value);
    return text;
}

std::string signedAxisText(float value, char positive, char negative) {
    char text[48];
    if (value > 0.0f) {
        std::snprintf(text, sizeof text, "%c:%.1f", positive, double(value));
    } else {
        // fabs, not negation: a zero of either sign reads 0.0.
        std::snprintf(text, sizeof text, "%c:%.1f", negative, std::fabs(double(value)));
    }
    return text;
}

isImageData* outputOf(isFilterObject* filter) {
    return filter != nullptr ? dynamic_cast<isImageData*>(filter->getOutput()) : nullptr;
}

isSliceInfo* firstRecord(isImageData* data) {
    return data != nullptr && !data->slices.empty() ? data->slices.front() : nullptr;
}

}  // namespace

isActorImage::isActorImage() = default;

isActorImage::~isActorImage() {
    isActorImage::cleanup();
}

bool isActorImage::init() {
    if (!isActorObject::init()) {
        return false;
    }
    isNodeImage* node = nullptr;
    if (isNodeImageByShader::getShaderSwitch() != 0 &&
        isNodeImageByShader::canBuildShaderProgram()) {
        node = isNodeImageByShader::create();
    }
    if (node == nullptr) {
        node = isNodeImage::create();
    }
    clut = isClut::create();
    sliceFilter = isImageSlice::create();
    reslice = isImageReslice2D::create();
    plane = isImagePlane::create();
    if (node == nullptr || clut == nullptr || sliceFilter == nullptr || reslice == nullptr ||
        plane == nullptr) {
        releaseFilters();
        return false;
    }
    clut->retain();
    imageNode = node;
    imageNode->retain();
    imageNode->setAnchorPoint(cocos2d::Vec2::ZERO);
    imageNode->setClut(clut);
    sliceFilter->setInputData(outputOf(plane));
    imageNode->setSource(sliceFilter);
    addActorNode(imageNode);
    orthogonal = true;
    orientation = 0;
    sliceIndex = 0;
    slabThickness = 1.0f;
    slabMode = SLAB_MEAN;
    posting = true;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, this,
        [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
            onNotification(sender, key, data);
        },
        NOTIFY_SLICE_READY);
    return true;
}

void isActorImage::releaseFilters() {
    // Crops hold their own snapshot; releasing them cancels and joins their runs.
    crops.clear();
    if (imageNode != nullptr) {
        imageNode->setSource(nullptr);
        imageNode->release();
        imageNode = nullptr;
    }
    if (sliceFilter != nullptr) {
        sliceFilter->release();
        sliceFilter = nullptr;
    }
    if (reslice != nullptr) {
        reslice->release();
        reslice = nullptr;
    }
    if (plane != nullptr) {
        plane->release();
        plane = nullptr;
    }
    if (clut != nullptr) {
        clut->release();
        clut = nullptr;
    }
    if (imageData != nullptr) {
        imageData->release();
        imageData = nullptr;
    }
}

void isActorImage::cleanup() {
    posting = false;
    isActorObject::cleanup();
    if (auto* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
        centre->cancelPendingForOwner(this);
    }
    releaseFilters();
}

void isActorImage::attachToWindow(isRenderWindowBase* target) {
    isActorObject::attachToWindow(target);
    isRenderWindowBase* window = getWindow();
    if (clut != nullptr) {
        clut->group = window;
    }
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    centre->removeObserverForKey(NOTIFY_ROI_DATA_CHANGED, this);
    centre->removeObserverForKey(NOTIFY_LOAD_PROGRESS, this);
    if (window == nullptr) {
        return;
    }
    const auto handler = [this](cocos2d::Ref* sender, unsigned key,
                                NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    centre->addObserver(this, window, handler, NOTIFY_ROI_DATA_CHANGED);
    centre->addObserver(this, nullptr, handler, NOTIFY_LOAD_PROGRESS);
    if (imageNode != nullptr) {
        imageNode->setNotificationGroup(window);
    }
}

void isActorImage::setActive(bool active) {
    isActorObject::setActive(active);
    if (imageNode != nullptr) {
        imageNode->setVisible(active);
    }
}

isImageData* isActorImage::getCurrentPhaseData() const {
    if (imageData == nullptr) {
        return nullptr;
    }
    if (ownPhase || !imageData->isMultiPhase()) {
        return imageData;
    }
    return imageData->getPhase(imageData->currentPhase);
}

void isActorImage::showOwnPhase() {
    if (ownPhase || imageData == nullptr) {
        return;
    }
    ownPhase = true;
    feedActiveFilter(imageData);
}

void isActorImage::setImageData(isImageData* data) {
    if (data == imageData) {
        return;
    }
    if (data != nullptr) {
        data->retain();
    }
    if (imageData != nullptr) {
        imageData->release();
    }
    imageData = data;
    ownPhase = false;
    plane->setInputData(nullptr);
    reslice->setInputData(nullptr);
    sliceFilter->setInputData(outputOf(plane));
    orthogonal = true;
    plane->setInputData(getCurrentPhaseData());
    if (isSliceInfo* first = data != nullptr ? data->getSlice(0) : nullptr) {
        clut->setPixelType(first->pixelType);
        clut->setWindowLevel(first->windowWidth, first->windowCentre);
        imageNode->onWindowLevelChanged();
    }
    sliceIndex = 0;
    if (data != nullptr) {
        // The axial view is the bound state: leave it so that setAxialView lays it out anew.
        orientation = -1;
        setAxialView();
        setSliceIndex(std::max(getNumberOfPositions() / 2, 0));
    } else {
        setActive(false);
    }
    postText(
        NOTIFY_SLICE_ORIENT,
        [] {
            std::string json;
            NSUI::UIJson::setString(json, "orient", "1");
            return json;
        }(),
        true);
}

void isActorImage::feedActiveFilter(isImageData* phase) {
    if (orthogonal) {
        // A new input rewinds the plane: keep the slice shown.
        plane->setInputData(phase);
        plane->setIndex(sliceIndex);
        plane->setSlabMode(slabMode);
        plane->setSlabThickness(slabThickness);
    } else {
        reslice->setInputData(phase);
        reslice->setSlabMode(slabMode);
        reslice->setSlabThickness(slabThickness);
        if (phase != nullptr) {
            reslice->setResliceMatrix(phase->worldMatrix.getInversed() * obliqueMatrix);
        }
    }
}

void isActorImage::setPhase(int n) {
    if (imageData == nullptr) {
        return;
    }
    const int count = imageData->isMultiPhase() ? imageData->getNumberOfPhases() : 1;
    if (n < 0 || n >= count) {
        return;
    }
    if (!imageData->isMultiPhase()) {
        return;
    }
    imageData->currentPhase = n;
    if (isImageData* head = imageData->getFirstPhase()) {
        head->currentPhase = n;
    }
    if (!ownPhase) {
        feedActiveFilter(getCurrentPhaseData());
    }
}

int isActorImage::getNumberOfPositions() {
    if (plane == nullptr || plane->getInputData() == nullptr) {
        return 0;
    }
    return std::max(plane->getNumberOfPositions(), 0);
}

void isActorImage::setSliceIndex(int n) {
    if (!orthogonal) {
        return;
    }
    const int count = getNumberOfPositions();
    if (imageData == nullptr || n < 0 || n >= count) {
        setActive(false);
        return;
    }
    sliceIndex = n;
    plane->setIndex(n);
    setActive(true);

    plane->update();
    isSliceInfo* record = firstRecord(plane->getOutputImage());
    if (record != nullptr) {
        if (!record->loaded) {
            // Ask the source reader to fetch this slice first; it answers with
            // NOTIFY_SLICE_READY in this actor's group.
            isFilterObject* stage = plane;
            while (stage->getInput() != nullptr) {
                stage = stage->getInput();
            }
            if (stage->isReader()) {
                static_cast<isImageFilter*>(stage)->prioritize(this, record->path);
            }
        }
        updateLocationText(record);
    }
    postSlicePosition(n + 1, count);
    std::string json;
    NSUI::UIJson::setString(json, "index", intText(n + 1));
    postText(NOTIFY_SLICE_INDEX, json, true);
}

void isActorImage::updateLocationText(const isSliceInfo* record) {
    const cocos2d::Mat4& m = record->matrix;
    const cocos2d::Vec3 row(m.m[0], m.m[1], m.m[2]);
    const cocos2d::Vec3 column(m.m[4], m.m[5], m.m[6]);
    char labels[12];
    computeOrientationLabels(row, column, record->headFeetCode, record->orientationCode, labels);
    const int letters = labels[0] + labels[3] + labels[6] + labels[9];
    float origin[3] = {m.m[12], m.m[13], m.m[14]};
    record->toPatientAxes(origin);
    if (letters == kAxialLetters) {
        locationText = signedAxisText(origin[2], 'S', 'I');
    } else if (letters == kSagittalLetters) {
        locationText = signedAxisText(origin[0], 'L', 'R');
    } else if (letters == kCoronalLetters) {
        locationText = signedAxisText(origin[1], 'P', 'A');
    } else {
        locationText.clear();
    }
    postText(NOTIFY_OVERLAY_SLICE, locationText, true);
}

void isActorImage::postSlicePosition(int index, int count) {
    std::string json;
    NSUI::UIJson::setString(json, "index", intText(index));
    NSUI::UIJson::setString(json, "count", intText(count));
    postText(NOTIFY_SLICE_POSITION, json, false);
}

void isActorImage::postText(int key, const std::string& text, bool nextPass) {
    if (!posting) {
        return;
    }
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    isRenderWindowBase* window = getWindow();
    centre->cancelPending(this, key, window);
    centre->postString(this, key, text, window, nextPass);
}

void isActorImage::postSlab() {
    if (!posting) {
        return;
    }
    NSUI::NSNotificationCenter::getInstance()->postFloat(this, NOTIFY_OVERLAY_LINE_9093,
                                                         slabThickness, getWindow(), true);
}

void isActorImage::returnToOrthogonal() {
    plane->setInputData(getCurrentPhaseData());
    reslice->setInputData(nullptr);
    sliceFilter->setInputData(outputOf(plane));
    plane->setSlabMode(slabMode);
    plane->setSlabThickness(slabThickness);
    orthogonal = true;
}

void isActorImage::setOrthogonalView(int axis) {
    if (imageData == nullptr) {
        return;
    }
    if (!orthogonal) {
        returnToOrthogonal();
        // Back from the oblique cut the view is laid out anew whatever the orientation was.
        orientation = -1;
    }
    if (orientation != axis) {
        plane->setAxis(axis);
        orientation = axis;
        std::string json;
        NSUI::UIJson::setString(json, "orient", intText(axis + 1));
        postText(NOTIFY_SLICE_ORIENT, json, true);
        const int count = getNumberOfPositions();
        setSliceIndex(std::clamp(count / 2, 0, std::max(count - 1, 0)));
    } else if (axis != 0) {
        return;
    }
    float thickness = 1.0f;
    if (isImageData* data = getCurrentPhaseData(); data != nullptr && data->isVolume()) {
        float spacing[3];
        data->getSpacing(spacing);
        thickness = axis == 0 ? spacing[2] : axis == 1 ? spacing[0] : spacing[1];
    }
    setSlabThickness(thickness);
}

void isActorImage::setAxialView() {
    setOrthogonalView(0);
}

void isActorImage::setSagittalView() {
    setOrthogonalView(1);
}

void isActorImage::setCoronalView() {
    setOrthogonalView(2);
}

void isActorImage::resetView() {
    if (imageData == nullptr) {
        return;
    }
    setAxialView();
    setSliceIndex(std::max(getNumberOfPositions() / 2, 0));
}

void isActorImage::setObliqueMatrix(const cocos2d::Mat4& matrix) {
    setActive(true);
    obliqueMatrix = matrix;
    if (orthogonal) {
        plane->setInputData(nullptr);
        reslice->setInputData(getCurrentPhaseData());
        sliceFilter->setInputData(outputOf(reslice));
        reslice->setSlabMode(slabMode);
        reslice->setSlabThickness(slabThickness);
        orthogonal = false;
        postSlicePosition(-1, 0);
    }
    if (isImageData* data = getCurrentPhaseData()) {
        reslice->setResliceMatrix(data->worldMatrix.getInversed() * matrix);
    }
}

void isActorImage::setSliceAtPoint(const cocos2d::Vec3& point) {
    if (!orthogonal || imageData == nullptr) {
        return;
    }
    setSliceIndex(plane->pointToIndex(point.x, point.y, point.z));
}

void isActorImage::setSlabThickness(float thickness) {
    slabThickness = thickness;
    if (orthogonal) {
        plane->setSlabThickness(thickness);
    } else {
        reslice->setSlabThickness(thickness);
    }
    postSlab();
}

void isActorImage::setSlabMode(int mode) {
    if (imageData == nullptr || mode == slabMode || mode < SLAB_MINIMUM || mode > SLAB_SUM) {
        return;
    }
    slabMode = mode;
    if (orthogonal) {
        plane->setSlabMode(mode);
    } else {
        reslice->setSlabMode(mode);
    }
}

void isActorImage::setWindowLevel(float width, float centre) {
    clut->setWindowLevel(width, centre);
    imageNode->onWindowLevelChanged();
}

float isActorImage::getWindowWidth() const {
    return clut != nullptr ? clut->width : 0.0f;
}

float isActorImage::getWindowCentre() const {
    return clut != nullptr ? clut->level : 0.0f;
}

void isActorImage::adjustWindowLevel(float widthDelta, float centreDelta) {
    const isSliceInfo* first = imageData != nullptr ? imageData->getSlice(0) : nullptr;
    float factor = 1.0f;
    if (first != nullptr) {
        if (first->pixelType == PIXEL_INT16 || first->pixelType == PIXEL_UINT16) {
            factor = 10.0f;
        } else if (first->pixelType == PIXEL_FLOAT32) {
            factor = 200.0f;
        }
    }
    const int width = int(clut->width);
    const int centre = int(clut->level);
    float newWidth;
    float newCentre;
    if (first != nullptr && first->modality == kModalityPET && centre - width * 0.5f <= 1.0f) {
        // PET windows start at zero activity: only the top edge moves.
        newCentre = std::max(centre + centreDelta * factor, 2.0f);
        newWidth = 2.0f * newCentre;
    } else {
        newWidth = std::max(width + widthDelta * factor, 2.0f);
        newCentre = centre + centreDelta * factor;
    }
    setWindowLevel(newWidth, newCentre);
}

void isActorImage::setColorTable(const unsigned char* rgb) {
    if (clut == nullptr || rgb == nullptr) {
        return;
    }
    for (int i = 0; i < 256; ++i) {
        const unsigned char* entry = rgb + 3 * i;
        clut->palette[i] = std::uint32_t(entry[0]) << 24 | std::uint32_t(entry[1]) << 16 |
                           std::uint32_t(entry[2]) << 8 | 255u;
    }
    imageNode->onColorTableChanged();
}

void isActorImage::setLutCurve(int curve) {
    if (clut == nullptr || curve == clut->curve) {
        return;
    }
    clut->curve = curve;
    clut->lutDirty = true;
    if (clut->autoRebuild) {
        clut->buildLut();
    }
    imageNode->onColorTableChanged();
}

isSliceInfo* isActorImage::getSliceInfo() {
    if (imageData == nullptr || sliceFilter == nullptr) {
        return nullptr;
    }
    sliceFilter->update();
    return firstRecord(sliceFilter->getOutputImage());
}

bool isActorImage::getPixelValue(const cocos2d::Vec3& point, float* value) {
    const isSliceInfo* record = getSliceInfo();
    return record != nullptr &&
           isROIStatistics::pixelValue(record, imageNode->getFrameIndex(), point, value);
}

cocos2d::Vec3 isActorImage::getSliceCenter() {
    const isSliceInfo* record = getSliceInfo();
    if (record == nullptr) {
        return cocos2d::Vec3::ZERO;
    }
    cocos2d::Vec3 centre((record->width - 1) * record->pixelSpacingX / 2.0f,
                         (record->height - 1) * record->pixelSpacingY / 2.0f, 0.0f);
    record->matrix.transformPoint(&centre);
    return centre;
}

bool isActorImage::getSliceCorners(cocos2d::Vec3 corners[4]) {
    const isSliceInfo* record = getSliceInfo();
    if (record == nullptr) {
        return false;
    }
    const float x = (record->width - 1) * record->pixelSpacingX;
    const float y = (record->height - 1) * record->pixelSpacingY;
    const cocos2d::Vec3 local[4] = {
        {0.0f, 0.0f, 0.0f}, {x, 0.0f, 0.0f}, {x, y, 0.0f}, {0.0f, y, 0.0f}};
    for (int i = 0; i < 4; ++i) {
        record->matrix.transformPoint(local[i], &corners[i]);
    }
    return true;
}

bool isActorImage::hasValidSlice() {
    if (!orthogonal) {
        return true;
    }
    return sliceIndex >= 0 && sliceIndex < getNumberOfPositions();
}

void isActorImage::postViewInfo() {
    if (imageData == nullptr) {
        return;
    }
    postSlab();
    postText(NOTIFY_OVERLAY_SLICE, locationText, true);
    const isSliceInfo* first = imageData->getSlice(0);
    std::string width;
    std::string centre;
    if (first != nullptr && first->pixelType == PIXEL_FLOAT32) {
        char text[48];
        std::snprintf(text, sizeof text, "%.1f", double(clut->width));
        width = text;
        std::snprintf(text, sizeof text, "%.1f", double(clut->level));
        centre = text;
    } else {
        width = intText(int(clut->width));
        centre = intText(int(clut->level));
    }
    std::string json;
    NSUI::UIJson::setString(json, "ww", width);
    NSUI::UIJson::setString(json, "wl", centre);
    // With the other texts, before the next frame: every tile of a grid posts one.
    postText(NOTIFY_WWWL_TEXT, json, true);
}

void isActorImage::startReformat(const cocos2d::Vec3& p0, const cocos2d::Vec3& p1,
                                 const cocos2d::Vec3& p2, const cocos2d::Vec3& p3) {
    regionCorners[0] = p0;
    regionCorners[1] = p1;
    regionCorners[2] = p2;
    regionCorners[3] = p3;
    crops.erase(std::remove_if(
                    crops.begin(), crops.end(),
                    [](const cocos2d::RefPtr<isRegionCrop>& crop) { return crop->isFinished(); }),
                crops.end());

    // Everything the run needs is taken here, on the main thread.
    RegionCropRequest request;
    request.data = cocos2d::RefPtr<isImageData>::retained(getCurrentPhaseData());
    request.orthogonal = orthogonal;
    request.axis = orientation;
    request.slabMode = slabMode;
    request.slabThickness = slabThickness;
    request.windowWidth = clut->width;
    request.windowCentre = clut->level;
    if (const isSliceInfo* shown = getSliceInfo()) {
        request.setDisplayedSlice(*shown);
    }
    for (int i = 0; i < 4; ++i) {
        request.corners[i] = regionCorners[i];
    }
    request.sender = this;
    request.notificationKey = key;

    auto crop = cocos2d::RefPtr<isRegionCrop>::retained(isRegionCrop::create());
    if (crop && crop->start(request)) {
        crops.push_back(crop);
    }
}

void isActorImage::onNotification(cocos2d::Ref* sender, unsigned notifyKey,
                                  NSUI::NSNotificationData* data) {
    switch (notifyKey) {
    case NOTIFY_ROI_DATA_CHANGED:
        if (data != nullptr) {
            isROIStatistics::answer(this, getWindow(), getSliceInfo(), imageNode->getFrameIndex(),
                                    data);
        }
        break;
    case NOTIFY_SLICE_READY: {
        if (!orthogonal || data == nullptr) {
            break;
        }
        const isSliceInfo* shown = firstRecord(plane->getOutputImage());
        if (shown != nullptr && !shown->loaded &&
            int(NSUI::foldedHash(shown->path)) == data->indexValue) {
            plane->markModified();
            imageNode->onWindowLevelChanged();
        }
        break;
    }
    case NOTIFY_LOAD_PROGRESS:
        if (imageData != nullptr && data != nullptr &&
            int(NSUI::foldedHash(imageData->getDataName())) == data->indexValue && posting) {
            NSUI::NSNotificationCenter::getInstance()->postNotification(
                this, NOTIFY_OVERLAY_LOAD_PERCENT, data, getWindow(), true);
        }
        break;
    default:
        break;
    }
    (void)sender;
}

}  // namespace isImageSDK
