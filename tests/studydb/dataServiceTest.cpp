#include "studydb/dataService.h"

#include "ServiceFixture.h"
#include "dcmsdk/dcmReader.h"
#include "engine/base/Director.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"
#include "studydb/LibraryCallbacks.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dicomDB.h"
#include "studydb/importDcm.h"
#include "studydb/sniffer.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/studydb/LockingChild.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UILocalConfig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;
using studydbtest::KeyRecorder;
using studydbtest::pumpInRealTimeUntil;
using studydbtest::ServiceTest;

namespace {

void deliver(dataService* service, int key, const std::string& text, int id = 0) {
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = text;
    data->intValue2 = id;
    service->onNotification(nullptr, key, data);
}

std::string failure(const std::string& key, const std::string& name) {
    return "127.0.0.1,104,,,1.2.3," + key + ",/tmp/x," + name + ",7,CT";
}

}  // namespace

TEST_F(ServiceTest, VerificationRepliesStoreOrAgeTheNode) {
    deliver(service_, studydb::NOTIFY_ECHO_REPLY,
            "{\"ok\":\"1\",\"appid\":\"10.0.0.5:104\",\"ip\":\"10.0.0.5\",\"port\":\"104\","
            "\"name\":\"PACS\"}");
    std::vector<neighborInfo> list;
    db()->getNeighbors(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].device, 5);
    EXPECT_EQ(list[0].name, "PACS");
    EXPECT_EQ(list[0].port, "104");
    deliver(service_, studydb::NOTIFY_ECHO_REPLY, "{\"ok\":\"0\",\"appid\":\"10.0.0.5:104\"}");
    db()->getNeighbors(list);
    EXPECT_EQ(list[0].wifi.substr(10), " 00:00:00");
    deliver(service_, studydb::NOTIFY_PEER_SEEN,
            "{\"ip\":\"10.0.0.6\",\"name\":\"ward\",\"appid\":\"w6\"}");
    db()->getNeighbors(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].appid, "w6");
    EXPECT_EQ(list[0].device, 5);
    EXPECT_EQ(list[0].port, "4587");
}

TEST_F(ServiceTest, NeighbourCountIsMinusOneWithoutAnAddress) {
    KeyRecorder counts(studydb::NOTIFY_PEER_COUNT);
    db()->saveNeighbor(2, "desk", "10.0.0.9", "4587", "desk-app");
    service_->postNeighborCount();
    {
        studydbtest::LoopbackNetwork offline("");
        service_->postNeighborCount();
    }
    studydbtest::pumpFrames(4);
    ASSERT_EQ(counts.ints.size(), 2u);
    EXPECT_EQ(counts.ints[0], 1);
    EXPECT_EQ(counts.ints[1], -1);
}

TEST_F(ServiceTest, RetrieveFailuresAreRememberedOnceAndShownEachTime) {
    deliver(service_, studydb::NOTIFY_RETRIEVE_FAILED, failure("1.2.3.9", "Doe"));
    deliver(service_, studydb::NOTIFY_RETRIEVE_FAILED, failure("1.2.3.9", "Doe"));
    deliver(service_, studydb::NOTIFY_RETRIEVE_FAILED, "too,few,fields");
    EXPECT_EQ(messages_, (std::vector<std::string>{"Failed to download Doe(7,CT)",
                                                   "Failed to download Doe(7,CT)"}));
    const auto& list = service_->refreshGetList();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.at(0)->state, dcmTask::kFailed);
    EXPECT_EQ(list.at(0)->task.seriesUid, "1.2.3.9");
    service_->removeGetTask(list.at(0));
    EXPECT_EQ(service_->refreshGetList().size(), 0);
}

// The service sends to its own node: progress, completion and the node queued for verification.
TEST_F(ServiceTest, SendTasksRunOneAfterAnotherToTheirEnd) {
    bvtest::TempDir source;
    bvtest::DicomFixture fixture;
    fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.7";
    fixture.seriesInstanceUID = "1.2.826.0.1.3680043.9.7.1";
    fixture.writeSeries(source.str(), 3, 1.0);

    auto* waiting = new dcmSendingObject();
    waiting->ip = "127.0.0.1";
    auto* first = new dcmSendingObject();
    auto* second = new dcmSendingObject();
    for (dcmSendingObject* task : {first, second}) {
        task->ip = "127.0.0.1";
        task->port = std::to_string(port_);
        task->title = "self";
        task->path = source.str();
    }
    service_->addSendTask(waiting);
    service_->addSendTask(first);
    service_->addSendTask(second);
    for (dcmSendingObject* task : {waiting, first, second}) {
        task->release();
    }
    ASSERT_TRUE(pumpInRealTimeUntil(
        [&] { return first->state >= dcmTask::kDone && second->state >= dcmTask::kDone; }, 60.0));
    EXPECT_EQ(first->state, dcmTask::kDone);
    EXPECT_EQ(second->state, dcmTask::kDone);
    EXPECT_FLOAT_EQ(second->progress, 100.0f);
    EXPECT_EQ(waiting->state, dcmTask::kWaiting);
    EXPECT_EQ(service_->getPendingEchoTargets(),
              (std::vector<std::string>{"self,127.0.0.1," + std::to_string(port_),
                                        "self,127.0.0.1," + std::to_string(port_)}));
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return rows("select ID from image").size() == 3; }));
}

TEST_F(ServiceTest, TheTickSweepsEveryFiveSecondsAndCountsEveryTwo) {
    KeyRecorder counts(studydb::NOTIFY_PEER_COUNT);
    for (int second = 0; second < 11; ++second) {
        cocos2d::Director::getInstance()->mainLoop(1.0f);
    }
    studydbtest::pumpFrames(2);
    EXPECT_GE(counts.ints.size(), 5u);
    EXPECT_LE(service_->getTickCount(), 15);
    EXPECT_GE(service_->getTickCount(), 10);
}

namespace {

isImageSDK::isSliceInfo* slice(int pixelType, int width, int height) {
    auto* record = new isImageSDK::isSliceInfo();
    record->width = width;
    record->height = height;
    record->pixelType = pixelType;
    record->instanceNumber = 3;
    record->data = std::calloc(static_cast<std::size_t>(width * height),
                               static_cast<std::size_t>(isImageSDK::bytesPerPixel(pixelType)));
    return record;
}

}  // namespace

// Reformatted slices are written as new files beside each other and announced for import.
TEST_F(ServiceTest, ReformatSlicesAreWrittenAndReadBack) {
    bvtest::TempDir source;
    bvtest::DicomFixture fixture;
    fixture.patientName = "Doe^Jane";
    ASSERT_TRUE(fixture.write(source.str() + "src.dcm"));
    KeyRecorder written(studydb::NOTIFY_IMPORT_PATH);

    auto* grey = slice(isImageSDK::PIXEL_FLOAT32, 4, 3);
    float* values = static_cast<float*>(grey->data);
    values[0] = -1.5f;
    values[1] = 3.2f;
    values[2] = 1.0f;
    grey->path = source.str() + "src.dcm";
    auto* colour = slice(isImageSDK::PIXEL_RGB24, 2, 2);
    auto* rgb = static_cast<unsigned char*>(colour->data);
    for (int i = 0; i < 12; ++i) {
        rgb[i] = static_cast<unsigned char>(20 * i);
    }
    colour->path = grey->path;
    // Values within ±0.01 keep scale 1; a value that is not a number becomes 0.
    auto* faint = slice(isImageSDK::PIXEL_FLOAT32, 2, 1);
    static_cast<float*>(faint->data)[0] = 0.004f;
    static_cast<float*>(faint->data)[1] = std::nanf("");
    faint->path = grey->path;
    for (isImageSDK::isSliceInfo* record : {grey, colour, faint}) {
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = "77";
        data->setBuffer(record);
        service_->onNotification(nullptr, isImageSDK::NOTIFY_SAVE_REFORMAT, data);
    }
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return written.texts.size() == 3; }));
    EXPECT_NE(written.texts[0], written.texts[1]);
    EXPECT_EQ(written.ids, (std::vector<int>{1, 1, 1}));

    dcmSDK::dcmReader reader;
    ASSERT_TRUE(reader.setFile(written.texts[0].c_str()));
    char text[256];
    ASSERT_TRUE(reader.readDicomTagString(0x0010, 0x0010, text, sizeof(text)));
    EXPECT_STREQ(text, "Doe^Jane");
    ASSERT_TRUE(reader.readDicomTagString(0x0028, 0x1053, text, sizeof(text)));
    EXPECT_NEAR(std::atof(text), 0.0001, 1e-7);
    dcmSDK::dcmReader::PixelType type;
    int count = 0;
    const auto* samples =
        reinterpret_cast<const std::int16_t*>(reader.readDicomPixelPointer(type, count));
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(samples[0], -15000);
    EXPECT_EQ(samples[1], 32000);
    EXPECT_EQ(samples[2], 10000);

    ASSERT_TRUE(reader.setFile(written.texts[1].c_str()));
    const char* pixels = reader.readDicomPixelPointer(type, count);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(type, dcmSDK::dcmReader::PIXEL_RGB);
    EXPECT_EQ(count, 4);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(pixels[i]), 20 * i) << i;
    }

    ASSERT_TRUE(reader.setFile(written.texts[2].c_str()));
    ASSERT_TRUE(reader.readDicomTagString(0x0028, 0x1053, text, sizeof(text)));
    EXPECT_EQ(std::atof(text), 1.0);
    samples = reinterpret_cast<const std::int16_t*>(reader.readDicomPixelPointer(type, count));
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[1], 0);
}

// A node name with the task separators must not split the verification target it goes into.
TEST_F(ServiceTest, EchoTargetsKeepNodeNamesFreeOfTaskSeparators) {
    auto* task = new dcmSendingObject();
    task->ip = "10.0.0.9";
    task->port = "104";
    task->title = "Ward, 3@B";
    service_->addSendTask(task);
    task->release();
    deliver(service_, studydb::NOTIFY_SEND_DONE, "", task->taskId());
    EXPECT_EQ(service_->getPendingEchoTargets(),
              (std::vector<std::string>{"Ward  3 B,10.0.0.9,104"}));
}

// Another process holds the library when this one starts: imports and reformatted slices write
// nothing into that library, and the user is told which process has it.
TEST(RefusedLibraryTest, ACopyRefusedTheLibraryWritesNothingIntoItAndSaysWhy) {
    bvtest::TempDir storage;
    const std::string folder = storage.str() + "dicom/";
    fs::create_directories(folder);
    bvtest::LockingChild other(folder);
    ASSERT_TRUE(other.held());

    studydbtest::LoopbackNetwork network;
    NSUI::setEncodedUserDefault("app_dicom_path", folder);
    dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
    const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort(true));
    NSUI::sniffer::setDefaultPorts(udp, udp);
    std::vector<std::string> messages;
    dataService::setMessagePresenter(
        [&messages](const std::string& text, float) { messages.push_back(text); });
    registerDcmCallbacks();
    dataService* service = dataService::getInstance();
    dicomDB* db = service->getDatabase();
    EXPECT_FALSE(db->ready());
    EXPECT_EQ(db->getDicomRoot(), "");
    const std::string why = "The library is in use by another copy of the program (process " +
                            std::to_string(other.pid()) + ")";
    EXPECT_EQ(messages, std::vector<std::string>{why});

    // The import works through its queue in order: once the folder is removed, the file before
    // it has been taken or refused.
    bvtest::TempDir source;
    const std::string incoming = source.str() + "incoming/";
    fs::create_directories(incoming);
    bvtest::DicomFixture fixture;
    ASSERT_TRUE(fixture.write(incoming + "one.dcm"));
    importDcm* importer = importDcm::create();
    importer->retain();
    importer->setDicomRoot(db->getDicomRoot());
    importer->importAndRemoveFolder(incoming);
    EXPECT_TRUE(studydbtest::pumpUntil([&] { return !fs::exists(incoming); }));
    importer->shutdown();
    importer->release();

    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = "77";
    auto* record = slice(isImageSDK::PIXEL_FLOAT32, 2, 2);
    record->path = source.str() + "one.dcm";
    data->setBuffer(record);
    service->onNotification(nullptr, isImageSDK::NOTIFY_SAVE_REFORMAT, data);
    EXPECT_EQ(messages, (std::vector<std::string>{why, why}));

    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        written.push_back(entry.path().lexically_relative(folder).string());
    }
    EXPECT_EQ(written, std::vector<std::string>{".lock"});

    studydbtest::pumpFrames();
    dataService::destroyInstance();
    NSUI::sniffer::stop();
    studydbtest::pumpFrames();
    dataService::setMessagePresenter(nullptr);
    NSUI::setEncodedUserDefault("app_dicom_path", "");
    EXPECT_TRUE(other.release());
}
