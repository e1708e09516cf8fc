#include "online/updateService.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/assets/AssetsManagerEx.h"
#include "engine/base/Base64.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/base/Scheduler.h"
#include "engine/base/UserDefault.h"
#include "engine/base/Utils.h"
#include "engine/platform/Device.h"
#include "engine/platform/FileUtils.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/SiteAddress.h"
#include "toolkit/net/NSHttpClient.h"
#include "toolkit/net/UIHttpResponse.h"

using cocos2d::extension::AssetsManagerEx;
using cocos2d::extension::EventAssetsManagerEx;
using Code = EventAssetsManagerEx::EventCode;

namespace {

const char kManifestName[] = "project.manifest";

void flush() {
    cocos2d::UserDefault::getInstance()->flush();
}

// Puts the folder first on the search path, taking it from further back when an earlier cycle
// of this run added it: the path never grows, and the current folder always wins.
void putFirstOnSearchPath(const std::string& folder) {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    std::vector<std::string> paths = files->getSearchPaths();
    const std::string withSlash = folder.back() == '/' ? folder : folder + "/";
    paths.erase(std::remove_if(
                    paths.begin(), paths.end(),
                    [&](const std::string& path) { return path == folder || path == withSlash; }),
                paths.end());
    paths.insert(paths.begin(), withSlash);
    files->setSearchPaths(paths);
}

}  // namespace

updateService* updateService::create() {
    auto* service = new updateService();
    service->init();
    service->autorelease();
    return service;
}

updateService::~updateService() {
    shutdown();
}

std::string updateService::folderPath(int number) {
    const std::string path = number == 1 ? getStringForKey("update_nowPath1", "update/temp1")
                                         : getStringForKey("update_nowPath2", "update/temp2");
    return cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/" + path;
}

bool updateService::init() {
    busy = true;
    owner = this;
    const int valid = getIntegerForKey("update_hasValidUpdate", -1);
    if (valid == 1 || valid == 2) {
        setIntegerForKey("update_now", valid);
        flush();
    }
    const int now = getIntegerForKey("update_now", 1);
    currentFolder = folderPath(now == 1 ? 1 : 2);
    otherFolder = folderPath(now == 1 ? 2 : 1);
    putFirstOnSearchPath(currentFolder);
    cocos2d::FileUtils::getInstance()->createDirectory(currentFolder);
    if (valid < 0) {
        requestVersionCheck();
        return true;
    }
    startAdoptionCopy();
    const std::string config = currentFolder + "/c.i";
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    if (files->isFileExist(config)) {
        setStringForKey("app_config_ini",
                        cocos2d::safeBase64DecodeString(files->getStringFromFile(config)));
        flush();
    }
    return true;
}

void updateService::startAdoptionCopy() {
    done = false;
    const std::string from = currentFolder;
    const std::string to = otherFolder;
    copyThread = std::thread([this, from, to] {
        cocos2d::FileUtils::getInstance()->removeDirectory(to + "/");
        const bool copied = NSUI::copyDirectory(from, to);
        cocos2d::Director::getInstance()->getScheduler()->performFunctionInCocosThread(
            this, [this, copied] { onAdoptionCopied(copied); });
        done = true;
    });
}

void updateService::onAdoptionCopied(bool copied) {
    if (copyThread.joinable()) {
        copyThread.join();
    }
    // Settings belong to the main thread: the adoption is marked done here, once the copy is
    // whole.
    if (copied) {
        setIntegerForKey("update_hasValidUpdate", -1);
        flush();
    }
    if (getIntegerForKey("update_hasValidUpdate", -1) < 0) {
        requestVersionCheck();
    } else {
        busy = false;
    }
}

void updateService::requestVersionCheck() {
    std::string json;
    setString(json, "app_version", getAppVersion());
    setString(json, "device_info",
              cocos2d::safeBase64EncodeString(cocos2d::Device::getDeviceInfo()));
    httpPost(getServerBaseUrl() + "/ud/cv2.php", cocos2d::safeBase64EncodeString(json), "verCheck",
             "", "");
    httpPost(getServerBaseUrl() + "/ud/u.php", "", "updater", "", "");
}

void updateService::onResponse(NSUI::UIHttpResponse* response) {
    if (response == nullptr) {
        return;
    }
    const bool ok = response->succeeded && response->responseCode == 200;
    if (response->tag == "verCheck") {
        if (!ok) {
            return;
        }
        const std::string latest = getStringWithDefault(
            cocos2d::safeBase64DecodeString(response->body), "app_latest_version", "");
        if (latest != getStringForKey("app_latest_version", "")) {
            setStringForKey("app_latest_version", latest);
            setStringForKey("app_ver_check_count", "0");
        }
    } else if (response->tag == "updater") {
        if (!ok || !NSUI::writeStringToFile(currentFolder + "/" + kManifestName, response->body)) {
            busy = false;
            return;
        }
        if (assets == nullptr) {
            assets = AssetsManagerEx::create(kManifestName, otherFolder, true);
            if (assets == nullptr) {
                busy = false;
                return;
            }
            assets->retain();
            assets->setUrlFilter(
                [](const std::string& url) { return NSUI::isPermittedServiceUrl(url); });
            listener = cocos2d::extension::EventListenerAssetsManagerEx::create(
                assets, [this](EventAssetsManagerEx* event) { onAssetsManagerEvent(event); });
            listener->retain();
            cocos2d::Director::getInstance()
                ->getEventDispatcher()
                ->addEventListenerWithFixedPriority(listener, 1);
        }
        assets->update();
    }
}

void updateService::onAssetsManagerEvent(EventAssetsManagerEx* event) {
    const Code code = event->getEventCode();
    switch (code) {
    case Code::ERROR_NO_LOCAL_MANIFEST:
        cocos2d::log("Error:can not find the local manifest file");
        break;
    case Code::ERROR_DOWNLOAD_MANIFEST:
        cocos2d::log("Error:failed to download the manifest");
        break;
    case Code::ERROR_PARSE_MANIFEST:
        cocos2d::log("Error: failed to analysis the manifest");
        break;
    case Code::NEW_VERSION_FOUND:
        cocos2d::log("Found the new verision,%s,start to update.", event->getAssetId().c_str());
        break;
    case Code::ALREADY_UP_TO_DATE:
        cocos2d::log("Already is the latest version");
        releaseAssetsManager();
        break;
    case Code::UPDATE_PROGRESSION: {
        const std::string& id = event->getAssetId();
        if (id == "@version") {
            cocos2d::log("download version file.");
        } else if (id == "@manifest") {
            cocos2d::log("download project file.");
        } else if (id == "@updateFileList") {
            cocos2d::log("%s", event->getMessage().c_str());
        } else {
            cocos2d::log(
                "update process= %s %i", id.c_str(),
                static_cast<int>(std::max(event->getPercent(), event->getPercentByFile())));
        }
        break;
    }
    case Code::ERROR_UPDATING:
        cocos2d::log("Error: failed to complete the update..%s", event->getMessage().c_str());
        break;
    case Code::UPDATE_FINISHED:
        cocos2d::log("update over. restart.");
        releaseAssetsManager();
        setIntegerForKey("update_hasValidUpdate", getIntegerForKey("update_now", 1) == 1 ? 2 : 1);
        flush();
        break;
    default:
        break;
    }
    switch (code) {
    case Code::ERROR_NO_LOCAL_MANIFEST:
    case Code::ERROR_DOWNLOAD_MANIFEST:
    case Code::ERROR_PARSE_MANIFEST:
    case Code::ALREADY_UP_TO_DATE:
    case Code::ERROR_UPDATING:
    case Code::UPDATE_FINISHED:
    case Code::UPDATE_FAILED:
        busy = false;
        break;
    default:
        break;
    }
}

void updateService::releaseAssetsManager() {
    if (listener != nullptr) {
        cocos2d::Director::getInstance()->getEventDispatcher()->removeEventListener(listener);
        listener->release();
        listener = nullptr;
    }
    if (assets != nullptr) {
        AssetsManagerEx* manager = assets;
        assets = nullptr;
        manager->release();
    }
}

void updateService::shutdown() {
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (copyThread.joinable()) {
        copyThread.join();
    }
    cocos2d::Director::getInstance()->getScheduler()->removeFunctionInCocosThread(this, nullptr);
    releaseAssetsManager();
    NSUI::NSHttpClient::getInstance()->cancelRequestsOf(this);
}
