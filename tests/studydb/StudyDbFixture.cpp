#include "StudyDbFixture.h"

#include "dcmsdk/dcmServer.h"
#include "engine/base/Director.h"
#include "studydb/StoredFileRecord.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dicomDBRequest.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/LoopbackPort.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UILocalConfig.h"

#include <chrono>
#include <thread>

namespace studydbtest {

bool pumpUntil(const std::function<bool()>& condition, double seconds) {
    return bvtest::runFramesUntil(condition, seconds, 0.05f);
}

void pumpFrames(int frames) {
    bvtest::runFrames(frames, 0.6f);
}

bool pumpInRealTimeUntil(const std::function<bool()>& condition, double seconds,
                         const std::function<void()>& eachFrame) {
    const auto start = std::chrono::steady_clock::now();
    auto last = start;
    while (!condition()) {
        const auto now = std::chrono::steady_clock::now();
        if (now - start > std::chrono::duration<double>(seconds)) {
            return false;
        }
        cocos2d::Director::getInstance()->mainLoop(
            std::chrono::duration<float>(now - last).count());
        last = now;
        if (eachFrame) {
            eachFrame();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::vector<std::vector<std::string>> selectRows(dicomDB* db, const std::string& sql) {
    std::lock_guard<std::recursive_mutex> guard(db->getLock());
    NSUI::NSDBDataModel model;
    EXPECT_TRUE(db->getConnection().getRecords(sql, &model)) << sql;
    std::vector<std::vector<std::string>> result;
    for (int r = 0; r < model.getRowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < model.getColumnCount(r); ++c) {
            row.push_back(model.getValue(r, c));
        }
        result.push_back(row);
    }
    return result;
}

LoopbackNetwork::LoopbackNetwork(const std::string& ownAddress,
                                 std::vector<std::string> neighbours) {
    studydb::LocalNetwork::Source source;
    source.info = [ownAddress](std::string& host, std::string& addresses) {
        host = "testhost";
        addresses = ownAddress;
    };
    source.subnetAddresses = [neighbours](std::vector<std::string>& addresses) {
        addresses = neighbours;
    };
    source.hasColon = [] { return false; };
    previous_ = studydb::LocalNetwork::setSource(source);
}

LoopbackNetwork::~LoopbackNetwork() {
    studydb::LocalNetwork::setSource(previous_);
}

KeyRecorder::KeyRecorder(int key) {
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            texts.push_back(data ? data->stringValue : "");
            ints.push_back(data ? data->intValue : 0);
            ids.push_back(data ? data->intValue2 : 0);
            if (data && data->buffer && onBuffer) {
                onBuffer(data->buffer);
            }
        },
        key);
}

KeyRecorder::~KeyRecorder() {
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
}

void StudyDbTest::SetUp() {
    NSUI::setEncodedUserDefault("app_dicom_path", storage_.str() + "dicom/");
    dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
    db_ = new dicomDB();
    ASSERT_TRUE(db_->init());
    ASSERT_TRUE(db_->ready());
}

void StudyDbTest::TearDown() {
    pumpFrames();
    if (db_ != nullptr) {
        db_->shutdown();
        db_->release();
        db_ = nullptr;
    }
    NSUI::setEncodedUserDefault("app_dicom_path", "");
}

dcmSDK::DCM_MESSAGE* StudyDbTest::record(const std::string& patientName,
                                         const std::string& patientId, const std::string& studyUid,
                                         const std::string& seriesUid, const std::string& sopUid,
                                         const std::string& instance) {
    auto* message = new dcmSDK::DCM_MESSAGE();
    const auto put = [](char* slot, std::size_t size, const std::string& value) {
        dcmSDK::DCM_MESSAGE::setText(slot, size, value.c_str());
    };
    put(message->Modality, 256, "CT");
    put(message->PatientName, 256, patientName);
    put(message->PatientID, 256, patientId);
    put(message->StudyInstanceUID, 256, studyUid);
    put(message->SeriesInstanceUID, 256, seriesUid);
    put(message->SOPInstanceUID, 256, sopUid);
    put(message->InstanceNumber, 256, instance);
    put(message->PatientSex, 256, "F");
    put(message->StudyDate, 256, "20240102");
    put(message->StudyTime, 256, "101010");
    put(message->FileName, 1024, sopUid);
    char folder[1024];
    dcmSDK::dcmServer::getDicomFolder(patientName.c_str(), patientId.c_str(), studyUid.c_str(),
                                      seriesUid.c_str(), folder);
    put(message->SeriesFolder, 1024, std::string(folder) + "/");
    return message;
}

void StudyDbTest::post(dcmSDK::DCM_MESSAGE* message) {
    studydb::StoredFileRecord::post(std::unique_ptr<dcmSDK::DCM_MESSAGE>(message));
}

std::vector<std::vector<std::string>> StudyDbTest::rows(const std::string& sql) {
    return selectRows(db_, sql);
}

void StudyDbTest::file(dcmSDK::DCM_MESSAGE* message) {
    const std::string uid = message->SOPInstanceUID;
    auto* stored = new studydb::StoredFileRecord(std::unique_ptr<dcmSDK::DCM_MESSAGE>(message));
    auto* data = NSUI::NSNotificationData::create();
    data->setObject(stored);
    stored->release();
    db_->onNotification(nullptr, studydb::NOTIFY_DICOM_FILE_RECEIVED, data);
    // The worker runs requests in order: once a later request is answered, the file is stored.
    bool marker = false;
    db_->requestPatients([&marker](NSUI::NSDBDataModel*) { marker = true; });
    ASSERT_TRUE(pumpUntil([&] { return marker; })) << uid;
}

}  // namespace studydbtest
