#pragma once

#include "imagesdk/data/isImageFilter.h"

namespace isImageSDK {

// The last stage of a displayed image's chain: a one-slice copy of the first slice of its
// input, with its own record and pixel buffer, so the drawing side always reads one stable
// data set whatever filter stands in front.
class isImageSlice : public isImageFilter {
public:
    // Not autoreleased: the caller receives the one reference. Null when init fails.
    static isImageSlice* create();

    ~isImageSlice() override;
    bool init() override;
    // Rebuilds the output as a copy of the input's first slice record and pixels.
    void execute() override;
    // Copies the input's first slice pixels into the existing output slice.
    void updateOutput(isImageData* input, isImageData* output) override;

protected:
    isImageSlice() = default;
};

}  // namespace isImageSDK
