#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/Touch.h"
#include "engine/platform/FileUtils.h"
#include "tests/support/lib/FramePump.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace toolstest {

constexpr float kWidth = 1280.0f;
constexpr float kHeight = 800.0f;

// One delivered post.
struct Post {
    int key = 0;
    std::string text;
    int intValue = 0;
    int intValue2 = 0;
    unsigned dataKey = 0;
    void* dataGroup = nullptr;
    cocos2d::Ref* sender = nullptr;
};

// Records the posts of some keys made to one group (null: posts without a group).
class PostRecorder {
public:
    PostRecorder(const std::vector<int>& keys, void* group) {
        for (const int key : keys) {
            NSUI::NSNotificationCenter::getInstance()->addObserver(
                this, group,
                [this, key](cocos2d::Ref* sender, unsigned, NSUI::NSNotificationData* data) {
                    Post post;
                    post.key = key;
                    post.sender = sender;
                    if (data != nullptr) {
                        post.text = data->stringValue;
                        post.intValue = data->intValue;
                        post.intValue2 = data->intValue2;
                        post.dataKey = data->key;
                        post.dataGroup = data->group;
                    }
                    posts.push_back(post);
                },
                key);
        }
    }
    ~PostRecorder() {
        if (NSUI::NSNotificationCenter* centre =
                NSUI::NSNotificationCenter::getExistingInstance()) {
            centre->removeObserver(this);
        }
    }
    PostRecorder(const PostRecorder&) = delete;
    PostRecorder& operator=(const PostRecorder&) = delete;

    std::vector<int> keys() const {
        std::vector<int> out;
        for (const Post& post : posts) {
            out.push_back(post.key);
        }
        return out;
    }

    std::vector<Post> posts;
};

// A headless director with a running scene, the shipped layouts and the English language table.
class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LC_ALL", "en_US.UTF-8", 1);
        cocos2d::FileUtils::getInstance()->addSearchPath("res/pad");
        cocos2d::Director* director = cocos2d::Director::getInstance();
        director->setWinSize(cocos2d::Size(kWidth, kHeight));
        scene = cocos2d::Scene::create();
        director->runWithScene(scene);
        config = AppConfig::getInstance();
        config->retain();
        config->loadLanguage();
        NSUI::NSNotificationCenter::getInstance();
        // The centre's delivery pass starts after half a second.
        frames(2, 0.6f);
    }

    void TearDown() override {
        cocos2d::Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
        NSUI::NSNotificationCenter::destroyInstance();
        config->release();
    }

    static void frames(int count, float delta = 0.1f) { bvtest::runFrames(count, delta); }

    // The world point at the fractions (fx, fy) of a node's content.
    static cocos2d::Vec2 worldAt(const cocos2d::Node* node, float fx, float fy) {
        const cocos2d::Size& size = node->getContentSize();
        return node->convertToWorldSpace(cocos2d::Vec2(size.width * fx, size.height * fy));
    }

    cocos2d::Scene* scene = nullptr;
    AppConfig* config = nullptr;
};

}  // namespace toolstest
