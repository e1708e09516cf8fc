#pragma once

#include <string>

namespace dcmSDK {
class dcmReader;
}

namespace studydb {

// What the series lists show of a series, read from the tags of its first image file.
struct SeriesTags {
    bool hasColumns = false;
    bool hasRows = false;
    std::string columns;
    std::string rows;
    std::string institution;
    std::string modality;
    // For CT: peak kilovoltage + "kV " + tube current + "mA"; otherwise "".
    std::string exposure;
    std::string seriesNumber;
};

// Reads the tags of one file through a reader of the caller's (one per thread) in the
// application's current language.
class SeriesTagReader {
public:
    // Texts used for tags that do not read.
    struct Fallbacks {
        std::string institution;
        std::string modality;
    };

    // False when the file does not open.
    static bool read(dcmSDK::dcmReader& reader, const std::string& file, const Fallbacks& fallbacks,
                     SeriesTags& tags);
};

}  // namespace studydb
