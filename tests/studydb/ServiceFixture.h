#pragma once

#include "StudyDbFixture.h"
#include "studydb/dataService.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace studydbtest {

// The process-wide task service with its node on a free loopback port, its storage in a folder
// of its own, discovery on free ports, and sweeps kept on loopback.
class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    dicomDB* db() const { return service_->getDatabase(); }
    std::string root() const { return db()->getDicomRoot(); }
    std::vector<std::vector<std::string>> rows(const std::string& sql);

    bvtest::TempDir storage_;
    LoopbackNetwork network_;
    int port_ = 0;
    dataService* service_ = nullptr;
    std::vector<std::string> messages_;
};

}  // namespace studydbtest
