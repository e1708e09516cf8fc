#include "dcmsdk/internal/JpegFrameCheck.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcerror.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <dcmtk/dcmdata/dcxfer.h>

namespace dcmSDK {

namespace {

makeOFConditionConst(kBadJpegFrame, OFM_dcmdata, 0x1206, OF_error,
                     "JPEG frame with a malformed marker structure");

const std::uint8_t kMarker = 0xFF;
const std::uint8_t kTem = 0x01;
const std::uint8_t kSoi = 0xD8;

bool isJpegFamily(E_TransferSyntax xfer) {
    switch (xfer) {
    case EXS_JPEGProcess1:
    case EXS_JPEGProcess2_4:
    case EXS_JPEGProcess3_5:
    case EXS_JPEGProcess6_8:
    case EXS_JPEGProcess7_9:
    case EXS_JPEGProcess10_12:
    case EXS_JPEGProcess11_13:
    case EXS_JPEGProcess14:
    case EXS_JPEGProcess15:
    case EXS_JPEGProcess16_18:
    case EXS_JPEGProcess17_19:
    case EXS_JPEGProcess20_22:
    case EXS_JPEGProcess21_23:
    case EXS_JPEGProcess24_26:
    case EXS_JPEGProcess25_27:
    case EXS_JPEGProcess28:
    case EXS_JPEGProcess29:
    case EXS_JPEGProcess14SV1:
    case EXS_JPEGLSLossless:
    case EXS_JPEGLSLossy:
        return true;
    default:
        return false;
    }
}

// A frame header (SOF0..SOF15 except DHT, JPG and DAC, or JPEG-LS's SOF55) ends the walk.
bool isFrameHeader(std::uint8_t code) {
    return (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) ||
           code == 0xF7;
}

// Markers that stand alone, without a length.
bool isStandalone(std::uint8_t code) {
    return (code >= 0xD0 && code <= 0xD9) || (code >= 0x03 && code <= 0xBF);
}

std::size_t segmentLength(const std::uint8_t* data, std::size_t offset) {
    return (static_cast<std::size_t>(data[offset + 2]) << 8) | data[offset + 3];
}

}  // namespace

bool JpegFrameCheck::fragmentSound(const std::uint8_t* data, std::size_t length, bool frameStart) {
    if (frameStart && (length < 4 || data[0] != kMarker || data[1] != kSoi)) {
        return false;
    }
    // The walk DCMTK makes from the fragment's first byte while four more bytes follow: every
    // step but a TEM marker moves on, and a byte that is not a marker ends it.
    std::size_t offset = 0;
    while (offset + 4 < length) {
        if (data[offset] != kMarker) {
            return !frameStart;
        }
        const std::uint8_t code = data[offset + 1];
        if (code == kTem) {
            return false;
        }
        if (isFrameHeader(code)) {
            return true;
        }
        if (code == kMarker) {
            offset += 1;
        } else if (isStandalone(code)) {
            offset += 2;
        } else if (code >= 0xC4) {
            const std::size_t segment = segmentLength(data, offset);
            if (frameStart && segment < 2) {
                return false;
            }
            offset += 2 + segment;
        } else {
            return !frameStart;
        }
    }
    return true;
}

OFCondition JpegFrameCheck::check(DcmDataset& dataset) {
    const E_TransferSyntax xfer = dataset.getOriginalXfer();
    if (!isJpegFamily(xfer)) {
        return EC_Normal;
    }
    DcmElement* element = nullptr;
    if (dataset.findAndGetElement(DCM_PixelData, element).bad() || element == nullptr ||
        element->ident() != EVR_PixelData) {
        return EC_Normal;
    }
    DcmPixelSequence* sequence = nullptr;
    if (static_cast<DcmPixelData*>(element)
            ->getEncapsulatedRepresentation(xfer, nullptr, sequence)
            .bad() ||
        sequence == nullptr) {
        return EC_Normal;
    }
    Sint32 frames = 1;
    if (dataset.findAndGetSint32(DCM_NumberOfFrames, frames).bad() || frames < 1) {
        frames = 1;
    }
    const unsigned long fragments = sequence->card();
    // Item 0 is the offset table. With one fragment a frame each, each one starts a frame;
    // otherwise any fragment may be taken for a frame's start and must not stall the walk.
    const bool fragmentPerFrame = fragments == static_cast<unsigned long>(frames) + 1;
    for (unsigned long i = 1; i < fragments; ++i) {
        DcmPixelItem* item = nullptr;
        Uint8* data = nullptr;
        if (sequence->getItem(item, i).bad() || item == nullptr) {
            return kBadJpegFrame;
        }
        const Uint32 length = item->getLength();
        if (length > 0 && (item->getUint8Array(data).bad() || data == nullptr)) {
            return kBadJpegFrame;
        }
        const bool frameStart = i == 1 || fragmentPerFrame;
        if (!fragmentSound(data, length, frameStart)) {
            return kBadJpegFrame;
        }
    }
    return EC_Normal;
}

}  // namespace dcmSDK
