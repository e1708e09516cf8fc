#include "studydb/dcmSend.h"

#include "NodeScreenFixture.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dcmTask.h"
#include "studydb/dicomDB.h"
#include "tests/support/lib/LoopbackPort.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using studydbtest::NodeScreenTest;

namespace {

void post(int key, const std::string& text, int id = 0, float value = 0.0f) {
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = text;
    data->intValue2 = id;
    data->floatValue = value;
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, key, data, nullptr, true);
    studydbtest::pumpFrames(2);
}

std::string echoReply(const std::string& ok, const std::string& appid, const std::string& ip,
                      const std::string& name) {
    return "{\"ok\":\"" + ok + "\",\"appid\":\"" + appid + "\",\"ip\":\"" + ip +
           "\",\"port\":\"104\",\"name\":\"" + name + "\"}";
}

dcmGetingObject* retrieveRow(NSUI::NSListView* table, const std::string& key) {
    auto* task = new dcmGetingObject();
    studydb::RetrieveTask::parse("10.0.0.8,104,,,1.2.3," + key + ",/tmp/x,Doe^Jo,7,CT", task->task);
    table->pushBackItem(task);
    task->release();
    return task;
}

dcmSendingObject* sendRow(NSUI::NSListView* table, const std::string& title) {
    auto* task = new dcmSendingObject();
    task->ip = "10.0.0.9";
    task->title = title;
    task->path = "/nowhere/" + title;
    task->label = title + " label";
    table->pushBackItem(task);
    task->release();
    return task;
}

std::vector<std::string> nodeNames(NSUI::NSListView* table) {
    std::vector<std::string> names;
    for (ssize_t i = 0; i < table->getItemCount(); ++i) {
        names.push_back(static_cast<dcmNodeObject*>(table->getItem(i))->name);
    }
    return names;
}

}  // namespace

// The panels, what they show of this machine and the library, and the tab colours.
TEST_F(NodeScreenTest, PanelsShowTheOwnNodeTheKnownNodesAndTheHelp) {
    db()->saveNeighbor(5, "OLD", "10.0.0.4", "104", "old");
    db()->setNeighborWifi("old");
    db()->saveNeighbor(2, "desk", "10.0.0.5", "4587", "desk");
    openScreen();
    EXPECT_EQ(nodeNames(screen_->getNodeTable()), (std::vector<std::string>{"desk", "OLD"}));
    EXPECT_EQ(rowText(screen_->getNodeTable(), 0, "ip"), "10.0.0.5");
    EXPECT_EQ(rowText(screen_->getNodeTable(), 1, "ip"), "10.0.0.4:104");

    struct Case {
        int asked;
        int shown;
        const char* visible;
    };
    for (const Case& c : {Case{2, 2, "dcmNodeUIReceive"}, Case{3, 3, ""},
                          Case{7, 1, "dcmNodeUISend"}, Case{1, 1, "dcmNodeUISend"}}) {
        screen_->selectPanel(c.asked);
        EXPECT_EQ(screen_->getPanel(), c.shown);
        for (const char* tab : {"dcmUISend", "dcmUIReceive", "dcmUISending"}) {
            auto* button = static_cast<cocos2d::ui::Button*>(screen_->getChildByNameDeep(tab));
            const bool chosen = (c.shown == 1 && std::string(tab) == "dcmUISend") ||
                                (c.shown == 2 && std::string(tab) == "dcmUIReceive") ||
                                (c.shown == 3 && std::string(tab) == "dcmUISending");
            EXPECT_EQ(button->getTitleColor(),
                      chosen ? cocos2d::Color3B(255, 165, 0) : cocos2d::Color3B(21, 170, 254))
                << tab << " for panel " << c.asked;
        }
        for (const char* name : {"dcmNodeUIReceive", "dcmNodeUISend"}) {
            EXPECT_EQ(screen_->getChildByNameDeep(name)->isVisible(),
                      c.visible == std::string(name))
                << name << " for panel " << c.asked;
        }
    }
    cocos2d::Node* receive = screen_->getChildByNameDeep("dcmNodeUIReceive");
    EXPECT_EQ(static_cast<cocos2d::ui::Text*>(receive->getChildByNameDeep("dcmTxtIP"))->getString(),
              "127.0.0.2");
    EXPECT_EQ(
        static_cast<cocos2d::ui::Text*>(receive->getChildByNameDeep("dcmTxtPort"))->getString(),
        std::to_string(port_));
    EXPECT_EQ(
        static_cast<cocos2d::ui::Text*>(receive->getChildByNameDeep("dcmTxtTitle"))->getString(),
        dicomDB::getNodeTitle());
    EXPECT_EQ(
        static_cast<cocos2d::ui::Text*>(receive->getChildByNameDeep("dcmTxtState"))->getString(),
        "Running");
    // No task at all: the help picture, and no send bar without a source.
    ASSERT_NE(screen_->getChildByNameDeep("helpbk"), nullptr);
    EXPECT_TRUE(screen_->getChildByNameDeep("helpbk")->isVisible());
    EXPECT_FALSE(screen_->getChildByNameDeep("dcmNode_send")->isVisible());
    screen_->setSendSource("/data/P1", "Doe");
    EXPECT_TRUE(screen_->getChildByNameDeep("dcmNode_send")->isVisible());
}

TEST_F(NodeScreenTest, WithoutAnAddressTheReceivePanelSaysSo) {
    studydbtest::LoopbackNetwork offline("");
    openScreen();
    cocos2d::Node* receive = screen_->getChildByNameDeep("dcmNodeUIReceive");
    EXPECT_EQ(static_cast<cocos2d::ui::Text*>(receive->getChildByNameDeep("dcmTxtIP"))->getString(),
              "Check Wifi Status");
    EXPECT_EQ(
        static_cast<cocos2d::ui::Text*>(receive->getChildByNameDeep("dcmTxtPort"))->getString(),
        "");
}

// Retrieve progress "key|remaining|completed|failed|warning" on a waiting row of key K.
TEST_F(NodeScreenTest, RetrieveProgressFollowsTheStateTable) {
    struct Case {
        const char* text;
        int state;
        float progress;
        const char* count;
        const char* ratio;
    };
    const Case cases[] = {
        {"K|3|1|0|0", dcmTask::kRunning, 25.0f, "4", "25%"},
        {"K|0|4|0|0", dcmTask::kDone, 0.0f, "", "Done"},
        {"K|0|3|1|0", dcmTask::kFailed, 0.0f, "", ""},
        {"K|0|3|0|1", dcmTask::kFailed, 0.0f, "", ""},
        // "remaining" is read as a number.
        {"K|00|4|0|0", dcmTask::kDone, 0.0f, "", "Done"},
        // No total to divide by: nothing changes.
        {"K|-1|0|1|0", dcmTask::kWaiting, 0.0f, "", "Waiting"},
        {"K|3|1|0", dcmTask::kWaiting, 0.0f, "", "Waiting"},
        {"other|3|1|0|0", dcmTask::kWaiting, 0.0f, "", "Waiting"},
    };
    openScreen();
    NSUI::NSListView* table = screen_->getTaskTable();
    for (const Case& c : cases) {
        table->removeAllItems();
        dcmGetingObject* row = retrieveRow(table, "K");
        post(studydb::NOTIFY_RETRIEVE_PROGRESS, c.text);
        EXPECT_EQ(row->state, c.state) << c.text;
        EXPECT_FLOAT_EQ(row->progress, c.progress) << c.text;
        EXPECT_EQ(row->imageCount, c.count) << c.text;
        EXPECT_EQ(rowText(table, 0, "ratio"), c.ratio) << c.text;
        EXPECT_EQ(rowWidgetShown(table, 0, "dcmNodeSend_retry"), c.state == dcmTask::kFailed)
            << c.text;
        EXPECT_EQ(rowText(table, 0, "ip"), "Doe^Jo");
    }
    // A running row keeps the total it started with and shows it.
    table->removeAllItems();
    dcmGetingObject* row = retrieveRow(table, "K");
    post(studydb::NOTIFY_RETRIEVE_PROGRESS, "K|3|1|0|0");
    post(studydb::NOTIFY_RETRIEVE_PROGRESS, "K|1|4|0|0");
    EXPECT_EQ(row->imageCount, "4");
    EXPECT_FLOAT_EQ(row->progress, 80.0f);
    EXPECT_EQ(rowText(table, 0, "path"), "7(CT 4)");
    post(studydb::NOTIFY_RETRIEVE_FAILED, "10.0.0.8,104,,,1.2.3,K,/tmp/x,Doe^Jo,7,CT");
    EXPECT_EQ(row->state, dcmTask::kFailed);
    EXPECT_TRUE(rowWidgetShown(table, 0, "dcmNodeSend_retry"));
    EXPECT_EQ(rowText(table, 0, "path"), "7(CT)");
}

// Send events reach the rows of their task id; delete and retry work on the task itself.
TEST_F(NodeScreenTest, SendRowsFollowTheirEventsDeletesAndRetries) {
    openScreen();
    NSUI::NSListView* table = screen_->getTaskTable();
    dcmSendingObject* a = sendRow(table, "A");
    dcmSendingObject* b = sendRow(table, "B");
    EXPECT_EQ(rowText(table, 0, "ip"), "A---10.0.0.9");
    EXPECT_EQ(rowText(table, 0, "path"), "A label");
    EXPECT_EQ(rowText(table, 0, "ratio"), "Waiting");

    post(studydb::NOTIFY_SEND_PROGRESS, "", b->taskId(), 40.0f);
    EXPECT_EQ(b->state, dcmTask::kRunning);
    EXPECT_EQ(rowText(table, 1, "ratio"), "40%");
    EXPECT_EQ(a->state, dcmTask::kWaiting);
    post(studydb::NOTIFY_SEND_DONE, "", a->taskId());
    EXPECT_EQ(rowText(table, 0, "ratio"), "Done");
    post(studydb::NOTIFY_SEND_FAILED, "", a->taskId());
    EXPECT_EQ(rowText(table, 0, "ratio"), "");
    EXPECT_TRUE(rowWidgetShown(table, 0, "dcmNodeSend_retry"));
    post(studydb::NOTIFY_SEND_FAILED, "", 0);
    EXPECT_EQ(b->state, dcmTask::kRunning);

    retryRow(0);
    EXPECT_EQ(a->state, dcmTask::kWaiting);
    EXPECT_EQ(rowText(table, 0, "ratio"), "Waiting");
    EXPECT_FALSE(rowWidgetShown(table, 0, "dcmNodeSend_retry"));

    // A sending task stays.
    deleteRow(1);
    EXPECT_EQ(toast(), "This task is sending and cannot be removed now.");
    studydbtest::pumpFrames(2);
    EXPECT_EQ(table->getItemCount(), 2);

    // The removal names the task, so a row above it that goes first does not shift it.
    dcmSendingObject* c = sendRow(table, "C");
    deleteRow(2);
    table->removeItemAtIndex(0);
    studydbtest::pumpFrames(2);
    ASSERT_EQ(table->getItemCount(), 1);
    EXPECT_EQ(table->getItem(0), b);
    EXPECT_EQ(c->state, dcmTask::kDone);
}

TEST_F(NodeScreenTest, RetrieveRowsAreDeletedUnlessDownloading) {
    openScreen();
    NSUI::NSListView* table = screen_->getTaskTable();
    dcmGetingObject* running = retrieveRow(table, "R");
    retrieveRow(table, "W");
    retrieveRow(table, "W");
    running->state = dcmTask::kRunning;
    deleteRow(0);
    EXPECT_EQ(toast(), "The downloading task can not be removed.");
    deleteRow(1);
    ASSERT_EQ(table->getItemCount(), 1);
    EXPECT_EQ(table->getItem(0), running);
}

// Verification replies and discovery messages keep the node rows current.
TEST_F(NodeScreenTest, NodeRowsFollowVerificationAndDiscovery) {
    db()->saveNeighbor(5, "STALE", "10.0.0.3", "104", "stale");
    db()->setNeighborWifi("stale");
    openScreen();
    NSUI::NSListView* table = screen_->getNodeTable();

    post(studydb::NOTIFY_ECHO_REPLY, echoReply("1", "pacs", "10.0.0.2", "PACS"));
    EXPECT_EQ(nodeNames(table), (std::vector<std::string>{"PACS", "STALE"}));
    EXPECT_EQ(rowText(table, 0, "ip"), "10.0.0.2:104");
    auto* pacs = static_cast<dcmNodeObject*>(table->getItem(0));
    EXPECT_EQ(pacs->device, dcmNodeObject::kDicomNode);

    // A failed verification of a listed node ages it; an unknown one adds nothing.
    post(studydb::NOTIFY_ECHO_REPLY, echoReply("0", "pacs", "10.0.0.2", "PACS"));
    EXPECT_EQ(pacs->wifi.substr(10), " 00:00:00");
    post(studydb::NOTIFY_ECHO_REPLY, echoReply("0", "nobody", "10.0.0.7", "X"));
    post(studydb::NOTIFY_ECHO_REPLY, echoReply("1", "noip", "", "Y"));
    EXPECT_EQ(nodeNames(table), (std::vector<std::string>{"PACS", "STALE"}));

    // Discovery: a stale row of the peer gives way to a fresh row at the top; a recent one is
    // updated in place.
    post(studydb::NOTIFY_PEER_SEEN, "{\"ip\":\"10.0.0.3\",\"name\":\"ward\",\"appid\":\"stale\"}");
    EXPECT_EQ(nodeNames(table), (std::vector<std::string>{"ward", "PACS"}));
    auto* ward = static_cast<dcmNodeObject*>(table->getItem(0));
    EXPECT_EQ(ward->device, dcmNodeObject::kDicomNode);
    EXPECT_EQ(ward->port, "4587");
    post(studydb::NOTIFY_PEER_SEEN,
         "{\"ip\":\"10.0.0.3\",\"name\":\"ward2\",\"device\":\"4\",\"appid\":\"stale\"}");
    ASSERT_EQ(table->getItemCount(), 2);
    EXPECT_EQ(table->getItem(0), ward);
    EXPECT_EQ(ward->name, "ward2");
    EXPECT_EQ(ward->device, dcmNodeObject::kMac);
}

TEST_F(NodeScreenTest, AddingANodeChecksAddressAndPort) {
    struct Case {
        const char* ip;
        const char* port;
        const char* message;
    };
    const Case cases[] = {
        {"", "104", "Not valid IP"},
        {"10.0.0", "104", "Not valid IP"},
        {"10.0.0.300", "104", "Not valid IP"},
        {"10.0.0.1", "", "Not valid port"},
        {"10.0.0.1", "0", "Not valid port"},
        {"10.0.0.1", "65536", "Not valid port"},
        {"10.0.0.1", "1x", "Not valid port"},
        {"10.0.0.1", "7", ""},
        {"10.0.0.1", "65535", ""},
    };
    openScreen();
    NSUI::NSListView* table = screen_->getNodeTable();
    long rows = 0;
    for (const Case& c : cases) {
        setField("editIP", c.ip);
        setField("editPort", c.port);
        click("dcmAddList");
        const bool added = std::string(c.message).empty();
        if (!added) {
            EXPECT_EQ(toast(), c.message) << c.ip << ":" << c.port;
        }
        rows += added ? 1 : 0;
        ASSERT_EQ(table->getItemCount(), rows) << c.ip << ":" << c.port;
        if (added) {
            auto* node = static_cast<dcmNodeObject*>(table->getItem(0));
            EXPECT_EQ(node->name, "Unknown");
            EXPECT_EQ(node->port, c.port);
            EXPECT_EQ(node->device, dcmNodeObject::kDicomNode);
            EXPECT_EQ(NSUI::getEncodedUserDefault("dicomServerPort", ""), c.port);
        }
    }
    // The row is the screen's only: the library does not hold it.
    std::vector<neighborInfo> stored;
    db()->getNeighbors(stored);
    EXPECT_TRUE(stored.empty());
}

TEST_F(NodeScreenTest, SendingNeedsASourceAndANodeAndIsNotQueuedTwice) {
    openScreen();
    click("dcmSend");
    EXPECT_EQ(toast(), "Please choose a patient or series, and open again.");
    screen_->setSendSource("/nowhere/P1", "Doe (D-1)");
    auto* hint = dynamic_cast<cocos2d::ui::Text*>(screen_->getChildByNameDeep("dcmNode_sendHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->getString(), "To send: Doe (D-1). Choose a node in the list, then press Send.")
        << "the send bar names what it sends";
    click("dcmSend");
    EXPECT_EQ(toast(), "Please choose a destination IP.");

    setField("editIP", "127.0.0.1");
    setField("editPort", "9");
    click("dcmAddList");
    screen_->getNodeTable()->selectCellAtIndex(0);
    const ssize_t queued = service_->getSendTasks().size();
    click("dcmSend");
    EXPECT_EQ(screen_->getPanel(), dcmSend::kPanelSending);
    EXPECT_FALSE(screen_->getChildByNameDeep("helpbk")->isVisible());
    ASSERT_EQ(screen_->getTaskTable()->getItemCount(), 1);
    auto* task = static_cast<dcmSendingObject*>(screen_->getTaskTable()->getItem(0));
    EXPECT_EQ(task->title, "Unknown");
    EXPECT_EQ(task->label, "Doe (D-1)");
    EXPECT_EQ(task->port, "9");
    click("dcmSend");
    EXPECT_EQ(screen_->getTaskTable()->getItemCount(), 1);
    EXPECT_EQ(static_cast<ssize_t>(service_->getSendTasks().size()), queued + 1);
}

// A retry hands the retrieval back to the library; one it refuses stays failed, and one whose
// node is closed comes back failed from the library.
TEST_F(NodeScreenTest, RetryingARetrieveQueuesItAgainOrKeepsItFailed) {
    openScreen();
    NSUI::NSListView* table = screen_->getTaskTable();
    dcmGetingObject* refused = retrieveRow(table, "not-a-uid");
    refused->state = dcmTask::kFailed;
    auto* closed = new dcmGetingObject();
    studydb::RetrieveTask::parse("127.0.0.1," + std::to_string(bvtest::freeLoopbackPort()) +
                                     ",,,1.2.3,1.2.826.0.1.3680043.9.21.5," + root() +
                                     "down,Doe^Jo,7,CT",
                                 closed->task);
    closed->state = dcmTask::kFailed;
    table->pushBackItem(closed);
    closed->release();

    retryRow(0);
    EXPECT_EQ(refused->state, dcmTask::kFailed);
    EXPECT_TRUE(rowWidgetShown(table, 0, "dcmNodeSend_retry"));
    retryRow(1);
    EXPECT_EQ(closed->state, dcmTask::kWaiting);
    EXPECT_EQ(rowText(table, 1, "ratio"), "Waiting");
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return closed->state == dcmTask::kFailed; }));
    EXPECT_TRUE(rowWidgetShown(table, 1, "dcmNodeSend_retry"));
}
