#include "studydb/SeriesTagReader.h"

#include "dcmsdk/dcmReader.h"
#include "studydb/AppLanguage.h"

namespace studydb {

bool SeriesTagReader::read(dcmSDK::dcmReader& reader, const std::string& file,
                           const Fallbacks& fallbacks, SeriesTags& tags) {
    tags = SeriesTags();
    reader.setLanguage(currentLanguage());
    if (!reader.setFile(file.c_str())) {
        return false;
    }
    char text[1024];
    const auto tag = [&](unsigned short group, unsigned short element, bool* found,
                         const std::string& fallback) {
        const bool read = reader.readDicomTagString(group, element, text, sizeof(text));
        if (found != nullptr) {
            *found = read;
        }
        return read ? std::string(text) : fallback;
    };
    tags.columns = tag(0x0028, 0x0011, &tags.hasColumns, "");
    tags.rows = tag(0x0028, 0x0010, &tags.hasRows, "");
    tags.institution = tag(0x0008, 0x0080, nullptr, fallbacks.institution);
    tags.modality = tag(0x0008, 0x0060, nullptr, fallbacks.modality);
    if (tags.modality == "CT") {
        tags.exposure =
            tag(0x0018, 0x0060, nullptr, "") + "kV " + tag(0x0018, 0x1151, nullptr, "") + "mA";
    }
    tags.seriesNumber = tag(0x0020, 0x0011, nullptr, "");
    return true;
}

}  // namespace studydb
