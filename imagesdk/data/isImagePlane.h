#pragma once

#include "imagesdk/data/SlabMode.h"
#include "imagesdk/data/isImageFilter.h"

namespace isImageSDK {

// Cuts one axis-aligned plane out of image data: a stored slice (axis 0), a column plane
// taken from the last column towards the first (axis 1) or a row plane (axis 2). Over a regular
// volume neighbouring planes can be combined into a minimum, maximum, mean or summed slab.
// A stack that is not a volume serves axis 0 only, without slab. One thread at a time.
class isImagePlane : public isImageFilter {
public:
    // Not autoreleased: the caller receives the one reference. Null when init fails.
    static isImagePlane* create();

    ~isImagePlane() override;
    bool init() override;
    // Rebuilds the output's one slice record for the current axis and index.
    void execute() override;
    // Also moves the index to the first position.
    void setInputData(isImageData* data) override;
    // Fills the output slice with the plane or slab.
    void updateOutput(isImageData* input, isImageData* output) override;

    // Shape changes: both flags.
    void setAxis(int value);
    void setIndex(int value);
    // Content only.
    void setSlabMode(int mode);
    // Odd sample count covering the thickness in millimetres along the axis; content only.
    void setSlabThickness(float thickness);
    // Positions along the current axis; -1 without input data.
    int getNumberOfPositions();
    // Index along the current axis of the plane through a world point; -1 without input data.
    int pointToIndex(float x, float y, float z);

    int getAxis() const { return axis; }
    int getIndex() const { return index; }
    int getSlabMode() const { return slabMode; }
    int getSlabSamples() const { return slabSamples; }

protected:
    isImagePlane() = default;

private:
    template <typename T> void fillPlane(isImageData* in, isImageData* out);
    void copyRgbPlane(isImageData* in, isImageData* out);
    // Spacing between positions along the current axis; 0 for an unknown axis.
    float axisSpacing() const;

    int slabSamples = 1;
    int slabMode = SLAB_MEAN;
    int axis = 0;
    int index = -1;
};

}  // namespace isImageSDK
