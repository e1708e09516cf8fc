#include "imagesdk/data/isImageFilter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VolumeFixture.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/data/isImageReslice2D.h"
#include "imagesdk/data/isImageSlice.h"

using imagesdktest::makeVolume;
using imagesdktest::RefPtr;
using isImageSDK::isImageData;
using isImageSDK::isImageFilter;

namespace {

// A filter that logs which of its stages a pull actually runs.
class ProbeFilter : public isImageFilter {
public:
    static ProbeFilter* make() {
        auto* filter = new ProbeFilter();
        filter->init();
        return filter;
    }
    void execute() override {
        if (dataModified || (input && input->isDataModified())) {
            log.push_back("execute");
        }
        isFilterObject::execute();
    }
    void updateOutput(isImageData* in, isImageData* out) override {
        log.push_back("updateOutput");
        seenInput = in;
        seenOutput = out;
    }
    void touchInformation() { informationModified = true; }

    std::vector<std::string> log;
    isImageData* seenInput = nullptr;
    isImageData* seenOutput = nullptr;
};

const float kSpacing[3] = {1.0f, 1.0f, 1.0f};

RefPtr<isImageData> smallVolume() {
    return makeVolume(4, 3, 5, isImageSDK::PIXEL_INT16, kSpacing,
                      [](int x, int y, int z) { return x + 10 * y + 100 * z; });
}

TEST(ImageFilterPull, StructureBeforeContentAndContentAloneWhenOnlyInformationIsStale) {
    RefPtr<isImageData> volume = smallVolume();
    RefPtr<ProbeFilter> filter(ProbeFilter::make());
    filter->setInputData(volume.get());
    isImageData* out = static_cast<isImageData*>(filter->getOutput());

    out->update();
    EXPECT_EQ(filter->log, (std::vector<std::string>{"execute", "updateOutput"}));
    EXPECT_EQ(filter->seenInput, volume.get());
    EXPECT_EQ(filter->seenOutput, out);

    filter->log.clear();
    out->update();
    EXPECT_TRUE(filter->log.empty());

    filter->touchInformation();
    out->update();
    EXPECT_EQ(filter->log, (std::vector<std::string>{"updateOutput"}));
}

TEST(ImageFilterPull, UpdateInformationWithAllFlagsClearDoesNotFillTheOutput) {
    RefPtr<isImageData> volume = smallVolume();
    RefPtr<ProbeFilter> filter(ProbeFilter::make());
    filter->setInputData(volume.get());
    filter->getOutput()->update();
    filter->log.clear();

    filter->updateInformation();
    EXPECT_TRUE(filter->log.empty());
}

TEST(ImageFilterOwnership, OutputIsMadeOnceAndDiesWithTheFilter) {
    RefPtr<isImageData> volume = smallVolume();
    ProbeFilter* filter = ProbeFilter::make();
    filter->setInputData(volume.get());
    EXPECT_EQ(volume->getReferenceCount(), 2u);
    ASSERT_EQ(volume->getConsumers().size(), 1u);
    EXPECT_EQ(volume->getConsumers().front(), filter);

    isImageData* out = static_cast<isImageData*>(filter->getOutput());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(filter->getOutput(), out);
    EXPECT_EQ(filter->getOutputImage(), out);
    EXPECT_EQ(out->getInput(), filter);
    EXPECT_TRUE(filter->getConsumers().empty());
    EXPECT_EQ(filter->getReferenceCount(), 1u);
    EXPECT_EQ(out->getReferenceCount(), 1u);

    out->retain();
    filter->release();
    EXPECT_EQ(out->getReferenceCount(), 1u);
    EXPECT_EQ(out->getInput(), nullptr);
    EXPECT_EQ(volume->getReferenceCount(), 1u);
    EXPECT_TRUE(volume->getConsumers().empty());
    out->release();
}

struct FilterKind {
    const char* name;
    std::function<isImageFilter*()> make;
};

class DisconnectedFilter : public ::testing::TestWithParam<FilterKind> {};

TEST_P(DisconnectedFilter, NullInputLeavesTheOutputWithoutSlices) {
    RefPtr<isImageData> volume = smallVolume();
    RefPtr<isImageFilter> filter(GetParam().make());
    filter->setInputData(volume.get());
    auto* out = static_cast<isImageData*>(filter->getOutput());
    out->update();
    EXPECT_EQ(out->getNumberOfSlices(), 1);

    filter->setInputData(nullptr);
    EXPECT_EQ(filter->getInputData(), nullptr);
    EXPECT_EQ(filter->getInput(), nullptr);
    EXPECT_EQ(volume->getReferenceCount(), 1u);
    out->update();
    EXPECT_EQ(out->getNumberOfSlices(), 0);
    EXPECT_TRUE(out->slices.empty());
    EXPECT_FALSE(out->hasData);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, DisconnectedFilter,
    ::testing::Values(FilterKind{"Plane", [] { return isImageSDK::isImagePlane::create(); }},
                      FilterKind{"Reslice", [] { return isImageSDK::isImageReslice2D::create(); }},
                      FilterKind{"Slice", [] { return isImageSDK::isImageSlice::create(); }}),
    [](const ::testing::TestParamInfo<FilterKind>& info) { return info.param.name; });

}  // namespace
