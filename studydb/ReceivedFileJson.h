#pragma once

#include <string>

namespace dcmSDK {
struct DCM_MESSAGE;
}

struct recordIds;

namespace studydb {

// The flat JSON text that tells the patient and study lists about a newly filed file.
class ReceivedFileJson {
public:
    // before: what the database held before the file was filed; after: the rows it is filed in.
    static std::string describe(const dcmSDK::DCM_MESSAGE& record, const recordIds& before,
                                const recordIds& after);

    // DICOM date and time texts as "YYYY-MM-DD hh:mm:ss"; "" unless the date has 8 and the time
    // 6 characters or more.
    static std::string dateTime(const std::string& date, const std::string& time);
};

}  // namespace studydb
