#include "dcmsdk/internal/JpegFrameCheck.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcerror.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <dcmtk/dcmdata/dcxfer.h>

#include <algorithm>
#include <vector>

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

// A frame header (SOF0..SOF15 except DHT, JPG and DAC) ends the walk; so does SOF55 in JPEG-LS.
// DCMTK's JPEG decoders read FF F7 as one of the JPGn segments and walk past it.
bool isFrameHeader(std::uint8_t code, bool jpegLs) {
    return (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) ||
           (jpegLs && code == 0xF7);
}

bool isJpegLs(E_TransferSyntax xfer) {
    return xfer == EXS_JPEGLSLossless || xfer == EXS_JPEGLSLossy;
}

bool startsWithSoi(const std::uint8_t* data, std::size_t length) {
    return length >= 2 && data[0] == kMarker && data[1] == kSoi;
}

// Markers that stand alone, without a length.
bool isStandalone(std::uint8_t code) {
    return (code >= 0xD0 && code <= 0xD9) || (code >= 0x03 && code <= 0xBF);
}

std::size_t segmentLength(const std::uint8_t* data, std::size_t offset) {
    return (static_cast<std::size_t>(data[offset + 2]) << 8) | data[offset + 3];
}

}  // namespace

bool JpegFrameCheck::frameStartSound(const std::uint8_t* data, std::size_t length,
                                     E_TransferSyntax xfer) {
    if (length < 4 || !startsWithSoi(data, length)) {
        return false;
    }
    const bool jpegLs = isJpegLs(xfer);
    // The walk DCMTK makes from the fragment's first byte while four more bytes follow: every
    // step but a TEM marker moves on, and a byte that is not a marker ends it.
    std::size_t offset = 0;
    while (offset + 4 < length) {
        if (data[offset] != kMarker) {
            return false;
        }
        const std::uint8_t code = data[offset + 1];
        if (code == kTem) {
            return false;
        }
        if (isFrameHeader(code, jpegLs)) {
            return true;
        }
        if (code == kMarker) {
            offset += 1;
        } else if (isStandalone(code)) {
            offset += 2;
        } else if (code >= 0xC4) {
            const std::size_t segment = segmentLength(data, offset);
            if (segment < 2) {
                return false;
            }
            offset += 2 + segment;
        } else {
            return false;
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
    // Item 0 is the offset table. The first fragment starts a frame, and with one fragment a
    // frame each every one does. Otherwise a decoder finds a frame's first fragment through the
    // offset table or by its SOI, so those are walked; the fragments between them continue a
    // frame's scan data, which may hold any marker-like pair.
    const bool fragmentPerFrame = fragments == static_cast<unsigned long>(frames) + 1;
    std::vector<Uint32> frameOffsets;
    DcmPixelItem* table = nullptr;
    Uint8* tableData = nullptr;
    if (!fragmentPerFrame && frames > 1 && sequence->getItem(table, 0).good() && table != nullptr &&
        table->getLength() == static_cast<Uint32>(frames) * 4 &&
        table->getUint8Array(tableData).good() && tableData != nullptr) {
        for (Sint32 f = 0; f < frames; ++f) {
            const Uint8* entry = tableData + 4 * f;
            frameOffsets.push_back(static_cast<Uint32>(entry[0]) | (entry[1] << 8) |
                                   (entry[2] << 16) | (static_cast<Uint32>(entry[3]) << 24));
        }
    }
    std::uint64_t itemOffset = 0;
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
        const bool named =
            std::find(frameOffsets.begin(), frameOffsets.end(), itemOffset) != frameOffsets.end();
        const bool frameStart = i == 1 || fragmentPerFrame || named || startsWithSoi(data, length);
        if (frameStart && !frameStartSound(data, length, xfer)) {
            return kBadJpegFrame;
        }
        // Each item's tag and length take eight bytes ahead of its value.
        itemOffset += static_cast<std::uint64_t>(length) + 8;
    }
    return EC_Normal;
}

}  // namespace dcmSDK
