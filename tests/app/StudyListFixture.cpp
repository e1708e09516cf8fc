#include "tests/app/StudyListFixture.h"

#include <filesystem>
#include <memory>

#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/dcmServer.h"
#include "engine/2d/Scene.h"
#include "imagesdk/data/ProtocolList.h"
#include "studydb/StoredFileRecord.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dicomDB.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/NSNotificationData.h"

namespace apptest {

void StudyListTest::TearDown() {
    SceneServiceTest::TearDown();
    // The image library's shutdown frees the protocol list that the strip reads.
    releaseProtocols();
}

studyList* StudyListTest::addList(const std::string& patientId) {
    studyList* list = studyList::create();
    list->setContentSize(cocos2d::Size(kWidth, kHeight));
    EXPECT_TRUE(list->initWithPC(false));
    if (!patientId.empty()) {
        list->setPatient(patientId);
    }
    scene->addChild(list);
    return list;
}

std::string StudyListTest::addSeries(const std::string& patientId, const std::string& studyUid,
                                     const std::string& seriesUid, const std::string& seriesNumber,
                                     int count, const std::string& modality,
                                     const std::string& description, int firstInstance) {
    char folder[1024];
    dcmSDK::dcmServer::getDicomFolder("Test^Patient", patientId.c_str(), studyUid.c_str(),
                                      seriesUid.c_str(), folder);
    const std::string relative = folder;
    std::filesystem::create_directories(root() + relative);
    bvtest::DicomFixture fixture;
    fixture.modality = modality;
    fixture.seriesNumber = seriesNumber;
    fixture.patientID = patientId;
    fixture.studyInstanceUID = studyUid;
    fixture.seriesInstanceUID = seriesUid;
    for (int i = firstInstance; i < firstInstance + count; ++i) {
        const std::string sop = seriesUid + "." + std::to_string(i);
        fixture.instanceNumber = i;
        fixture.sopInstanceUID = sop;
        EXPECT_TRUE(fixture.write(root() + relative + "/" + sop));
        auto message = std::make_unique<dcmSDK::DCM_MESSAGE>();
        const auto put = [](char* slot, std::size_t size, const std::string& value) {
            dcmSDK::DCM_MESSAGE::setText(slot, size, value.c_str());
        };
        put(message->Modality, 256, modality);
        put(message->PatientName, 256, "Test^Patient");
        put(message->PatientID, 256, patientId);
        put(message->StudyInstanceUID, 256, studyUid);
        put(message->SeriesInstanceUID, 256, seriesUid);
        put(message->SeriesDescription, 256, description);
        put(message->SOPInstanceUID, 256, sop);
        put(message->InstanceNumber, 256, std::to_string(i));
        put(message->StudyDate, 256, "20240102");
        put(message->StudyTime, 256, "101010");
        put(message->FileName, 1024, sop);
        put(message->SeriesFolder, 1024, relative + "/");
        auto* stored = new studydb::StoredFileRecord(std::move(message));
        auto* data = NSUI::NSNotificationData::create();
        data->setObject(stored);
        stored->release();
        db()->onNotification(nullptr, studydb::NOTIFY_DICOM_FILE_RECEIVED, data);
    }
    // The worker runs requests in order: once a later request is answered, the files are filed.
    bool marker = false;
    db()->requestPatients([&marker](NSUI::NSDBDataModel*) { marker = true; });
    EXPECT_TRUE(studydbtest::pumpUntil([&] { return marker; }));
    return relative;
}

std::string StudyListTest::patientKey(const std::string& patientId) {
    const auto found = rows("select ID from patient where patientIDHospital='" + patientId + "'");
    return found.empty() ? std::string() : found[0][0];
}

studyList::listObject* seriesRow(const std::string& number, int images, const std::string& modality,
                                 const std::string& description) {
    studyList::listObject* row = studyList::listObject::create();
    row->type = 1;
    row->seriesID = "s" + number;
    row->seriesNumber = number;
    row->imageCount = images;
    row->modality = modality;
    row->seriesDesc = description;
    row->folder = "folder/" + number;
    return row;
}

studyList::listObject* studyRow(const std::string& id) {
    studyList::listObject* row = studyList::listObject::create();
    row->type = 0;
    row->studyID = id;
    return row;
}

}  // namespace apptest
