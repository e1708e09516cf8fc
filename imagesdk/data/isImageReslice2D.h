#pragma once

#include <memory>

#include "engine/math/Mat4.h"
#include "imagesdk/data/SlabMode.h"
#include "imagesdk/data/isImageFilter.h"
#include "imagesdk/data/isSliceInfo.h"

namespace isImageSDK {

class BandPool;

// One run of the reslice kernel. The slice carries the output's width, height, pixel spacing,
// pixel type and pixel buffer, and the reslice matrix as its matrix.
struct ResliceRequest {
    isSliceInfo slice;
    int slabMode = SLAB_MAXIMUM;
    int slabSamples = 1;
    float slabStep = 1.0f;
    int interpolation = INTERPOLATION_TRILINEAR;
    float background = 0.0f;
};

// Samples the regular, single-buffer volume `input` of voxel type T on the plane (or slab of
// parallel planes) of the request into the request's buffer. Volumes held per slice, another
// voxel type or a spacing that is not positive leave the buffer untouched. With a pool the output
// rows are shared out in bands over its threads; the result is the same to the bit.
template <typename T>
void resliceVolume(isImageData* input, ResliceRequest* request, BandPool* pool = nullptr);

// Samples a regular volume on an arbitrary plane, sized so that the plane covers the whole
// volume, optionally combining parallel planes into a minimum, maximum, mean or summed slab.
// The matrix is the plane's frame in the volume's own millimetre frame (origin at the centre of
// the first voxel, axes along columns, rows and slices). Main thread only; no locks.
class isImageReslice2D : public isImageFilter {
public:
    // Not autoreleased: the caller receives the one reference. Null when init fails.
    static isImageReslice2D* create();

    ~isImageReslice2D() override;
    bool init() override;
    // Rebuilds the output's one slice record; its pixels start at zero.
    void execute() override;
    // Also picks the background by pixel type and resets the matrix to identity.
    void setInputData(isImageData* data) override;
    // Runs the kernel of the input's voxel type into the output slice.
    void updateOutput(isImageData* input, isImageData* output) override;

    // Stores the matrix, fits the output to the volume (moving the matrix origin to the
    // outline's corner) and marks both flags.
    void setResliceMatrix(const cocos2d::Mat4& matrix);
    // Sets the sample count and step from the thickness in millimetres; content only.
    void setSlabThickness(float thickness);
    // Content only.
    void setSlabMode(int mode);
    // INTERPOLATION_TRICUBIC or trilinear; content only.
    void setInterpolation(int mode);
    // Recomputes size, spacings and slab step from the matrix and the input volume.
    void updateFrame();
    // Threads the kernel runs on, the calling one included (at least 1). Changes no result, so
    // marks nothing. The default is the machine's core count, up to kMaxThreads.
    void setThreadCount(int threads);
    int getThreadCount() const { return threadCount; }

    static constexpr int kMaxThreads = 8;

    int getOutputWidth() const { return outputWidth; }
    int getOutputHeight() const { return outputHeight; }
    float getOutputSpacingX() const { return outputSpacingX; }
    float getOutputSpacingY() const { return outputSpacingY; }
    float getSlabStep() const { return slabStep; }
    int getInterpolation() const { return interpolation; }
    const cocos2d::Mat4& getResliceMatrix() const { return resliceMatrix; }
    float getBackground() const { return background; }
    int getSlabMode() const { return slabMode; }
    int getSlabSamples() const { return slabSamples; }
    float getSampleSpacing() const { return sampleSpacing; }
    float getSlabThickness() const { return slabThickness; }

protected:
    isImageReslice2D() = default;

private:
    int samplesForThickness(float thickness) const;

    int outputWidth = 1;
    int outputHeight = 1;
    float outputSpacingX = 1.0f;
    float outputSpacingY = 1.0f;
    // Between the frame update and the slab update it holds the spacing along the normal.
    float slabStep = 1.0f;
    int interpolation = INTERPOLATION_TRILINEAR;
    cocos2d::Mat4 resliceMatrix;
    float background = 0.0f;
    int slabMode = SLAB_MAXIMUM;
    int slabSamples = 1;
    float sampleSpacing = 1.0f;
    float slabThickness = 0.01f;
    int threadCount = 1;
    // Started on the first multi-threaded run; its threads are joined with the filter.
    std::unique_ptr<BandPool> pool;
};

}  // namespace isImageSDK
