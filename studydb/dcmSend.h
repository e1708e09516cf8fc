#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/Macros.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSTableViewDelegate.h"
#include "toolkit/widgets/UIControlBase.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace cocos2d {
namespace ui {
class Button;
}
}  // namespace cocos2d

namespace NSUI {
class NSListView;
class NSNotificationData;
class NSResponseWindow;
class NSTextField;
}  // namespace NSUI

class dcmTask;

// One row of the node table: a DICOM node or a copy of the program on the network.
class dcmNodeObject : public cocos2d::Ref {
public:
    enum Device { kAndroid = 1, kDesktop = 2, kIOS = 3, kMac = 4, kDicomNode = 5 };

    CREATE_FUNC(dcmNodeObject);
    bool init() { return true; }

    int id = -1;
    int device = kDesktop;
    std::string lastTime;
    // Last-seen date-time.
    std::string wifi;
    int saveType = 3;
    std::string ip;
    std::string port = "4587";
    std::string name;
    std::string appid;
};

// The DICOM node screen: this machine's node address (receive panel), the known nodes with a
// form to add one (send panel), and the send and retrieve tasks with progress, retry and delete
// (sending panel). It sends the source its opener set to the chosen node through the task
// service, and restarts the local node. Clicks, rows and notifications are in
// dcmSendActions.cpp. Main thread only.
class dcmSend : public cocos2d::Node,
                public NSUI::NSTableViewDelegate,
                public NSUI::UIControlGenerater,
                public NSUI::UIControlBase,
                public NSUI::UILocalConfig {
public:
    enum Panel { kPanelSend = 1, kPanelReceive = 2, kPanelSending = 3 };
    // Restart counter: frames from the click to the stop, and from the click to the start.
    static constexpr int kRestartIdle = -1;
    static constexpr int kRestartStopFrame = 100;
    static constexpr int kRestartStartFrame = 200;
    static constexpr float kRowHeight = 70.0f;
    static constexpr float kNodeTableHeight = 350.0f;
    static constexpr int kRowLayoutTag = 100;

    // Where the screen's usage statistics go (event, value); none by default.
    using StatisticRecorder = std::function<void(int event, const std::string& value)>;
    static void setStatisticRecorder(const StatisticRecorder& recorder);

    // Desktop form: a pop-up window holding the screen, its top centre at the window's.
    static NSUI::NSResponseWindow* createWindow();
    // Phone form: a scene with the common frame and the screen below its title bar.
    static cocos2d::Scene* createScene();
    CREATE_FUNC(dcmSend);

    bool init() override;
    void setupPanels();
    // What a send sends: a folder or file, and the text its task rows show.
    void setSendSource(const std::string& path, const std::string& label);
    // kPanelReceive, kPanelSending, anything else the send panel.
    void selectPanel(int which);

    void onEnterTransitionDidFinish() override;
    void onExit() override;
    void cleanup() override;
    // Drives a restart of the local node, one step per frame.
    void visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
               uint32_t parentFlags) override;
    bool onResponseReturn() override;

    void onClick(cocos2d::Ref* sender);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    void tableCellTouched(NSUI::NSTableView* table, NSUI::NSTableViewCell* cell,
                          const cocos2d::Vec2& point) override;
    void tableCellLeftMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) override;
    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t index,
                                        cocos2d::Ref* item) override;
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const cocos2d::Size& size) override;

    NSUI::NSListView* getNodeTable() const { return nodeTable; }
    NSUI::NSListView* getTaskTable() const { return taskTable; }
    int getPanel() const { return panel; }
    int getRestartCount() const { return restartCount; }
    const std::string& getSendPath() const { return sendPath; }
    const std::string& getSendLabel() const { return sendLabel; }

protected:
    dcmSend() = default;
    ~dcmSend() override;

    void setupReceivePanel();
    // The receive panel's state line: listening, or not with the reason.
    void showNodeState();
    void setupSendPanel();
    void setupFields();
    NSUI::NSTextField* replaceField(const std::string& name, int inputMode);
    void setupSendingPanel();
    void bindButtons();
    void observe();
    void recordStatistic(int event);

    void addNode();
    void send();
    void deleteTask(cocos2d::Ref* sender);
    void retryTask(cocos2d::Ref* sender);
    void startRestart();
    // Starts the local node and discovery again; the restart's last step.
    void finishRestart();

    void onEchoReply(const std::string& json);
    void onPeerSeen(const std::string& json);
    void onSendEvent(unsigned key, NSUI::NSNotificationData* data);
    void onRemoveTask(cocos2d::Ref* task);
    void onRetrieveProgress(const std::string& text);
    void onRetrieveFailed(const std::string& text);
    // Redraws the rows showing that object.
    void refreshRowsOf(NSUI::NSListView* table, cocos2d::Ref* item);
    void showHelp(bool show);

    void fillNodeRow(cocos2d::Node* row, dcmNodeObject* node);
    void fillTaskRow(cocos2d::Node* row, dcmTask* task);

    cocos2d::Node* layout = nullptr;
    NSUI::NSListView* nodeTable = nullptr;
    NSUI::NSListView* taskTable = nullptr;
    cocos2d::Node* sendPanel = nullptr;
    cocos2d::Node* receivePanel = nullptr;
    cocos2d::Node* sendingPanel = nullptr;
    cocos2d::ui::Button* sendTab = nullptr;
    cocos2d::ui::Button* receiveTab = nullptr;
    cocos2d::ui::Button* sendingTab = nullptr;
    NSUI::NSTextField* ipField = nullptr;
    NSUI::NSTextField* portField = nullptr;
    NSUI::NSTextField* titleField = nullptr;
    // Row of the node table where recently seen nodes go.
    ssize_t recentRow = 0;
    std::string sendPath;
    std::string sendLabel;
    bool firstEntry = true;
    int restartCount = kRestartIdle;
    int panel = kPanelSend;
};

// The phone form's scene: the back key pops it.
class dcmSendScene : public cocos2d::Scene {
public:
    CREATE_FUNC(dcmSendScene);
    bool onResponseReturn() override;
};
