#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "engine/base/Ref.h"
#include "toolkit/core/NSThreadSafeDestroy.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/net/UIHttpPhisical.h"

namespace cocos2d {
class EventListenerCustom;
namespace extension {
class AssetsManagerEx;
class EventAssetsManagerEx;
}  // namespace extension
}  // namespace cocos2d

// One cycle of the downloadable resources' update. Two update folders take turns: the current
// one is first on the search path, the other receives the next update from the asset manager. A
// finished update is adopted by the next cycle, which makes that folder current and first copies
// it over the stale one; then the cycle reports the program version to the version service and
// asks for the update manifest.
class updateService : public cocos2d::Ref,
                      public NSUI::UILocalConfig,
                      public NSUI::NSThreadSafeDestroy,
                      public NSUI::UIHttpPhisical,
                      public NSUI::UIJson {
public:
    // Autoreleased; the cycle starts at once.
    static updateService* create();

    ~updateService() override;

    bool init();
    void requestVersionCheck();
    void onResponse(NSUI::UIHttpResponse* response) override;
    void onAssetsManagerEvent(cocos2d::extension::EventAssetsManagerEx* event);
    // Waits for the adoption copy, drops the asset manager and the pending calls.
    void shutdown();

    // Whether the cycle is still running.
    bool isBusy() const { return busy; }
    const std::string& getCurrentFolder() const { return currentFolder; }
    const std::string& getOtherFolder() const { return otherFolder; }
    // A folder's full path from its number (1 or 2).
    std::string folderPath(int number);

private:
    updateService() = default;

    void startAdoptionCopy();
    void onAdoptionCopied(bool copied);
    void releaseAssetsManager();

    cocos2d::EventListenerCustom* listener = nullptr;
    cocos2d::extension::AssetsManagerEx* assets = nullptr;
    std::string otherFolder;
    std::string currentFolder;
    bool busy = false;
    std::thread copyThread;
};
