#include "studydb/RetrieveTask.h"

#include <gtest/gtest.h>

#include <string>

using studydb::RetrieveTask;

// A task whose texts hold the library's separators still reads back as the same ten fields,
// each with the separators turned into spaces.
TEST(RetrieveTaskTest, SeparatorsInsideFieldsNeverSplitTheTaskText) {
    RetrieveTask task;
    task.ip = "127.0.0.1";
    task.port = "104";
    task.calledTitle = "PACS";
    task.studyUid = "1.2";
    task.seriesUid = "1.2.3";
    task.folder = "/data/a,b@c/";
    task.patientName = "O'Neil, Ann@ward";
    task.seriesNumber = "7";
    task.modality = "CT";
    const std::string text = task.joined();
    EXPECT_EQ(text, "127.0.0.1,104,,PACS,1.2,1.2.3,/data/a b c/,O'Neil  Ann ward,7,CT");
    RetrieveTask read;
    ASSERT_TRUE(RetrieveTask::parse(text, read));
    EXPECT_EQ(read.patientName, "O'Neil  Ann ward");
    EXPECT_EQ(read.folder, "/data/a b c/");
    EXPECT_EQ(read.joined(), text);
    EXPECT_FALSE(RetrieveTask::parse(text + ",extra", read));
}
