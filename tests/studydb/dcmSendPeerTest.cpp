// The DICOM node screen with real peers: the local node it restarts, and DCMTK's storescp as the
// node it sends to.
#include "studydb/dcmSend.h"

#include "NodeScreenFixture.h"
#include "engine/base/Director.h"
#include "engine/ui/Text.h"
#include "studydb/dcmTask.h"
#include "studydb/dicomDB.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/widgets/NSListView.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using bvtest::ChildProcess;
using studydbtest::NodeScreenTest;
using studydbtest::pumpInRealTimeUntil;

namespace {

void frames(int count) {
    for (int i = 0; i < count; ++i) {
        cocos2d::Director::getInstance()->mainLoop(0.016f);
    }
}

std::size_t filesIn(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        count += entry.is_regular_file() ? 1 : 0;
    }
    return count;
}

bool echo(int port) {
    return ChildProcess::run({"echoscu", "127.0.0.1", std::to_string(port)}, "/dev/null") == 0;
}

}  // namespace

class NodeScreenPeerTest : public NodeScreenTest {
protected:
    // A series of `count` files to send, and the screen set to send it to 127.0.0.1:port.
    void prepareSend(int count, int port) {
        bvtest::DicomFixture fixture;
        fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.21";
        fixture.seriesInstanceUID = "1.2.826.0.1.3680043.9.21.1";
        fixture.writeSeries(source_.str(), count, 1.0);
        openScreen();
        screen_->setSendSource(source_.str(), "Doe^Jo");
        setField("editIP", "127.0.0.1");
        setField("editPort", std::to_string(port));
        click("dcmAddList");
        screen_->getNodeTable()->selectCellAtIndex(0);
    }

    dcmSendingObject* task() {
        return static_cast<dcmSendingObject*>(screen_->getTaskTable()->getItem(0));
    }

    bool startStorescp(ChildProcess& storescp, int port) {
        return storescp.start({"storescp", "-od", received_.str(), "+xa", std::to_string(port)},
                              (log_ / "storescp.log").string(), ChildProcess::LogMode::Append) &&
               bvtest::waitForLoopbackPort(port);
    }

    bvtest::TempDir source_;
    bvtest::TempDir received_;
    bvtest::TempDir log_;
};

TEST_F(NodeScreenPeerTest, ASendToStorescpShowsProgressThenDoneAndEveryFileArrives) {
    const int port = bvtest::freeLoopbackPort();
    ChildProcess storescp;
    ASSERT_TRUE(startStorescp(storescp, port));
    const int count = 30;
    prepareSend(count, port);
    click("dcmSend");
    ASSERT_EQ(screen_->getTaskTable()->getItemCount(), 1);
    bool progressShown = false;
    ASSERT_TRUE(pumpInRealTimeUntil([&] { return task()->state >= dcmTask::kDone; }, 60.0,
                                    [&] {
                                        const std::string ratio =
                                            rowText(screen_->getTaskTable(), 0, "ratio");
                                        progressShown = progressShown ||
                                                        (!ratio.empty() && ratio.back() == '%');
                                    }));
    EXPECT_EQ(task()->state, dcmTask::kDone);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(rowText(screen_->getTaskTable(), 0, "ratio"), "Done");
    EXPECT_EQ(rowText(screen_->getTaskTable(), 0, "ip"), "Unknown---127.0.0.1");
    EXPECT_EQ(filesIn(received_.str()), static_cast<std::size_t>(count));
}

TEST_F(NodeScreenPeerTest, ASendToAClosedPortOffersRetryWhichCompletesOnceThePeerListens) {
    const int port = bvtest::freeLoopbackPort();
    prepareSend(3, port);
    click("dcmSend");
    ASSERT_TRUE(pumpInRealTimeUntil([&] { return task()->state == dcmTask::kFailed; }, 60.0));
    EXPECT_TRUE(rowWidgetShown(screen_->getTaskTable(), 0, "dcmNodeSend_retry"));
    EXPECT_EQ(rowText(screen_->getTaskTable(), 0, "ratio"), "");

    ChildProcess storescp;
    ASSERT_TRUE(startStorescp(storescp, port));
    retryRow(0);
    EXPECT_EQ(rowText(screen_->getTaskTable(), 0, "ratio"), "Waiting");
    ASSERT_TRUE(pumpInRealTimeUntil([&] { return task()->state >= dcmTask::kDone; }, 60.0));
    EXPECT_EQ(task()->state, dcmTask::kDone);
    EXPECT_FALSE(rowWidgetShown(screen_->getTaskTable(), 0, "dcmNodeSend_retry"));
    EXPECT_EQ(filesIn(received_.str()), 3u);
}

// The node stops on the 100th frame after the click and starts on the 200th; a second click
// while it is down starts the count again, and it comes back answering.
TEST_F(NodeScreenTest, RestartStopsAndStartsTheLocalNodeOnItsFrames) {
    openScreen();
    dcmSDK::dcmServer& server = db()->getServer();
    ASSERT_TRUE(server.isRunning());
    click("dcmRestart");
    EXPECT_EQ(buttonTitle("dcmRestart"), "Stopping");
    frames(98);
    EXPECT_TRUE(server.isRunning());
    frames(1);
    EXPECT_FALSE(server.isRunning());
    EXPECT_EQ(buttonTitle("dcmRestart"), "Starting");
    frames(50);
    click("dcmRestart");
    EXPECT_EQ(screen_->getRestartCount(), 1);
    frames(99 + 98);
    EXPECT_FALSE(server.isRunning());
    frames(1);
    EXPECT_TRUE(server.isRunning());
    EXPECT_EQ(buttonTitle("dcmRestart"), "Running");
    EXPECT_EQ(screen_->getRestartCount(), dcmSend::kRestartIdle);
    EXPECT_TRUE(echo(port_));
}

// A port another program holds: the receive panel says the node is not running and why, a
// restart tries again and fails the same way, and one after the port is free brings it up.
TEST_F(NodeScreenTest, ANodeThatCannotListenSaysWhyAndARestartRetries) {
    dcmSDK::dcmServer& server = db()->getServer();
    server.StopDicomServer();
    bvtest::TakenPort other(port_);
    ASSERT_TRUE(other.taken());
    ASSERT_FALSE(server.BeginDicomServer());
    openScreen();
    const auto state = [&] {
        auto* line = dynamic_cast<cocos2d::ui::Text*>(screen_->getChildByNameDeep("dcmTxtState"));
        return line != nullptr ? line->getString() : std::string("<no state line>");
    };
    const std::string refused =
        "The DICOM node is not running: cannot listen on port " + std::to_string(port_) + ": ";
    EXPECT_EQ(state().rfind(refused, 0), 0u) << state();

    click("dcmRestart");
    frames(200);
    EXPECT_FALSE(server.isRunning());
    EXPECT_EQ(buttonTitle("dcmRestart"), "Not running");
    EXPECT_EQ(state().rfind(refused, 0), 0u) << state();

    other.release();
    click("dcmRestart");
    frames(200);
    EXPECT_TRUE(server.isRunning());
    EXPECT_EQ(buttonTitle("dcmRestart"), "Running");
    EXPECT_EQ(state(), "Running");
    EXPECT_TRUE(echo(port_));
}

TEST_F(NodeScreenTest, LeavingInTheMiddleOfARestartStartsTheNodeAgain) {
    openScreen();
    dcmSDK::dcmServer& server = db()->getServer();
    click("dcmRestart");
    frames(120);
    ASSERT_FALSE(server.isRunning());
    closeScreen();
    EXPECT_TRUE(server.isRunning());
    EXPECT_TRUE(echo(port_));
}
