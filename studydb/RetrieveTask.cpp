#include "studydb/RetrieveTask.h"

#include "studydb/TaskText.h"

#include "dcmsdk/dcmGet.h"
#include "toolkit/core/TextRoutines.h"

#include <algorithm>
#include <array>
#include <vector>

namespace studydb {

bool RetrieveTask::parse(const std::string& text, RetrieveTask& task) {
    std::vector<std::string> pieces;
    NSUI::splitString(text, ",", pieces);
    if (pieces.size() != kFieldCount) {
        return false;
    }
    task.ip = pieces[0];
    task.port = pieces[1];
    task.callingTitle = pieces[2];
    task.calledTitle = pieces[3];
    task.studyUid = pieces[4];
    task.seriesUid = pieces[5];
    task.folder = pieces[6];
    task.patientName = pieces[7];
    task.seriesNumber = pieces[8];
    task.modality = pieces[9];
    return true;
}

std::string RetrieveTask::withoutSeparators(std::string text) {
    return taskField(text);
}

std::string RetrieveTask::joined() const {
    const std::array<const std::string*, kFieldCount> all = fields();
    std::string text = withoutSeparators(*all[0]);
    for (std::size_t i = 1; i < all.size(); ++i) {
        text += "," + withoutSeparators(*all[i]);
    }
    return text;
}

bool RetrieveTask::queue(dcmSDK::dcmGet& get) const {
    std::array<std::string, kFieldCount> texts;
    const std::array<const std::string*, kFieldCount> all = fields();
    std::transform(all.begin(), all.end(), texts.begin(),
                   [](const std::string* field) { return withoutSeparators(*field); });
    return get.getSeriesByUID(
        texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(), texts[4].c_str(),
        texts[5].c_str(), texts[6].c_str(), texts[7].c_str(), texts[8].c_str(), texts[9].c_str());
}

std::array<const std::string*, RetrieveTask::kFieldCount> RetrieveTask::fields() const {
    return {&ip,        &port,   &callingTitle, &calledTitle,  &studyUid,
            &seriesUid, &folder, &patientName,  &seriesNumber, &modality};
}

}  // namespace studydb
