#pragma once

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <dcmtk/ofstd/ofcond.h>

#include <cstddef>
#include <cstdint>

namespace dcmSDK {

// Checks the structure of the JPEG-family fragments of a data set before DCMTK's decoders see
// them. DCMTK's JPEG decoder walks the first fragment of each frame to find its precision, and a
// fragment of the wrong shape (a TEM marker where it looks) keeps that walk from ever ending; such
// a data set is refused instead.
class JpegFrameCheck {
public:
    // EC_Normal when the data set is not JPEG-family encapsulated, or when every fragment that a
    // decoder may take for the start of a frame starts with SOI, each marker segment before its
    // frame header is at least two bytes long, and the walk of its syntax cannot stall on it.
    // Later fragments of a frame are scan data the walk never reads.
    static OFCondition check(DcmDataset& dataset);
    // The same rules for a fragment that starts a frame of the given transfer syntax. Only
    // JPEG-LS takes FF F7 for its frame header; the other JPEG syntaxes skip it as a segment.
    static bool frameStartSound(const std::uint8_t* data, std::size_t length,
                                E_TransferSyntax xfer);
};

}  // namespace dcmSDK
