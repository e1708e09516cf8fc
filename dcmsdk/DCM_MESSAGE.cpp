#include "dcmsdk/DCM_MESSAGE.h"

#include "dcmsdk/dcmReadTag.h"

#include <cstring>

namespace dcmSDK {

static_assert(sizeof(DCM_MESSAGE) == 6144, "the record is exchanged as 6144 bytes");
static_assert(offsetof(DCM_MESSAGE, StudyInstanceUID) == 256 &&
                  offsetof(DCM_MESSAGE, StudyTime) == 1024 &&
                  offsetof(DCM_MESSAGE, SeriesInstanceUID) == 1280 &&
                  offsetof(DCM_MESSAGE, StudyDescription) == 2048 &&
                  offsetof(DCM_MESSAGE, SOPInstanceUID) == 2560 &&
                  offsetof(DCM_MESSAGE, PatientName) == 2816 &&
                  offsetof(DCM_MESSAGE, PatientSex) == 3584 &&
                  offsetof(DCM_MESSAGE, InstanceNumber) == 3840 &&
                  offsetof(DCM_MESSAGE, FileName) == 4096 &&
                  offsetof(DCM_MESSAGE, SeriesFolder) == 5120,
              "the record's readers use fixed offsets");

namespace {

std::string tagOr(dcmReadTag& tags, unsigned short group, unsigned short element,
                  const char* fallback) {
    const std::string value = tags.getTag(group, element);
    return value.empty() ? std::string(fallback) : value;
}

}  // namespace

DCM_MESSAGE::DCM_MESSAGE() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
}

std::unique_ptr<DCM_MESSAGE> DCM_MESSAGE::adoptEventRecord(const char* eventText) {
    // The event passes the record through the routine's text parameter.
    return std::unique_ptr<DCM_MESSAGE>(
        const_cast<DCM_MESSAGE*>(reinterpret_cast<const DCM_MESSAGE*>(eventText)));
}

const char* DCM_MESSAGE::asEventText() const {
    return reinterpret_cast<const char*>(this);
}

void DCM_MESSAGE::setText(char* slot, std::size_t capacity, const char* text) {
    if (capacity == 0) {
        return;
    }
    const std::size_t available = text == nullptr ? 0 : std::strlen(text);
    std::size_t length = available < capacity ? available : capacity - 1;
    while (length > 0 && length < available &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    if (length > 0) {
        std::memcpy(slot, text, length);
    }
    slot[length] = '\0';
}

void DCM_MESSAGE::fillFrom(dcmReadTag& tags) {
    const auto put = [](char* slot, const std::string& value) {
        setText(slot, 256, value.c_str());
    };
    put(Modality, tags.getTag(0x0008, 0x0060));
    put(StudyInstanceUID, tagOr(tags, 0x0020, 0x000D, "unknownStudy"));
    put(StudyID, tags.getTag(0x0020, 0x0010));
    put(StudyDate, tags.getTag(0x0008, 0x0020));
    put(StudyTime, std::string(tags.getTag(0x0008, 0x0030)).substr(0, 6));
    put(SeriesInstanceUID, tagOr(tags, 0x0020, 0x000E, "unknownSeries"));
    put(SeriesDate, tags.getTag(0x0008, 0x0021));
    put(SeriesTime, std::string(tags.getTag(0x0008, 0x0031)).substr(0, 6));
    put(StudyDescription, tags.getTag(0x0008, 0x1030));
    put(SeriesDescription, tags.getTag(0x0008, 0x103E));
    put(SOPInstanceUID, tagOr(tags, 0x0008, 0x0018, "unknownImageUID"));
    put(PatientName, tagOr(tags, 0x0010, 0x0010, "ANONYMOUS"));
    put(PatientID, tagOr(tags, 0x0010, 0x0020, "EmptyID"));
    put(PatientBirthDate, tags.getTag(0x0010, 0x0030));
    const std::string sex = tags.getTag(0x0010, 0x0040);
    put(PatientSex, !sex.empty() && (sex[0] == 'F' || sex[0] == 'M') ? sex : "U");
    put(InstanceNumber, tagOr(tags, 0x0020, 0x0013, "0"));
}

}  // namespace dcmSDK
