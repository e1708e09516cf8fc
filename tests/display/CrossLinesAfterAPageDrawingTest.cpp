#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/render/isActorCrossLine.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "tests/display/DisplayFixture.h"
#include "toolkit/core/NSNotificationCenter.h"

using namespace cocos2d;
using namespace isImageSDK;

namespace {

// The cross-line colours are saturated; the slices here are black and the texts white.
bool isLineColour(const Color3B& c) {
    const int high = std::max({c.r, c.g, c.b});
    const int low = std::min({c.r, c.g, c.b});
    return high > 150 && high - low > 100;
}

class CrossLinesAfterAPageDrawingTest : public bvtest::DisplayFixture {
protected:
    // A centre an earlier test left behind delivers on the scheduler of a purged director: a
    // fresh one delivers on this one's.
    void SetUp() override {
        DisplayFixture::SetUp();
        NSUI::NSNotificationCenter::destroyInstance();
    }
    void TearDown() override {
        if (manager) {
            manager->teardown();
            manager = RefPtr<appManager>();
        }
        PoolManager::getInstance()->getCurrentPool()->clear();
        // The multi-viewer greys the clear colour; later tests draw on the default black.
        Director::getInstance()->setClearColor(Color4F(0.0f, 0.0f, 0.0f, 1.0f));
        DisplayFixture::TearDown();
        NSUI::NSNotificationCenter::destroyInstance();
    }

    // Line pixels inside the tile, its 5 border pixels (the view frame's) left out.
    static int linePixels(Image& picture, isViewerImage* tile) {
        const Vec2 origin = tile->convertToWorldSpace(Vec2::ZERO);
        const Size size = tile->getContentSize();
        int count = 0;
        for (int y = int(origin.y) + 5; y < int(origin.y + size.height) - 5; ++y) {
            for (int x = int(origin.x) + 5; x < int(origin.x + size.width) - 5; ++x) {
                count += isLineColour(pixelAt(picture, x, y)) ? 1 : 0;
            }
        }
        return count;
    }

    RefPtr<appManager> manager;
};

// Paging the axial cell of the MPR, MPR 2 and MPR 3D protocols draws the cross-reference lines
// in every plane cell (the paged one too) within half a second, long after the lines of the
// start have hidden.
TEST_F(CrossLinesAfterAPageDrawingTest, APageDrawsTheLinesInEveryCellWithinHalfASecond) {
    Scene* scene = Scene::create();
    Director* director = Director::getInstance();
    director->runWithScene(scene);
    RefPtr<isImageData> volume(isImageData::create());
    int dims[3] = {32, 32, 32};
    float spacing[3] = {1.0f, 1.0f, 1.0f};
    // Black slices; no modality with a location line, so the cells show no orange text.
    volume->build(dims, spacing, PIXEL_INT16, 0, 0, Mat4::IDENTITY);
    for (isSliceInfo* slice : volume->slices) {
        slice->modality = 7;
    }
    for (int code : {PROTOCOL_MPR, PROTOCOL_MPR2, PROTOCOL_MPR3D}) {
        manager = RefPtr<appManager>::retained(appManager::create());
        scene->addChild(manager->getViewerMulti());
        manager->setImageDataWithProtocol(volume.get(), Rect(0, 0, kWidth, kHeight), code);
        std::vector<isViewerImage*> tiles;
        for (KeyViewProperty* property : manager->getViewerMulti()->allProperties()) {
            if (isViewerBrowser* browser = isViewerMulti::browserOf(property)) {
                tiles.push_back(browser->getCurrentTile());
            }
        }
        ASSERT_EQ(tiles.size(), 3u) << code;
        const auto anyShown = [&tiles] {
            for (isViewerImage* tile : tiles) {
                if (tile->getActorManager()->getCrossLineActor()->isLineVisible()) {
                    return true;
                }
            }
            return false;
        };
        for (int i = 0; i < 100 && (anyShown() || i < 10); ++i) {
            director->mainLoop(0.1f);
        }
        ASSERT_FALSE(anyShown()) << code;
        Image before;
        ASSERT_TRUE(renderAndCapture("before.png", &before));
        for (isViewerImage* tile : tiles) {
            ASSERT_EQ(linePixels(before, tile), 0) << code << ": lines before the page";
        }

        // The wheel over the axial cell; router points count from the top.
        const Vec2 centre = tiles[0]->convertToWorldSpace(
            Vec2(tiles[0]->getContentSize().width / 2, tiles[0]->getContentSize().height / 2));
        InputRouter router;
        router.mouseScroll(centre.x, kHeight - centre.y, 0.0f, 1.0f);
        // Each capture draws two frames of 1/60 s.
        const float perCapture = 2.0f / 60.0f;
        float elapsed = 0.0f;
        std::vector<int> found(tiles.size(), 0);
        bool all = false;
        for (int n = 0; !all && elapsed < isActorCrossLine::kHideSeconds; ++n) {
            Image picture;
            ASSERT_TRUE(renderAndCapture("after" + std::to_string(n) + ".png", &picture));
            elapsed += perCapture;
            all = true;
            for (std::size_t i = 0; i < tiles.size(); ++i) {
                found[i] = linePixels(picture, tiles[i]);
                all = all && found[i] > 40;
            }
        }
        EXPECT_TRUE(all) << code << ": line pixels: axial " << found[0] << ", then " << found[1]
                         << " and " << found[2] << " after " << elapsed << " s";
        manager->teardown();
        manager = RefPtr<appManager>();
    }
}

}  // namespace
