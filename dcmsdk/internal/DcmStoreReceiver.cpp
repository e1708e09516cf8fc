#include "dcmsdk/internal/DcmStoreReceiver.h"

#include "dcmsdk/DcmFilePlacer.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/dcmReadTag.h"

#include <dcmtk/dcmdata/dcostrmf.h>
#include <dcmtk/dcmnet/dimse.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace dcmSDK {

namespace {

const unsigned short kStatusSuccess = 0x0000;
const unsigned short kStatusOutOfResources = 0xA700;
const unsigned short kStatusCannotUnderstand = 0xC000;
const unsigned short kStatusDataSetMismatch = 0xA900;

std::string partialName() {
    static std::atomic<unsigned long> counter{0};
    return std::to_string(getpid()) + "-" + std::to_string(++counter) + ".part";
}

}  // namespace

DcmStoreReceiver::Result DcmStoreReceiver::receive(T_ASC_Association* association,
                                                   unsigned char presentationContext,
                                                   const T_DIMSE_C_StoreRQ& request,
                                                   const std::string& root, LanguageType language) {
    Result result;
    const std::string staging = root + ".incoming/";
    std::error_code error;
    std::filesystem::create_directories(staging, error);
    const std::string partial = staging + partialName();
    DcmOutputFileStream* stream = nullptr;
    OFCondition status = DIMSE_createFilestream(OFFilename(partial.c_str()), &request, association,
                                                presentationContext, 1, &stream);
    if (status.bad()) {
        delete stream;
        DIC_UL bytes = 0;
        DIC_UL pdvs = 0;
        status = DIMSE_ignoreDataSet(association, DIMSE_NONBLOCKING, DcmNetwork::messageTimeout(),
                                     &bytes, &pdvs);
        result.broken = status.bad();
        result.status = kStatusOutOfResources;
        result.error = "cannot create " + partial;
        std::filesystem::remove(partial, error);
        return result;
    }
    T_ASC_PresentationContextID dataContext = 0;
    status =
        DIMSE_receiveDataSetInFile(association, DIMSE_NONBLOCKING, DcmNetwork::messageTimeout(),
                                   &dataContext, stream, nullptr, nullptr);
    const bool written = stream->good();
    delete stream;
    if (status.bad()) {
        result.broken = true;
        result.status = kStatusOutOfResources;
        result.error = std::string("data set not received: ") + status.text();
        std::filesystem::remove(partial, error);
        return result;
    }
    if (!written) {
        result.status = kStatusOutOfResources;
        result.error = "cannot write " + partial;
        std::filesystem::remove(partial, error);
        return result;
    }
    file(partial, request, root, language, result);
    std::filesystem::remove(partial, error);
    return result;
}

void DcmStoreReceiver::file(const std::string& partial, const T_DIMSE_C_StoreRQ& request,
                            const std::string& root, LanguageType language, Result& result) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(partial, error);
    if (error || size > kMaxBufferBytes) {
        result.status = kStatusOutOfResources;
        result.error = "object larger than the single-buffer limit";
        return;
    }
    auto record = std::make_unique<DCM_MESSAGE>();
    std::string sop;
    std::string sopClass;
    std::string study;
    std::string series;
    {
        dcmReadTag tags;
        tags.language = language;
        if (!tags.setFile(partial.c_str())) {
            result.status = kStatusCannotUnderstand;
            result.error = "received data set cannot be parsed";
            return;
        }
        // Whole values: one cut at an embedded NUL would name another object.
        sop = tags.getTagValue(0x0008, 0x0018);
        sopClass = tags.getTagValue(0x0008, 0x0016);
        study = tags.getTagValue(0x0020, 0x000D);
        series = tags.getTagValue(0x0020, 0x000E);
        record->fillFrom(tags);
    }
    if (!DcmNames::hasStorableUids(sop, study, series)) {
        result.status = kStatusCannotUnderstand;
        result.error = "SOP, study or series instance UID is not a valid UID";
        return;
    }
    // The sender is told about the command's instance: filing another one under it would report
    // an object stored that the library does not hold.
    if (sop != request.AffectedSOPInstanceUID || sopClass != request.AffectedSOPClassUID) {
        result.status = kStatusDataSetMismatch;
        result.error = "data set does not match the command's SOP class and instance";
        return;
    }
    const std::string folder =
        DcmNames::seriesFolder(record->PatientName, record->PatientID, record->StudyInstanceUID,
                               record->SeriesInstanceUID);
    // A second copy of an object the folder holds comes in beside it, never over it: the file a
    // deletion is removing stays the deletion's, and filing puts the copy in its place. A
    // deletion removes the series' folders once they are empty, possibly between their creation
    // and the move: then they are made again.
    const std::string name = DcmNames::fileNameFor(sop);
    std::string placed;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::filesystem::create_directories(root + folder, error);
        placed = DcmFilePlacer::place(partial, root + folder + "/", name, error);
        if (error != std::errc::no_such_file_or_directory) {
            break;
        }
    }
    const std::string target = root + folder + "/" + placed;
    if (error) {
        result.status = kStatusOutOfResources;
        result.error = "cannot store " + root + folder + "/" + name + ": " + error.message();
        return;
    }
    DCM_MESSAGE::setText(record->FileName, sizeof(record->FileName), placed.c_str());
    DCM_MESSAGE::setText(record->SeriesFolder, sizeof(record->SeriesFolder),
                         (folder + "/").c_str());
    result.status = kStatusSuccess;
    result.path = target;
    result.record = std::move(record);
}

bool DcmStoreReceiver::respond(T_ASC_Association* association, unsigned char presentationContext,
                               const T_DIMSE_C_StoreRQ& request, unsigned short status) {
    T_DIMSE_C_StoreRSP response{};
    response.MessageIDBeingRespondedTo = request.MessageID;
    response.DimseStatus = status;
    response.DataSetType = DIMSE_DATASET_NULL;
    OFStandard::strlcpy(response.AffectedSOPClassUID, request.AffectedSOPClassUID,
                        sizeof(response.AffectedSOPClassUID));
    OFStandard::strlcpy(response.AffectedSOPInstanceUID, request.AffectedSOPInstanceUID,
                        sizeof(response.AffectedSOPInstanceUID));
    response.opts = O_STORE_AFFECTEDSOPCLASSUID | O_STORE_AFFECTEDSOPINSTANCEUID;
    T_DIMSE_C_StoreRQ copy = request;
    return DIMSE_sendStoreResponse(association, presentationContext, &copy, &response, nullptr)
        .good();
}

}  // namespace dcmSDK
