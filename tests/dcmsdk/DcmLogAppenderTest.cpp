#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"

#include <dcmtk/oflog/oflog.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex linesMutex;
std::vector<std::string> lines;

void keepLine(const char* text) {
    std::lock_guard<std::mutex> lock(linesMutex);
    lines.emplace_back(text);
}

std::vector<std::string> takeLines() {
    std::lock_guard<std::mutex> lock(linesMutex);
    std::vector<std::string> taken;
    taken.swap(lines);
    return taken;
}

class DcmtkMessages : public ::testing::Test {
protected:
    void SetUp() override {
        dcmSDK::dcmsdk_init();
        previous_ = dcmSDK::getLogCallback();
        dcmSDK::setLogCallback(keepLine);
        takeLines();
    }
    void TearDown() override { dcmSDK::setLogCallback(previous_); }

private:
    dcmSDK::LogCallback previous_ = nullptr;
};

}  // namespace

TEST_F(DcmtkMessages, WarningsAndAboveReachTheProgramLogAndNothingElse) {
    OFLogger logger = OFLog::getLogger("dcmtk.dcmdata");
    ::testing::internal::CaptureStderr();
    OFLOG_DEBUG(logger, "debug detail");
    OFLOG_INFO(logger, "informational detail");
    OFLOG_WARN(logger, "a warning");
    OFLOG_ERROR(logger, "an error");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "");
    EXPECT_EQ(takeLines(), (std::vector<std::string>{"W: a warning", "E: an error"}));
}
