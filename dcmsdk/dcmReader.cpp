#include "dcmsdk/dcmReader.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmPngWriter.h"
#include "dcmsdk/DcmRescale.h"
#include "dcmsdk/internal/DcmFileLoader.h"
#include "dcmsdk/internal/DcmPixelDecoder.h"
#include "dcmsdk/internal/DcmTextConverter.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcmetinf.h>
#include <dcmtk/dcmdata/dcsequen.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace dcmSDK {

namespace {

// Binary values longer than this are described by their size instead of listed.
const Uint32 kMaxListedBinaryLength = 1024;

// Attributes of the radiopharmaceutical information that many PET files keep only in the first
// item of (0054,0016).
bool isRadiopharmaceuticalTag(unsigned short group, unsigned short element) {
    return group == 0x0018 && (element == 0x0031 || (element >= 0x1070 && element <= 0x1079));
}

bool isBinaryVR(DcmEVR vr) {
    switch (vr) {
    case EVR_OB:
    case EVR_OW:
    case EVR_OF:
    case EVR_OD:
    case EVR_OL:
    case EVR_ox:
    case EVR_px:
    case EVR_lt:
    case EVR_PixelData:
    case EVR_OverlayData:
    case EVR_UN:
    case EVR_UNKNOWN:
    case EVR_UNKNOWN2B:
        return true;
    default:
        return false;
    }
}

// Unknown-VR values that are plain text (private tags in implicit files) are shown as text.
bool printableBytes(const Uint8* data, Uint32 length, std::string& text) {
    std::string value(reinterpret_cast<const char*>(data), length);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\0')) {
        value.pop_back();
    }
    for (unsigned char c : value) {
        if (c < 0x20 || c >= 0x7F) {
            return false;
        }
    }
    text = value;
    return true;
}

// Largest prefix of text that fits size - 1 bytes without splitting a UTF-8 character.
std::size_t fittingLength(const std::string& text, std::size_t capacity) {
    if (text.size() <= capacity) {
        return text.size();
    }
    std::size_t length = capacity;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return length;
}

}  // namespace

dcmReader::dcmReader() : text_(new DcmTextConverter()) {
    dcmsdk_init();
}

dcmReader::~dcmReader() = default;

void dcmReader::setLanguage(LanguageType language) {
    language_ = language;
    if (file_ && file_->getDataset() != nullptr) {
        try {
            text_->reset(*file_->getDataset(), language_);
        } catch (...) {
            reset();
        }
    }
}

void dcmReader::reset() {
    file_.reset();
    std::vector<std::uint8_t>().swap(pixels_);
    pixelType_ = 0;
    pixelCount_ = 0;
    decoded_ = false;
}

bool dcmReader::setFile(const char* path) {
    reset();
    if (path == nullptr || *path == '\0') {
        return false;
    }
    try {
        std::unique_ptr<DcmFileFormat> file(new DcmFileFormat());
        const OFCondition status = DcmFileLoader::load(path, *file);
        if (status.bad()) {
            logMessage("dcmReader: %s: %s", path, status.text());
            return false;
        }
        file_ = std::move(file);
        text_->reset(*file_->getDataset(), language_);
        return true;
    } catch (...) {
        logMessage("dcmReader: %s: not readable", path);
        reset();
        return false;
    }
}

DcmElement* dcmReader::findElement(unsigned short group, unsigned short element) {
    if (!file_) {
        return nullptr;
    }
    const DcmTagKey key(group, element);
    DcmItem* owner = group == 0x0002 ? static_cast<DcmItem*>(file_->getMetaInfo())
                                     : static_cast<DcmItem*>(file_->getDataset());
    DcmElement* found = nullptr;
    if (owner == nullptr || owner->findAndGetElement(key, found, OFFalse).bad()) {
        found = nullptr;
    }
    if (found == nullptr && isRadiopharmaceuticalTag(group, element)) {
        DcmItem* item = nullptr;
        if (file_->getDataset()
                ->findAndGetSequenceItem(DCM_RadiopharmaceuticalInformationSequence, item, 0)
                .good() &&
            item != nullptr && item->findAndGetElement(key, found, OFFalse).bad()) {
            found = nullptr;
        }
    }
    if (found == nullptr || found->getLength() == 0) {
        return nullptr;
    }
    return found;
}

bool dcmReader::elementText(DcmElement& element, std::string& text) {
    const DcmEVR vr = element.ident();
    if (vr == EVR_SQ || vr == EVR_pixelSQ || vr == EVR_item || vr == EVR_na) {
        return false;
    }
    OFString value;
    if (isBinaryVR(vr)) {
        const Uint32 length = element.getLength();
        if (vr == EVR_UN || vr == EVR_UNKNOWN || vr == EVR_UNKNOWN2B) {
            Uint8* data = nullptr;
            if (element.getUint8Array(data).good() && data != nullptr &&
                printableBytes(data, length, text)) {
                return true;
            }
        }
        if (length > kMaxListedBinaryLength) {
            text = "(" + std::to_string(length) + " bytes)";
            return true;
        }
    }
    if (element.getOFStringArray(value, OFTrue).bad()) {
        return false;
    }
    text = text_->toUtf8(std::string(value.c_str(), value.length()), vr);
    return true;
}

bool dcmReader::tagText(unsigned short group, unsigned short element, std::string& text) {
    text.clear();
    try {
        DcmElement* found = findElement(group, element);
        return found != nullptr && elementText(*found, text);
    } catch (...) {
        text.clear();
        return false;
    }
}

bool dcmReader::readDicomTagString(unsigned short group, unsigned short element, char* buffer,
                                   int size) {
    if (buffer == nullptr || size <= 0) {
        return false;
    }
    buffer[0] = '\0';
    std::string text;
    if (!tagText(group, element, text)) {
        return false;
    }
    const std::size_t length = fittingLength(text, static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return true;
}

bool dcmReader::readDicomTagUint16(unsigned short group, unsigned short element,
                                   unsigned short& value) {
    try {
        DcmElement* found = findElement(group, element);
        if (found == nullptr) {
            return false;
        }
        double number = 0.0;
        switch (found->ident()) {
        case EVR_US:
        case EVR_xs: {
            Uint16 word = 0;
            if (found->getUint16(word, 0).bad()) {
                return false;
            }
            value = word;
            return true;
        }
        case EVR_SS: {
            Sint16 word = 0;
            if (found->getSint16(word, 0).bad()) {
                return false;
            }
            number = word;
            break;
        }
        case EVR_UL: {
            Uint32 word = 0;
            if (found->getUint32(word, 0).bad()) {
                return false;
            }
            number = word;
            break;
        }
        case EVR_SL: {
            Sint32 word = 0;
            if (found->getSint32(word, 0).bad()) {
                return false;
            }
            number = word;
            break;
        }
        case EVR_IS:
        case EVR_DS: {
            OFString text;
            if (found->getOFString(text, 0, OFTrue).bad()) {
                return false;
            }
            char* end = nullptr;
            number = std::strtod(text.c_str(), &end);
            if (end == text.c_str()) {
                return false;
            }
            break;
        }
        default:
            return false;
        }
        if (!std::isfinite(number) || number < 0.0 || number > 65535.0) {
            return false;
        }
        value = static_cast<unsigned short>(number);
        return true;
    } catch (...) {
        return false;
    }
}

bool dcmReader::readDicomPixelType(PixelType& type) {
    if (!file_) {
        return false;
    }
    try {
        PixelLayout layout;
        const OFCondition status = DcmPixelDecoder::inspect(*file_->getDataset(), layout);
        if (status.bad()) {
            logMessage("dcmReader: pixel data refused: %s", status.text());
            return false;
        }
        type = static_cast<PixelType>(layout.outputType);
        return true;
    } catch (...) {
        return false;
    }
}

bool dcmReader::decodePixels() {
    if (decoded_) {
        return pixelCount_ > 0;
    }
    decoded_ = true;
    if (!file_) {
        return false;
    }
    try {
        PixelLayout layout;
        const OFCondition status = DcmPixelDecoder::decode(*file_->getDataset(), layout, pixels_);
        if (status.bad()) {
            logMessage("dcmReader: pixel data not decoded: %s", status.text());
            std::vector<std::uint8_t>().swap(pixels_);
            return false;
        }
        pixelType_ = layout.outputType;
        pixelCount_ = static_cast<int>(layout.pixelCount());
        return true;
    } catch (...) {
        std::vector<std::uint8_t>().swap(pixels_);
        pixelCount_ = 0;
        return false;
    }
}

char* dcmReader::readDicomPixelPointer(PixelType& type, int& count) {
    count = 0;
    if (!decodePixels()) {
        return nullptr;
    }
    type = static_cast<PixelType>(pixelType_);
    count = pixelCount_;
    return reinterpret_cast<char*>(pixels_.data());
}

bool dcmReader::convertToPngFile(const char* path, bool useFileWindow) {
    if (path == nullptr || !decodePixels()) {
        return false;
    }
    try {
        DcmDataset* dataset = file_->getDataset();
        Uint16 rows = 0;
        Uint16 columns = 0;
        dataset->findAndGetUint16(DCM_Rows, rows);
        dataset->findAndGetUint16(DCM_Columns, columns);
        const std::size_t pixels = static_cast<std::size_t>(rows) * columns;
        if (pixels == 0 || pixels > static_cast<std::size_t>(pixelCount_)) {
            return false;
        }
        std::vector<std::uint8_t> rgb(pixels * 3);
        if (pixelType_ == PIXEL_RGB) {
            std::copy(pixels_.begin(), pixels_.begin() + static_cast<std::ptrdiff_t>(pixels * 3),
                      rgb.begin());
        } else {
            Uint16 representation = 0;
            dataset->findAndGetUint16(DCM_PixelRepresentation, representation);
            Float64 slope = 1.0;
            Float64 intercept = 0.0;
            if (dataset->findAndGetFloat64(DCM_RescaleSlope, slope).bad()) {
                slope = 1.0;
            }
            if (dataset->findAndGetFloat64(DCM_RescaleIntercept, intercept).bad()) {
                intercept = 0.0;
            }
            slope = usableRescaleSlope(slope);
            intercept = usableRescaleIntercept(intercept);
            std::vector<double> values(pixels);
            for (std::size_t i = 0; i < pixels; ++i) {
                double stored = 0.0;
                if (pixelType_ == PIXEL_UINT8) {
                    stored =
                        representation != 0 ? static_cast<std::int8_t>(pixels_[i]) : pixels_[i];
                } else {
                    const std::uint16_t word =
                        static_cast<std::uint16_t>(pixels_[2 * i] | (pixels_[2 * i + 1] << 8));
                    stored = representation != 0 ? static_cast<std::int16_t>(word) : word;
                }
                values[i] = stored * slope + intercept;
            }
            Float64 centre = 0.0;
            Float64 width = 0.0;
            double low = 0.0;
            double high = 0.0;
            if (useFileWindow && dataset->findAndGetFloat64(DCM_WindowCenter, centre).good() &&
                dataset->findAndGetFloat64(DCM_WindowWidth, width).good() && width >= 1.0) {
                low = centre - 0.5 - (width - 1.0) / 2.0;
                high = centre - 0.5 + (width - 1.0) / 2.0;
            } else {
                const auto range = std::minmax_element(values.begin(), values.end());
                low = *range.first;
                high = *range.second;
            }
            OFString photometric;
            dataset->findAndGetOFString(DCM_PhotometricInterpretation, photometric);
            const bool inverted = photometric == "MONOCHROME1";
            const double span = high > low ? high - low : 1.0;
            for (std::size_t i = 0; i < pixels; ++i) {
                const double scaled =
                    std::min(255.0, std::max(0.0, (values[i] - low) / span * 255.0));
                std::uint8_t grey = static_cast<std::uint8_t>(scaled + 0.5);
                if (inverted) {
                    grey = static_cast<std::uint8_t>(255 - grey);
                }
                rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = grey;
            }
        }
        if (SavePngCallback savePng = getSavePngCallback()) {
            return savePng(columns, rows, rgb.data(), path);
        }
        return DcmPngWriter::write(columns, rows, rgb.data(), path);
    } catch (...) {
        return false;
    }
}

}  // namespace dcmSDK
