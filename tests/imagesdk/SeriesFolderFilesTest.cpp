#include "imagesdk/io/SeriesFolderFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(SeriesFolderFilesTest, ThumbnailsAndHiddenFilesAreCompanionsOfTheDicomFiles) {
    for (const char* name : {"thrumb0", "thrumb5", "thrumb2.part", ".running", ".DS_Store", ""}) {
        EXPECT_TRUE(isImageSDK::isSeriesCompanionFile(name)) << name;
    }
    // Names a stored or imported DICOM file may have.
    for (const char* name : {"1.2.840.113619.2.1", "IM0001.dcm", "thrumb6", "thrumb10",
                             "thrumbnail.dcm", "thrumb", "thrumb0.dcm", "a.part", "thrumb0x"}) {
        EXPECT_FALSE(isImageSDK::isSeriesCompanionFile(name)) << name;
    }
}

}  // namespace
