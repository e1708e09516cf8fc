#include "imagesdk/data/isImageData.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <vector>

#include "engine/base/Macros.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isVoxelAllocator.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

namespace {

// One volume buffer must stay below this; one slice buffer below half of it.
constexpr std::uint64_t kVolumeBufferLimit = 1214752192ull;
constexpr std::uint64_t kSliceBufferLimit = 607376096ull;

constexpr float kSpacingTolerance = 0.001f;
constexpr float kMatrixTolerance = 1e-4f;
constexpr float kPositionTolerance = 0.01f;

std::uint64_t sliceBytes(std::int64_t width, std::int64_t height, std::int64_t frames,
                         int pixelType) {
    if (width <= 0 || height <= 0 || frames <= 0) {
        return 0;
    }
    return std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(frames) *
           std::uint64_t(bytesPerPixel(pixelType));
}

cocos2d::Vec3 originOf(const cocos2d::Mat4& m) {
    return {m.m[12], m.m[13], m.m[14]};
}
cocos2d::Vec3 normalOf(const cocos2d::Mat4& m) {
    return {m.m[8], m.m[9], m.m[10]};
}

cocos2d::Mat4 translatedAlongNormal(const cocos2d::Mat4& frame, float distance) {
    cocos2d::Mat4 translation;
    cocos2d::Mat4::createTranslation(0.0f, 0.0f, distance, &translation);
    return frame * translation;
}

// The record comparison shared by the regular-grid, phase-layout and merge tests; rotationOnly
// limits the matrix comparison to its upper-left 3 x 3 part.
bool slicesMatch(const isSliceInfo* a, const isSliceInfo* b, bool rotationOnly) {
    if (a->width != b->width || a->height != b->height ||
        a->orientationCode != b->orientationCode || a->headFeetCode != b->headFeetCode ||
        a->modality != b->modality || a->pixelType != b->pixelType) {
        return false;
    }
    if (std::fabs(a->pixelSpacingX - b->pixelSpacingX) > kSpacingTolerance ||
        std::fabs(a->pixelSpacingY - b->pixelSpacingY) > kSpacingTolerance) {
        return false;
    }
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            if (rotationOnly && (row == 3 || column == 3)) {
                continue;
            }
            const int i = column * 4 + row;
            if (std::fabs(a->matrix.m[i] - b->matrix.m[i]) > kMatrixTolerance) {
                return false;
            }
        }
    }
    return true;
}

bool isIdentity(const cocos2d::Mat4& m) {
    for (int i = 0; i < 16; ++i) {
        if (m.m[i] != cocos2d::Mat4::IDENTITY.m[i]) {
            return false;
        }
    }
    return true;
}

// Radians; 0 when either vector has no direction.
double angleBetween(const cocos2d::Vec3& a, const cocos2d::Vec3& b) {
    const double la = a.length();
    const double lb = b.length();
    if (la == 0.0 || lb == 0.0) {
        return 0.0;
    }
    const double cosine = double(a.dot(b)) / (la * lb);
    return std::acos(std::max(-1.0, std::min(1.0, cosine)));
}

}  // namespace

isImageData* isImageData::create() {
    auto* data = new (std::nothrow) isImageData();
    if (data && !data->init()) {
        delete data;
        return nullptr;
    }
    return data;
}

isImageData::~isImageData() {
    isImageData::cleanup();
}

void isImageData::cleanup() {
    releasePhaseChain();
    isFilterObject::cleanup();
    releaseVoxels();
}

bool isImageData::init() {
    isFilterObject::init();
    resetGeometry();
    return true;
}

isFilterObject* isImageData::getOutput() {
    return nullptr;
}

void isImageData::createOutput() {}

void isImageData::releasePhaseChain() {
    isImageData* next = nextPhase;
    nextPhase = nullptr;
    CC_SAFE_RELEASE(next);
}

void isImageData::freeVoxelMemory() {
    if (voxels) {
        std::free(voxels);
        voxels = nullptr;
        for (isSliceInfo* slice : slices) {
            slice->data = nullptr;
        }
    }
    for (isSliceInfo* slice : slices) {
        std::free(slice->data);
        slice->data = nullptr;
    }
    singleBuffer = false;
}

void isImageData::freeSlices() {
    freeVoxelMemory();
    for (isSliceInfo* slice : slices) {
        delete slice;
    }
    slices.clear();
}

void isImageData::releaseVoxels() {
    freeSlices();
    firstPhase = nullptr;
    phaseCount = 1;
    releasePhaseChain();
}

void isImageData::resetGeometry() {
    // Normally releaseVoxels came first; whatever is left is freed rather than leaked.
    freeSlices();
    releasePhaseChain();
    phaseAware = true;
    phaseCount = 1;
    currentPhase = 0;
    firstPhase = nullptr;
    multiPhase = false;
    label.clear();
    frameMatrix = cocos2d::Mat4::IDENTITY;
    userMatrix = cocos2d::Mat4::IDENTITY;
    worldMatrix = cocos2d::Mat4::IDENTITY;
    spacing[0] = spacing[1] = spacing[2] = 1.0f;
    width = height = sliceCount = 0;
    regularVolume = false;
    hasData = false;
    orientationCode = 0;
    headFeetCode = 0;
    pixelType = PIXEL_INT16;
    dataName.clear();
}

void isImageData::failForMemory() {
    releaseVoxels();
    resetGeometry();
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, NOTIFY_OUT_OF_MEMORY,
                                                                nullptr, nullptr, false);
}

bool isImageData::allocate() {
    freeVoxelMemory();
    if (regularVolume) {
        const std::uint64_t perSlice = sliceBytes(width, height, 1, pixelType);
        const std::uint64_t total = perSlice * std::uint64_t(slices.size());
        if (total < kVolumeBufferLimit) {
            auto* buffer = static_cast<std::uint8_t*>(isVoxelAllocator::allocate(total));
            if (buffer) {
                voxels = buffer;
                std::uint64_t offset = 0;
                for (isSliceInfo* slice : slices) {
                    slice->data = buffer + offset;
                    offset += perSlice;
                }
                singleBuffer = true;
                return true;
            }
        }
    }
    for (isSliceInfo* slice : slices) {
        const std::uint64_t bytes = regularVolume ? sliceBytes(width, height, 1, pixelType)
                                                  : sliceBytes(slice->width, slice->height,
                                                               slice->frames, slice->pixelType);
        slice->data = bytes > 0 ? isVoxelAllocator::allocate(bytes) : nullptr;
        if (!slice->data) {
            failForMemory();
            return false;
        }
    }
    return true;
}

isSliceInfo* isImageData::addSlice(const int size[2], int frames, const float pixelSpacing[2],
                                   int type, int orientation, int headFeet,
                                   const cocos2d::Mat4& matrix) {
    width = size[0];
    height = size[1];
    spacing[0] = pixelSpacing[0];
    spacing[1] = pixelSpacing[1];
    spacing[2] = 1.0f;
    sliceCount += 1;
    regularVolume = false;
    hasData = true;
    orientationCode = orientation;
    headFeetCode = headFeet;
    pixelType = type;
    worldMatrix = matrix;
    frameMatrix = matrix;

    auto* slice = new isSliceInfo();
    slice->pixelType = type;
    slice->width = size[0];
    slice->height = size[1];
    slice->frames = static_cast<std::int16_t>(frames);
    slice->pixelSpacingX = pixelSpacing[0];
    slice->pixelSpacingY = pixelSpacing[1];
    slice->orientationCode = orientation;
    slice->headFeetCode = headFeet;
    slice->matrix = matrix;

    // A slice without pixels is refused quietly; one without memory is reported.
    const std::uint64_t bytes = sliceBytes(size[1], size[0], frames, type);
    if (bytes > 0 && bytes < kSliceBufferLimit) {
        slice->data = isVoxelAllocator::allocate(bytes);
    }
    if (!slice->data) {
        delete slice;
        sliceCount -= 1;
        if (sliceCount < 1) {
            hasData = false;
        }
        if (bytes > 0) {
            NSUI::NSNotificationCenter::getInstance()->postNotification(
                nullptr, NOTIFY_OUT_OF_MEMORY, nullptr, nullptr, false);
        }
        return nullptr;
    }
    singleBuffer = false;
    slices.push_back(slice);
    return slice;
}

isSliceInfo* isImageData::addSliceCopy(const isSliceInfo* source) {
    if (!source) {
        return nullptr;
    }
    const int size[2] = {source->width, source->height};
    const float pixelSpacing[2] = {source->pixelSpacingX, source->pixelSpacingY};
    isSliceInfo* slice = addSlice(size, source->frames, pixelSpacing, source->pixelType,
                                  source->orientationCode, source->headFeetCode, source->matrix);
    if (!slice) {
        return nullptr;
    }
    source->copyHeaderTo(slice);
    if (source->data) {
        std::memcpy(slice->data, source->data,
                    sliceBytes(source->width, source->height, source->frames, source->pixelType));
    }
    slice->loaded = source->loaded;
    slice->loadFailed = source->loadFailed;
    return slice;
}

bool isImageData::build(int dims[3], float space[3], int type, int orientation, int headFeet,
                        const cocos2d::Mat4& frame, bool* outOfMemory) {
    if (outOfMemory) {
        *outOfMemory = false;
    }
    releaseVoxels();
    resetGeometry();
    if (dims[2] <= 0 || dims[0] <= 0 || dims[1] <= 0) {
        return false;
    }
    if (space[2] <= 0.0f) {
        space[2] = 1.0f;
    }
    width = dims[0];
    height = dims[1];
    sliceCount = dims[2];
    spacing[0] = space[0];
    spacing[1] = space[1];
    spacing[2] = space[2];
    regularVolume = dims[2] > 1;
    hasData = true;
    orientationCode = orientation;
    headFeetCode = headFeet;
    pixelType = type;
    worldMatrix = frame;
    frameMatrix = frame;
    for (int i = 0; i < dims[2]; ++i) {
        auto* slice = new isSliceInfo();
        slice->pixelType = type;
        slice->width = width;
        slice->height = height;
        slice->frames = 1;
        slice->pixelSpacingX = spacing[0];
        slice->pixelSpacingY = spacing[1];
        slice->orientationCode = orientation;
        slice->headFeetCode = headFeet;
        slice->matrix = translatedAlongNormal(worldMatrix, float(i) * spacing[2]);
        slices.push_back(slice);
    }
    if (!allocate() && outOfMemory) {
        *outOfMemory = true;
    }
    return true;
}

void isImageData::placeVolumeSlices() {
    int i = 0;
    for (isSliceInfo* slice : slices) {
        slice->matrix = translatedAlongNormal(worldMatrix, float(i) * spacing[2]);
        ++i;
    }
}

void isImageData::applyUserMatrix(const cocos2d::Mat4& matrix) {
    execute();
    userMatrix = matrix;
    if (regularVolume) {
        worldMatrix = userMatrix * frameMatrix;
        placeVolumeSlices();
        return;
    }
    for (isSliceInfo* slice : slices) {
        slice->matrix = userMatrix * slice->matrix;
    }
}

void isImageData::setUserMatrix(const cocos2d::Mat4& matrix) {
    for (isImageData* data = this; data; data = data->nextPhase) {
        data->applyUserMatrix(matrix);
    }
}

void isImageData::setDataName(const std::string& text) {
    for (isImageData* data = this; data; data = data->nextPhase) {
        data->dataName = text;
    }
}

void isImageData::setLabel(const std::string& text) {
    for (isImageData* data = this; data; data = data->nextPhase) {
        data->label = text;
    }
}

void isImageData::getDimensions(int out[3]) {
    execute();
    out[0] = width;
    out[1] = height;
    out[2] = sliceCount;
}

void isImageData::getSpacing(float out[3]) {
    execute();
    out[0] = spacing[0];
    out[1] = spacing[1];
    out[2] = spacing[2];
}

int isImageData::getNumberOfSlices() {
    execute();
    return sliceCount;
}

bool isImageData::isVolume() {
    execute();
    return regularVolume;
}

void* isImageData::getVolumeBuffer() {
    if (!regularVolume) {
        return nullptr;
    }
    update();
    return voxels;
}

isSliceInfo* isImageData::getSlice(int n) {
    update();
    if (n < 0 || n >= sliceCount || n >= int(slices.size())) {
        return nullptr;
    }
    auto it = slices.begin();
    std::advance(it, n);
    return *it;
}

bool isImageData::isMonochrome1() {
    update();
    return !slices.empty() && slices.front()->signCode > 1;
}

void isImageData::getWindowLevel(float* windowWidth, float* windowCentre) {
    update();
    if (slices.empty()) {
        return;
    }
    if (windowWidth) {
        *windowWidth = slices.front()->windowWidth;
    }
    if (windowCentre) {
        *windowCentre = slices.front()->windowCentre;
    }
}

void isImageData::getValueRange(float& lowest, float& highest) {
    update();
    pixelValueRange(slices.empty() ? pixelType : slices.front()->pixelType, lowest, highest);
}

isImageData* isImageData::getFirstPhase() {
    if (!phaseAware) {
        return this;
    }
    return firstPhase ? firstPhase : this;
}

bool isImageData::isMultiPhase() const {
    return firstPhase && firstPhase->multiPhase;
}

isImageData* isImageData::getPhase(int n) {
    if (!phaseAware || !firstPhase) {
        return this;
    }
    if (n < 0 || n >= firstPhase->phaseCount) {
        return nullptr;
    }
    isImageData* phase = firstPhase;
    for (int i = 0; i < n && phase; ++i) {
        phase = phase->nextPhase;
    }
    return phase;
}

int isImageData::getNumberOfPhases() {
    if (!phaseAware || !firstPhase) {
        return 1;
    }
    return firstPhase->phaseCount;
}

bool isImageData::isRegularGrid(int count) const {
    if (count < 1 || std::size_t(count) > slices.size()) {
        return false;
    }
    std::vector<const isSliceInfo*> stack(slices.begin(), slices.end());
    const isSliceInfo* first = stack[0];
    const cocos2d::Vec3 origin = originOf(first->matrix);
    const cocos2d::Vec3 normal = normalOf(first->matrix);
    for (int i = 1; i < count; ++i) {
        if (!slicesMatch(first, stack[i], true)) {
            return false;
        }
        if (pointLineDistance(originOf(stack[i]->matrix), origin, normal) > kPositionTolerance) {
            return false;
        }
    }
    if (count > 2) {
        const float firstGap = originOf(stack[1]->matrix).distance(origin);
        for (int i = 2; i < count; ++i) {
            const float gap = originOf(stack[i]->matrix).distance(originOf(stack[i - 1]->matrix));
            if (std::fabs(gap - firstGap) > kPositionTolerance) {
                return false;
            }
        }
    }
    return true;
}

int isImageData::getPhaseLayout() const {
    if (regularVolume || slices.empty()) {
        return 0;
    }
    const isSliceInfo* first = slices.front();
    const int perPhase = first->slicesPerPhase;
    if (perPhase < 2) {
        return 0;
    }
    int layout = 1;
    int phases = first->timeSlices;
    if (phases < 2) {
        layout = 2;
        phases = first->timeSlots;
        if (phases < 2) {
            return 0;
        }
    }
    if (slices.size() != std::size_t(perPhase) * std::size_t(phases)) {
        return 0;
    }
    for (const isSliceInfo* slice : slices) {
        const int slicePhases = layout == 1 ? slice->timeSlices : slice->timeSlots;
        if (slice->slicesPerPhase != perPhase || slicePhases != phases) {
            return 0;
        }
    }
    if (!isRegularGrid(perPhase)) {
        return 0;
    }
    std::vector<const isSliceInfo*> stack(slices.begin(), slices.end());
    for (std::size_t i = std::size_t(perPhase); i < stack.size(); ++i) {
        if (!slicesMatch(stack[i % std::size_t(perPhase)], stack[i], false)) {
            return 0;
        }
    }
    return layout;
}

void isImageData::splitPhases() {
    const int layout = getPhaseLayout();
    if (layout == 0) {
        return;
    }
    phaseCount = 1;
    const isSliceInfo* last = slices.back();
    const int perPhase = last->slicesPerPhase;
    const int phases = layout == 1 ? last->timeSlices : last->timeSlots;

    std::vector<isSliceInfo*> old(slices.begin(), slices.end());
    if (angleBetween(normalOf(old.back()->matrix),
                     originOf(old.back()->matrix) - originOf(old.front()->matrix)) > 1.0) {
        std::vector<isSliceInfo*> reordered(old.size());
        for (std::size_t i = 0; i < old.size(); ++i) {
            const std::size_t a = std::size_t(perPhase);
            reordered[a * (i / a + 1) - (i % a) - 1] = old[i];
        }
        old.swap(reordered);
    }
    spacing[2] = originOf(old[1]->matrix).distance(originOf(old[0]->matrix));

    const std::string keptName = dataName;
    const std::string keptLabel = label;
    const cocos2d::Mat4 keptUserMatrix = userMatrix;
    // Every phase repeats the geometry of the first one; slice matrices already carry the user
    // matrix, which is applied again once the chain stands.
    cocos2d::Mat4 frame = old[0]->matrix;
    if (!isIdentity(keptUserMatrix)) {
        frame = keptUserMatrix.getInversed() * frame;
    }
    int dims[3] = {old[0]->width, old[0]->height, perPhase};
    float phaseSpacing[3] = {old[0]->pixelSpacingX, old[0]->pixelSpacingY, spacing[2]};
    const int type = pixelType;
    const int orientation = orientationCode;
    const int headFeet = headFeetCode;

    // The old records and their pixels leave the list; the volume buffer, if any, with them.
    void* oldVoxels = voxels;
    const bool oldSingleBuffer = singleBuffer;
    voxels = nullptr;
    singleBuffer = false;
    slices.clear();
    std::size_t next = 0;
    auto freeOldRecord = [oldSingleBuffer](isSliceInfo* record) {
        if (!oldSingleBuffer) {
            std::free(record->data);
        }
        delete record;
    };
    auto freeRemaining = [&]() {
        for (; next < old.size(); ++next) {
            freeOldRecord(old[next]);
        }
        std::free(oldVoxels);
    };
    auto fillPhase = [&](isImageData* phase) {
        for (isSliceInfo* slice : phase->slices) {
            isSliceInfo* record = old[next++];
            record->copyHeaderTo(slice);
            if (record->data) {
                std::memcpy(slice->data, record->data,
                            sliceBytes(slice->width, slice->height, 1, slice->pixelType));
            }
            slice->loaded = record->loaded;
            slice->loadFailed = record->loadFailed;
            freeOldRecord(record);
        }
    };
    auto buildPhase = [&](isImageData* phase) {
        float phaseSpacingCopy[3] = {phaseSpacing[0], phaseSpacing[1], phaseSpacing[2]};
        bool outOfMemory = false;
        return phase->build(dims, phaseSpacingCopy, type, orientation, headFeet, frame,
                            &outOfMemory) &&
               !outOfMemory;
    };

    if (!buildPhase(this)) {
        freeRemaining();
        releaseVoxels();
        resetGeometry();
        return;
    }
    fillPhase(this);
    firstPhase = this;
    isImageData* previous = this;
    for (int p = 1; p < phases; ++p) {
        isImageData* phase = isImageData::create();
        if (!phase || !buildPhase(phase)) {
            freeRemaining();
            CC_SAFE_RELEASE(phase);
            return;
        }
        fillPhase(phase);
        previous->nextPhase = phase;
        phase->firstPhase = this;
        previous = phase;
    }
    std::free(oldVoxels);
    setDataName(keptName);
    setLabel(keptLabel);
    setUserMatrix(keptUserMatrix);
    phaseCount = phases;
    multiPhase = true;
}

isImageData* mergeImageDataPhases(const std::list<isImageData*>& phases) {
    if (phases.empty()) {
        return nullptr;
    }
    std::set<isImageData*> distinct;
    isImageData* head = phases.front();
    for (isImageData* phase : phases) {
        if (!phase || !distinct.insert(phase).second || !phase->isVolume() ||
            phase->sliceCount != head->sliceCount || phase->slices.size() != head->slices.size()) {
            return nullptr;
        }
        auto mine = phase->slices.begin();
        for (const isSliceInfo* reference : head->slices) {
            if (!slicesMatch(reference, *mine, false)) {
                return nullptr;
            }
            ++mine;
        }
    }
    // Links are made before the old ones are dropped, so an entry held only by an old chain
    // stays alive.
    std::vector<isImageData*> oldLinks;
    head->firstPhase = head;
    isImageData* previous = head;
    for (auto it = std::next(phases.begin()); it != phases.end(); ++it) {
        isImageData* phase = *it;
        phase->retain();
        oldLinks.push_back(previous->nextPhase);
        previous->nextPhase = phase;
        phase->firstPhase = head;
        previous = phase;
    }
    oldLinks.push_back(previous->nextPhase);
    previous->nextPhase = nullptr;
    for (isImageData* link : oldLinks) {
        CC_SAFE_RELEASE(link);
    }
    head->multiPhase = true;
    head->phaseCount = int(phases.size());
    return head;
}

}  // namespace isImageSDK
