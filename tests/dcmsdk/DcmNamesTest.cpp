#include "dcmsdk/DcmNames.h"

#include <gtest/gtest.h>

#include <string>

using dcmSDK::DcmNames;

TEST(DcmNames, ValidUidsAreDigitsAndDotsWithoutEmptyComponents) {
    const struct {
        std::string uid;
        bool valid;
    } cases[] = {
        {"1.2.840.10008.1.1", true},
        {"0", true},
        {std::string(64, '1'), true},
        {std::string(65, '1'), false},
        {"", false},
        {"..", false},
        {"../x", false},
        {"1..2", false},
        {".1.2", false},
        {"1.2.", false},
        {"1.2a", false},
        {"1.2 ", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DcmNames::isValidUid(c.uid), c.valid) << c.uid;
    }
}

TEST(DcmNames, FileNamesFromDataNeverLeaveTheFolder) {
    EXPECT_EQ(DcmNames::fileNameFor("1.2.3.4"), "1.2.3.4");
    for (const std::string uid : {"../x", "..", ".", "a/b", "", "1.2/../../etc"}) {
        const std::string name = DcmNames::fileNameFor(uid);
        EXPECT_EQ(name.find('/'), std::string::npos) << uid;
        EXPECT_NE(name[0], '.') << uid;
        EXPECT_EQ(name, DcmNames::fileNameFor(uid));
    }
    EXPECT_NE(DcmNames::fileNameFor("../x"), DcmNames::fileNameFor("../y"));
}

TEST(DcmNames, GeneratedUidsAreValidAndDerivedOnesStable) {
    const std::string a = DcmNames::newUid();
    EXPECT_TRUE(DcmNames::isValidUid(a)) << a;
    EXPECT_NE(a, DcmNames::newUid());
    EXPECT_TRUE(DcmNames::isValidUid(DcmNames::uidFromText("series 1")));
    EXPECT_EQ(DcmNames::uidFromText("series 1"), DcmNames::uidFromText("series 1"));
    EXPECT_NE(DcmNames::uidFromText("series 1"), DcmNames::uidFromText("series 2"));
}

TEST(DcmNames, PersonNamesCompareWithoutTrailingEmptyComponentsOrSpaces) {
    const struct {
        std::string name;
        std::string key;
    } cases[] = {
        {"DOE^JOHN", "DOE^JOHN"},
        {"DOE^JOHN^^^", "DOE^JOHN"},
        {"DOE^JOHN ", "DOE^JOHN"},
        {"DOE^JOHN^^^  ", "DOE^JOHN"},
        {"DOE^JOHN^^=", "DOE^JOHN"},
        {"DOE^JOHN==", "DOE^JOHN"},
        {"DOE^^JOHN", "DOE^^JOHN"},
        {"DOE^JOHN^^=YAMADA^^", "DOE^JOHN=YAMADA"},
        {"=YAMADA", "=YAMADA"},
        {"^^^", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DcmNames::personNameKey(c.name), c.key) << c.name;
    }
    EXPECT_EQ(DcmNames::seriesFolder("DOE^JOHN", "7", "1.2", "1.2.3"),
              DcmNames::seriesFolder("DOE^JOHN^^^", "7", "1.2", "1.2.3"));
    EXPECT_NE(DcmNames::seriesFolder("DOE^JOHN", "7", "1.2", "1.2.3"),
              DcmNames::seriesFolder("DOE^JOHNNY", "7", "1.2", "1.2.3"));
}
