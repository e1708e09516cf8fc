#include "studydb/RetrieveTask.h"

#include "dcmsdk/dcmGet.h"
#include "toolkit/core/TextRoutines.h"

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

std::string RetrieveTask::joined() const {
    return ip + "," + port + "," + callingTitle + "," + calledTitle + "," + studyUid + "," +
           seriesUid + "," + folder + "," + patientName + "," + seriesNumber + "," + modality;
}

bool RetrieveTask::queue(dcmSDK::dcmGet& get) const {
    return get.getSeriesByUID(ip.c_str(), port.c_str(), callingTitle.c_str(), calledTitle.c_str(),
                              studyUid.c_str(), seriesUid.c_str(), folder.c_str(),
                              patientName.c_str(), seriesNumber.c_str(), modality.c_str());
}

}  // namespace studydb
