#pragma once

#include "dcmsdk/DCM_MESSAGE.h"
#include "studydb/LocalNetwork.h"
#include "studydb/dicomDB.h"
#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace studydbtest {

// Runs main-loop frames until the condition holds or about `seconds` of wall time have passed.
bool pumpUntil(const std::function<bool()>& condition, double seconds = 30.0);
// A few frames so that queued notifications and hand-backs arrive.
void pumpFrames(int frames = 8);
// Frames whose length is the time that really passed, so that the services' timers (the task
// service's one-second tick, the five-second echo sweep) keep the clock's pace however fast the
// loop spins; `eachFrame` runs after every frame.
bool pumpInRealTimeUntil(const std::function<bool()>& condition, double seconds,
                         const std::function<void()>& eachFrame = nullptr);

// Rows of a query on the database's own connection, under its lock.
std::vector<std::vector<std::string>> selectRows(dicomDB* db, const std::string& sql);

// Keeps the sweeps and discovery passes of the code under test on loopback.
class LoopbackNetwork {
public:
    explicit LoopbackNetwork(const std::string& ownAddress = "127.0.0.2",
                             std::vector<std::string> neighbours = {});
    ~LoopbackNetwork();

private:
    studydb::LocalNetwork::Source previous_;
};

// Observes one key with no group and keeps the texts, int values and second int values.
class KeyRecorder {
public:
    explicit KeyRecorder(int key);
    ~KeyRecorder();
    KeyRecorder(const KeyRecorder&) = delete;
    KeyRecorder& operator=(const KeyRecorder&) = delete;

    std::vector<std::string> texts;
    std::vector<int> ints;
    std::vector<int> ids;
    // Buffers that arrived, handed to onBuffer (which owns them) when set.
    std::function<void(void*)> onBuffer;
};

// A study database in a DICOM folder of its own, with its node on a free loopback port.
class StudyDbTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A record as the node raises it; the series folder follows the library's rule.
    static dcmSDK::DCM_MESSAGE* record(const std::string& patientName, const std::string& patientId,
                                       const std::string& studyUid, const std::string& seriesUid,
                                       const std::string& sopUid,
                                       const std::string& instance = "1");
    // Posts the record with NOTIFY_DICOM_FILE_RECEIVED, as the library callback does.
    static void post(dcmSDK::DCM_MESSAGE* message);
    // Rows of a query on the database's own connection.
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    // Posts the record and waits until the worker has stored it (or found it known).
    void file(dcmSDK::DCM_MESSAGE* message);

    std::string root() const { return db_->getDicomRoot(); }

    bvtest::TempDir storage_;
    LoopbackNetwork network_;
    dicomDB* db_ = nullptr;
};

}  // namespace studydbtest
