#include "studydb/LibraryCallbacks.h"

#include "StudyDbFixture.h"
#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/DcmEvents.h"
#include "engine/platform/Image.h"
#include "studydb/StoredFileRecord.h"
#include "studydb/StudyNotifications.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

using studydbtest::KeyRecorder;

namespace {

// Keeps the objects (find rows) of one key.
class RowRecorder {
public:
    explicit RowRecorder(int key) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
                if (data != nullptr && data->object != nullptr) {
                    data->object->retain();
                    rows.push_back(data->object);
                }
            },
            key);
    }
    ~RowRecorder() {
        NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
        for (cocos2d::Ref* row : rows) {
            row->release();
        }
    }
    std::vector<cocos2d::Ref*> rows;
};

}  // namespace

TEST(LibraryCallbacks, EventsBecomeTheirNotifications) {
    KeyRecorder progress(studydb::NOTIFY_SEND_PROGRESS);
    KeyRecorder done(studydb::NOTIFY_SEND_DONE);
    KeyRecorder imported(studydb::NOTIFY_IMPORT_PATH);
    KeyRecorder reset(studydb::NOTIFY_FIND_RESET);
    onDcmMessage(dcmSDK::kEventSendProgress, "{\"taskID\":\"42\",\"value\":\"37.5\"}");
    onDcmMessage(dcmSDK::kEventSendDone, "{\"taskID\":\"42\"}");
    onDcmMessage(dcmSDK::kEventFileToImport, "/data/a.dcm");
    onDcmMessage(dcmSDK::kEventFindReset, "cleared");
    onDcmMessage(12, "ignored");
    onDcmMessage(dcmSDK::kEventSendProgress, "{}");
    studydbtest::pumpFrames(12);
    EXPECT_EQ(progress.ids, (std::vector<int>{42, 0}));
    EXPECT_EQ(done.ids, (std::vector<int>{42}));
    EXPECT_EQ(imported.texts, (std::vector<std::string>{"/data/a.dcm"}));
    EXPECT_EQ(imported.ids, (std::vector<int>{1}));
    EXPECT_EQ(reset.texts, (std::vector<std::string>{"cleared"}));
}

// The node's record travels as an object: every observer may keep it, and it goes with the last
// reference (also when nobody listens, which the leak check sees).
TEST(LibraryCallbacks, StoredFileRecordsAreSharedByTheirObservers) {
    const auto raised = [](const char* uid) {
        auto* message = new dcmSDK::DCM_MESSAGE();
        dcmSDK::DCM_MESSAGE::setText(message->SOPInstanceUID, sizeof(message->SOPInstanceUID), uid);
        onDcmMessage(dcmSDK::kEventFileStored, message->asEventText());
    };
    raised("1.9.0");
    studydbtest::pumpFrames(4);
    {
        RowRecorder first(studydb::NOTIFY_DICOM_FILE_RECEIVED);
        RowRecorder second(studydb::NOTIFY_DICOM_FILE_RECEIVED);
        raised("1.9.1");
        studydbtest::pumpFrames(4);
        ASSERT_EQ(first.rows.size(), 1u);
        ASSERT_EQ(second.rows.size(), 1u);
        EXPECT_EQ(first.rows[0], second.rows[0]);
        auto* record = dynamic_cast<studydb::StoredFileRecord*>(first.rows[0]);
        ASSERT_NE(record, nullptr);
        EXPECT_STREQ(record->message().SOPInstanceUID, "1.9.1");
        EXPECT_EQ(record->getReferenceCount(), 2u);
    }
    // A stored-file event without a record posts nothing.
    RowRecorder none(studydb::NOTIFY_DICOM_FILE_RECEIVED);
    onDcmMessage(dcmSDK::kEventFileStored, nullptr);
    studydbtest::pumpFrames(4);
    EXPECT_TRUE(none.rows.empty());
}

TEST(LibraryCallbacks, FindAnswersBecomeRowsOwnedByTheirData) {
    RowRecorder series(studydb::NOTIFY_FIND_SERIES_ROW);
    RowRecorder patients(studydb::NOTIFY_FIND_PATIENT_ROW);
    // Both tags: a series answer. A bare time stays as it is.
    parseFindResult("0008,0031 [101010]\n0008,0060 [CT]\n0010,0010 [Doe^Jane]\n"
                    "0020,000d [1.2.3]\n0020,000e [1.2.3.4]\n0020,0011 [5]\n0020,1209 [12]\n");
    parseFindResult("0008,0060 [MR]\n0020,000d [1.2.3]\n0020,000e []\n");
    parseFindResult("0008,0020 [20240102]\n0008,0030 [101010.5]\n0010,0010 [Doe^Jane]\n"
                    "0010,0020 [P1]\n0020,000d [1.2.3]\n0020,0010 [S1]\n0008,0080 [Ward, 3]\n");
    parseFindResult("0010,0010 [Doe^Jane]\n0020,000d [");
    parseFindResult("nothing here");
    studydbtest::pumpFrames(12);
    ASSERT_EQ(series.rows.size(), 1u);
    auto* seriesRow = dynamic_cast<findSeriesRow*>(series.rows[0]);
    ASSERT_NE(seriesRow, nullptr);
    EXPECT_EQ(seriesRow->dateTime, "101010");
    EXPECT_EQ(seriesRow->modality, "CT");
    EXPECT_EQ(seriesRow->seriesInstanceUID, "1.2.3.4");
    EXPECT_EQ(seriesRow->instanceCount, "12");
    ASSERT_EQ(patients.rows.size(), 1u);
    auto* patientRow = dynamic_cast<findPatientRow*>(patients.rows[0]);
    ASSERT_NE(patientRow, nullptr);
    EXPECT_EQ(patientRow->dateTime, "2024.01.02 10:10:10");
    EXPECT_EQ(patientRow->institution, "Ward, 3");
    EXPECT_EQ(patientRow->studyID, "S1");
}

TEST(LibraryCallbacks, TextConversionAlwaysEndsInAZeroByte) {
    char one[1] = {'x'};
    onDcmGb2Utf8("abc", one, 1);
    EXPECT_EQ(one[0], '\0');
    char target[4];
    onDcmGb2Utf8("abcdef", target, sizeof(target));
    EXPECT_STREQ(target, "abc");
    char chinese[16];
    onDcmGb2Utf8("\xd6\xd0", chinese, sizeof(chinese));
    EXPECT_STREQ(chinese, "\xe4\xb8\xad");
}

TEST(LibraryCallbacks, TextConversionNeverEndsInsideACharacter) {
    // "\xd6\xd0" is one character that takes three bytes in UTF-8.
    const struct {
        const char* source;
        int size;
        const char* expected;
    } cases[] = {
        {"\xd6\xd0\xd6\xd0", 5, "\xe4\xb8\xad"},
        {"\xd6\xd0\xd6\xd0", 6, "\xe4\xb8\xad"},
        {"\xd6\xd0\xd6\xd0", 7, "\xe4\xb8\xad\xe4\xb8\xad"},
        {"\xd6\xd0", 3, ""},
        {"a\xd6\xd0", 4, "a"},
    };
    for (const auto& item : cases) {
        char target[16];
        std::memset(target, 'x', sizeof(target));
        onDcmGb2Utf8(item.source, target, item.size);
        EXPECT_STREQ(target, item.expected) << "buffer of " << item.size;
    }
}

TEST(LibraryCallbacks, FilesAreReadWholeAndPngsWrittenRowByRow) {
    bvtest::TempDir folder;
    const std::string text = folder.str() + "a.txt";
    std::ofstream(text) << "hello";
    int size = 0;
    char* bytes = onDcmReadFile(text.c_str(), size, false);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(std::string(bytes, 5), "hello");
    delete[] bytes;
    EXPECT_EQ(onDcmReadFile((folder.str() + "missing").c_str(), size, false), nullptr);

    const int width = 3;
    const int height = 2;
    std::vector<unsigned char> pixels(width * height * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<unsigned char>(i * 13);
    }
    const std::string png = folder.str() + "a.png";
    ASSERT_TRUE(onDcmSavePng(width, height, pixels.data(), png.c_str()));
    cocos2d::Image image;
    ASSERT_TRUE(image.initWithImageFile(png));
    EXPECT_EQ(image.getWidth(), width);
    EXPECT_EQ(image.getHeight(), height);
    ASSERT_FALSE(image.hasAlpha());
    // The second row starts right after the first: no padding between rows.
    EXPECT_EQ(std::vector<unsigned char>(image.getData(), image.getData() + image.getDataLen()),
              pixels);
    EXPECT_FALSE(onDcmSavePng(width, height, pixels.data(), (folder.str() + "no/a.png").c_str()));
}
