#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "app/OwnedJobs.h"
#include "engine/ui/Slider.h"
#include "imagesdk/data/WindowLevelPreset.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/widgets/NSLayout.h"
#include "viewerscreen/SeriesLoadJob.h"

namespace cocos2d {
class Scene;
namespace ui {
class Button;
}
}  // namespace cocos2d
namespace NSUI {
class NSMenu;
class NSNotificationData;
class UIScrollViewBase;
}  // namespace NSUI
namespace isImageSDK {
class appManager;
class isBinReader;
class isImageData;
class isViewerMulti;
class winManager;
}  // namespace isImageSDK
struct ProtocolQuery;
class quickTool;
class toolDisk;

// The desktop viewer screen: a top bar, a tool column whose panel suits the series shown, and
// the viewer area split by its window manager into regions. It loads the series it is opened
// with on a worker thread and shows them with the hanging protocol chosen in the study list.
class imageViewerPC : public NSUI::NSLayout, public NSUI::NSNotificationKey {
public:
    static constexpr int kTopBarHeight = 60;
    // Tags of "btnCmdPlay".
    static constexpr int kPlaying = 2001;
    static constexpr int kNotPlaying = 2002;

    CREATE_FUNC(imageViewerPC);
    // A scene holding a new screen of the design size for the series text.
    static cocos2d::Scene* createScene(const std::string& seriesText);

    bool init() override;
    void onEnterTransitionDidFinish() override;
    void onExit() override;
    void cleanup() override;
    void visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
               uint32_t parentFlags) override;
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;

    // Frame.
    void bindControls();
    void showToolPanel(int kind);
    void setFavoriteToolsVisible(bool visible);
    void updateFavoriteBadge(int count);
    void showMessagePanel(const std::string& text);

    // Opens a new screen for the series text with the protocol on top of the running scene.
    static void open(const std::string& seriesText, const std::string& protocol);

    // Series loading.
    void setSeriesList(const std::string& text);
    void setProtocol(const std::string& name);
    // Starts a load of the series list on a worker thread; an earlier load still running is
    // cancelled and its result will be dropped.
    void startLoad();
    void attachViewerMulti(cocos2d::Node* node);

    // Commands.
    void onClick(cocos2d::Ref* sender);
    void onSliceSlider(cocos2d::Ref* sender, cocos2d::ui::Slider::EventType event);
    void updateSliceSlider();

    // Menus and the 4D panel.
    NSUI::NSMenu* showMenu(const std::string& name, bool show);
    void closeMenus();
    // The name of the first visible menu, "" when none is open.
    std::string openMenuName();
    void refreshWindowLevelPresets();
    void show4DPanel(bool show);
    toolDisk* getToolDisk();

    // Notifications.
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    // Favourites and captures.
    void saveFavorite(NSUI::NSNotificationData* data);
    void captureArea(int key);
    void showReformatStatus(int count);

    isImageSDK::winManager* getWindowManager() const { return windowManager; }
    isImageSDK::appManager* currentRegion() const;
    isImageSDK::isViewerMulti* currentMultiViewer() const;
    // The reader registered under the key, null when none is.
    static isImageSDK::isBinReader* readerOf(const std::string& key);

    std::list<isImageSDK::WindowLevelPreset> windowLevelPresets;
    std::vector<std::string> seriesList;
    std::vector<std::string> previousSeriesList;
    bool firstEntry = true;
    int pendingSliceIndex = -1;
    unsigned lastFrame = 0;
    NSUI::UIScrollViewBase* toolScrollView = nullptr;
    int toolPanelKind = -1;
    int toolPanelWidth = 300;
    int topBarHeight = kTopBarHeight;
    float sliderStart = 0.0f;
    float sliderLast = 0.0f;
    float pendingRotation = 0.0f;
    int protocolCode = 0;
    bool waitingForCache = false;
    // The load whose result the screen takes; results of earlier loads are dropped.
    unsigned loadGeneration = 0;
    // The phase count the phase menu was built for.
    int phaseMenuCount = 0;
    // A child of the screen from its first request on.
    quickTool* quickStrip = nullptr;

protected:
    imageViewerPC() = default;
    ~imageViewerPC() override;

private:
    void onSeriesLoaded(NSUI::NSNotificationData* data);
    void onSeriesCached();
    void reload(const std::string& text);
    void showBusyOverlay();
    void cancelLoad();
    // Every reader of the series list, in order; false when one is missing.
    bool collectOutputs(std::vector<isImageSDK::isImageData*>& outputs);
    bool allLoadsComplete();
    void showLoadedPanels(int kind);
    int panelKindForViewType(int viewType) const;
    ProtocolQuery* regionQuery() const;
    void unregisterSeries(const std::vector<std::string>& keys);
    void buildMenuItems(NSUI::NSMenu* menu, const std::string& name);
    int regionPhaseCount() const;
    void placeMenu(NSUI::NSMenu* menu, float x, float y, int placement);
    void runCommand(int key, int value);
    void postCommand(int key, bool nextFrame);
    void stepPhase(int delta);
    void onChoosePatient();
    void onPhaseChosen(const std::string& value);
    void onWindowLevelApply(const std::string& text);
    void onCineState(int value);
    void onRoiCountChanged();
    void onCellMaximized(int value);
    void onQuickToolOpen(NSUI::NSNotificationData* data);
    void onQuickToolAnchor(NSUI::NSNotificationData* data);
    void openWindowLevelEditor();
    void openDicomInfo();
    void hideQuickStrip();
    void playShutter();

    isImageSDK::winManager* windowManager = nullptr;
    std::shared_ptr<std::atomic<bool>> loadCancelled;
    bool cleanedUp = false;
    OwnedJobs jobs;
};
