#include <gtest/gtest.h>

#include <algorithm>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isROIManager.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isNodeText.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "imagesdk/viewers/winManager.h"
#include "tests/display/DisplayFixture.h"
#include "toolkit/core/NSNotificationCenter.h"

using namespace cocos2d;
using namespace isImageSDK;

namespace {

bool isWhite(const Color3B& c) {
    return c.r > 170 && c.g > 170 && c.b > 170;
}

class LabelsAfterASplitDrawingTest : public bvtest::DisplayFixture {
protected:
    // A centre an earlier test left behind delivers on the scheduler of a purged director: a
    // fresh one delivers on this one's.
    void SetUp() override {
        DisplayFixture::SetUp();
        NSUI::NSNotificationCenter::destroyInstance();
    }
    void TearDown() override {
        if (windows) {
            windows->teardown();
            windows = RefPtr<winManager>();
        }
        PoolManager::getInstance()->getCurrentPool()->clear();
        // The multi-viewer greys the clear colour; later tests draw on the default black.
        Director::getInstance()->setClearColor(Color4F(0.0f, 0.0f, 0.0f, 1.0f));
        DisplayFixture::TearDown();
        NSUI::NSNotificationCenter::destroyInstance();
        isROIManager::destroyInstance();
    }

    // White pixels in the frame rectangle [x0, x1) x [y0, y1).
    static int whitePixels(Image& picture, int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = std::max(y0, 0); y < std::min(y1, int(kHeight)); ++y) {
            for (int x = std::max(x0, 0); x < std::min(x1, int(kWidth)); ++x) {
                count += isWhite(pixelAt(picture, x, y)) ? 1 : 0;
            }
        }
        return count;
    }

    // Where a line's label is drawn: from the upper left end of the line up and to the right.
    static Rect labelArea(isViewerImage* tile, const Vec3& a, const Vec3& b) {
        const Vec2 offset = tile->convertToWorldSpace(Vec2::ZERO);
        const Vec2 sa = tile->worldToScreen(a);
        const Vec2 sb = tile->worldToScreen(b);
        return Rect(offset.x + std::min(sa.x, sb.x) - 5, offset.y + std::max(sa.y, sb.y) - 2, 60,
                    36);
    }

    static int whiteIn(Image& picture, const Rect& r) {
        return whitePixels(picture, int(r.getMinX()), int(r.getMinY()), int(r.getMaxX()),
                           int(r.getMaxY()));
    }

    RefPtr<winManager> windows;
};

// After the viewer area is split (Window 1x2) the cell is half as wide and its slice smaller:
// the line's label is drawn by the line again, and nothing of it stays where it was.
TEST_F(LabelsAfterASplitDrawingTest, ALinesLabelIsDrawnByTheLineAfterTheAreaSplits) {
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    RefPtr<isImageData> volume(isImageData::create());
    int dims[3] = {64, 64, 8};
    float spacing[3] = {1.0f, 1.0f, 1.0f};
    volume->build(dims, spacing, PIXEL_INT16, 0, 0, Mat4::IDENTITY);
    for (isSliceInfo* slice : volume->slices) {
        slice->modality = 7;
    }
    windows = RefPtr<winManager>::retained(winManager::create());
    windows->screen = scene;
    scene->addChild(windows->getCurrentAppManager()->getViewerMulti());
    windows->setRect(Rect(0, 0, kWidth, kHeight));
    appManager* region = windows->getCurrentAppManager();
    region->setImageDataWithProtocol(volume.get(), region->getRect(), PROTOCOL_2DVIEW);
    isViewerImage* tile =
        isViewerMulti::browserOf(region->getViewerMulti()->allProperties().at(0))->getCurrentTile();
    Director* director = Director::getInstance();
    for (int i = 0; i < 10; ++i) {
        director->mainLoop(0.1f);
    }
    // A line across the lower left of the slice, away from the corner texts and edge letters.
    const Mat4& plane = tile->getSlicePlane();
    const Vec3 centre(plane.m + 12);
    const Vec3 across = Vec3(plane.m).getNormalized();
    const Vec3 up = Vec3(plane.m + 4).getNormalized();
    const Vec3 a = centre - across * 14.0f - up * 12.0f;
    const Vec3 b = centre - across * 2.0f - up * 12.0f;
    tile->getActorManager()->getROIActor()->addLine(a, b);
    for (int i = 0; i < 10; ++i) {
        director->mainLoop(0.1f);
    }
    Image before;
    ASSERT_TRUE(renderAndCapture("before.png", &before));
    const Rect old = labelArea(tile, a, b);
    ASSERT_GT(whiteIn(before, old), 20) << "the label is drawn by the line";

    NSUI::NSNotificationCenter::getInstance()->postString(nullptr, NOTIFY_WINDOW_LAYOUT, "1x2",
                                                          windows.get(), true);
    for (int i = 0; i < 20; ++i) {
        director->mainLoop(0.1f);
    }
    ASSERT_LT(tile->getContentSize().width, kWidth * 0.75f) << "the area split";
    Image after;
    ASSERT_TRUE(renderAndCapture("after.png", &after));
    const Rect now = labelArea(tile, a, b);
    ASSERT_FALSE(now.intersectsRect(old)) << "the line moved on screen";
    EXPECT_GT(whiteIn(after, now), 20) << "the label is drawn by the line";
    // Where the label was, right of where it is now and short of the cell's right edge letter
    // and of the gap between the regions.
    const isNodeText* label =
        tile->getActorManager()->getROIActor()->getShapes().at(0)->getLabelNode();
    const float labelRight =
        tile->convertToWorldSpace(label->getPosition()).x + label->getContentSize().width + 3.0f;
    const float cellRight = tile->convertToWorldSpace(Vec2(tile->getContentSize().width, 0)).x;
    const float x0 = std::max(old.getMinX(), labelRight);
    const Rect left(x0, old.getMinY(), std::min(old.getMaxX(), cellRight - 25.0f) - x0,
                    old.size.height);
    ASSERT_GT(left.size.width, 15.0f);
    EXPECT_EQ(whiteIn(after, left), 0) << "the label stayed where it was";
}

}  // namespace
