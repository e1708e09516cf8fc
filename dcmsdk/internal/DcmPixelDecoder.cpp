#include "dcmsdk/internal/DcmPixelDecoder.h"

#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/internal/Jpeg2000Decoder.h"
#include "dcmsdk/internal/JpegFrameCheck.h"

#include <dcmtk/dcmdata/dccodec.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcerror.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcxfer.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dcmSDK {

namespace {

makeOFConditionConst(kNoPixels, OFM_dcmdata, 0x1201, OF_error, "No usable pixel data");
makeOFConditionConst(kBadLayout, OFM_dcmdata, 0x1202, OF_error, "Unsupported pixel layout");
makeOFConditionConst(kBadSyntax, OFM_dcmdata, 0x1203, OF_error,
                     "Pixel data in an unsupported transfer syntax");
makeOFConditionConst(kShortPixels, OFM_dcmdata, 0x1204, OF_error,
                     "Pixel data shorter than the image attributes need");
makeOFConditionConst(kTooLarge, OFM_dcmdata, 0x1205, OF_error,
                     "Image larger than the single-buffer limit");

bool isJpeg2000(E_TransferSyntax xfer) {
    return xfer == EXS_JPEG2000LosslessOnly || xfer == EXS_JPEG2000;
}

bool getUint16(DcmItem& item, const DcmTagKey& key, std::uint16_t& value) {
    Uint16 found = 0;
    if (item.findAndGetUint16(key, found).good()) {
        value = found;
        return true;
    }
    return false;
}

std::string getString(DcmItem& item, const DcmTagKey& key) {
    OFString value;
    if (item.findAndGetOFString(key, value).good()) {
        return std::string(value.c_str());
    }
    return std::string();
}

DcmPixelData* findPixelData(DcmDataset& dataset) {
    DcmElement* element = nullptr;
    if (dataset.findAndGetElement(DCM_PixelData, element).bad() || element == nullptr ||
        element->ident() != EVR_PixelData) {
        return nullptr;
    }
    return static_cast<DcmPixelData*>(element);
}

bool isYbr(const std::string& photometric) {
    return photometric == "YBR_FULL" || photometric == "YBR_FULL_422" ||
           photometric == "YBR_PARTIAL_422";
}

// Bytes the native (undecoded) pixel data must hold.
std::uint64_t nativeBytes(const PixelLayout& layout) {
    const std::uint64_t bytesPerSample = layout.bitsAllocated / 8;
    std::uint64_t perFrame =
        static_cast<std::uint64_t>(layout.rows) * layout.columns * layout.samplesPerPixel;
    if (layout.samplesPerPixel == 3 &&
        (layout.photometric == "YBR_FULL_422" || layout.photometric == "YBR_PARTIAL_422")) {
        perFrame = static_cast<std::uint64_t>(layout.rows) * layout.columns * 2;
    }
    return perFrame * bytesPerSample * layout.frames;
}

bool isNativeSubsampled(const PixelLayout& layout, bool decoded) {
    return !decoded && layout.samplesPerPixel == 3 &&
           (layout.photometric == "YBR_FULL_422" || layout.photometric == "YBR_PARTIAL_422");
}

OFCondition readLayout(DcmDataset& dataset, PixelLayout& layout) {
    layout = PixelLayout();
    layout.transferSyntax = dataset.getOriginalXfer();
    if (findPixelData(dataset) == nullptr) {
        return kNoPixels;
    }
    if (!getUint16(dataset, DCM_Rows, layout.rows) ||
        !getUint16(dataset, DCM_Columns, layout.columns) || layout.rows == 0 ||
        layout.columns == 0 || !getUint16(dataset, DCM_BitsAllocated, layout.bitsAllocated)) {
        return kBadLayout;
    }
    const std::string frames = getString(dataset, DCM_NumberOfFrames);
    if (!frames.empty()) {
        const long value = std::strtol(frames.c_str(), nullptr, 10);
        layout.frames = value < 1 ? 1U : static_cast<std::uint32_t>(std::min(value, long(INT_MAX)));
    }
    getUint16(dataset, DCM_SamplesPerPixel, layout.samplesPerPixel);
    layout.bitsStored = layout.bitsAllocated;
    getUint16(dataset, DCM_BitsStored, layout.bitsStored);
    layout.highBit = static_cast<std::uint16_t>(layout.bitsStored - 1);
    getUint16(dataset, DCM_HighBit, layout.highBit);
    getUint16(dataset, DCM_PixelRepresentation, layout.pixelRepresentation);
    getUint16(dataset, DCM_PlanarConfiguration, layout.planarConfiguration);
    layout.photometric = getString(dataset, DCM_PhotometricInterpretation);
    if (layout.photometric.empty()) {
        layout.photometric = layout.samplesPerPixel == 1 ? "MONOCHROME2" : "RGB";
    }
    if ((layout.bitsAllocated != 8 && layout.bitsAllocated != 16) || layout.bitsStored == 0 ||
        layout.bitsStored > layout.bitsAllocated || layout.highBit >= layout.bitsAllocated ||
        layout.highBit + 1 < layout.bitsStored) {
        return kBadLayout;
    }
    if (layout.samplesPerPixel == 1) {
        if (layout.photometric == "MONOCHROME1" || layout.photometric == "MONOCHROME2") {
            layout.outputType = layout.bitsAllocated == 8 ? 0 : 1;
        } else if (layout.photometric == "PALETTE COLOR") {
            layout.outputType = 2;
        } else {
            return kBadLayout;
        }
    } else if (layout.samplesPerPixel == 3 && layout.bitsAllocated == 8) {
        const bool j2kColour = isJpeg2000(layout.transferSyntax) &&
                               (layout.photometric == "YBR_ICT" || layout.photometric == "YBR_RCT");
        if (layout.photometric != "RGB" && !isYbr(layout.photometric) && !j2kColour) {
            return kBadLayout;
        }
        layout.outputType = 2;
    } else {
        return kBadLayout;
    }
    if (layout.samplesPerPixel == 3 && isNativeSubsampled(layout, false) &&
        layout.columns % 2 != 0) {
        return kBadLayout;
    }
    const std::uint64_t pixels = layout.pixelCount();
    const std::uint64_t outBytes = pixels * (layout.outputType == 0   ? 1
                                             : layout.outputType == 1 ? 2
                                                                      : 3);
    if (pixels > static_cast<std::uint64_t>(INT_MAX) || outBytes > kMaxBufferBytes ||
        nativeBytes(layout) > kMaxBufferBytes) {
        return kTooLarge;
    }
    return EC_Normal;
}

OFCondition checkPixelData(DcmDataset& dataset, const PixelLayout& layout) {
    DcmPixelData* pixelData = findPixelData(dataset);
    if (pixelData == nullptr) {
        return kNoPixels;
    }
    const DcmXfer xfer(layout.transferSyntax);
    if (xfer.isNotEncapsulated()) {
        const std::uint64_t present = pixelData->getLength();
        if (present < nativeBytes(layout)) {
            return kShortPixels;
        }
        if (present > kMaxBufferBytes) {
            return kTooLarge;
        }
        return EC_Normal;
    }
    const bool decodable =
        isJpeg2000(layout.transferSyntax) ||
        DcmCodecList::canChangeCoding(layout.transferSyntax, EXS_LittleEndianExplicit);
    if (!decodable) {
        return kBadSyntax;
    }
    DcmPixelSequence* sequence = nullptr;
    if (pixelData->getEncapsulatedRepresentation(layout.transferSyntax, nullptr, sequence).bad() ||
        sequence == nullptr || sequence->card() < 2) {
        return kNoPixels;
    }
    return EC_Normal;
}

OFCondition nativeBuffer(DcmPixelData& pixelData, const std::uint8_t*& bytes,
                         std::uint64_t& length) {
    Uint8* data = nullptr;
    OFCondition status = pixelData.getUint8Array(data);
    if (status.bad() || data == nullptr) {
        return status.bad() ? status : kNoPixels;
    }
    bytes = data;
    length = pixelData.getLength();
    return EC_Normal;
}

std::uint32_t readSample(const std::uint8_t* data, std::uint64_t index, unsigned bytesPerSample) {
    if (bytesPerSample == 1) {
        return data[index];
    }
    return static_cast<std::uint32_t>(data[2 * index]) |
           (static_cast<std::uint32_t>(data[2 * index + 1]) << 8);
}

// The stored value of a sample: the Bits Stored bits ending at High Bit, sign-extended when signed.
std::int32_t storedValue(std::uint32_t raw, const PixelLayout& layout, bool isSigned) {
    const unsigned shift = layout.highBit + 1U - layout.bitsStored;
    const std::uint32_t mask = (1U << layout.bitsStored) - 1U;
    std::uint32_t value = (raw >> shift) & mask;
    if (isSigned && (value & (1U << (layout.bitsStored - 1U))) != 0) {
        return static_cast<std::int32_t>(value) -
               static_cast<std::int32_t>(1U << layout.bitsStored);
    }
    return static_cast<std::int32_t>(value);
}

std::uint8_t clampByte(double value) {
    if (value <= 0.0) {
        return 0;
    }
    if (value >= 255.0) {
        return 255;
    }
    return static_cast<std::uint8_t>(value + 0.5);
}

void ybrToRgb(int y, int cb, int cr, bool partial, std::uint8_t* rgb) {
    double yy = y;
    double scale = 1.0;
    if (partial) {
        yy = (y - 16) * 255.0 / 219.0;
        scale = 255.0 / 224.0;
    }
    const double b = (cb - 128) * scale;
    const double r = (cr - 128) * scale;
    rgb[0] = clampByte(yy + 1.402 * r);
    rgb[1] = clampByte(yy - 0.344136 * b - 0.714136 * r);
    rgb[2] = clampByte(yy + 1.772 * b);
}

// Bits Stored bits ending at High Bit of each sample, sign-extended without a branch (flipping
// the sign bit and subtracting it again). 16-bit samples are handled as whole little-endian
// words in fixed blocks, which the compiler vectorises.
template <typename Word>
void maskSamples(const std::uint8_t* __restrict data, std::uint64_t count, unsigned shift,
                 Word mask, Word signBit, std::uint8_t* __restrict target) {
    constexpr std::uint64_t kBlock = 16;
    auto one = [=](const std::uint8_t* in, std::uint8_t* out) {
        Word raw = 0;
        if constexpr (sizeof(Word) == 1) {
            raw = in[0];
        } else {
            raw = static_cast<Word>(in[0] | (in[1] << 8));
        }
        const Word value =
            static_cast<Word>(((static_cast<Word>(raw >> shift) & mask) ^ signBit) - signBit);
        out[0] = static_cast<std::uint8_t>(value & 0xFF);
        if constexpr (sizeof(Word) == 2) {
            out[1] = static_cast<std::uint8_t>(value >> 8);
        }
    };
    std::uint64_t i = 0;
#if defined(__SSE2__)
    // Eight little-endian words at a time, the same wrapping 16-bit operations as one().
    if constexpr (sizeof(Word) == 2) {
        const __m128i by = _mm_cvtsi32_si128(int(shift));
        const __m128i keep = _mm_set1_epi16(static_cast<std::int16_t>(mask));
        const __m128i sign = _mm_set1_epi16(static_cast<std::int16_t>(signBit));
        for (; i + 8 <= count; i += 8) {
            const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i * 2));
            const __m128i value = _mm_xor_si128(_mm_and_si128(_mm_srl_epi16(raw, by), keep), sign);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i * 2),
                             _mm_sub_epi16(value, sign));
        }
    }
#endif
    for (; i + kBlock <= count; i += kBlock) {
        for (std::uint64_t k = 0; k < kBlock; ++k) {
            one(data + (i + k) * sizeof(Word), target + (i + k) * sizeof(Word));
        }
    }
    for (; i < count; ++i) {
        one(data + i * sizeof(Word), target + i * sizeof(Word));
    }
}

void convertMonochrome(const std::uint8_t* data, const PixelLayout& layout,
                       std::vector<std::uint8_t>& out) {
    const std::uint64_t count = layout.pixelCount();
    const unsigned bytesPerSample = layout.bitsAllocated / 8;
    out.resize(static_cast<std::size_t>(count * bytesPerSample));
    const unsigned shift = layout.highBit + 1U - layout.bitsStored;
    // Stored bits that fill the whole sample are already the stored values, signed or not.
    if (shift == 0 && layout.bitsStored == layout.bitsAllocated) {
        std::memcpy(out.data(), data, out.size());
        return;
    }
    const std::uint32_t mask = (1U << layout.bitsStored) - 1U;
    const std::uint32_t signBit =
        layout.pixelRepresentation != 0 ? 1U << (layout.bitsStored - 1U) : 0U;
    if (bytesPerSample == 2) {
        maskSamples<std::uint16_t>(data, count, shift, static_cast<std::uint16_t>(mask),
                                   static_cast<std::uint16_t>(signBit), out.data());
    } else {
        maskSamples<std::uint8_t>(data, count, shift, static_cast<std::uint8_t>(mask),
                                  static_cast<std::uint8_t>(signBit), out.data());
    }
}

void convertColour(const std::uint8_t* data, const PixelLayout& layout, bool decoded,
                   std::vector<std::uint8_t>& out) {
    const std::uint64_t framePixels = static_cast<std::uint64_t>(layout.rows) * layout.columns;
    const bool subsampled = isNativeSubsampled(layout, decoded);
    const bool ybr = isYbr(layout.photometric);
    const bool partial = layout.photometric == "YBR_PARTIAL_422";
    out.resize(static_cast<std::size_t>(layout.pixelCount() * 3));
    std::uint8_t* target = out.data();
    for (std::uint32_t f = 0; f < layout.frames; ++f) {
        for (std::uint64_t p = 0; p < framePixels; ++p) {
            std::uint32_t c[3];
            if (subsampled) {
                const std::uint8_t* pair = data + f * framePixels * 2 + (p / 2) * 4;
                c[0] = pair[p % 2];
                c[1] = pair[2];
                c[2] = pair[3];
            } else if (layout.planarConfiguration == 1) {
                const std::uint8_t* frame = data + f * framePixels * 3;
                for (int k = 0; k < 3; ++k) {
                    c[k] = frame[k * framePixels + p];
                }
            } else {
                const std::uint8_t* pixel = data + (f * framePixels + p) * 3;
                for (int k = 0; k < 3; ++k) {
                    c[k] = pixel[k];
                }
            }
            for (std::uint32_t& sample : c) {
                sample = static_cast<std::uint32_t>(storedValue(sample, layout, false));
            }
            if (ybr) {
                ybrToRgb(static_cast<int>(c[0]), static_cast<int>(c[1]), static_cast<int>(c[2]),
                         partial, target);
            } else {
                target[0] = static_cast<std::uint8_t>(c[0]);
                target[1] = static_cast<std::uint8_t>(c[1]);
                target[2] = static_cast<std::uint8_t>(c[2]);
            }
            target += 3;
        }
    }
}

// One colour of a palette: its descriptor (entries, first mapped value, bits) and its 8-bit table.
struct PaletteChannel {
    std::uint32_t entries = 0;
    std::int32_t firstMapped = 0;
    std::vector<std::uint8_t> table;
};

// The value of a word or byte element as bytes; words are held in the host's (little endian) order.
bool elementBytes(DcmElement& element, const std::uint8_t*& bytes) {
    switch (element.ident()) {
    case EVR_OB: {
        Uint8* data = nullptr;
        if (element.getUint8Array(data).bad() || data == nullptr) {
            return false;
        }
        bytes = data;
        return true;
    }
    case EVR_OW:
    case EVR_US:
    case EVR_xs:
    case EVR_lt: {
        Uint16* data = nullptr;
        if (element.getUint16Array(data).bad() || data == nullptr) {
            return false;
        }
        bytes = reinterpret_cast<const std::uint8_t*>(data);
        return true;
    }
    default:
        return false;
    }
}

bool descriptorValue(DcmItem& item, const DcmTagKey& key, unsigned long index, std::int32_t& out) {
    DcmElement* element = nullptr;
    if (item.findAndGetElement(key, element).bad() || element == nullptr) {
        return false;
    }
    if (element->ident() == EVR_SS) {
        Sint16 value = 0;
        if (element->getSint16(value, index).bad()) {
            return false;
        }
        out = value;
        return true;
    }
    if (element->ident() == EVR_US || element->ident() == EVR_xs) {
        Uint16 value = 0;
        if (element->getUint16(value, index).bad()) {
            return false;
        }
        out = value;
        return true;
    }
    return false;
}

OFCondition readPaletteChannel(DcmItem& item, const DcmTagKey& descriptorKey,
                               const DcmTagKey& dataKey, PaletteChannel& channel) {
    std::int32_t entries = 0;
    std::int32_t bits = 0;
    if (!descriptorValue(item, descriptorKey, 0, entries) ||
        !descriptorValue(item, descriptorKey, 1, channel.firstMapped) ||
        !descriptorValue(item, descriptorKey, 2, bits)) {
        return kBadLayout;
    }
    channel.entries = entries == 0 ? 65536U : static_cast<std::uint32_t>(entries & 0xFFFF);
    if (bits != 8 && bits != 16) {
        return kBadLayout;
    }
    DcmElement* element = nullptr;
    if (item.findAndGetElement(dataKey, element).bad() || element == nullptr) {
        return kBadLayout;
    }
    const std::uint64_t length = element->getLength();
    const std::uint8_t* bytes = nullptr;
    if (length == 0 || !elementBytes(*element, bytes)) {
        return kBadLayout;
    }
    channel.table.resize(channel.entries);
    if (bits == 8 && length == channel.entries) {
        std::copy(bytes, bytes + channel.entries, channel.table.begin());
        return EC_Normal;
    }
    if (length < 2ULL * channel.entries) {
        return kBadLayout;
    }
    std::uint16_t largest = 0;
    for (std::uint32_t i = 0; i < channel.entries; ++i) {
        largest = std::max<std::uint16_t>(
            largest, static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    }
    const unsigned shift = (bits == 16 || largest > 0xFF) ? 8 : 0;
    for (std::uint32_t i = 0; i < channel.entries; ++i) {
        const std::uint16_t value =
            static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        channel.table[i] = static_cast<std::uint8_t>((value >> shift) & 0xFF);
    }
    return EC_Normal;
}

OFCondition convertPalette(DcmDataset& dataset, const std::uint8_t* data, const PixelLayout& layout,
                           std::vector<std::uint8_t>& out) {
    PaletteChannel channels[3];
    const DcmTagKey descriptors[3] = {DCM_RedPaletteColorLookupTableDescriptor,
                                      DCM_GreenPaletteColorLookupTableDescriptor,
                                      DCM_BluePaletteColorLookupTableDescriptor};
    const DcmTagKey tables[3] = {DCM_RedPaletteColorLookupTableData,
                                 DCM_GreenPaletteColorLookupTableData,
                                 DCM_BluePaletteColorLookupTableData};
    for (int k = 0; k < 3; ++k) {
        OFCondition status = readPaletteChannel(dataset, descriptors[k], tables[k], channels[k]);
        if (status.bad()) {
            return status;
        }
    }
    const std::uint64_t count = layout.pixelCount();
    const unsigned bytesPerSample = layout.bitsAllocated / 8;
    out.resize(static_cast<std::size_t>(count * 3));
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::int32_t index = storedValue(readSample(data, i, bytesPerSample), layout, false);
        for (int k = 0; k < 3; ++k) {
            const PaletteChannel& channel = channels[k];
            const std::int64_t entry = std::min<std::int64_t>(
                std::max<std::int64_t>(static_cast<std::int64_t>(index) - channel.firstMapped, 0),
                static_cast<std::int64_t>(channel.entries) - 1);
            out[static_cast<std::size_t>(i * 3 + k)] =
                channel.table[static_cast<std::size_t>(entry)];
        }
    }
    return EC_Normal;
}

}  // namespace

OFCondition DcmPixelDecoder::inspect(DcmDataset& dataset, PixelLayout& layout) {
    OFCondition status = readLayout(dataset, layout);
    if (status.good()) {
        status = checkPixelData(dataset, layout);
    }
    return status;
}

OFCondition DcmPixelDecoder::decode(DcmDataset& dataset, PixelLayout& layout,
                                    std::vector<std::uint8_t>& out) {
    out.clear();
    OFCondition status = inspect(dataset, layout);
    if (status.bad()) {
        return status;
    }
    DcmPixelData* pixelData = findPixelData(dataset);
    const bool encapsulated = DcmXfer(layout.transferSyntax).isEncapsulated();
    std::vector<std::uint8_t> decodedJ2k;
    const std::uint8_t* bytes = nullptr;
    std::uint64_t length = 0;
    if (isJpeg2000(layout.transferSyntax)) {
        DcmPixelSequence* sequence = nullptr;
        status = pixelData->getEncapsulatedRepresentation(layout.transferSyntax, nullptr, sequence);
        if (status.bad() || sequence == nullptr) {
            return kNoPixels;
        }
        Jpeg2000Decoder::Frame frame;
        frame.rows = layout.rows;
        frame.columns = layout.columns;
        frame.samplesPerPixel = layout.samplesPerPixel;
        frame.bytesPerSample = layout.bitsAllocated / 8;
        status = Jpeg2000Decoder::decode(*sequence, layout.frames, frame, decodedJ2k);
        if (status.bad()) {
            return status;
        }
        // The code stream undoes its own colour transform, so the samples are planar-free RGB.
        if (layout.photometric == "YBR_ICT" || layout.photometric == "YBR_RCT") {
            layout.photometric = "RGB";
        }
        layout.planarConfiguration = 0;
        bytes = decodedJ2k.data();
        length = decodedJ2k.size();
    } else {
        if (encapsulated) {
            status = JpegFrameCheck::check(dataset);
            if (status.bad()) {
                return status;
            }
            status = dataset.chooseRepresentation(EXS_LittleEndianExplicit, nullptr);
            if (status.bad() || !pixelData->canWriteXfer(EXS_LittleEndianExplicit, EXS_Unknown)) {
                return status.bad() ? status : kBadSyntax;
            }
            // The decoders rewrite the colour attributes to describe what they produced.
            layout.photometric = getString(dataset, DCM_PhotometricInterpretation);
            layout.planarConfiguration = 0;
            getUint16(dataset, DCM_PlanarConfiguration, layout.planarConfiguration);
            if (layout.samplesPerPixel == 3 && layout.photometric != "RGB" &&
                !isYbr(layout.photometric)) {
                return kBadLayout;
            }
        }
        status = nativeBuffer(*pixelData, bytes, length);
        if (status.bad()) {
            return status;
        }
    }
    const std::uint64_t needed =
        encapsulated ? layout.pixelCount() * layout.samplesPerPixel * (layout.bitsAllocated / 8)
                     : nativeBytes(layout);
    if (length < needed) {
        return kShortPixels;
    }
    if (layout.photometric == "PALETTE COLOR") {
        return convertPalette(dataset, bytes, layout, out);
    }
    if (layout.samplesPerPixel == 3) {
        convertColour(bytes, layout, encapsulated, out);
    } else {
        convertMonochrome(bytes, layout, out);
    }
    return EC_Normal;
}

}  // namespace dcmSDK
