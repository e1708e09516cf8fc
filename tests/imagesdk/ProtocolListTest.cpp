#include "imagesdk/data/ProtocolList.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

namespace {

std::vector<std::string> typesFor(const ProtocolQuery& query) {
    std::list<ProtocolEntry*> out;
    matchProtocols(query, out);
    std::vector<std::string> types;
    for (const ProtocolEntry* entry : out) {
        types.push_back(entry->type);
    }
    return types;
}

TEST(ProtocolList, MatchesTheShippedListInFileOrder) {
    struct Case {
        ProtocolQuery query;
        std::vector<std::string> types;
    };
    const std::vector<Case> cases = {
        {{1, 120, true, false}, {"2dview", "browser2d", "mpr3d", "mpr", "mpr2"}},
        {{1, 120, true, true}, {"2dview", "browser2d", "mpr3d", "mpr", "mpr2", "compare4d"}},
        {{1, 5, true, false}, {"2dview", "browser2d", "mpr3d", "mpr", "mpr2"}},
        {{1, 4, true, false}, {"browser2d"}},
        {{1, 3, true, false}, {"browser2d"}},
        {{1, 120, false, false}, {"2dslice", "compare2d"}},
        {{2, 51, false, false}, {"compare2d", "compare4d"}},
        {{2, 50, true, false}, {"compare2d"}},
        {{3, 60, true, false}, {"compare2d", "compare4d"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(typesFor(c.query), c.types)
            << c.query.seriesCount << " series, " << c.query.imageCount << " images, volume "
            << c.query.isVolume << ", 4D " << c.query.is4D;
    }
    releaseProtocols();
}

TEST(ProtocolList, TypeCodesAreExactNames) {
    const std::vector<std::string> names = {"",     "2dview",  "browser2d", "mpr3d",    "mpr",
                                            "mpr2", "2dslice", "compare2d", "compare4d"};
    for (int code = 1; code <= 8; ++code) {
        EXPECT_EQ(protocolTypeCode(names[code]), code) << names[code];
    }
    EXPECT_EQ(protocolTypeCode("MPR"), 0);
    EXPECT_EQ(protocolTypeCode("mpr "), 0);
    EXPECT_EQ(protocolTypeCode(""), 0);
}

}  // namespace
