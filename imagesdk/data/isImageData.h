#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "engine/math/Mat4.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isFilterObject.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"

namespace isImageSDK {

// A stack of slices or a regular volume, the product end of the pipeline. A multi-phase
// acquisition is a chain of data sets, one per phase, behind a head that keeps the phase count.
// Producers fill it through build, addSlice and addSliceCopy; consumers read through the getters,
// which bring it up to date first. The fields are open to the producers and renderers that read
// or tune them directly.
class isImageData : public isFilterObject {
public:
    // Not autoreleased: the caller receives the one reference. Null when init fails.
    static isImageData* create();

    ~isImageData() override;

    // Releases the phase chain behind this data set, detaches it and frees its voxels.
    void cleanup() override;
    bool init() override;
    // Image data is the end of a pipeline: it has no output.
    isFilterObject* getOutput() override;
    void createOutput() override;

    // A regular volume with fresh slice records and voxel memory. False when the slice count
    // (or the width or height) is not positive. A z spacing of 0 or below becomes 1.0, written
    // back. When the voxel memory cannot be had the result is still true but the data set is
    // empty again (after NOTIFY_OUT_OF_MEMORY); outOfMemory, when given, tells that case apart:
    // it is set exactly when the shape was accepted and the memory was not there.
    bool build(int dims[3], float spacing[3], int pixelType, int orientationCode, int headFeetCode,
               const cocos2d::Mat4& frame, bool* outOfMemory = nullptr);
    // Appends one slice with a zero-filled buffer of its own; null (after notifying) when the
    // buffer cannot be had or is too large.
    isSliceInfo* addSlice(const int size[2], int frames, const float pixelSpacing[2], int pixelType,
                          int orientationCode, int headFeetCode, const cocos2d::Mat4& matrix);
    // addSlice shaped like the source, then its header values, pixels and loaded flag.
    isSliceInfo* addSliceCopy(const isSliceInfo* source);
    // Voxel memory for all current slice records.
    bool allocate();
    // Frees the voxels and the slice records and drops the phase chain behind this data set.
    void releaseVoxels();
    void resetGeometry();
    void setUserMatrix(const cocos2d::Mat4& matrix);

    // Apply to this data set and every phase behind it.
    void setDataName(const std::string& text);
    std::string getDataName() const { return dataName; }
    void setLabel(const std::string& text);
    const std::string& getLabel() const { return label; }

    void getDimensions(int out[3]);
    void getSpacing(float out[3]);
    int getNumberOfSlices();
    bool isVolume();
    // Null unless the data set is a volume held in one buffer.
    void* getVolumeBuffer();
    isSliceInfo* getSlice(int n);
    bool isMonochrome1();
    // The first slice's default window; nothing is written without slices.
    void getWindowLevel(float* windowWidth, float* windowCentre);
    // The values its pixels can hold: the first slice's pixel type, the data set's without slices.
    void getValueRange(float& lowest, float& highest);

    isImageData* getFirstPhase();
    bool isMultiPhase() const;
    isImageData* getPhase(int n);
    int getNumberOfPhases();
    // Whether the first count slices form one regular volume.
    bool isRegularGrid(int count) const;
    // 0 not multi-phase; 1 phases counted by time slices, 2 by time slots.
    int getPhaseLayout() const;
    // Regroups a multi-phase acquisition into one volume per phase, chained behind this one.
    void splitPhases();

    cocos2d::Mat4 frameMatrix = cocos2d::Mat4::IDENTITY;
    cocos2d::Mat4 userMatrix = cocos2d::Mat4::IDENTITY;
    // userMatrix x frameMatrix for a volume; column 3 is the origin of slice 0.
    cocos2d::Mat4 worldMatrix = cocos2d::Mat4::IDENTITY;
    void* voxels = nullptr;
    float spacing[3] = {1.0f, 1.0f, 1.0f};
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t sliceCount = 0;
    bool regularVolume = false;
    bool singleBuffer = false;
    bool hasData = false;
    std::int32_t orientationCode = 0;
    std::int32_t headFeetCode = 0;
    std::int32_t pixelType = PIXEL_INT16;
    std::list<isSliceInfo*> slices;
    std::string dataName;
    std::string label;
    bool multiPhase = false;
    std::int32_t phaseCount = 1;
    // Holds a reference.
    isImageData* nextPhase = nullptr;
    // The head of the chain; no reference.
    isImageData* firstPhase = nullptr;
    std::int32_t currentPhase = 0;
    // When false the phase getters treat this data set alone.
    bool phaseAware = true;

protected:
    isImageData() = default;

private:
    void freeVoxelMemory();
    void freeSlices();
    void releasePhaseChain();
    void applyUserMatrix(const cocos2d::Mat4& matrix);
    void placeVolumeSlices();
    void failForMemory();
};

// Chains volumes of matching geometry into one multi-phase data set headed by the first entry.
// Null, with nothing changed, when they do not match.
isImageData* mergeImageDataPhases(const std::list<isImageData*>& phases);

}  // namespace isImageSDK
