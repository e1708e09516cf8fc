#pragma once

#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/ofstd/ofcond.h>

#include <cstdint>
#include <vector>

namespace dcmSDK {

// Decodes the JPEG 2000 frames of an encapsulated pixel sequence with OpenJPEG (DCMTK has no JPEG
// 2000 codec). Each frame must decode to exactly the expected size and component count before any
// sample is written.
class Jpeg2000Decoder {
public:
    struct Frame {
        unsigned rows = 0;
        unsigned columns = 0;
        unsigned samplesPerPixel = 1;
        unsigned bytesPerSample = 1;
    };

    // Appends frames x rows x columns pixels to out: samples interleaved, little endian, in the
    // low bits of bytesPerSample bytes each.
    static OFCondition decode(DcmPixelSequence& sequence, std::uint32_t frames, const Frame& frame,
                              std::vector<std::uint8_t>& out);
};

}  // namespace dcmSDK
