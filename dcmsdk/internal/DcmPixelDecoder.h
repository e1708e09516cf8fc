#pragma once

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/ofstd/ofcond.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dcmSDK {

// The image attributes of a data set, as checked against the pixel data it carries.
struct PixelLayout {
    std::uint16_t rows = 0;
    std::uint16_t columns = 0;
    std::uint32_t frames = 1;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t bitsAllocated = 0;
    std::uint16_t bitsStored = 0;
    std::uint16_t highBit = 0;
    std::uint16_t pixelRepresentation = 0;
    std::uint16_t planarConfiguration = 0;
    std::string photometric;
    E_TransferSyntax transferSyntax = EXS_Unknown;
    // 0 one byte a pixel, 1 two bytes (16-bit samples), 2 three bytes (interleaved RGB).
    int outputType = 0;

    std::uint64_t pixelCount() const { return static_cast<std::uint64_t>(frames) * rows * columns; }
};

// Turns the pixel data of a data set into stored values: masked and sign-extended by Bits Stored
// and High Bit, colour interleaved and converted to RGB. Every size is checked in 64 bits against
// the data actually present before a buffer is touched.
class DcmPixelDecoder {
public:
    // Reads and checks the layout without decoding any pixel.
    static OFCondition inspect(DcmDataset& dataset, PixelLayout& layout);
    // Decodes every frame into out (layout.outputType tells the bytes a pixel).
    static OFCondition decode(DcmDataset& dataset, PixelLayout& layout,
                              std::vector<std::uint8_t>& out);
};

}  // namespace dcmSDK
