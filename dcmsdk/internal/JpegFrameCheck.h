#pragma once

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/ofstd/ofcond.h>

#include <cstddef>
#include <cstdint>

namespace dcmSDK {

// Checks the structure of the JPEG-family fragments of a data set before DCMTK's decoders see
// them. DCMTK's JPEG decoder walks each frame's markers to find its precision, and a fragment of
// the wrong shape (a TEM marker where it looks) keeps that walk from ever ending; such a data set
// is refused instead.
class JpegFrameCheck {
public:
    // EC_Normal when the data set is not JPEG-family encapsulated, or when every frame starts
    // with SOI, each marker segment before its frame header is at least two bytes long, and no
    // fragment can stall the marker walk.
    static OFCondition check(DcmDataset& dataset);
    // The same rules for one fragment; frameStart when a frame begins with it.
    static bool fragmentSound(const std::uint8_t* data, std::size_t length, bool frameStart);
};

}  // namespace dcmSDK
