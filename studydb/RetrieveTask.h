#pragma once

#include <array>
#include <string>

namespace dcmSDK {
class dcmGet;
}

namespace studydb {

// One series retrieval, in the order the library takes its ten texts. The library lists and
// reports a task as its ten texts joined by "," and its tasks joined by "@"; that flat form is
// made and read only here, and a text handed on never holds either separator (a patient name
// such as "Doe, Jo" goes as "Doe  Jo").
struct RetrieveTask {
    static const int kFieldCount = 10;

    std::string ip;
    std::string port;
    std::string callingTitle;
    std::string calledTitle;
    std::string studyUid;
    // The task's key towards the library.
    std::string seriesUid;
    std::string folder;
    std::string patientName;
    std::string seriesNumber;
    std::string modality;

    // Reads the ","-joined form; false unless it has exactly ten fields.
    static bool parse(const std::string& text, RetrieveTask& task);
    std::string joined() const;
    // Queues the retrieval with the library; false when it refuses it.
    bool queue(dcmSDK::dcmGet& get) const;

    // The text with every separator turned into a space.
    static std::string withoutSeparators(std::string text);

private:
    std::array<const std::string*, kFieldCount> fields() const;
};

}  // namespace studydb
