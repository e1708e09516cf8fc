#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Base64.h"
#include "engine/base/Director.h"
#include "engine/base/UserDefault.h"
#include "engine/platform/FileUtils.h"
#include "tests/onlineservice/ServiceTestServer.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/ToolkitGlobals.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/net/NSHttpClient.h"

namespace onlinetest {

// One delivered notification.
struct Posted {
    int key = 0;
    cocos2d::Ref* sender = nullptr;
    int intValue = 0;
    std::string text;
};

// A headless 960 x 640 window with a running scene, a writable folder and user defaults of the
// test's own, and the test web service as the site base.
class OnlineTest : public ::testing::Test {
protected:
    OnlineTest() : writable("online") {}

    void SetUp() override {
        cocos2d::UserDefault::destroyInstance();
        writable.useAsWritablePath();
        // Restored at the end: a test's update folders must not stay on the next test's path.
        searchPaths = cocos2d::FileUtils::getInstance()->getSearchPaths();
        cocos2d::FileUtils::getInstance()->addSearchPath("res/pad");
        ASSERT_TRUE(server.isRunning());
        // The configuration path a user takes; the configuration object reads it when made.
        setenv("BRIMVALE_SITE_BASE", server.baseUrl().c_str(), 1);
        NSUI::setServerUrl(server.baseUrl());
        cocos2d::Director* director = cocos2d::Director::getInstance();
        director->setWinSize(cocos2d::Size(960.0f, 640.0f));
        scene = cocos2d::Scene::create();
        director->runWithScene(scene);
        frame();
    }

    void TearDown() override {
        NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
        NSUI::NSHttpClient::destroyInstance();
        // Its delivery pass lives on the director's scheduler, which the purge empties.
        NSUI::NSNotificationCenter::destroyInstance();
        cocos2d::Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
        cocos2d::UserDefault::destroyInstance();
        unsetenv("BRIMVALE_SITE_BASE");
        cocos2d::FileUtils::getInstance()->setSearchPaths(searchPaths);
    }

    static void frame() { cocos2d::Director::getInstance()->mainLoop(0.05f); }

    // Runs frames until the condition holds; false after about 20 s.
    static bool pumpUntil(const std::function<bool()>& condition) {
        return bvtest::runFramesUntil(condition, 20.0, 0.05f);
    }

    // Runs frames until `path` got `count` requests, so that answers keep being delivered.
    bool arrived(const std::string& path, std::size_t count) {
        return pumpUntil([&] { return server.requests(path).size() >= count; });
    }

    // Records every delivery of the key into `posted`.
    void watch(int key) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](cocos2d::Ref* sender, unsigned k, NSUI::NSNotificationData* data) {
                Posted post;
                post.key = static_cast<int>(k);
                post.sender = sender;
                if (data != nullptr) {
                    post.intValue = data->intValue;
                    post.text = data->stringValue;
                }
                posted.push_back(post);
            },
            key);
    }

    static std::string setting(const char* key, const std::string& fallback = "") {
        return NSUI::getEncodedUserDefault(key, fallback);
    }
    static void store(const char* key, const std::string& value) {
        NSUI::setEncodedUserDefault(key, value);
    }
    // The JSON text a request carried.
    static std::string decodedBody(const RecordedRequest& request) {
        return cocos2d::safeBase64DecodeString(request.body);
    }

    bvtest::TempDir writable;
    std::vector<std::string> searchPaths;
    ServiceTestServer server;
    cocos2d::Scene* scene = nullptr;
    std::vector<Posted> posted;
};

}  // namespace onlinetest
