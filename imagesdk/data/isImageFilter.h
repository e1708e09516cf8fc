#pragma once

#include <string>

#include "imagesdk/data/isFilterObject.h"
#include "imagesdk/data/isImageData.h"

namespace isImageSDK {

// A pipeline stage with one image-data input and one image-data output. A pull rebuilds the
// output's structure in execute when the data is stale, then refills its pixels through
// updateOutput when the information is stale, so content-only parameter changes never rebuild
// the output. Concrete filters provide create; this base is never instantiated on its own.
class isImageFilter : public isFilterObject {
public:
    ~isImageFilter() override;

    // Resets the pipeline state and both data pointers; concrete filters add their defaults.
    bool init() override;
    // Disconnects the input, releases the output and clears both data pointers.
    void cleanup() override;
    // Refreshes upstream, then recomputes the output's pixels.
    void updateInformation() override;
    // Makes an empty image data whose producer is this filter.
    void createOutput() override;

    // Connects (or with null disconnects) the data whose content this filter transforms.
    virtual void setInputData(isImageData* data);
    // Asks a loading filter to serve the named data first; plain filters ignore it.
    virtual void prioritize(cocos2d::Ref* requester, std::string dataName);
    // Fills the output's pixels for the current parameters; the base fills nothing.
    virtual void updateOutput(isImageData* input, isImageData* output);

    isImageData* getInputData() const { return inputData; }
    // Null until the output has been demanded.
    isImageData* getOutputImage() const { return outputData; }

protected:
    isImageFilter() = default;

    // The output, created on first demand.
    isImageData* outputImage();
    // The start every rebuilding execute shares. When neither this filter's data nor its input
    // chain is stale, null. Otherwise brings the input up to date, clears the own flag, marks
    // the consumers stale and empties the output; then the output to rebuild, or null when there
    // is no output or no input data (the output stays empty). The input data is up to date.
    isImageData* beginRebuild();

    // The pipeline input holds the reference; this is a typed view of it.
    isImageData* inputData = nullptr;
    // The pipeline output holds the reference; this is a typed view of it.
    isImageData* outputData = nullptr;
};

}  // namespace isImageSDK
