#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/patientList.h"
#include "tests/support/lib/TempDir.h"

namespace hometest {

// Runs main-loop frames until the condition holds or about `seconds` of wall time have passed.
bool pumpUntil(const std::function<bool()>& condition, double seconds = 30.0);
void pumpFrames(int frames = 6);

// The home screen as the running scene of a headless window, over a study database of its own
// (storage node on a free loopback port, discovery on free ports) and the program's resources.
class HomeScreenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes and runs the screen in a window of the given size; waits for its first enter.
    void showScreen(float width = 1280.0f, float height = 800.0f);
    // A patient-list answer row as the database gives it.
    static std::vector<std::string> answerRow(const std::string& id, const std::string& name,
                                              int studies = 1, int series = 1, int images = 1);
    void loadRows(const std::vector<std::vector<std::string>>& rows);
    // Posts the announcement of a filed file for the patient, as the database does.
    static void postReceived(const std::string& id, const std::string& name, int newStudy,
                             int newSeries);
    std::vector<std::string> visibleNames() const;

    bvtest::TempDir storage_;
    patientList* screen = nullptr;
};

}  // namespace hometest
