#include "dcmsdk/dcmReadTag.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using bvtest::DicomFixture;

TEST(dcmReadTag, GetTagGivesTextOrEmptyAndKeepsEarlierTexts) {
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.specificCharacterSet = "ISO_IR 100";
    fixture.patientName = "M\xfcller^Anna";
    const std::string path = (dir / "tags.dcm").string();
    ASSERT_TRUE(fixture.write(path));
    dcmSDK::dcmReadTag reader;
    EXPECT_STREQ(reader.getTag(0x0010, 0x0010), "");
    ASSERT_TRUE(reader.setFile(path.c_str()));
    const char* name = reader.getTag(0x0010, 0x0010);
    EXPECT_STREQ(reader.getTag(0x0010, 0x0020), "ID0001");
    EXPECT_STREQ(reader.getTag(0x0010, 0x0030), "");
    EXPECT_STREQ(name, "M\xc3\xbcller^Anna");
    EXPECT_FALSE(reader.setFile((dir / "none.dcm").c_str()));
    EXPECT_STREQ(reader.getTag(0x0010, 0x0020), "");
}

TEST(dcmReadTag, ImageScaleWeighsColumnsAndRowsBySpacing) {
    const struct {
        std::vector<double> spacing;
        float expected;
    } cases[] = {{{0.5, 1.0}, 4.0f}, {{}, 2.0f}, {{2.0, 0.5}, 0.5f}};
    for (const auto& c : cases) {
        bvtest::TempDir dir;
        DicomFixture fixture;
        fixture.rows = 4;
        fixture.columns = 8;
        fixture.pixelSpacing = c.spacing;
        const std::string path = (dir / "scale.dcm").string();
        ASSERT_TRUE(fixture.write(path));
        dcmSDK::dcmReadTag reader;
        ASSERT_TRUE(reader.setFile(path.c_str()));
        EXPECT_FLOAT_EQ(reader.getImageScale(), c.expected);
    }
    dcmSDK::dcmReadTag unopened;
    EXPECT_FLOAT_EQ(unopened.getImageScale(), 1.0f);
}

TEST(dcmReadTag, TagListHoldsNestedAndFlaggedPrivateElements) {
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.modality = "PT";
    fixture.pet = true;
    fixture.customise = [](DcmDataset& ds) {
        ds.putAndInsertString(DcmTag(0x0029, 0x0010, EVR_LO), "ACME");
        ds.putAndInsertString(DcmTag(0x0029, 0x1001, EVR_LO), "private value");
    };
    const std::string path = (dir / "list.dcm").string();
    ASSERT_TRUE(fixture.write(path));
    dcmSDK::dcmReadTag reader;
    ASSERT_TRUE(reader.setFile(path.c_str()));
    int count = 0;
    dcmSDK::DicomTags** list = reader.getTagList(count);
    ASSERT_NE(list, nullptr);
    bool sawNestedDose = false;
    bool sawPrivate = false;
    bool sawModality = false;
    for (int i = 0; i < count; ++i) {
        const std::string tag = list[i]->tag;
        if (tag == ">(0018,1074)") {
            sawNestedDose = std::string(list[i]->value) == "370000000";
        }
        if (tag == "(0029,1001)") {
            sawPrivate = list[i]->flag != 0 && std::string(list[i]->value) == "private value";
        }
        if (tag == "(0008,0060)") {
            sawModality = list[i]->flag == 0 && std::string(list[i]->description) == "Modality";
        }
    }
    EXPECT_TRUE(sawNestedDose);
    EXPECT_TRUE(sawPrivate);
    EXPECT_TRUE(sawModality);
    int again = 0;
    EXPECT_EQ(reader.getTagList(again), list);
    EXPECT_EQ(again, count);
}
