#include "imagesdk/render/isROIStatistics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "tests/imagesdk/NotificationRecorder.h"

using cocos2d::Vec2;
using cocos2d::Vec3;
using namespace isImageSDK;

namespace {

// A slice record over a pixel buffer of its own, frames one after another.
class SyntheticSlice {
public:
    SyntheticSlice(int pixelType, int width, int height, int frames = 1, float sx = 1.0f,
                   float sy = 1.0f) {
        record.pixelType = pixelType;
        record.width = width;
        record.height = height;
        record.frames = std::int16_t(frames);
        record.pixelSpacingX = sx;
        record.pixelSpacingY = sy;
        pixels.assign(std::size_t(width) * std::size_t(height) * std::size_t(frames) *
                          std::size_t(bytesPerPixel(pixelType)),
                      0);
        record.data = pixels.data();
    }
    ~SyntheticSlice() { record.data = nullptr; }

    // Every pixel of every frame from f(frame, column, row).
    template <typename T, typename F> void fill(F f) {
        T* p = reinterpret_cast<T*>(pixels.data());
        for (int k = 0; k < record.frames; ++k) {
            for (int r = 0; r < record.height; ++r) {
                for (int c = 0; c < record.width; ++c) {
                    *p++ = T(f(k, c, r));
                }
            }
        }
    }

    isSliceInfo record;

private:
    std::vector<unsigned char> pixels;
};

ROIData* circle(Vec3 centre, float radius) {
    ROICircle* roi = ROICircle::create();
    roi->setPoint(0, centre);
    roi->setPoint(1, centre + Vec3(radius, 0, 0));
    return roi;
}

ROIData* polygon(std::vector<Vec3> vertices) {
    ROIPolygon* roi = ROIPolygon::create();
    roi->vertices = std::move(vertices);
    return roi;
}

ROIData* point(Vec3 at) {
    ROIPoint* roi = ROIPoint::create();
    roi->setPoint(0, at);
    return roi;
}

// The reader's mapping of patient millimetres into the world frame.
Vec3 patientToWorld(Vec3 v, int orientation, int headFeet) {
    const bool feetFirst = headFeet == 1;
    switch (orientation) {
    case 1:
        return feetFirst ? Vec3(v.x, -v.z, v.y) : Vec3(-v.x, v.z, v.y);
    case 2:
        return feetFirst ? Vec3(-v.y, -v.z, v.x) : Vec3(v.y, v.z, v.x);
    case 3:
        return feetFirst ? Vec3(v.y, -v.z, -v.x) : Vec3(-v.y, v.z, -v.x);
    default:
        return feetFirst ? Vec3(-v.x, -v.z, -v.y) : Vec3(v.x, v.z, -v.y);
    }
}

std::string measured(const isSliceInfo& slice, ROIData* roi, int frame = 0) {
    std::string text = "(none)";
    isROIStatistics::measure(&slice, frame, roi, &text);
    return text;
}

class ROIStatisticsTest : public ::testing::Test {
protected:
    void TearDown() override { cocos2d::PoolManager::getInstance()->getCurrentPool()->clear(); }
};

// Regions of each pixel type: one pixel, the corner of the slice, wholly off it, filled with the
// top value, and n = 0 / n = 1 deviations, checked through the exact texts.
TEST_F(ROIStatisticsTest, TextsPerPixelTypeAndRegion) {
    struct Case {
        const char* name;
        int pixelType;
        // Value of pixel (c, r); slices are 8 x 6 at 1 mm.
        double (*value)(int c, int r);
        ROIData* roi;
        const char* text;
    };
    auto ramp = [](int c, int r) { return double(10 * r + c); };
    auto negative = [](int c, int r) { return double(-1000 - 10 * r - c); };
    auto high = [](int c, int r) { return double(60000 + 10 * r + c); };
    auto top = [](int, int) { return 255.0; };
    auto fraction = [](int c, int r) { return 0.25 * double(10 * r + c); };
    const Case cases[] = {
        {"one pixel, 8-bit", PIXEL_UINT8, ramp, circle({3, 2, 0}, 0.2f),
         "Area:0,W:0.04 H:0.04 Unit:cm\nAvg:23,StdDev:0,Total:23\nMin:23,Max:23"},
        {"one pixel, signed 16-bit", PIXEL_INT16, negative, circle({3, 2, 0}, 0.2f),
         "Area:0,W:0.04 H:0.04 Unit:cm\nAvg:-1023,StdDev:0,Total:-1023\nMin:-1023,Max:-1023"},
        {"one pixel, unsigned 16-bit", PIXEL_UINT16, high, circle({3, 2, 0}, 0.2f),
         "Area:0,W:0.04 H:0.04 Unit:cm\nAvg:60023,StdDev:0,Total:60023\nMin:60023,Max:60023"},
        {"one pixel, float", PIXEL_FLOAT32, fraction, circle({3, 2, 0}, 0.2f),
         "Area:0,W:0.04 H:0.04 Unit:cm\nAvg:5.75,StdDev:0,Total:5.75\nMin:5.75,Max:5.75"},
        // Pixels (0,0) (1,0) (2,0) (0,1) (1,1) (0,2): the quarter on the slice.
        {"circle partly off the slice", PIXEL_INT16, ramp, circle({0, 0, 0}, 2.0f),
         "Area:0.13,W:0.4 H:0.4 Unit:cm\nAvg:7.33,StdDev:7.79,Total:44\nMin:0,Max:20"},
        {"circle wholly off the slice", PIXEL_UINT16, high, circle({-50, -50, 0}, 3.0f),
         "Area:0.28,W:0.6 H:0.6 Unit:cm\nAvg:0,StdDev:0,Total:0\nMin:0,Max:0"},
        {"polygon wholly off the slice", PIXEL_FLOAT32, fraction,
         polygon({{20, 0, 0}, {30, 0, 0}, {30, 5, 0}}),
         "Area:0.25,W:1 H:0.5 Unit:cm\nAvg:0,StdDev:0,Total:0\nMin:0,Max:0"},
        {"all 255 on 8-bit", PIXEL_UINT8, top,
         polygon({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}),
         "Area:0.16,W:0.4 H:0.4 Unit:cm\nAvg:255,StdDev:0,Total:4080\nMin:255,Max:255"},
        // Pixel units add half a pixel: the square (0.5..2.5)^2 counts columns and rows 1 and 2.
        {"square polygon", PIXEL_INT16, ramp, polygon({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}),
         "Area:0.04,W:0.2 H:0.2 Unit:cm\nAvg:16.5,StdDev:5.8,Total:66\nMin:11,Max:22"},
        {"two coincident vertices", PIXEL_INT16, ramp, polygon({{1, 1, 0}, {1, 1, 0}, {4, 1, 0}}),
         "Area:0,W:0.3 H:0 Unit:cm\nAvg:0,StdDev:0,Total:0\nMin:0,Max:0"},
    };
    for (const Case& c : cases) {
        SyntheticSlice slice(c.pixelType, 8, 6);
        switch (c.pixelType) {
        case PIXEL_UINT8:
            slice.fill<unsigned char>([&](int, int x, int y) { return c.value(x, y); });
            break;
        case PIXEL_INT16:
            slice.fill<short>([&](int, int x, int y) { return c.value(x, y); });
            break;
        case PIXEL_UINT16:
            slice.fill<unsigned short>([&](int, int x, int y) { return c.value(x, y); });
            break;
        default:
            slice.fill<float>([&](int, int x, int y) { return c.value(x, y); });
            break;
        }
        EXPECT_EQ(measured(slice.record, c.roi), c.text) << c.name;
    }
}

// Even-odd: an outer square and an inner square traced as one outline through a slit leave the
// inner square out.
TEST_F(ROIStatisticsTest, PolygonWithAHoleLikeWindingLeavesTheHoleOut) {
    SyntheticSlice slice(PIXEL_UINT8, 20, 20);
    slice.fill<unsigned char>(
        [](int, int c, int r) { return (c >= 7 && c <= 12 && r >= 7 && r <= 12) ? 200 : 1; });
    // Outer 2..17 counter-clockwise, into the inner 6..13 and round it clockwise, back out.
    ROIData* ring = polygon({{2, 2, 0},
                             {17, 2, 0},
                             {17, 17, 0},
                             {2, 17, 0},
                             {2, 2, 0},
                             {6, 6, 0},
                             {6, 13, 0},
                             {13, 13, 0},
                             {13, 6, 0},
                             {6, 6, 0}});
    const std::string text = measured(slice.record, ring);
    EXPECT_NE(text.find("Min:1,Max:1"), std::string::npos) << text;
    EXPECT_NE(text.find("Avg:1,StdDev:0"), std::string::npos) << text;
}

// The row scan decides every pixel as the per-pixel even-odd test does.
TEST_F(ROIStatisticsTest, RowScanAgreesWithTheCrossingTestOnRandomPolygons) {
    std::mt19937 random(17);
    std::uniform_real_distribution<float> coordinate(-4.0f, 36.0f);
    SyntheticSlice slice(PIXEL_INT16, 32, 32);
    slice.fill<short>([](int, int c, int r) { return c + 32 * r; });
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<Vec2> vertices(3 + trial % 9);
        for (Vec2& v : vertices) {
            // Half of the trials on whole and half pixel units, where ties happen.
            v = Vec2(coordinate(random), coordinate(random));
            if (trial % 2) {
                v = Vec2(std::round(v.x * 2) * 0.5f, std::round(v.y * 2) * 0.5f);
            }
        }
        float box[4] = {vertices[0].x, vertices[0].x, vertices[0].y, vertices[0].y};
        for (const Vec2& v : vertices) {
            box[0] = std::min(box[0], v.x);
            box[1] = std::max(box[1], v.x);
            box[2] = std::min(box[2], v.y);
            box[3] = std::max(box[3], v.y);
        }
        int count = 0;
        double sum = 0;
        for (int r = 0; r < 32; ++r) {
            for (int c = 0; c < 32; ++c) {
                if (c >= int(box[0]) && c <= box[1] && r >= int(box[2]) && r <= box[3] &&
                    pointInPolygon(vertices, float(c), float(r))) {
                    ++count;
                    sum += c + 32 * r;
                }
            }
        }
        RegionStatistics statistics;
        ASSERT_TRUE(slice.record.polygonStatistics(vertices, box, 0, &statistics));
        EXPECT_EQ(statistics.count, count) << trial;
        EXPECT_EQ(double(statistics.sum), double(float(sum))) << trial;
    }
}

// The chord of each row covers exactly the pixels with (c*sx - cx)^2 + (r*sy - cy)^2 <= R^2.
TEST_F(ROIStatisticsTest, CircleRowsAgreeWithThePixelTest) {
    std::mt19937 random(29);
    std::uniform_real_distribution<float> coordinate(-10.0f, 40.0f);
    std::uniform_real_distribution<float> size(0.0f, 20.0f);
    std::uniform_real_distribution<float> spacing(0.3f, 2.0f);
    for (int trial = 0; trial < 300; ++trial) {
        SyntheticSlice slice(PIXEL_UINT16, 24, 20, 1, spacing(random), spacing(random));
        slice.fill<unsigned short>([](int, int c, int r) { return c + 24 * r; });
        const float sx = slice.record.pixelSpacingX;
        const float sy = slice.record.pixelSpacingY;
        float cx = coordinate(random);
        float cy = coordinate(random);
        float radius = size(random);
        // A third of the trials with the rim on pixel centres.
        if (trial % 3 == 0) {
            cx = std::round(cx / sx) * sx;
            cy = std::round(cy / sy) * sy;
            radius = std::round(radius / sx) * sx;
        }
        int count = 0;
        for (int r = 0; r < 20; ++r) {
            for (int c = 0; c < 24; ++c) {
                const double dx = double(c) * sx - cx;
                const double dy = double(r) * sy - cy;
                if (double(radius) * radius >= dx * dx + dy * dy) {
                    ++count;
                }
            }
        }
        RegionStatistics statistics;
        ASSERT_TRUE(slice.record.circleStatistics(cx, cy, radius, 0, &statistics));
        EXPECT_EQ(statistics.count, count) << trial;
    }
}

TEST_F(ROIStatisticsTest, ShapesFarOffOrHugeScanOnlyTheSlice) {
    SyntheticSlice slice(PIXEL_INT16, 64, 48);
    slice.fill<short>([](int, int, int) { return 3; });
    RegionStatistics statistics;
    // Unclipped, these boxes would ask for about 10^13 values.
    ASSERT_TRUE(slice.record.circleStatistics(30, 20, 5e6f, 0, &statistics));
    EXPECT_EQ(statistics.count, 64 * 48);
    EXPECT_EQ(statistics.sum, 3.0f * 64 * 48);
    const std::vector<Vec2> far = {{-4e6f, -4e6f}, {4e6f, -4e6f}, {4e6f, 4e6f}, {-4e6f, 4e6f}};
    const float box[4] = {-4e6f, 4e6f, -4e6f, 4e6f};
    ASSERT_TRUE(slice.record.polygonStatistics(far, box, 0, &statistics));
    EXPECT_EQ(statistics.count, 64 * 48);
    ASSERT_TRUE(slice.record.circleStatistics(9e6f, 9e6f, 10.0f, 0, &statistics));
    EXPECT_EQ(statistics.count, 0);
    const float nowhere[4] = {std::nanf(""), 3, 0, 3};
    ASSERT_TRUE(slice.record.polygonStatistics(far, nowhere, 0, &statistics));
    EXPECT_EQ(statistics.count, 0);
}

// Float values beyond +-100000 (PET activity in Bq/ml) still give their own minimum and maximum.
TEST_F(ROIStatisticsTest, FloatExtremesAreReportedAsTheyAre) {
    SyntheticSlice slice(PIXEL_FLOAT32, 4, 4);
    slice.fill<float>([](int, int c, int) { return 250000.0f + float(c); });
    EXPECT_EQ(measured(slice.record, polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})),
              "Area:0.01,W:0.1 H:0.1 Unit:cm\nAvg:250001,StdDev:0,Total:250001\n"
              "Min:250001,Max:250001");
    slice.fill<float>([](int, int c, int) { return -300000.0f - float(c); });
    EXPECT_EQ(measured(slice.record, circle({0, 0, 0}, 0.5f)),
              "Area:0.01,W:0.1 H:0.1 Unit:cm\nAvg:-300000,StdDev:0,Total:-300000\n"
              "Min:-300000,Max:-300000");
}

// Multi-frame records are measured on the frame the window shows.
TEST_F(ROIStatisticsTest, TheShownFrameIsMeasured) {
    SyntheticSlice slice(PIXEL_UINT16, 5, 5, 3);
    slice.fill<unsigned short>([](int frame, int, int) { return 100 * (frame + 1); });
    ROIData* roi = circle({2, 2, 0}, 0.5f);
    EXPECT_NE(measured(slice.record, roi, 0).find("Avg:100,"), std::string::npos);
    EXPECT_NE(measured(slice.record, roi, 2).find("Avg:300,"), std::string::npos);
    // Frames past the last read the last.
    EXPECT_NE(measured(slice.record, roi, 9).find("Avg:300,"), std::string::npos);
    float value = 0;
    ASSERT_TRUE(isROIStatistics::pixelValue(&slice.record, 1, {2, 2, 0}, &value));
    EXPECT_EQ(value, 200.0f);
}

TEST_F(ROIStatisticsTest, PointValuesInWorldPlacedSlices) {
    // 0.5 mm pixels, the slice origin at (10, 20, 30), rows along world y, columns along -x.
    SyntheticSlice slice(PIXEL_INT16, 6, 4, 1, 0.5f, 0.5f);
    slice.fill<short>([](int, int c, int r) { return -100 * r - c; });
    cocos2d::Mat4& m = slice.record.matrix;
    m = cocos2d::Mat4::IDENTITY;
    m.m[0] = 0;
    m.m[1] = 1;
    m.m[4] = -1;
    m.m[5] = 0;
    m.m[12] = 10;
    m.m[13] = 20;
    m.m[14] = 30;
    struct Case {
        const char* name;
        Vec3 at;
        const char* text;
    };
    const Case cases[] = {
        // A head-first supine patient's (x, y, z) is the world's (x, -z, y).
        {"pixel (2, 1)", {10 - 0.5f, 21, 30}, "Value:-102\nx=9.5,y=-30,z=21"},
        {"half a pixel left of column 0 rounds in",
         {10, 19.76f, 30},
         "Value:0\nx=10,y=-30,z=19.76"},
        {"past the last column", {10, 23, 30}, "Unknown"},
        {"below row 0", {10.8f, 20, 30}, "Unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(measured(slice.record, point(c.at)), c.text) << c.name;
    }
}

// The point label names the patient's axes: on an axial slice 150 mm below the origin, z is
// -150 whatever way the patient lay, and x and y follow the patient's position.
TEST_F(ROIStatisticsTest, PointLabelGivesThePatientsCoordinates) {
    struct Case {
        const char* name;
        int orientation;
        int headFeet;
        const char* text;
    };
    const Case cases[] = {
        {"head first supine", 0, 0, "Value:7\nx=-0.71,y=55.87,z=-150"},
        {"head first prone", 1, 0, "Value:7\nx=-0.71,y=55.87,z=-150"},
        {"feet first supine", 0, 1, "Value:7\nx=-0.71,y=55.87,z=-150"},
        {"head first decubitus right", 2, 0, "Value:7\nx=-0.71,y=55.87,z=-150"},
    };
    // The point at patient (-0.71, 55.87, -150), on the slice through z = -150 whose rows run
    // along the patient's x and columns along y, as the reader maps them into the world.
    const Vec3 patientPoint(-0.71f, 55.87f, -150.0f);
    const Vec3 patientOrigin(-256.0f, -256.0f, -150.0f);
    for (const Case& c : cases) {
        SyntheticSlice slice(PIXEL_INT16, 512, 512);
        slice.fill<short>([](int, int, int) { return 7; });
        slice.record.orientationCode = c.orientation;
        slice.record.headFeetCode = c.headFeet;
        const auto toWorld = [&c](Vec3 v) { return patientToWorld(v, c.orientation, c.headFeet); };
        const Vec3 row = toWorld({1, 0, 0});
        const Vec3 column = toWorld({0, 1, 0});
        Vec3 normal;
        Vec3::cross(row, column, &normal);
        const Vec3 origin = toWorld(patientOrigin);
        cocos2d::Mat4& m = slice.record.matrix;
        m = cocos2d::Mat4::IDENTITY;
        const Vec3 columns[4] = {row, column, normal, origin};
        for (int i = 0; i < 4; ++i) {
            m.m[4 * i] = columns[i].x;
            m.m[4 * i + 1] = columns[i].y;
            m.m[4 * i + 2] = columns[i].z;
        }
        EXPECT_EQ(measured(slice.record, point(toWorld(patientPoint))), c.text) << c.name;
    }
}

TEST_F(ROIStatisticsTest, RequestsThatGetNoAnswer) {
    SyntheticSlice colour(PIXEL_RGB24, 4, 4);
    SyntheticSlice grey(PIXEL_UINT8, 4, 4);
    std::string text = "kept";
    EXPECT_FALSE(isROIStatistics::measure(&colour.record, 0, circle({1, 1, 0}, 1), &text));
    EXPECT_FALSE(isROIStatistics::measure(&colour.record, 0, point({1, 1, 0}), &text));
    EXPECT_FALSE(isROIStatistics::measure(&grey.record, 0, ROILine::create(), &text));
    EXPECT_FALSE(isROIStatistics::measure(nullptr, 0, point({1, 1, 0}), &text));
    grey.record.data = nullptr;
    EXPECT_FALSE(isROIStatistics::measure(&grey.record, 0, point({1, 1, 0}), &text));
    EXPECT_EQ(text, "kept");
}

// The answer carries the request's numbers, goes to the group and not back to its sender.
TEST_F(ROIStatisticsTest, AnswerIsPostedInTheWindowGroup) {
    SyntheticSlice slice(PIXEL_UINT8, 4, 4);
    slice.fill<unsigned char>([](int, int c, int) { return 40 + c; });
    int window = 0;
    imagesdktest::NotificationRecorder shapes(NOTIFY_ROI_DATA_CHANGED, &window);
    std::vector<std::pair<int, int>> numbers;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        &numbers, &window,
        [&numbers](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            numbers.emplace_back(data->intValue, data->intValue2);
        },
        NOTIFY_ROI_DATA_CHANGED);
    auto* request = NSUI::NSNotificationData::create();
    request->setObject(point({2, 1, 0}));
    request->intValue = 3;
    request->intValue2 = -12345;
    auto* actor = NSUI::NSNotificationData::create();
    EXPECT_TRUE(isROIStatistics::answer(actor, &window, &slice.record, 0, request));
    request->setObject(ROIAngle::create());
    EXPECT_FALSE(isROIStatistics::answer(actor, &window, &slice.record, 0, request));
    shapes.drain();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&numbers);
    ASSERT_EQ(shapes.received.size(), 1u);
    EXPECT_EQ(shapes.received[0].sender, actor);
    EXPECT_EQ(shapes.received[0].text, "Value:42\nx=2,y=0,z=1");
    EXPECT_EQ(numbers, (std::vector<std::pair<int, int>>{{3, -12345}}));
}

}  // namespace
