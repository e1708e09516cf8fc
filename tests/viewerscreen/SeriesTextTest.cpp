#include "viewerscreen/SeriesText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SeriesTextTest, ReadsTheStudyListsJsonOrTakesThePlainTextAsOneKey) {
    struct Case {
        std::string text;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {"abc", {"abc"}},
        {"p1/st1/se1", {"p1/st1/se1"}},
        {R"({"series1":"a","num":"1"})", {"a"}},
        // In number order, however the object lists them.
        {R"({"series2":"b","series1":"a","num":"2"})", {"a", "b"}},
        {R"({"series1":"a","series10":"j","series2":"b","num":"2"})", {"a", "b"}},
        // A missing entry still takes its place, so the count stays the study list's.
        {R"({"series1":"a","num":"2"})", {"a", ""}},
        {R"({"series1":"a"})", {}},
        {R"({"series1":"a","num":"0"})", {}},
        {R"({"series1":"a","num":"-3"})", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseSeriesText(c.text), c.keys) << c.text;
    }
}

TEST(SeriesTextTest, AHugeCountIsBoundedByTheText) {
    const std::string text = R"({"series1":"a","num":"2000000000"})";
    const std::vector<std::string> keys = parseSeriesText(text);
    ASSERT_FALSE(keys.empty());
    EXPECT_LE(keys.size(), text.size());
    EXPECT_EQ(keys.front(), "a");
}
