#pragma once

#include <string>

#include "imagesdk/data/isImageFilter.h"

namespace dcmSDK {
class dcmReader;
}

namespace isImageSDK {

// Pipeline source that reads one DICOM file into image data of exactly one slice (every frame of
// a multi-frame file in that slice), with its geometry, rescale, window and PET values. A file
// that cannot be read leaves the output without slices; another path can be set and pulled.
class isDcmReader : public isImageFilter {
public:
    // Not autoreleased: the caller receives the one reference. Null when init fails.
    static isDcmReader* create();

    ~isDcmReader() override;

    bool init() override;
    // Reads the file into the output.
    void execute() override;
    bool isReader() override { return true; }
    // The pixels are filled by execute.
    void updateOutput(isImageData* input, isImageData* output) override;

    void setFileName(std::string path);
    const std::string& getFileName() const { return fileName; }

protected:
    isDcmReader() = default;

private:
    // Adds the open file as the only slice of data, or nothing when it cannot be read.
    void readSlice(dcmSDK::dcmReader& reader, isImageData* data);

    std::string fileName;
};

}  // namespace isImageSDK
