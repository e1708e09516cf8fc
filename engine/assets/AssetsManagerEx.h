#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Event.h"
#include "engine/base/Ref.h"

namespace cocos2d {

class EventListenerCustom;

namespace extension {

class AssetsManagerEx;

// What the asset manager reports, on the main thread, to the listeners of its event name.
class EventAssetsManagerEx : public EventCustom {
public:
    enum class EventCode {
        ERROR_NO_LOCAL_MANIFEST = 0,
        ERROR_DOWNLOAD_MANIFEST = 1,
        ERROR_PARSE_MANIFEST = 2,
        NEW_VERSION_FOUND = 3,
        ALREADY_UP_TO_DATE = 4,
        UPDATE_PROGRESSION = 5,
        ASSET_UPDATED = 6,
        ERROR_UPDATING = 7,
        UPDATE_FINISHED = 8,
        UPDATE_FAILED = 9,
        ERROR_DECOMPRESS = 10,
    };

    EventAssetsManagerEx(const std::string& eventName, AssetsManagerEx* manager, EventCode code,
                         std::string assetId, std::string message, float percent,
                         float percentByFile);

    EventCode getEventCode() const { return _code; }
    AssetsManagerEx* getAssetsManagerEx() const { return _manager; }
    // The asset concerned, or "@version", "@manifest", "@updateFileList" for the manager's own
    // steps.
    const std::string& getAssetId() const { return _assetId; }
    const std::string& getMessage() const { return _message; }
    // 0..100: by bytes of the assets to fetch, and by their number.
    float getPercent() const { return _percent; }
    float getPercentByFile() const { return _percentByFile; }

private:
    AssetsManagerEx* _manager;
    EventCode _code;
    std::string _assetId;
    std::string _message;
    float _percent;
    float _percentByFile;
};

// A listener of one manager's events, for the director's event dispatcher.
class EventListenerAssetsManagerEx {
public:
    static EventListenerCustom* create(AssetsManagerEx* manager,
                                       const std::function<void(EventAssetsManagerEx*)>& callback);
};

// Brings a folder of downloadable resources up to a published state.
//
// The manifest named at creation (found through the search path) describes the published state
// as JSON: {"version": "1.0.3", "packageUrl": "https://host/files/", "remoteManifestUrl":
// optional, "assets": {"path/in/folder": {"md5": "<hex>", "compressed": false}, ...}}. When it
// names a remote manifest, that one is fetched and used instead. The storage folder keeps the
// manifest of its last finished update ("project.manifest"); an equal version is up to date.
// Otherwise every asset whose md5 differs from the stored one is fetched from packageUrl + path
// into a staging folder, checked against its md5 (with verification on; a mismatch fails the
// asset), and, when compressed, unpacked there; only when every asset arrived intact are they
// moved into the storage folder and the manifest stored, so the folder never holds a half
// update. Paths that are absolute or contain "..", in the manifest or inside an archive, are
// refused. Transfers run on the manager's own thread; the manager ends and joins it when it
// goes.
class AssetsManagerEx : public Ref {
public:
    // `verifyAssets`: check each fetched asset against its md5 (a manifest asset without md5
    // then fails).
    static AssetsManagerEx* create(const std::string& manifestName, const std::string& storagePath,
                                   bool verifyAssets);
    ~AssetsManagerEx() override;

    // Starts a run; a running one is left alone.
    void update();
    // Which addresses may be fetched; by default only https ones.
    void setUrlFilter(std::function<bool(const std::string&)> filter);

    const std::string& getEventName() const { return _eventName; }
    const std::string& getStoragePath() const { return _storagePath; }

    // Whether a manifest path may be written below the storage folder.
    static bool isSafeRelativePath(const std::string& path);

private:
    AssetsManagerEx() = default;
    bool init(const std::string& manifestName, const std::string& storagePath, bool verifyAssets);

    struct Pending {
        EventAssetsManagerEx::EventCode code;
        std::string assetId;
        std::string message;
        float percent;
        float percentByFile;
    };

    void run(std::string localManifest);
    void report(EventAssetsManagerEx::EventCode code, const std::string& assetId = "",
                const std::string& message = "", float percent = 0.0f, float percentByFile = 0.0f);
    void deliverEvents();
    bool fetch(const std::string& url, std::string& body, std::string& error);
    bool unpack(const std::string& archive, const std::string& folder, std::string& error);

    std::string _manifestName;
    std::string _storagePath;
    std::string _eventName;
    bool _verifyAssets = true;
    std::function<bool(const std::string&)> _urlFilter;
    std::string _caFile;

    std::thread _worker;
    std::atomic<bool> _stopping{false};
    std::atomic<bool> _running{false};
    std::mutex _eventMutex;
    std::vector<Pending> _events;
};

}  // namespace extension
}  // namespace cocos2d
