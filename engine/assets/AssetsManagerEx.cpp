#include "engine/assets/AssetsManagerEx.h"

#include <curl/curl.h>
#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <unzip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/base/Scheduler.h"
#include "engine/platform/FileUtils.h"

namespace fs = std::filesystem;

namespace cocos2d {
namespace extension {

namespace {

using Code = EventAssetsManagerEx::EventCode;

const char kStoredManifest[] = "project.manifest";
const char kDeliveryKey[] = "_assetsManagerExEvents";
const long kConnectTimeout = 10;
const long kTransferTimeout = 300;

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

int abortWhenStopping(void* stopping, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(stopping)->load() ? 1 : 0;
}

std::string md5Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        return "";
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

std::string lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

nlohmann::json parseObject(const std::string& text) {
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    return json.is_object() ? json : nlohmann::json();
}

std::string stringField(const nlohmann::json& json, const char* key) {
    auto found = json.find(key);
    return found != json.end() && found->is_string() ? found->get<std::string>() : "";
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool writeFile(const fs::path& path, const std::string& bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace

EventAssetsManagerEx::EventAssetsManagerEx(const std::string& eventName, AssetsManagerEx* manager,
                                           EventCode code, std::string assetId, std::string message,
                                           float percent, float percentByFile)
    : EventCustom(eventName), _manager(manager), _code(code), _assetId(std::move(assetId)),
      _message(std::move(message)), _percent(percent), _percentByFile(percentByFile) {}

EventListenerCustom*
EventListenerAssetsManagerEx::create(AssetsManagerEx* manager,
                                     const std::function<void(EventAssetsManagerEx*)>& callback) {
    return EventListenerCustom::create(manager->getEventName(), [callback](EventCustom* event) {
        if (auto* assets = dynamic_cast<EventAssetsManagerEx*>(event)) {
            callback(assets);
        }
    });
}

AssetsManagerEx* AssetsManagerEx::create(const std::string& manifestName,
                                         const std::string& storagePath, bool verifyAssets) {
    auto* manager = new AssetsManagerEx();
    if (!manager->init(manifestName, storagePath, verifyAssets)) {
        delete manager;
        return nullptr;
    }
    manager->autorelease();
    return manager;
}

bool AssetsManagerEx::init(const std::string& manifestName, const std::string& storagePath,
                           bool verifyAssets) {
    if (manifestName.empty() || storagePath.empty()) {
        return false;
    }
    _manifestName = manifestName;
    _storagePath = storagePath.back() == '/' ? storagePath : storagePath + "/";
    _verifyAssets = verifyAssets;
    std::ostringstream name;
    name << "__assets_manager_" << static_cast<const void*>(this);
    _eventName = name.str();
    _urlFilter = [](const std::string& url) { return url.compare(0, 8, "https://") == 0; };
    for (const char* variable : {"CURL_CA_BUNDLE", "SSL_CERT_FILE"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') {
            _caFile = value;
            break;
        }
    }
    Director::getInstance()->getScheduler()->schedule([this](float) { deliverEvents(); }, this,
                                                      0.0f, false, kDeliveryKey);
    return true;
}

AssetsManagerEx::~AssetsManagerEx() {
    _stopping = true;
    if (_worker.joinable()) {
        _worker.join();
    }
    Director::getInstance()->getScheduler()->unschedule(kDeliveryKey, this);
}

void AssetsManagerEx::setUrlFilter(std::function<bool(const std::string&)> filter) {
    _urlFilter = std::move(filter);
}

bool AssetsManagerEx::isSafeRelativePath(const std::string& path) {
    if (path.empty() || path[0] == '/' || path[0] == '\\' || path.find(':') != std::string::npos) {
        return false;
    }
    for (const fs::path& part : fs::path(path)) {
        if (part == "..") {
            return false;
        }
    }
    return path.find("\\..") == std::string::npos && path.find("..\\") == std::string::npos;
}

void AssetsManagerEx::update() {
    if (_running.exchange(true)) {
        return;
    }
    if (_worker.joinable()) {
        _worker.join();
    }
    // The search path belongs to the main thread: the manifest is read here.
    const std::string text = FileUtils::getInstance()->getStringFromFile(_manifestName);
    _worker = std::thread([this, text] {
        run(text);
        _running = false;
    });
}

void AssetsManagerEx::report(Code code, const std::string& assetId, const std::string& message,
                             float percent, float percentByFile) {
    std::lock_guard<std::mutex> guard(_eventMutex);
    _events.push_back({code, assetId, message, percent, percentByFile});
}

void AssetsManagerEx::deliverEvents() {
    std::vector<Pending> events;
    {
        std::lock_guard<std::mutex> guard(_eventMutex);
        events.swap(_events);
    }
    if (events.empty()) {
        return;
    }
    // A listener may drop the last reference to the manager.
    retain();
    EventDispatcher* dispatcher = Director::getInstance()->getEventDispatcher();
    for (const Pending& pending : events) {
        EventAssetsManagerEx event(_eventName, this, pending.code, pending.assetId, pending.message,
                                   pending.percent, pending.percentByFile);
        dispatcher->dispatchEvent(&event);
    }
    release();
}

bool AssetsManagerEx::fetch(const std::string& url, std::string& body, std::string& error) {
    if (!_urlFilter || !_urlFilter(url)) {
        error = "address refused: " + url;
        return false;
    }
    CURL* handle = curl_easy_init();
    if (handle == nullptr) {
        error = "no transfer";
        return false;
    }
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!_caFile.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, _caFile.c_str());
    }
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeout);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, kTransferTimeout);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &abortWhenStopping);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &_stopping);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    long status = 0;
    const CURLcode result = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(handle);
    if (result != CURLE_OK) {
        error = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
        return false;
    }
    if (status != 200) {
        error = "status " + std::to_string(status);
        return false;
    }
    return true;
}

bool AssetsManagerEx::unpack(const std::string& archive, const std::string& folder,
                             std::string& error) {
    unzFile zip = unzOpen(archive.c_str());
    if (zip == nullptr) {
        error = "not a zip archive";
        return false;
    }
    // Every entry is checked before anything is written.
    std::vector<std::string> names;
    bool ok = unzGoToFirstFile(zip) == UNZ_OK;
    while (ok) {
        char name[1024] = {};
        unz_file_info info;
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof(name) - 1, nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
            ok = false;
            break;
        }
        names.push_back(name);
        if (!isSafeRelativePath(name)) {
            error = std::string("entry refused: ") + name;
            unzClose(zip);
            return false;
        }
        const int next = unzGoToNextFile(zip);
        if (next == UNZ_END_OF_LIST_OF_FILE) {
            break;
        }
        ok = next == UNZ_OK;
    }
    ok = ok && unzGoToFirstFile(zip) == UNZ_OK;
    for (std::size_t i = 0; ok && i < names.size(); ++i) {
        const std::string& name = names[i];
        const fs::path target = fs::path(folder) / name;
        if (!name.empty() && name.back() == '/') {
            std::error_code made;
            fs::create_directories(target, made);
        } else {
            ok = unzOpenCurrentFile(zip) == UNZ_OK;
            std::string bytes;
            char buffer[16384];
            int read = 0;
            while (ok && (read = unzReadCurrentFile(zip, buffer, sizeof(buffer))) > 0) {
                bytes.append(buffer, static_cast<std::size_t>(read));
            }
            ok = ok && read == 0 && unzCloseCurrentFile(zip) == UNZ_OK && writeFile(target, bytes);
        }
        if (ok && i + 1 < names.size()) {
            ok = unzGoToNextFile(zip) == UNZ_OK;
        }
    }
    unzClose(zip);
    if (!ok) {
        error = "the archive could not be unpacked";
    }
    return ok;
}

void AssetsManagerEx::run(std::string text) {
    if (text.empty()) {
        report(Code::ERROR_NO_LOCAL_MANIFEST);
        return;
    }
    nlohmann::json manifest = parseObject(text);
    if (manifest.is_null()) {
        report(Code::ERROR_PARSE_MANIFEST);
        return;
    }
    const std::string remote = stringField(manifest, "remoteManifestUrl");
    if (!remote.empty()) {
        report(Code::UPDATE_PROGRESSION, "@manifest");
        std::string body;
        std::string error;
        if (!fetch(remote, body, error)) {
            report(Code::ERROR_DOWNLOAD_MANIFEST, "@manifest", error);
            return;
        }
        manifest = parseObject(body);
        if (manifest.is_null()) {
            report(Code::ERROR_PARSE_MANIFEST);
            return;
        }
        text = body;
    }
    const std::string version = stringField(manifest, "version");
    const nlohmann::json stored = parseObject(readFile(_storagePath + kStoredManifest));
    if (!stored.is_null() && stringField(stored, "version") == version) {
        report(Code::ALREADY_UP_TO_DATE);
        return;
    }
    report(Code::NEW_VERSION_FOUND, "@version", version);

    struct Asset {
        std::string path;
        std::string md5;
        bool compressed;
    };
    std::vector<Asset> wanted;
    bool failed = false;
    const auto assets = manifest.find("assets");
    if (assets != manifest.end() && assets->is_object()) {
        const nlohmann::json* storedAssets =
            stored.is_object() && stored.contains("assets") ? &stored["assets"] : nullptr;
        for (const auto& item : assets->items()) {
            if (!isSafeRelativePath(item.key()) || !item.value().is_object()) {
                report(Code::ERROR_UPDATING, item.key(), "path refused");
                failed = true;
                continue;
            }
            const std::string md5 = lowered(stringField(item.value(), "md5"));
            const bool compressed = item.value().value("compressed", false);
            if (!compressed && storedAssets != nullptr && storedAssets->contains(item.key()) &&
                lowered(stringField((*storedAssets)[item.key()], "md5")) == md5 && !md5.empty() &&
                fs::exists(_storagePath + item.key())) {
                continue;
            }
            wanted.push_back({item.key(), md5, compressed});
        }
    }
    report(Code::UPDATE_PROGRESSION, "@updateFileList",
           std::to_string(wanted.size()) + " files to update");

    const fs::path staging = fs::path(_storagePath).parent_path().string() + ".staging";
    std::error_code error;
    fs::remove_all(staging, error);
    fs::create_directories(staging, error);
    const std::string packageUrl = stringField(manifest, "packageUrl");
    std::vector<std::string> staged;
    for (std::size_t i = 0; i < wanted.size() && !failed && !_stopping; ++i) {
        const Asset& asset = wanted[i];
        std::string body;
        std::string message;
        bool ok = fetch(packageUrl + asset.path, body, message);
        if (ok && (_verifyAssets || !asset.md5.empty()) && md5Hex(body) != asset.md5) {
            ok = false;
            message = "md5 mismatch";
        }
        const fs::path target = staging / asset.path;
        ok = ok && writeFile(target, body);
        if (ok && asset.compressed) {
            ok = unpack(target.string(), target.parent_path().string(), message);
            fs::remove(target, error);
            if (!ok) {
                report(Code::ERROR_DECOMPRESS, asset.path, message);
            }
        } else if (ok) {
            staged.push_back(asset.path);
        }
        if (!ok) {
            report(Code::ERROR_UPDATING, asset.path, message);
            failed = true;
            break;
        }
        const float percent =
            100.0f * static_cast<float>(i + 1) / static_cast<float>(wanted.size());
        report(Code::ASSET_UPDATED, asset.path);
        report(Code::UPDATE_PROGRESSION, asset.path, "", percent, percent);
    }
    if (failed || _stopping) {
        fs::remove_all(staging, error);
        report(Code::UPDATE_FAILED);
        return;
    }
    // Complete and verified: only now does the storage folder change. A file left out keeps the
    // stored version, so that the next cycle fetches the update again.
    std::string notPlaced;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(staging, error)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const fs::path relative = fs::relative(entry.path(), staging);
        const fs::path target = fs::path(_storagePath) / relative;
        std::error_code placed;
        fs::create_directories(target.parent_path(), placed);
        fs::rename(entry.path(), target, placed);
        if (placed) {
            placed.clear();
            fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing, placed);
        }
        if (placed) {
            notPlaced = relative.string();
            break;
        }
    }
    fs::remove_all(staging, error);
    if (!notPlaced.empty()) {
        report(Code::ERROR_UPDATING, notPlaced, "could not be put in place");
        report(Code::UPDATE_FAILED);
        return;
    }
    if (!writeFile(_storagePath + kStoredManifest, text)) {
        report(Code::UPDATE_FAILED);
        return;
    }
    report(Code::UPDATE_FINISHED);
}

}  // namespace extension
}  // namespace cocos2d
