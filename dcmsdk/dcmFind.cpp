#include "dcmsdk/dcmFind.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/internal/DcmTextConverter.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcelem.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/dimse.h>

#include <cstdio>
#include <cstdlib>

namespace dcmSDK {

namespace {

const unsigned short kStudyTags[][2] = {
    {0x0008, 0x0020}, {0x0008, 0x0030}, {0x0008, 0x0080}, {0x0008, 0x1030}, {0x0010, 0x0010},
    {0x0010, 0x0020}, {0x0010, 0x0030}, {0x0010, 0x0040}, {0x0020, 0x000D}, {0x0020, 0x0010},
};
const unsigned short kSeriesTags[][2] = {
    {0x0008, 0x0021}, {0x0008, 0x0031}, {0x0008, 0x0060}, {0x0008, 0x103E},
    {0x0020, 0x000D}, {0x0020, 0x000E}, {0x0020, 0x0011}, {0x0020, 0x1209},
};
const int kStudyTagCount = sizeof(kStudyTags) / sizeof(kStudyTags[0]);
const int kSeriesTagCount = sizeof(kSeriesTags) / sizeof(kSeriesTags[0]);

struct FindContext {
    dcmFind* owner;
    bool seriesLevel;
};

void onAnswer(void* data, T_DIMSE_C_FindRQ*, int, T_DIMSE_C_FindRSP*, DcmDataset* answer) {
    auto* context = static_cast<FindContext*>(data);
    if (answer == nullptr || context->owner->stopping.load()) {
        return;
    }
    const std::string text = context->seriesLevel
                                 ? dcmFind::answerText(*answer, kSeriesTags, kSeriesTagCount)
                                 : dcmFind::answerText(*answer, kStudyTags, kStudyTagCount);
    raiseEvent(kEventFindAnswer, text.c_str());
}

}  // namespace

dcmFind::dcmFind() {
    DcmThreadRegistry::add(this);
}

dcmFind::~dcmFind() {
    DcmThreadRegistry::remove(this);
    worker_.stop();
}

bool dcmFind::findPatientByName(const char* ip, const char* port, const char* callingTitle,
                                const char* calledTitle, const char* pattern) {
    return queue(ip, port, callingTitle, calledTitle, pattern, false);
}

bool dcmFind::findStudyByUID(const char* ip, const char* port, const char* callingTitle,
                             const char* calledTitle, const char* studyUid) {
    return queue(ip, port, callingTitle, calledTitle, studyUid, true);
}

void dcmFind::stopThreads() {
    worker_.stop();
}

bool dcmFind::queue(const char* ip, const char* port, const char* callingTitle,
                    const char* calledTitle, const char* value, bool seriesLevel) {
    if (ip == nullptr || port == nullptr || stopping.load()) {
        return false;
    }
    const std::string host(ip);
    const int portNumber = std::atoi(port);
    const std::string calling = DcmNetwork::callingTitle(callingTitle);
    const std::string called = DcmNetwork::calledTitle(calledTitle);
    const std::string text = value == nullptr ? std::string() : std::string(value);
    worker_.post([this, host, portNumber, calling, called, text, seriesLevel] {
        run(host, portNumber, calling, called, text, seriesLevel);
    });
    return true;
}

std::string dcmFind::answerText(DcmDataset& answer, const unsigned short (*tags)[2], int count) {
    DcmTextConverter converter;
    converter.reset(answer, LanguageType::ENGLISH);
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::string value;
        DcmElement* element = nullptr;
        OFString raw;
        if (answer.findAndGetElement(DcmTagKey(tags[i][0], tags[i][1]), element).good() &&
            element != nullptr && element->getOFStringArray(raw).good()) {
            value = converter.toUtf8(raw.c_str(), element->getVR());
        }
        // A bracket inside a value would end it early for the reader of the text.
        for (char& c : value) {
            if (c == '[') {
                c = '(';
            } else if (c == ']') {
                c = ')';
            } else if (c == '\n' || c == '\r') {
                c = ' ';
            }
        }
        char tag[16];
        std::snprintf(tag, sizeof(tag), "%04x,%04x", tags[i][0], tags[i][1]);
        text += tag;
        text += " [" + value + "]\n";
    }
    return text;
}

void dcmFind::run(const std::string& ip, int port, const std::string& calling,
                  const std::string& called, const std::string& value, bool seriesLevel) {
    if (stopping.load()) {
        return;
    }
    DcmAssociation association;
    std::string error;
    const std::vector<DcmAssociation::Context> contexts = {
        {UID_FINDStudyRootQueryRetrieveInformationModel,
         {UID_LittleEndianExplicitTransferSyntax, UID_LittleEndianImplicitTransferSyntax},
         false}};
    if (!association.open(ip, port, calling, called, contexts, error)) {
        if (!stopping.load()) {
            raiseEvent(kEventFindFailed, error.c_str());
        }
        return;
    }
    DcmDataset query;
    query.putAndInsertString(DCM_SpecificCharacterSet, "ISO_IR 192");
    query.putAndInsertString(DCM_QueryRetrieveLevel, seriesLevel ? "SERIES" : "STUDY");
    const unsigned short(*tags)[2] = seriesLevel ? kSeriesTags : kStudyTags;
    const int count = seriesLevel ? kSeriesTagCount : kStudyTagCount;
    for (int i = 0; i < count; ++i) {
        query.insertEmptyElement(DcmTagKey(tags[i][0], tags[i][1]));
    }
    if (seriesLevel) {
        query.putAndInsertString(DCM_StudyInstanceUID, value.c_str());
    } else {
        query.putAndInsertString(DCM_PatientName, value.c_str());
    }
    T_DIMSE_C_FindRQ request{};
    request.MessageID = association.get()->nextMsgID++;
    OFStandard::strlcpy(request.AffectedSOPClassUID, UID_FINDStudyRootQueryRetrieveInformationModel,
                        sizeof(request.AffectedSOPClassUID));
    request.DataSetType = DIMSE_DATASET_PRESENT;
    request.Priority = DIMSE_PRIORITY_MEDIUM;
    T_DIMSE_C_FindRSP response{};
    DcmDataset* detail = nullptr;
    int answers = 0;
    FindContext context{this, seriesLevel};
    const OFCondition status = DIMSE_findUser(
        association.get(), association.findContext(UID_FINDStudyRootQueryRetrieveInformationModel),
        &request, &query, answers, onAnswer, &context, DIMSE_NONBLOCKING,
        DcmNetwork::messageTimeout(), &response, &detail);
    delete detail;
    if (status.bad()) {
        association.markBroken();
        if (!stopping.load()) {
            raiseEvent(kEventFindFailed, status.text());
        }
        return;
    }
    if (response.DimseStatus != STATUS_Success && !stopping.load()) {
        char text[64];
        std::snprintf(text, sizeof(text), "query refused with status 0x%04x", response.DimseStatus);
        raiseEvent(kEventFindFailed, text);
    }
}

}  // namespace dcmSDK
