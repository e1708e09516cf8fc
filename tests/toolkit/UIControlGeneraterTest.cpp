#include "toolkit/widgets/UIControlGenerater.h"

#include "engine/2d/Sprite.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/ImageView.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

using cocos2d::Director;
using cocos2d::Size;
using cocos2d::Sprite;
using cocos2d::ui::ImageView;
using NSUI::UIControlGenerater;

// An image view that notes, when it is destroyed, which picture it was showing at what scale.
class WatchedImageView : public ImageView {
public:
    struct Last {
        bool destroyed = false;
        std::string file;
        float scale = 0.0f;
    };

    static WatchedImageView* create(Last* last) {
        auto* view = new (std::nothrow) WatchedImageView(last);
        if (view == nullptr || !view->init()) {
            delete view;
            return nullptr;
        }
        view->autorelease();
        return view;
    }

    ~WatchedImageView() override {
        last->destroyed = true;
        last->file = getTextureFile();
        last->scale = getScale();
    }

private:
    explicit WatchedImageView(Last* last) : last(last) {}

    Last* last;
};

// Holds one reference for the test, as a screen would.
template <typename T> class Held {
public:
    explicit Held(T* node) : node(node) { node->retain(); }
    ~Held() { node->release(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    T* operator->() const { return node; }
    T* get() const { return node; }

private:
    T* node;
};

std::string shownFile(cocos2d::Node* target) {
    if (auto* view = dynamic_cast<ImageView*>(target)) {
        return view->getTextureFile();
    }
    auto* sprite = static_cast<Sprite*>(target);
    return sprite->getTexture() == nullptr ? std::string() : "(texture)";
}

class UIControlGeneraterTest : public ::testing::Test {
protected:
    void TearDown() override { Director::getInstance()->purgeDirector(); }

    std::string picture(const std::string& name, int width, int height) {
        const std::string path = (dir / name).string();
        EXPECT_TRUE(bvtest::writeSolidPng(path, width, height, cocos2d::Color4B(10, 20, 30, 255)));
        return path;
    }

    std::string cachedPicture(const std::string& name, int width, int height) {
        const std::string path = picture(name, width, height);
        EXPECT_NE(Director::getInstance()->getTextureCache()->addImage(path), nullptr);
        return path;
    }

    // Drives the loader as its carrier does until `done` holds; false after many frames.
    static bool stepUntil(UIControlGenerater& loader, const std::function<bool()>& done) {
        for (int frame = 0; frame < 5000; ++frame) {
            if (done()) {
                return true;
            }
            loader.loadNextImage();
            Director::getInstance()->mainLoop(0.05f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }

    // Frames without loader steps until the texture cache holds `path`.
    static bool framesUntilCached(const std::string& path) {
        for (int frame = 0; frame < 5000; ++frame) {
            if (Director::getInstance()->getTextureCache()->getTextureForKey(path) != nullptr) {
                return true;
            }
            Director::getInstance()->mainLoop(0.05f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    bvtest::TempDir dir;
};

// Steps the loader until every target shows a picture, checking after every frame that the
// targets showing one are exactly a prefix of `targets`: requests are applied in the order
// they were made, one completed load at a time.
void expectAppliedInOrder(UIControlGenerater& loader, const std::vector<cocos2d::Node*>& targets) {
    size_t applied = 0;
    bool inOrder = true;
    const bool allApplied = [&] {
        for (int frame = 0; frame < 5000 && applied < targets.size(); ++frame) {
            loader.loadNextImage();
            Director::getInstance()->mainLoop(0.05f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            size_t prefix = 0;
            while (prefix < targets.size() && !shownFile(targets[prefix]).empty()) {
                ++prefix;
            }
            for (size_t later = prefix; later < targets.size(); ++later) {
                inOrder = inOrder && shownFile(targets[later]).empty();
            }
            inOrder = inOrder && prefix <= applied + 1;
            applied = prefix;
        }
        return applied == targets.size();
    }();
    EXPECT_TRUE(allApplied);
    EXPECT_TRUE(inOrder);
}

TEST_F(UIControlGeneraterTest, CachedFittedRequestIsAppliedAtOnceWhileOlderOnesWaitTheirTurn) {
    UIControlGenerater loader;
    const std::string first = picture("first.png", 8, 8);
    const std::string second = picture("second.png", 40, 20);
    const std::string cached = cachedPicture("cached.png", 200, 100);
    Held<ImageView> plain(ImageView::create());
    Held<ImageView> fitted(ImageView::create());
    Held<ImageView> atOnce(ImageView::create());
    Held<ImageView> queuedDespiteCache(ImageView::create());

    loader.loadImageView(plain.get(), first);
    loader.loadImageViewFitted(fitted.get(), second, Size(100, 100));
    loader.loadImageViewFitted(atOnce.get(), cached, Size(100, 100));
    loader.loadImageView(queuedDespiteCache.get(), cached);

    EXPECT_EQ(atOnce->getTextureFile(), cached);
    EXPECT_FLOAT_EQ(atOnce->getScale(), 0.5f);
    EXPECT_EQ(plain->getTextureFile(), "");
    EXPECT_EQ(fitted->getTextureFile(), "");
    EXPECT_EQ(queuedDespiteCache->getTextureFile(), "");

    expectAppliedInOrder(loader, {plain.get(), fitted.get(), queuedDespiteCache.get()});
    EXPECT_EQ(plain->getTextureFile(), first);
    EXPECT_FLOAT_EQ(plain->getScale(), 1.0f);
    EXPECT_EQ(fitted->getTextureFile(), second);
    EXPECT_FLOAT_EQ(fitted->getScale(), 2.5f);
    EXPECT_FLOAT_EQ(queuedDespiteCache->getScale(), 1.0f);
}

TEST_F(UIControlGeneraterTest, UncachedRequestsAreAppliedInTheOrderTheyWereMade) {
    UIControlGenerater loader;
    Held<ImageView> first(ImageView::create());
    Held<Sprite> second(Sprite::create());
    Held<ImageView> third(ImageView::create());
    loader.loadImageViewFitted(first.get(), picture("a.png", 30, 30), Size(60, 60));
    loader.loadSpriteImage(second.get(), picture("b.png", 30, 30), Size(60, 60), 1.0f);
    loader.loadImageView(third.get(), picture("c.png", 30, 30));

    expectAppliedInOrder(loader, {first.get(), second.get(), third.get()});
    EXPECT_FLOAT_EQ(first->getScale(), 2.0f);
    EXPECT_FLOAT_EQ(second->getScaleX(), 2.0f);
    EXPECT_FLOAT_EQ(third->getScale(), 1.0f);
}

TEST_F(UIControlGeneraterTest, FittedTargetsKeepTheAspectAndSpritesTakeTheHorizontalFactor) {
    struct Case {
        bool sprite;
        bool cached;
        int width, height;
        Size box;
        float factor;
        float scaleX, scaleY;
    };
    const Case cases[] = {
        {true, false, 200, 200, Size(100, 50), 2.0f, 0.5f, 0.25f},
        {true, true, 200, 200, Size(100, 50), 2.0f, 0.5f, 0.25f},
        {true, false, 40, 10, Size(200, 100), 0.5f, 2.5f, 5.0f},
        {false, false, 50, 100, Size(200, 100), 1.0f, 1.0f, 1.0f},
        {false, true, 20, 40, Size(10, 400), 1.0f, 0.5f, 0.5f},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index);
        const std::string name = "fit" + std::to_string(index++) + ".png";
        const std::string path =
            c.cached ? cachedPicture(name, c.width, c.height) : picture(name, c.width, c.height);
        UIControlGenerater loader;
        Held<cocos2d::Node> target(c.sprite ? static_cast<cocos2d::Node*>(Sprite::create())
                                            : ImageView::create());
        if (c.sprite) {
            loader.loadSpriteImage(static_cast<Sprite*>(target.get()), path, c.box, c.factor);
        } else {
            loader.loadImageViewFitted(static_cast<ImageView*>(target.get()), path, c.box);
        }
        EXPECT_EQ(!shownFile(target.get()).empty(), c.cached);
        ASSERT_TRUE(stepUntil(loader, [&] { return !shownFile(target.get()).empty(); }));
        EXPECT_FLOAT_EQ(target->getScaleX(), c.scaleX);
        EXPECT_FLOAT_EQ(target->getScaleY(), c.scaleY);
    }
}

TEST_F(UIControlGeneraterTest, UnreadablePictureLeavesTheTargetUnscaledAndTheQueueMoving) {
    UIControlGenerater loader;
    Held<Sprite> sprite(Sprite::create());
    Held<ImageView> view(ImageView::create());
    Held<ImageView> next(ImageView::create());
    const std::string broken = (dir / "broken.png").string();
    {
        std::FILE* file = std::fopen(broken.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("not a picture", file);
        std::fclose(file);
    }
    loader.loadSpriteImage(sprite.get(), (dir / "missing.png").string(), Size(100, 100), 1.0f);
    loader.loadImageViewFitted(view.get(), broken, Size(100, 100));
    loader.loadImageView(next.get(), picture("next.png", 4, 4));

    ASSERT_TRUE(stepUntil(loader, [&] { return !next->getTextureFile().empty(); }));
    EXPECT_EQ(sprite->getTexture(), nullptr);
    EXPECT_FLOAT_EQ(sprite->getScaleX(), 1.0f);
    EXPECT_FLOAT_EQ(sprite->getScaleY(), 1.0f);
    EXPECT_EQ(view->getTextureFile(), "");
    EXPECT_FLOAT_EQ(view->getScale(), 1.0f);
    EXPECT_EQ(sprite->getReferenceCount(), 1u);
    EXPECT_EQ(view->getReferenceCount(), 1u);
}

TEST_F(UIControlGeneraterTest, TargetLeftByItsScreenLivesUntilThePictureIsApplied) {
    UIControlGenerater loader;
    WatchedImageView::Last last;
    const std::string path = picture("kept.png", 10, 10);
    loader.loadImageViewFitted(WatchedImageView::create(&last), path, Size(20, 20));
    // The frame drains the autorelease pool: only the loader holds the view now.
    Director::getInstance()->mainLoop(0.05f);
    EXPECT_FALSE(last.destroyed);

    ASSERT_TRUE(stepUntil(loader, [&] { return last.destroyed; }));
    EXPECT_EQ(last.file, path);
    EXPECT_FLOAT_EQ(last.scale, 2.0f);
}

TEST_F(UIControlGeneraterTest, LoaderDestroyedWithALoadInFlightReleasesItsTargetsAndIsNotCalled) {
    WatchedImageView::Last inFlight;
    WatchedImageView::Last waiting;
    const std::string inFlightPath = picture("inflight.png", 64, 64);
    {
        UIControlGenerater loader;
        loader.loadImageView(WatchedImageView::create(&inFlight), inFlightPath);
        loader.loadImageView(WatchedImageView::create(&waiting), picture("waiting.png", 4, 4));
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
        loader.loadNextImage();
        EXPECT_FALSE(inFlight.destroyed);
        EXPECT_FALSE(waiting.destroyed);
    }
    EXPECT_TRUE(inFlight.destroyed);
    EXPECT_TRUE(waiting.destroyed);
    EXPECT_EQ(inFlight.file, "");
    // The completion runs in the frame that caches the texture; it must not touch the loader.
    ASSERT_TRUE(framesUntilCached(inFlightPath));
    Director::getInstance()->mainLoop(0.05f);
}

}  // namespace
