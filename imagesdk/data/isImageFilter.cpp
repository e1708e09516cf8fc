#include "imagesdk/data/isImageFilter.h"

namespace isImageSDK {

isImageFilter::~isImageFilter() {
    isImageFilter::cleanup();
}

void isImageFilter::cleanup() {
    isFilterObject::cleanup();
    inputData = nullptr;
    outputData = nullptr;
}

bool isImageFilter::init() {
    isFilterObject::init();
    inputData = nullptr;
    outputData = nullptr;
    return true;
}

isImageData* isImageFilter::outputImage() {
    getOutput();
    return outputData;
}

isImageData* isImageFilter::beginRebuild() {
    if (!dataModified && !(input && input->isDataModified())) {
        return nullptr;
    }
    if (input) {
        input->execute();
    }
    dataModified = false;
    ++productVersion;
    markConsumersDataModified();

    isImageData* out = outputImage();
    if (!out) {
        return nullptr;
    }
    out->releaseVoxels();
    out->resetGeometry();
    if (!inputData) {
        return nullptr;
    }
    inputData->execute();
    return out;
}

void isImageFilter::updateInformation() {
    if (!informationModified && !(input && input->isInformationModified())) {
        return;
    }
    if (input) {
        input->updateInformation();
    }
    getOutput();
    informationModified = false;
    ++productVersion;
    markConsumersInformationModified();
    updateOutput(inputData, outputData);
}

void isImageFilter::createOutput() {
    if (output) {
        return;
    }
    isImageData* data = isImageData::create();
    if (!data) {
        return;
    }
    outputData = data;
    output = data;
    data->releaseVoxels();
    data->resetGeometry();
    // The product does not retain its producer, so no cycle forms.
    data->setInput(this);
}

void isImageFilter::setInputData(isImageData* data) {
    setInput(data);
    inputData = data;
}

void isImageFilter::prioritize(cocos2d::Ref*, std::string) {}

void isImageFilter::updateOutput(isImageData*, isImageData*) {}

}  // namespace isImageSDK
