#pragma once

#include "StudyDbFixture.h"
#include "studydb/dataService.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cocos2d {
class Scene;
}

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

// ServiceTest with a running scene of `width` x `height` and the layouts on the search path,
// as the screens run over the task service.
class SceneServiceTest : public ServiceTest {
protected:
    SceneServiceTest(float width, float height) : width_(width), height_(height) {}

    void SetUp() override;
    // The scene goes first, while the service its screens use still runs; the notification
    // centre goes last, since a purged director no longer runs its delivery pass.
    void TearDown() override;
    // What the screens leave behind once the scenes have ended, before the service stops.
    virtual void releaseAfterScene() {}

    cocos2d::Scene* scene = nullptr;

private:
    float width_;
    float height_;
};

}  // namespace studydbtest
