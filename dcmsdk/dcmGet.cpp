#include "dcmsdk/dcmGet.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/internal/DcmStoreReceiver.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/dimse.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace dcmSDK {

namespace {

const int kPollSeconds = 1;
const std::size_t kFieldLimit = 64;  // every field but the folder, in the task list

// Cuts of the listed texts fall between UTF-8 characters.
bool isContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

enum { kRemaining, kCompleted, kFailed, kWarning };

std::string text(const char* value) {
    return value == nullptr ? std::string() : std::string(value);
}

// Lossless syntaxes only, so that a peer never re-encodes an image lossily for us.
std::vector<std::string> retrieveSyntaxes() {
    return {UID_LittleEndianExplicitTransferSyntax, UID_LittleEndianImplicitTransferSyntax,
            UID_BigEndianExplicitTransferSyntax,    UID_JPEGProcess14SV1TransferSyntax,
            UID_JPEGProcess14TransferSyntax,        UID_JPEGLSLosslessTransferSyntax,
            UID_RLELosslessTransferSyntax,          UID_JPEG2000LosslessOnlyTransferSyntax};
}

}  // namespace

dcmGet::dcmGet() {
    DcmThreadRegistry::add(this);
}

dcmGet::~dcmGet() {
    DcmThreadRegistry::remove(this);
    stopThreads();
}

bool dcmGet::getSeriesByUID(const char* ip, const char* port, const char* callingTitle,
                            const char* calledTitle, const char* studyUid, const char* seriesUid,
                            const char* folder, const char* patientName, const char* seriesNumber,
                            const char* modality) {
    if (stopping.load() || !DcmNames::isValidUid(text(seriesUid)) || text(folder).empty()) {
        return false;
    }
    auto task = std::make_shared<Task>();
    task->fields = {text(ip),           text(port),      text(callingTitle), text(calledTitle),
                    text(studyUid),     text(seriesUid), text(folder),       text(patientName),
                    text(seriesNumber), text(modality)};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& queued : tasks_) {
            if (queued->fields[5] == task->fields[5]) {
                return false;
            }
        }
        tasks_.push_back(task);
    }
    worker_.post([this, task] { run(task); });
    return true;
}

int dcmGet::getListSize() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(tasks_.size());
}

std::string dcmGet::taskText(const Task& task, bool forList) {
    std::string joined;
    for (std::size_t i = 0; i < task.fields.size(); ++i) {
        std::string field = task.fields[i];
        std::replace(field.begin(), field.end(), ',', ' ');
        std::replace(field.begin(), field.end(), '@', ' ');
        if (forList && i != 6 && field.size() > kFieldLimit) {
            std::size_t cut = kFieldLimit;
            while (cut > 0 && isContinuation(field[cut])) {
                --cut;
            }
            field.resize(cut);
        }
        joined += (i == 0 ? "" : ",") + field;
    }
    if (forList && joined.size() >= static_cast<std::size_t>(kTaskTextSize)) {
        // Only a very long folder gets here; the fields after it must survive.
        const std::size_t excess = joined.size() - (kTaskTextSize - 1);
        std::size_t start = 0;
        for (int comma = 0; comma < 6; ++comma) {
            start = joined.find(',', start) + 1;
        }
        std::size_t end = start + excess;
        while (end < joined.size() && isContinuation(joined[end])) {
            ++end;
        }
        joined.erase(start, end - start);
    }
    return joined;
}

bool dcmGet::getList(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        return false;
    }
    std::string list;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& task : tasks_) {
            const std::string entry = taskText(*task, true);
            const std::size_t needed = list.size() + (list.empty() ? 0 : 1) + entry.size();
            if (needed + 1 > static_cast<std::size_t>(size)) {
                break;
            }
            list += (list.empty() ? "" : "@") + entry;
        }
    }
    std::memcpy(buffer, list.c_str(), list.size() + 1);
    return true;
}

bool dcmGet::removeTask(const char* key) {
    const std::string wanted = text(key);
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
        if ((*it)->fields[5] == wanted) {
            (*it)->cancelled.store(true);
            tasks_.erase(it);
            return true;
        }
    }
    return false;
}

void dcmGet::stopThreads() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& task : tasks_) {
            task->cancelled.store(true);
        }
        tasks_.clear();
    }
    worker_.stop();
}

void dcmGet::raise(unsigned int type, const std::string& value) {
    if (!stopping.load()) {
        raiseEvent(type, value.c_str());
    }
}

void dcmGet::run(const std::shared_ptr<Task>& task) {
    if (task->cancelled.load()) {
        return;
    }
    const std::string& key = task->fields[5];
    raise(kEventFindReset, key);
    int counts[4] = {0, 0, 0, 0};
    const bool ok = retrieve(*task, counts);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.remove(task);
    }
    raise(kEventRetrieveProgress, key + "|0|" + std::to_string(counts[kCompleted]) + "|" +
                                      std::to_string(counts[kFailed]) + "|" +
                                      std::to_string(counts[kWarning]));
    if (ok) {
        raise(kEventRetrieveReady, task->fields[7]);
    } else {
        raise(kEventRetrieveFailed, taskText(*task, false));
    }
}

bool dcmGet::retrieve(Task& task, int counts[4]) {
    dcmsdk_init();
    const std::array<std::string, 10>& f = task.fields;
    std::string root = f[6];
    if (root.empty() || root.back() != '/') {
        root += '/';
    }
    std::vector<DcmAssociation::Context> contexts = {
        {UID_GETStudyRootQueryRetrieveInformationModel,
         {UID_LittleEndianExplicitTransferSyntax, UID_LittleEndianImplicitTransferSyntax},
         false}};
    const std::vector<std::string> syntaxes = retrieveSyntaxes();
    for (int i = 0; i < numberOfDcmLongSCUStorageSOPClassUIDs && contexts.size() < 127; ++i) {
        contexts.push_back({dcmLongSCUStorageSOPClassUIDs[i], syntaxes, true});
    }
    DcmAssociation association;
    std::string error;
    if (!association.open(f[0], std::atoi(f[1].c_str()), DcmNetwork::callingTitle(f[2].c_str()),
                          DcmNetwork::calledTitle(f[3].c_str()), contexts, error)) {
        logMessage("retrieve %s: %s", f[5].c_str(), error.c_str());
        return false;
    }
    const T_ASC_PresentationContextID getContext =
        association.findContext(UID_GETStudyRootQueryRetrieveInformationModel);
    if (getContext == 0) {
        logMessage("retrieve %s: the node does not offer C-GET", f[5].c_str());
        return false;
    }
    DcmDataset identifiers;
    identifiers.putAndInsertString(DCM_QueryRetrieveLevel, "SERIES");
    identifiers.putAndInsertString(DCM_StudyInstanceUID, f[4].c_str());
    identifiers.putAndInsertString(DCM_SeriesInstanceUID, f[5].c_str());
    T_DIMSE_Message request{};
    request.CommandField = DIMSE_C_GET_RQ;
    T_DIMSE_C_GetRQ& get = request.msg.CGetRQ;
    get.MessageID = association.get()->nextMsgID++;
    OFStandard::strlcpy(get.AffectedSOPClassUID, UID_GETStudyRootQueryRetrieveInformationModel,
                        sizeof(get.AffectedSOPClassUID));
    get.Priority = DIMSE_PRIORITY_MEDIUM;
    get.DataSetType = DIMSE_DATASET_PRESENT;
    OFCondition status = DIMSE_sendMessageUsingMemoryData(association.get(), getContext, &request,
                                                          nullptr, &identifiers, nullptr, nullptr);
    if (status.bad()) {
        association.markBroken();
        logMessage("retrieve %s: %s", f[5].c_str(), status.text());
        return false;
    }
    int stored = 0;
    int idleSeconds = 0;
    while (true) {
        if (task.cancelled.load() || stopping.load()) {
            DIMSE_sendCancelRequest(association.get(), getContext, get.MessageID);
            association.markBroken();
            return false;
        }
        T_ASC_PresentationContextID context = 0;
        T_DIMSE_Message message{};
        status = DIMSE_receiveCommand(association.get(), DIMSE_NONBLOCKING, kPollSeconds, &context,
                                      &message, nullptr);
        if (status == DIMSE_NODATAAVAILABLE) {
            idleSeconds += kPollSeconds;
            if (idleSeconds >= DcmNetwork::messageTimeout()) {
                association.markBroken();
                logMessage("retrieve %s: the node stopped answering", f[5].c_str());
                return false;
            }
            continue;
        }
        idleSeconds = 0;
        if (status.bad()) {
            association.markBroken();
            logMessage("retrieve %s: %s", f[5].c_str(), status.text());
            return false;
        }
        if (message.CommandField == DIMSE_C_STORE_RQ) {
            // The file is announced for import, which reads it again in the application's
            // language; the language here only places it meanwhile.
            DcmStoreReceiver::Result result = DcmStoreReceiver::receive(
                association.get(), context, message.msg.CStoreRQ, root, LanguageType::ENGLISH);
            if (result.broken) {
                association.markBroken();
                return false;
            }
            if (!result.error.empty()) {
                logMessage("retrieve %s: %s", f[5].c_str(), result.error.c_str());
            }
            // A whole object is imported even when the peer no longer takes its response.
            if (result.record) {
                ++stored;
                raise(kEventFileToImport, result.path);
            }
            if (!DcmStoreReceiver::respond(association.get(), context, message.msg.CStoreRQ,
                                           result.status)) {
                association.markBroken();
                return false;
            }
            continue;
        }
        if (message.CommandField != DIMSE_C_GET_RSP) {
            association.markBroken();
            return false;
        }
        const T_DIMSE_C_GetRSP& response = message.msg.CGetRSP;
        if (response.DataSetType != DIMSE_DATASET_NULL) {
            DcmDataset* ignored = nullptr;
            DIMSE_receiveDataSetInMemory(association.get(), DIMSE_NONBLOCKING,
                                         DcmNetwork::messageTimeout(), &context, &ignored, nullptr,
                                         nullptr);
            delete ignored;
        }
        if (response.opts & O_GET_NUMBEROFREMAININGSUBOPERATIONS) {
            counts[kRemaining] = response.NumberOfRemainingSubOperations;
        }
        if (response.opts & O_GET_NUMBEROFCOMPLETEDSUBOPERATIONS) {
            counts[kCompleted] = response.NumberOfCompletedSubOperations;
        }
        if (response.opts & O_GET_NUMBEROFFAILEDSUBOPERATIONS) {
            counts[kFailed] = response.NumberOfFailedSubOperations;
        }
        if (response.opts & O_GET_NUMBEROFWARNINGSUBOPERATIONS) {
            counts[kWarning] = response.NumberOfWarningSubOperations;
        }
        if (response.DimseStatus == STATUS_Pending || response.DimseStatus == 0xFF01) {
            raise(kEventRetrieveProgress, f[5] + "|" + std::to_string(counts[kRemaining]) + "|" +
                                              std::to_string(counts[kCompleted]) + "|" +
                                              std::to_string(counts[kFailed]) + "|" +
                                              std::to_string(counts[kWarning]));
            continue;
        }
        counts[kRemaining] = 0;
        if (counts[kCompleted] == 0) {
            counts[kCompleted] = stored;
        }
        if (response.DimseStatus != STATUS_Success) {
            logMessage("retrieve %s: ended with status 0x%04x", f[5].c_str(), response.DimseStatus);
        }
        return response.DimseStatus == STATUS_Success && stored > 0 && counts[kFailed] == 0;
    }
}

}  // namespace dcmSDK
