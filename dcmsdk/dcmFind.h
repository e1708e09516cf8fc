#pragma once

#include "dcmsdk/DcmThreadRegistry.h"
#include "dcmsdk/DcmWorkQueue.h"

#include <atomic>
#include <string>

class DcmDataset;

namespace dcmSDK {

// Study-root C-FIND on a thread of its own, one query at a time in call order. Every answer is
// kEventFindAnswer with one line per attribute: the tag as "gggg,eeee" in lower-case hexadecimal, a
// space, and the value in brackets ("[]" when empty); a query that fails is kEventFindFailed with
// the reason.
class dcmFind : public DcmThreadOwner {
public:
    // Set by the owner before it lets the object go: queued queries are dropped and no further
    // event is raised.
    std::atomic<bool> stopping{false};

    dcmFind();
    ~dcmFind() override;
    dcmFind(const dcmFind&) = delete;
    dcmFind& operator=(const dcmFind&) = delete;

    // Studies whose patient name matches pattern (wildcards as DICOM allows). Empty titles stand
    // for the local title and the default called title. Returns at once.
    bool findPatientByName(const char* ip, const char* port, const char* callingTitle,
                           const char* calledTitle, const char* pattern);
    // The series of one study.
    bool findStudyByUID(const char* ip, const char* port, const char* callingTitle,
                        const char* calledTitle, const char* studyUid);

    void stopThreads() override;

    // The event text of one answer: the listed tags of the data set in order.
    static std::string answerText(DcmDataset& answer, const unsigned short (*tags)[2], int count);

private:
    bool queue(const char* ip, const char* port, const char* callingTitle, const char* calledTitle,
               const char* value, bool seriesLevel);
    void run(const std::string& ip, int port, const std::string& calling, const std::string& called,
             const std::string& value, bool seriesLevel);

    DcmWorkQueue worker_{1};
};

}  // namespace dcmSDK
