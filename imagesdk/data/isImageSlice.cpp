#include "imagesdk/data/isImageSlice.h"

#include <cstring>
#include <new>

#include "imagesdk/data/PixelType.h"

namespace isImageSDK {

isImageSlice* isImageSlice::create() {
    auto* filter = new (std::nothrow) isImageSlice();
    if (filter && !filter->init()) {
        delete filter;
        return nullptr;
    }
    return filter;
}

isImageSlice::~isImageSlice() = default;

bool isImageSlice::init() {
    return isImageFilter::init();
}

void isImageSlice::execute() {
    isImageData* out = beginRebuild();
    if (!out) {
        return;
    }
    if (!inputData->hasData || inputData->slices.empty()) {
        return;
    }
    out->addSliceCopy(inputData->slices.front());
}

void isImageSlice::updateOutput(isImageData* in, isImageData* out) {
    if (!out) {
        return;
    }
    out->execute();
    if (!out->hasData || out->slices.empty() || !in) {
        return;
    }
    in->execute();
    if (!in->hasData || in->slices.empty()) {
        return;
    }
    const isSliceInfo* source = in->slices.front();
    isSliceInfo* target = out->slices.front();
    // Only a slice of the shape the output was built with is copied.
    if (source->data && target->data && source->width == target->width &&
        source->height == target->height && source->pixelType == target->pixelType) {
        std::memcpy(target->data, source->data,
                    std::size_t(source->width) * std::size_t(source->height) *
                        std::size_t(bytesPerPixel(source->pixelType)));
    }
}

}  // namespace isImageSDK
