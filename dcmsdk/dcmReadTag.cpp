#include "dcmsdk/dcmReadTag.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcmetinf.h>
#include <dcmtk/dcmdata/dcsequen.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dcmSDK {

static_assert(offsetof(DicomTags, value) == 50 && offsetof(DicomTags, description) == 306 &&
                  offsetof(DicomTags, flag) == 568,
              "the tag list reads the record through fixed offsets");

namespace {

// Bounds on what a hostile file can make the list hold.
const int kMaxDepth = 16;
const std::size_t kMaxRecords = 20000;

void copyText(char* target, std::size_t capacity, const std::string& text) {
    std::size_t length = text.size() < capacity ? text.size() : capacity - 1;
    while (length > 0 && length < text.size() &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

bool spacingValues(const std::string& text, double& rowSpacing, double& columnSpacing) {
    const std::size_t separator = text.find('\\');
    if (separator == std::string::npos) {
        return false;
    }
    char* end = nullptr;
    rowSpacing = std::strtod(text.c_str(), &end);
    columnSpacing = std::strtod(text.c_str() + separator + 1, &end);
    return rowSpacing > 0.0 && columnSpacing > 0.0;
}

}  // namespace

dcmReadTag::dcmReadTag() = default;

dcmReadTag::~dcmReadTag() = default;

bool dcmReadTag::setFile(const char* path) {
    values_.clear();
    records_.clear();
    pointers_.clear();
    reader_.setLanguage(language);
    opened_ = reader_.setFile(path);
    return opened_;
}

const char* dcmReadTag::getTag(unsigned short group, unsigned short element) {
    return getTagValue(group, element).c_str();
}

const std::string& dcmReadTag::getTagValue(unsigned short group, unsigned short element) {
    static const std::string none;
    if (!opened_) {
        return none;
    }
    const unsigned key = (static_cast<unsigned>(group) << 16) | element;
    auto found = values_.find(key);
    if (found == values_.end()) {
        std::string text;
        reader_.tagText(group, element, text);
        found = values_.emplace(key, text).first;
    }
    return found->second;
}

float dcmReadTag::getImageScale() {
    unsigned short rows = 0;
    unsigned short columns = 0;
    if (!opened_ || !reader_.readDicomTagUint16(0x0028, 0x0010, rows) ||
        !reader_.readDicomTagUint16(0x0028, 0x0011, columns) || rows == 0 || columns == 0) {
        return 1.0f;
    }
    double rowSpacing = 1.0;
    double columnSpacing = 1.0;
    std::string spacing;
    if (!reader_.tagText(0x0028, 0x0030, spacing) ||
        !spacingValues(spacing, rowSpacing, columnSpacing)) {
        rowSpacing = columnSpacing = 1.0;
    }
    return static_cast<float>((columns * columnSpacing) / (rows * rowSpacing));
}

void dcmReadTag::collect(DcmItem& item, int depth) {
    const unsigned long count = item.card();
    for (unsigned long i = 0; i < count && records_.size() < kMaxRecords; ++i) {
        DcmElement* element = item.getElement(i);
        if (element == nullptr) {
            continue;
        }
        DicomTags record;
        std::memset(&record, 0, sizeof(record));
        char tag[16];
        std::snprintf(tag, sizeof(tag), "(%04X,%04X)", element->getGTag(), element->getETag());
        copyText(record.tag, sizeof(record.tag),
                 std::string(static_cast<std::size_t>(depth), '>') + tag);
        DcmTag dictionaryTag(element->getTag());
        copyText(record.description, sizeof(record.description), dictionaryTag.getTagName());
        record.flag = element->getTag().isPrivate() ? 1 : 0;
        const DcmEVR vr = element->ident();
        const bool isSequence = vr == EVR_SQ;
        std::string value;
        if (isSequence) {
            const unsigned long items = static_cast<DcmSequenceOfItems*>(element)->card();
            value = "(Sequence, " + std::to_string(items) + " items)";
        } else if (vr == EVR_pixelSQ) {
            value = "(Encapsulated pixel data)";
        } else {
            reader_.elementText(*element, value);
        }
        copyText(record.value, sizeof(record.value), value);
        records_.push_back(record);
        if (isSequence && depth < kMaxDepth) {
            DcmSequenceOfItems* sequence = static_cast<DcmSequenceOfItems*>(element);
            for (unsigned long k = 0; k < sequence->card(); ++k) {
                DcmItem* nested = sequence->getItem(k);
                if (nested != nullptr) {
                    collect(*nested, depth + 1);
                }
            }
        }
    }
}

DicomTags** dcmReadTag::getTagList(int& count) {
    count = 0;
    DcmFileFormat* file = reader_.fileFormat();
    if (!opened_ || file == nullptr) {
        return nullptr;
    }
    if (records_.empty()) {
        try {
            if (file->getMetaInfo() != nullptr) {
                collect(*file->getMetaInfo(), 0);
            }
            collect(*file->getDataset(), 0);
        } catch (...) {
            records_.clear();
        }
        pointers_.clear();
        for (DicomTags& record : records_) {
            pointers_.push_back(&record);
        }
    }
    count = static_cast<int>(pointers_.size());
    return pointers_.empty() ? nullptr : pointers_.data();
}

}  // namespace dcmSDK
