// The resources the build generates, read back the way the program reads them: the example
// study through the zip routines and both DICOM readers, the sounds through the audio decoder,
// the label font under both of its names through the label renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dcmsdk/dcmReadTag.h"
#include "dcmsdk/dcmReader.h"
#include "engine/2d/Label.h"
#include "engine/audio/AudioMixer.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/io/isDcmReader.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/ZipRoutines.h"

namespace fs = std::filesystem;

namespace {

std::string resource(const std::string& name) {
    return cocos2d::FileUtils::getInstance()->fullPathForFilename(name);
}

TEST(ShippedResourcesTest, ExampleStudyIsOneCtVolumeWithWindowPresetsAndAFictitiousPatient) {
    const std::string archive = resource("example.zip");
    ASSERT_FALSE(archive.empty());
    bvtest::TempDir temp("example");
    ASSERT_TRUE(NSUI::unzipFile(archive, temp.str(), ""));
    std::vector<std::string> files;
    NSUI::listFiles(temp.str(), files, true, true);
    ASSERT_EQ(files.size(), 40u);

    isImageSDK::isDcmReader* reader = isImageSDK::isDcmReader::create();
    ASSERT_NE(reader, nullptr);
    auto* data = static_cast<isImageSDK::isImageData*>(reader->getOutput());
    std::vector<float> positions;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        reader->setFileName(file);
        data->update();
        ASSERT_EQ(data->getNumberOfSlices(), 1);
        const isImageSDK::isSliceInfo* slice = data->getSlice(0);
        EXPECT_EQ(slice->modality, 0);  // CT
        EXPECT_EQ(slice->width, 256);
        EXPECT_EQ(slice->height, 256);
        EXPECT_FLOAT_EQ(slice->pixelSpacingX, 0.78125f);
        EXPECT_FLOAT_EQ(slice->windowWidth, 400.0f);
        EXPECT_FLOAT_EQ(slice->windowCentre, 40.0f);
        EXPECT_FLOAT_EQ(slice->rescaleIntercept, -1024.0f);
        EXPECT_TRUE(slice->geometryValid);
        // The slice's place along its normal (third column), in world axes.
        const float* m = slice->matrix.m;
        positions.push_back(m[12] * m[8] + m[13] * m[9] + m[14] * m[10]);
    }
    reader->release();
    // Parallel slices 5 mm apart, none twice.
    std::sort(positions.begin(), positions.end());
    for (size_t i = 1; i < positions.size(); ++i) {
        EXPECT_NEAR(positions[i] - positions[i - 1], 5.0f, 1e-3f);
    }

    dcmSDK::dcmReadTag tags;
    ASSERT_TRUE(tags.setFile(files.front().c_str()));
    EXPECT_EQ(tags.getTagValue(0x0010, 0x0010), "EXAMPLE^PHANTOM");
    EXPECT_EQ(tags.getTagValue(0x0010, 0x0020), "EXAMPLE-0001");
    EXPECT_EQ(tags.getTagValue(0x0028, 0x1055), "SOFT TISSUE\\LUNG");

    // The thumbnail path of the study list: a picture of the slice.
    dcmSDK::dcmReader picture;
    ASSERT_TRUE(picture.setFile(files.front().c_str()));
    const std::string png = (temp / "thumb.png").string();
    ASSERT_TRUE(picture.convertToPngFile(png.c_str(), true));
    EXPECT_GT(fs::file_size(png), 1000u);
}

TEST(ShippedResourcesTest, WebScriptsArchiveUnpacks) {
    bvtest::TempDir temp("js");
    ASSERT_TRUE(NSUI::unzipFile(resource("js.zip"), temp.str() + "js/", ""));
    EXPECT_GT(fs::file_size(temp / "js" / "common.js"), 0u);
}

TEST(ShippedResourcesTest, StartUpSoundsDecode) {
    const struct {
        const char* name;
        double seconds;
    } sounds[] = {{"res/dingdong.wav", 0.9}, {"res/waterfall.wav", 1.2}};
    for (const auto& sound : sounds) {
        SCOPED_TRACE(sound.name);
        auto clip = cocos2d::AudioMixer::loadWav(resource(sound.name));
        ASSERT_NE(clip, nullptr);
        EXPECT_NEAR(clip->frames() / double(cocos2d::AudioMixer::SAMPLE_RATE), sound.seconds, 0.01);
        const float peak = *std::max_element(clip->samples.begin(), clip->samples.end());
        EXPECT_GT(peak, 0.3f);
        EXPECT_LE(peak, 1.0f);
    }
}

TEST(ShippedResourcesTest, LabelFontDrawsChineseUnderBothNames) {
    for (const char* name : {"DFPGB_H3.TTF", "DFPGB_H3.ttf"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(cocos2d::FileUtils::getInstance()->isFileExist(name));
        cocos2d::Label* label = cocos2d::Label::createWithTTF("影像 DICOM", name, 24.0f);
        ASSERT_NE(label, nullptr);
        EXPECT_GT(label->getContentSize().width, 80.0f);
    }
}

}  // namespace
