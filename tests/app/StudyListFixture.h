#pragma once

#include <string>

#include "app/studyList.h"
#include "tests/studydb/ServiceFixture.h"

namespace apptest {

// The task service with a library of its own, a running 1280 x 800 scene and the layouts on the
// search path.
class StudyListTest : public studydbtest::SceneServiceTest {
protected:
    static constexpr float kWidth = 1280.0f;
    static constexpr float kHeight = 800.0f;

    StudyListTest() : SceneServiceTest(kWidth, kHeight) {}
    void TearDown() override;

    // A list of the pushed form on the running scene; entering it makes its request.
    studyList* addList(const std::string& patientId = "");

    // Writes `count` images of a series (instance numbers 1..count) into its folder and files
    // them; returns the series folder relative to the DICOM root.
    std::string addSeries(const std::string& patientId, const std::string& studyUid,
                          const std::string& seriesUid, const std::string& seriesNumber, int count,
                          const std::string& modality = "CT", const std::string& description = "",
                          int firstInstance = 1);
    // The database ID of the patient with that DICOM Patient ID.
    std::string patientKey(const std::string& patientId);
};

// A series row of the given number, images, modality and description.
studyList::listObject* seriesRow(const std::string& number, int images = 10,
                                 const std::string& modality = "CT",
                                 const std::string& description = "");
studyList::listObject* studyRow(const std::string& id);

}  // namespace apptest
